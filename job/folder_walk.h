// The models a folder stands for: a folder argument of quorvel-cli --recursive,
// and a folder dropped on the dialog.
#ifndef QUORVEL_JOB_FOLDER_WALK_H_
#define QUORVEL_JOB_FOLDER_WALK_H_

#include <string>
#include <vector>

// True when `path` names a folder, following links (a link to a folder named
// on the command line is walked, as grep -r does).
bool IsFolder(const std::string& path);

// Appends to `models` every regular file below the folder `root` whose name
// ends in ".tav" (ASCII case ignored), the paths sorted by their bytes: the
// files `find ROOT -type f -iname '*.tav' | LC_ALL=C sort` lists. Links below
// `root` are neither followed nor listed, so a link loop cannot trap the walk.
// Each folder that cannot be read, or whose entries cannot be looked at (a
// folder that can be listed but not searched), adds one line to `errors`
// ("cannot read folder 'PATH': REASON") and is skipped; the rest is still
// listed. Paths are
// joined with the platform's separator (on Windows, UTF-8, as the engine
// takes them; a name that cannot be converted is an error line too).
void ListModelsBelow(const std::string& root, std::vector<std::string>& models,
                     std::vector<std::string>& errors);

// The arguments with, when `recursive`, each folder replaced by the models
// below it (ListModelsBelow); everything else is kept as it is, in order.
std::vector<std::string> ExpandFolders(const std::vector<std::string>& args, bool recursive,
                                       std::vector<std::string>& errors);

#endif  // QUORVEL_JOB_FOLDER_WALK_H_
