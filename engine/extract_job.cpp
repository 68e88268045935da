#include "engine/extract_job.h"

#include <cstdio>
#include <new>
#include <optional>
#include <utility>

#include "engine/arena.h"
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

ExtractResult RunJob(FileOps& files, JobLog& log, const char* path, const ExtractOptions& options,
                     JobScratch* scratch) {
  ModelBuffer buffer(files, log);
  if (!buffer.Load(path)) return ExtractResult::Failed;

  // Everything the job builds from here on lives in the arena and goes with
  // it (or is forgotten when the worker's arena is reset for its next job).
  std::optional<Arena> own;
  Arena& arena = scratch != nullptr ? scratch->arena : own.emplace(files);
  if (scratch != nullptr) arena.Reset();
  log.Printf("start\n");
  FlatTables tables(arena, static_cast<std::size_t>(buffer.size()));
  ScanState state;
  if (buffer.size() > 0) {
    ScanModel(buffer.bytes(), static_cast<std::size_t>(buffer.size()), options.analyzeConnector,
              state, tables);
  }
  if (!buffer.Unchanged()) {
    log.Printf("ERROR: model changed while reading\n");
    return ExtractResult::Failed;
  }
  // The tables hold copies of all the names: let the model go now, so that a
  // waiting writer is not kept longer and the block and the report's memory
  // are never both taken.
  buffer.Release();
  // The text is made before the report is opened: running out of memory then
  // leaves no open stream and no truncated report behind.
  const std::string_view text = ReportFromTables(tables, options, arena);
  return WriteArgReport(files, log, path, options.saveBesideExtractor, text);
  // The arena goes when this scope ends, after the report is closed.
}

}  // namespace

ExtractResult ExtractModelArgsWith(FileOps& files, JobLog& log, const char* path,
                                   std::int32_t sortByName, std::int32_t saveBesideExtractor,
                                   std::int32_t analyzeConnector, JobScratch* scratch) {
  if (path == nullptr) {
    log.Printf("ERROR: fopen failed\n");
    return ExtractResult::Failed;
  }
  try {
    return RunJob(files, log, path,
                  ExtractOptions{sortByName, saveBesideExtractor, analyzeConnector}, scratch);
  } catch (const std::bad_alloc&) {
    // Memory ran out while a table grew: the file fails like any other load.
    log.Printf("ERROR: malloc failed\n");
    return ExtractResult::Failed;
  }
}

ExtractResult ExtractModelArgs(const char* path, std::int32_t sortByName,
                               std::int32_t saveBesideExtractor, std::int32_t analyzeConnector) {
  return ExtractModelArgsWith(FileOps::Default(), JobLog::Stdout(), path, sortByName,
                              saveBesideExtractor, analyzeConnector);
}
