#include "job/extract_job.h"

#include <cstdio>
#include <new>
#include <optional>
#include <span>
#include <utility>

#include "engine/arena.h"
#include "engine/bus_guard.h"
#include "engine/fast_scanner.h"
#include "engine/file_ops.h"
#include "engine/flat_tables.h"
#include "engine/job_log.h"
#include "engine/job_scratch.h"
#include "engine/model_buffer.h"
#include "engine/scan_state.h"
#include "report/report_file.h"
#include "report/report_text.h"

namespace {

// One job. Its log lines come in the order of a single read and scan, however
// often a model that changed meanwhile was let go and taken again: "fsize"
// and "start" are written once, for the model that was scanned last.
class Job {
 public:
  Job(FileOps& files, JobLog& log, const char* path, const ExtractOptions& options,
      JobScratch* scratch)
      : files_(files),
        log_(log),
        path_(path),
        options_(options),
        scratch_(scratch),
        buffer_(files, log, scratch != nullptr ? &scratch->model : nullptr) {}

  ExtractResult Run() {
    try {
      return RunOnce();
    } catch (const std::bad_alloc&) {
      // Memory ran out while a table grew: the file fails like any other load.
      Announce();
      log_.Printf("ERROR: malloc failed\n");
      log_.NoteShortOfResources();
      return ExtractResult::Failed;
    }
  }

 private:
  ExtractResult RunOnce() {
    // Everything the job builds from here on lives in the arena and goes
    // with it (or is forgotten when the worker's arena is reset for its next
    // job).
    std::optional<Arena> own;
    Arena& arena = scratch_ != nullptr ? scratch_->arena : own.emplace(files_);
    for (;;) {
      if (!buffer_.Load(path_)) {
        if (buffer_.shortOfResources()) log_.NoteShortOfResources();
        return ExtractResult::Failed;
      }
      loaded_ = true;
      loadedSize_ = buffer_.size();
      arena.Reset();
      FlatTables tables(arena, static_cast<std::size_t>(buffer_.size()));
      ScanState state;
      bool walked = true;
      if (buffer_.size() > 0) {
        auto scan = [&] {
          ScanModel(buffer_.bytes(), static_cast<std::size_t>(buffer_.size()),
                    options_.analyzeConnector, state, tables);
        };
        // A mapped model truncated under the walk faults; the walk then ends
        // there and the model counts as changed.
        walked =
            buffer_.mapped() ? WalkGuarded(buffer_.bytes(), buffer_.size(), scan) : (scan(), true);
      }
      if (!walked || !buffer_.Unchanged()) {
        // A writer came (or is waiting) while the model was walked: let go,
        // so that it gets through, and take the model once it has finished.
        if (walked && buffer_.MayTryAgain()) continue;
        Announce();
        log_.Printf("ERROR: model changed while reading\n");
        return ExtractResult::Failed;
      }
      Announce();
      // The tables hold copies of all the names: let the model go now, so
      // that a waiting writer is not kept longer; a block it was read into
      // takes the text where it fits (memory already in place, where fresh
      // pages would cost a fault each).
      const std::span<std::uint8_t> room = buffer_.LetGoOfFile();
      // The text is made before the report is opened: running out of memory
      // then leaves no open stream and no truncated report behind.
      const std::string_view text = ReportFromTables(tables, options_, arena, room);
      return WriteArgReport(files_, log_, path_, options_.saveBesideExtractor, text);
      // The arena goes when this scope ends and the block with the job (a
      // worker's stay for its next model), both after the report is closed.
    }
  }

  // The lines of a model that was loaded, once.
  void Announce() {
    if (!loaded_ || announced_) return;
    announced_ = true;
    log_.Printf("fsize: %d(%d)\n", loadedSize_, loadedSize_);
    log_.Printf("start\n");
  }

  FileOps& files_;
  JobLog& log_;
  const char* const path_;
  const ExtractOptions options_;
  JobScratch* const scratch_;
  ModelBuffer buffer_;
  bool loaded_ = false;
  std::int32_t loadedSize_ = 0;
  bool announced_ = false;
};

}  // namespace

ExtractResult ExtractModelArgsWith(FileOps& files, JobLog& log, const char* path,
                                   std::int32_t sortByName, std::int32_t saveBesideExtractor,
                                   std::int32_t analyzeConnector, JobScratch* scratch) {
  if (path == nullptr) {
    log.Printf("ERROR: fopen failed\n");
    return ExtractResult::Failed;
  }
  try {
    Job job(files, log, path, ExtractOptions{sortByName, saveBesideExtractor, analyzeConnector},
            scratch);
    return job.Run();
  } catch (const std::bad_alloc&) {
    log.Printf("ERROR: malloc failed\n");
    log.NoteShortOfResources();
    return ExtractResult::Failed;
  }
}

ExtractResult ExtractModelArgs(const char* path, std::int32_t sortByName,
                               std::int32_t saveBesideExtractor, std::int32_t analyzeConnector) {
  return ExtractModelArgsWith(FileOps::Default(), JobLog::Stdout(), path, sortByName,
                              saveBesideExtractor, analyzeConnector);
}
