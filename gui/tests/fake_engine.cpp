#include "gui/tests/fake_engine.h"

namespace fake_engine {
namespace {
std::function<ExtractResult(const std::string&)>& Result() {
  static std::function<ExtractResult(const std::string&)> result;
  return result;
}
Job& TheJob() {
  static Job job;
  return job;
}
}  // namespace

void SetJob(Job job) {
  TheJob() = std::move(job);
}

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
  TheJob() = nullptr;
}

}  // namespace fake_engine

ExtractResult ExtractModelArgsWith(FileOps& files, JobLog& log, const char* path,
                                   std::int32_t sortByName, std::int32_t saveBesideExtractor,
                                   std::int32_t analyzeConnector, JobScratch*) {
  fake_engine::Calls().push_back({path, sortByName, saveBesideExtractor, analyzeConnector});
  if (auto& job = fake_engine::TheJob()) return job(files, log, path);
  auto& result = fake_engine::Result();
  return result ? result(path) : ExtractResult::Completed;
}

ExtractResult ExtractModelArgs(const char* path, std::int32_t sortByName,
                               std::int32_t saveBesideExtractor, std::int32_t analyzeConnector) {
  return ExtractModelArgsWith(FileOps::Default(), JobLog::Stdout(), path, sortByName,
                              saveBesideExtractor, analyzeConnector);
}
