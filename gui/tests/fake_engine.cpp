#include "gui/tests/fake_engine.h"

#include "gui/job_capture.h"

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

ExtractResult Fake(FileOps& files, JobLog& log, const std::string& path,
                   const ExtractOptions& options) {
  Calls().push_back(
      {path, options.sortByName, options.saveBesideExtractor, options.analyzeConnector});
  if (auto& job = TheJob()) return job(files, log, path);
  auto& result = Result();
  return result ? result(path) : ExtractResult::Completed;
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
  SetModelJob(&Fake);
}

}  // namespace fake_engine
