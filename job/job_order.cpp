#include "job/job_order.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <string_view>
#include <tuple>
#include <variant>

#include "engine/file_identity.h"
#include "engine/path_text.h"
#include "report/report_file.h"

namespace {

// One path a job touches.
struct Touch {
  std::size_t job;
  bool writes;
  std::string path;
};

// Keys under which two touches of the same file meet.
struct FileKey {  // the file itself exists
  FileIdentity identity;
  auto operator<=>(const FileKey&) const = default;
};
struct EntryKey {  // its folder, and its name without case
  FileIdentity folder;
  std::string name;
  auto operator<=>(const EntryKey&) const = default;
};
struct SpellingKey {  // its folder cannot be asked: the folder as spelled
  std::string folder;
  std::string name;
  auto operator<=>(const SpellingKey&) const = default;
};
using Key = std::variant<FileKey, EntryKey, SpellingKey>;

std::vector<Key> KeysOf(const std::string& path) {
  std::vector<Key> keys;
  FileIdentity identity;
  if (IdentifyFile(path, identity)) keys.push_back(FileKey{identity});
  const std::size_t cut = FileNameStart(path);
  const std::string folder = cut > 0 ? path.substr(0, cut) : std::string(1, '.');
  const std::string name = AsciiLowered(std::string_view(path).substr(cut));
  if (IdentifyFile(folder, identity))
    keys.push_back(EntryKey{identity, name});
  else
    keys.push_back(SpellingKey{folder, name});
  return keys;
}

// Union-find over touches.
class Groups {
 public:
  explicit Groups(std::size_t count) : parent_(count) {
    std::iota(parent_.begin(), parent_.end(), std::size_t{0});
  }
  std::size_t Find(std::size_t i) {
    while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
    return i;
  }
  void Join(std::size_t a, std::size_t b) { parent_[Find(a)] = Find(b); }

 private:
  std::vector<std::size_t> parent_;
};

}  // namespace

std::vector<std::vector<std::size_t>> JobPredecessors(const std::vector<std::string>& models,
                                                      std::int32_t saveBesideExtractor) {
  std::vector<Touch> touches;
  touches.reserve(models.size() * 2);
  for (std::size_t job = 0; job < models.size(); ++job) {
    touches.push_back({job, false, models[job]});
    touches.push_back({job, true, ReportPath(models[job], saveBesideExtractor)});
  }

  Groups groups(touches.size());
  std::map<Key, std::size_t> firstWithKey;
  for (std::size_t t = 0; t < touches.size(); ++t) {
    for (Key& key : KeysOf(touches[t].path)) {
      const auto [it, added] = firstWithKey.try_emplace(std::move(key), t);
      if (!added) groups.Join(t, it->second);
    }
  }

  // Touches of one file in job order; where any of them writes, each job
  // waits for the one before it in that file.
  std::map<std::size_t, std::vector<std::size_t>> byFile;
  for (std::size_t t = 0; t < touches.size(); ++t) byFile[groups.Find(t)].push_back(t);
  std::vector<std::vector<std::size_t>> predecessors(models.size());
  for (const auto& [root, members] : byFile) {
    const bool written = std::any_of(members.begin(), members.end(),
                                     [&](std::size_t t) { return touches[t].writes; });
    if (!written) continue;
    for (std::size_t i = 1; i < members.size(); ++i) {
      const std::size_t job = touches[members[i]].job;
      const std::size_t before = touches[members[i - 1]].job;
      if (before != job) predecessors[job].push_back(before);
    }
  }
  for (std::vector<std::size_t>& list : predecessors) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  return predecessors;
}
