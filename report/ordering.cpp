#include "report/ordering.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// Below this many records a comparison sort is cheaper than the counts.
constexpr std::size_t kCountingSortFrom = 4096;
constexpr std::size_t kNodeIndexes = 65536;

bool NameLess(const FlatRecord& a, const FlatRecord& b) {
  const int order = std::memcmp(a.name, b.name, std::min(a.length, b.length));
  return order != 0 ? order < 0 : a.length < b.length;
}

// Distributes `records` by nodeIndex, keeping the order within each index.
void CountingSort(std::pmr::vector<FlatRecord>& records, Arena& arena) {
  auto* starts =
      static_cast<std::uint32_t*>(arena.Take((kNodeIndexes + 1) * sizeof(std::uint32_t)));
  for (const FlatRecord& r : records) ++starts[r.nodeIndex + 1];
  for (std::size_t i = 1; i <= kNodeIndexes; ++i) starts[i] += starts[i - 1];
  std::pmr::vector<FlatRecord> sorted(records.size(), &arena);
  for (const FlatRecord& r : records) sorted[starts[r.nodeIndex]++] = r;
  std::copy(sorted.begin(), sorted.end(), records.begin());
}

}  // namespace

void OrderArgList(std::pmr::vector<FlatRecord>& records, std::int32_t sortByName, Arena& arena) {
  const bool byArg = sortByName == 0;
  const auto tieLess = [byArg](const FlatRecord& a, const FlatRecord& b) {
    if (byArg && a.arg != b.arg) return a.arg < b.arg;
    return NameLess(a, b);
  };
  const auto byIndex = [](const FlatRecord& a, const FlatRecord& b) {
    return a.nodeIndex < b.nodeIndex;
  };
  // Records come in walk order, in which nodeIndex rarely falls.
  if (!std::is_sorted(records.begin(), records.end(), byIndex)) {
    if (records.size() < kCountingSortFrom) {
      std::sort(records.begin(), records.end(), [&](const FlatRecord& a, const FlatRecord& b) {
        return a.nodeIndex != b.nodeIndex ? a.nodeIndex < b.nodeIndex : tieLess(a, b);
      });
      return;
    }
    CountingSort(records, arena);
  }
  // Each run of one nodeIndex on its own: the runs are short.
  for (auto run = records.begin(); run != records.end();) {
    auto end = run + 1;
    while (end != records.end() && end->nodeIndex == run->nodeIndex) ++end;
    if (end - run > 1) std::sort(run, end, tieLess);
    run = end;
  }
}
