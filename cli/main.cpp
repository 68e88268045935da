// quorvel-cli: the dialog's batch run for scripts. One engine call per model;
// each file's log lines, then its status line, on standard output, in
// argument order, whether the files run one at a time or side by side.
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/allocator_tuning.h"
#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/job_order.h"
#include "cli/process_guard.h"
#include "engine/extract_job.h"
#include "engine/file_identity.h"
#include "engine/file_ops.h"
#include "engine/job_scratch.h"
#include "platform/folder_walk.h"

// QUORVEL_VERSION: the project's version, set by the build.

namespace {

int DefaultJobs() {
  const unsigned processors = std::thread::hardware_concurrency();
  if (processors == 0) return 1;
  return processors < static_cast<unsigned>(kMaxJobs) ? static_cast<int>(processors) : kMaxJobs;
}

// One model's engine call with the run's options, over `files`. Side by side
// (`scratch`), each worker thread keeps a JobScratch of its own
// (engine/job_scratch.h), so that the workers' jobs do not map and unmap an
// arena per model.
ModelJob JobOver(FileOps& files, const CliOptions& options, bool scratch) {
  return [&files, &options, scratch](JobLog& log, const std::string& model) {
    if (!scratch) {
      return ExtractModelArgsWith(files, log, model.c_str(), options.sortByName,
                                  options.saveBesideExtractor, options.analyzeConnector);
    }
    thread_local JobScratch worker(files);
    return ExtractModelArgsWith(files, log, model.c_str(), options.sortByName,
                                options.saveBesideExtractor, options.analyzeConnector, &worker);
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
    status = RunBatchInTurn(models, JobOver(FileOps::Default(), options, false));
  } else {
    BatchPlan plan;
    plan.predecessors = JobPredecessors(models, options.saveBesideExtractor);
    plan.byteBudget = DefaultByteBudget();
    if (plan.byteBudget != BatchPlan().byteBudget)
      for (const std::string& model : models) plan.bytes.push_back(FileBytes(model));
    status =
        RunBatchInParallel(models, plan, jobs, JobOver(FileOps::Default(), options, true), stdout);
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
