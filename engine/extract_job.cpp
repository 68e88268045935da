#include "engine/extract_job.h"

#include <cstdio>
#include <new>
#include <utility>

#include "engine/file_ops.h"
#include "engine/job_log.h"
#include "engine/model_buffer.h"
#include "engine/node_scanner.h"
#include "engine/records.h"
#include "engine/scan_state.h"
#include "report/connector_match.h"
#include "report/ordering.h"
#include "report/report_file.h"

namespace {

ExtractResult RunJob(FileOps& files, JobLog& log, const char* path, std::int32_t sortByName,
                     std::int32_t saveBesideExtractor, std::int32_t analyzeConnector) {
  ModelBuffer buffer(files, log);
  if (!buffer.Load(path)) return ExtractResult::Failed;

  ArgTable args;
  ConnectorTable connectors;
  ArgList list;
  ScanState state;
  log.Printf("start\n");
  if (buffer.size() > 0) {
    ScanModel(buffer.bytes(), static_cast<std::size_t>(buffer.size()), analyzeConnector, state,
              args, connectors);
  }
  if (!buffer.Unchanged()) {
    log.Printf("ERROR: model changed while reading\n");
    return ExtractResult::Failed;
  }
  // The tables hold all the report needs: let the model go now, so that a
  // waiting writer is not kept longer and the block and the report's memory
  // are never both taken.
  buffer.Release();
  const std::int32_t matched = MatchConnectors(std::move(args), connectors, list);
  OrderArgList(list, sortByName);
  return WriteArgReport(files, log, path, saveBesideExtractor, analyzeConnector, list, matched,
                        static_cast<std::int32_t>(connectors.size()));
  // The tables go when this scope ends, after the report is closed.
}

}  // namespace

ExtractResult ExtractModelArgsWith(FileOps& files, JobLog& log, const char* path,
                                   std::int32_t sortByName, std::int32_t saveBesideExtractor,
                                   std::int32_t analyzeConnector) {
  if (path == nullptr) {
    log.Printf("ERROR: fopen failed\n");
    return ExtractResult::Failed;
  }
  try {
    return RunJob(files, log, path, sortByName, saveBesideExtractor, analyzeConnector);
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
