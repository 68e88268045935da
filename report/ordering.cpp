#include "report/ordering.h"

#include <algorithm>

bool LessByArg(const ArgRecord& a, const ArgRecord& b) {
  return a.arg < b.arg;
}

bool LessByNodeIndex(const ArgRecord& a, const ArgRecord& b) {
  return a.nodeIndex < b.nodeIndex;
}

void OrderArgList(ArgList& list, std::int32_t sortByName) {
  if (sortByName == 0) std::stable_sort(list.begin(), list.end(), LessByArg);
  std::stable_sort(list.begin(), list.end(), LessByNodeIndex);
}
