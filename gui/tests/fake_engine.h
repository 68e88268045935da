// A recording stand-in for the engine's job, put in its place in the dialog's
// batch (SetModelJob) by Reset().
#ifndef QUORVEL_GUI_TESTS_FAKE_ENGINE_H_
#define QUORVEL_GUI_TESTS_FAKE_ENGINE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/extract_result.h"
#include "engine/file_ops.h"
#include "engine/job_log.h"

namespace fake_engine {

struct Call {
  std::string path;
  std::int32_t sortByName;
  std::int32_t saveBesideExtractor;
  std::int32_t analyzeConnector;
};

std::vector<Call>& Calls();
// Decides each call's result; by default every file completes.
void SetResult(std::function<ExtractResult(const std::string& path)> result);
// Runs in place of the result rule when set: the job, with the file
// operations and the log the caller gave it.
using Job = std::function<ExtractResult(FileOps& files, JobLog& log, const std::string& path)>;
void SetJob(Job job);
// Forgets the calls and the rules, and puts the stand-in in the batch.
void Reset();

}  // namespace fake_engine

#endif  // QUORVEL_GUI_TESTS_FAKE_ENGINE_H_
