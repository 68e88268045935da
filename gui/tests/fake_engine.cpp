#include "gui/tests/fake_engine.h"

namespace fake_engine {
namespace {
std::function<ExtractResult(const std::string&)>& Result() {
  static std::function<ExtractResult(const std::string&)> result;
  return result;
}
}  // namespace

std::vector<Call>& Calls() {
  static std::vector<Call> calls;
  return calls;
}

void SetResult(std::function<ExtractResult(const std::string& path)> result) {
  Result() = std::move(result);
}

void Reset() {
  Calls().clear();
  Result() = nullptr;
}

}  // namespace fake_engine

ExtractResult ExtractModelArgs(const char* path, std::int32_t sortByName,
                               std::int32_t saveBesideExtractor, std::int32_t analyzeConnector) {
  fake_engine::Calls().push_back({path, sortByName, saveBesideExtractor, analyzeConnector});
  auto& result = fake_engine::Result();
  return result ? result(path) : ExtractResult::Completed;
}
