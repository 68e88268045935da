// The batch loop shared by the dialog and quorvel-cli's `-j 1`.
#ifndef QUORVEL_JOB_RUN_BATCH_H_
#define QUORVEL_JOB_RUN_BATCH_H_

#include <functional>
#include <string>
#include <vector>

#include "engine/extract_result.h"

// One batch, one model at a time, as the dialog and quorvel-cli's `-j 1` run
// it: `job` on each model in queue order, then that model's status line
// handed to `show`. The models next in line are read ahead
// (engine/read_ahead.h); each line is StatusLine's (job/status_line.h). Returns true when every
// model completed.
bool RunBatch(const std::vector<std::string>& models,
              const std::function<ExtractResult(const std::string& model)>& job,
              const std::function<void(const std::string& line)>& show);

#endif  // QUORVEL_JOB_RUN_BATCH_H_
