#include "report/ordering.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <utility>
#include <vector>

bool LessByArg(const ArgRecord& a, const ArgRecord& b) {
  return a.arg < b.arg;
}

bool LessByNodeIndex(const ArgRecord& a, const ArgRecord& b) {
  return a.nodeIndex < b.nodeIndex;
}

namespace {

// Positions of `list` in the order both stable passes give together: by
// nodeIndex, then by arg unless sorting by name, then by position.
std::vector<std::size_t> FinalPositions(const ArgList& list, bool byArg) {
  std::vector<std::size_t> order(list.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const ArgRecord& x = list[a];
    const ArgRecord& y = list[b];
    if (LessByNodeIndex(x, y)) return true;
    if (LessByNodeIndex(y, x)) return false;
    return byArg && LessByArg(x, y);
  });
  return order;
}

// Moves each record to its place: afterwards element j is the one that stood
// at order[j]. Follows every cycle once; a placed position is marked by
// order[j] == j.
void Permute(ArgList& list, std::vector<std::size_t>& order) {
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    ArgRecord held = std::move(list[start]);
    std::size_t j = start;
    while (order[j] != start) {
      const std::size_t from = order[j];
      list[j] = std::move(list[from]);
      order[j] = j;
      j = from;
    }
    list[j] = std::move(held);
    order[j] = j;
  }
}

}  // namespace

void OrderArgList(ArgList& list, std::int32_t sortByName) {
  std::vector<std::size_t> order = FinalPositions(list, sortByName == 0);
  Permute(list, order);
}

void OrderArgListReference(ArgList& list, std::int32_t sortByName) {
  if (sortByName == 0) std::stable_sort(list.begin(), list.end(), LessByArg);
  std::stable_sort(list.begin(), list.end(), LessByNodeIndex);
}
