// Running a batch of models and printing what each one logs, in argument
// order.
#ifndef QUORVEL_CLI_BATCH_H_
#define QUORVEL_CLI_BATCH_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "engine/extract_result.h"

class JobLog;

// One model's job: logs to `log`, returns its result.
using ModelJob = std::function<ExtractResult(JobLog& log, const std::string& model)>;

// Starts a thread running `work`; throws std::system_error where no thread can
// be had (as std::thread's constructor does).
using ThreadStarter = std::function<std::thread(std::function<void()> work)>;
ThreadStarter DefaultThreadStarter();

// The plain run: each model in turn, logging through JobLog::Stdout(), then
// its status line with printf. Returns 0 when every model completed, else 1.
int RunBatchInTurn(const std::vector<std::string>& models, const ModelJob& job);

// What a parallel run must respect besides its job count.
struct BatchPlan {
  // For each model, the earlier models it waits for (see job/job_order.h).
  std::vector<std::vector<std::size_t>> predecessors;
  // For each model, its size in bytes (0 when unknown), and the most bytes of
  // models that may be in work at once. A model that alone is over the budget
  // still runs, by itself. In a 32-bit process every model in work takes its
  // size of address space, and a job that could not get it would fail where
  // one at a time it would not.
  std::vector<std::uint64_t> bytes;
  std::uint64_t byteBudget = std::numeric_limits<std::uint64_t>::max();
};

// The budget for this build: 1 GiB of models in a 32-bit process (whose
// address space is 2 GiB), no limit in a 64-bit one.
std::uint64_t DefaultByteBudget();

// Up to `jobs` models at once, each logging into a buffer of its own. Writes
// to `out` exactly what RunBatchInTurn prints: each model's lines, then its
// status line, in argument order; a model's output is written (and `out`
// flushed) as soon as it and every model before it are done. A model never
// starts before its predecessors are done, nor while it would take the models
// in work over the byte budget (`plan`; missing entries: none, 0); the
// models next in line are read ahead (engine/read_ahead.h). Where
// fewer threads can be started than asked for, the ones there are do all the
// work (with none, this thread alone, one model after another). Returns what
// RunBatchInTurn returns.
int RunBatchInParallel(const std::vector<std::string>& models, const BatchPlan& plan, int jobs,
                       const ModelJob& job, std::FILE* out,
                       const ThreadStarter& startThread = DefaultThreadStarter());

#endif  // QUORVEL_CLI_BATCH_H_
