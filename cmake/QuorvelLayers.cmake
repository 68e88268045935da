# Every target sees the headers of its own folder and of the targets it links,
# never the source tree: each target publishes its headers through an include
# root of its own (links to the sources, made at configure time), so that an
# include that runs against the layers fails to compile.
#
#   engine/ <- report/ <- job/ <- cli/
#                              <- gui/ -> platform/ (the class library, one
#                                         folder per backend)

# quorvel_layer(TARGET HEADERS...): TARGET's include root holds HEADERS (paths
# relative to the source tree). A library's root is seen by whatever links
# it; a program's by the program alone.
function(quorvel_layer target)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS ARGN)
    get_filename_component(folder ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    # A link, so that an edited header needs no new configure run.
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  elseif(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# quorvel_layer_folder(TARGET [EXCEPT HEADERS...]): quorvel_layer with every
# header of the calling folder (not its subfolders) but those named.
function(quorvel_layer_folder target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCEPT")
  file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(arg_EXCEPT)
    list(REMOVE_ITEM headers ${arg_EXCEPT})
  endif()
  quorvel_layer(${target} ${headers})
endfunction()
