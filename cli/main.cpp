// quorvel-cli: the dialog's batch run for scripts. One engine call per model;
// each file's log lines, then its status line, on standard output, in
// argument order, whether the files run one at a time or side by side.
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "cli/allocator_tuning.h"
#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/process_guard.h"
#include "engine/file_identity.h"
#include "engine/file_ops.h"
#include "engine/job_log.h"
#include "engine/job_scratch.h"
#include "job/extract_job.h"
#include "job/folder_walk.h"
#include "job/job_order.h"

// QUORVEL_VERSION: the project's version, set by the build.

namespace {

int DefaultJobs() {
  const unsigned processors = std::thread::hardware_concurrency();
  if (processors == 0) return 1;
  return processors < static_cast<unsigned>(kMaxJobs) ? static_cast<int>(processors) : kMaxJobs;
}

// The JobScratch of the workers side by side (engine/job_scratch.h), so that
// their jobs do not map and unmap an arena per model: a job takes one (a new
// one when none is free) and gives it back when done. Not thread_local: a
// thread_local with a destructor registers it on first use, which aborts the
// process where memory is short.
class ScratchPool {
 public:
  explicit ScratchPool(FileOps& files) : files_(files) {}

  // A free scratch, or nullptr when none can be had (the job then has its
  // own arena).
  std::unique_ptr<JobScratch> Take() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!free_.empty()) {
        std::unique_ptr<JobScratch> scratch = std::move(free_.back());
        free_.pop_back();
        return scratch;
      }
    }
    return std::unique_ptr<JobScratch>(new (std::nothrow) JobScratch(files_));
  }

  // Lets go of every scratch not in use: a job that ran short of memory is
  // run again alone, and must find the memory the others kept.
  void DropIdle() {
    std::vector<std::unique_ptr<JobScratch>> idle;
    const std::lock_guard<std::mutex> lock(mutex_);
    idle.swap(free_);
  }

  void Give(std::unique_ptr<JobScratch> scratch) {
    const std::lock_guard<std::mutex> lock(mutex_);
    try {
      free_.push_back(std::move(scratch));
    } catch (const std::bad_alloc&) {
      // Not kept: it goes with `scratch`.
    }
  }

 private:
  FileOps& files_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<JobScratch>> free_;
};

// Passes a job's lines on, noting whether it ran short of memory or
// descriptors.
class ShortageNote final : public JobLog {
 public:
  explicit ShortageNote(JobLog& log) : log_(log) {}
  __attribute__((format(printf, 2, 3))) void Printf(const char* format, ...) override {
    char line[256];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length >= 0) log_.Printf("%s", line);
  }
  void NoteShortOfResources() override {
    noted = true;
    log_.NoteShortOfResources();
  }
  bool noted = false;

 private:
  JobLog& log_;
};

// One model's engine call with the run's options, over `files`, with a
// scratch from `pool` when there is one.
ModelJob JobOver(FileOps& files, const CliOptions& options, ScratchPool* pool) {
  return [&files, &options, pool](JobLog& log, const std::string& model) {
    std::unique_ptr<JobScratch> scratch = pool != nullptr ? pool->Take() : nullptr;
    ShortageNote note(log);
    const ExtractResult result =
        ExtractModelArgsWith(files, note, model.c_str(), options.sortByName,
                             options.saveBesideExtractor, options.analyzeConnector, scratch.get());
    if (note.noted) {
      scratch.reset();
      if (pool != nullptr) pool->DropIdle();
    }
    if (scratch != nullptr) pool->Give(std::move(scratch));
    return result;
  };
}

int Run(const CliOptions& options) {
  std::vector<std::string> errors;
  const std::vector<std::string> models = ExpandFolders(options.models, options.recursive, errors);
  for (const std::string& error : errors) std::fprintf(stderr, "quorvel-cli: %s\n", error.c_str());

  const int jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
  if (models.size() > 1) TuneAllocatorForBatches();
  int status = 0;
  if (jobs == 1 || models.size() <= 1) {
    status = RunBatchInTurn(models, JobOver(FileOps::Default(), options, nullptr));
  } else {
    BatchPlan plan;
    plan.predecessors = JobPredecessors(models, options.saveBesideExtractor);
    plan.byteBudget = DefaultByteBudget();
    if (plan.byteBudget != BatchPlan().byteBudget)
      for (const std::string& model : models) plan.bytes.push_back(FileBytes(model));
    ScratchPool pool(FileOps::Default());
    status =
        RunBatchInParallel(models, plan, jobs, JobOver(FileOps::Default(), options, &pool), stdout);
  }
  return errors.empty() ? status : 1;
}

}  // namespace

int QuorvelCliMain(const std::vector<std::string>& args) {
  const CliOptions options = ParseCliArgs(args);
  switch (options.mode) {
    case CliMode::Help:
      std::fputs(CliUsage(), stdout);
      return 0;
    case CliMode::Version:
      std::printf("quorvel-cli %s\n", QUORVEL_VERSION);
      return 0;
    case CliMode::UsageError:
      std::fprintf(stderr, "quorvel-cli: %s\nTry 'quorvel-cli --help' for more information.\n",
                   options.error.c_str());
      return 2;
    case CliMode::Run:
      break;
  }
  return Run(options);
}

#if !defined(QUORVEL_CLI_WIDE_MAIN)
int main(int argc, char** argv) {
  const bool stdoutClosed = OpenClosedStandardStreams();
  RemoveTempFilesOnInterrupt();
  const int status = QuorvelCliMain(std::vector<std::string>(argv + 1, argv + argc));
  return FinishStandardOutput(status, stdoutClosed);
}
#endif
