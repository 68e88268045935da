# The engine and the report are built as layers that depend one way: the
# engine (records, scanners, buffer, file calls), the report over it, and the
# job (ExtractModelArgs) over both. A layer's sources see only the headers of
# its own layer and of the layers below: each layer publishes its headers
# through an include root of its own (links to the sources, made at configure
# time), never through the source tree, so that a wrong include fails to
# compile.

# quorvel_layer(TARGET HEADERS...): TARGET's include root holds HEADERS (paths
# relative to the source tree), and TARGET and whatever links it see that root.
function(quorvel_layer target)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS ARGN)
    get_filename_component(folder ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    # A link, so that an edited header needs no new configure run.
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
