// The engine's single entry: one model file in, one report file out.
#ifndef QUORVEL_JOB_EXTRACT_JOB_H_
#define QUORVEL_JOB_EXTRACT_JOB_H_

#include <cstdint>

#include "engine/extract_options.h"
#include "engine/extract_result.h"

class FileOps;
class JobLog;
struct JobScratch;  // engine/job_scratch.h

// Reads the model file at `path` (narrow, NUL-terminated, in the encoding that
// fopen expects) whole (mapped where it can be, see engine/model_buffer.h),
// scans it, and writes its report. Logs its events with printf on standard
// output (JobLog::Stdout()); a model that another program wrote while it was
// read or scanned, or that did not come to rest (engine/model_buffer.h),
// gives "ERROR: model changed while reading", no report and Failed. Never writes
// the model file, never throws, never ends the process by a signal, and keeps
// no state between calls.
ExtractResult ExtractModelArgs(const char* path, std::int32_t sortByName,
                               std::int32_t saveBesideExtractor, std::int32_t analyzeConnector);

// The same job over an explicit set of file operations (the seam used to
// inject faults), logging to `log`. `ExtractModelArgs` runs this with the real
// operations and JobLog::Stdout(), and no scratch. Jobs with their own
// FileOps, JobLog and scratch share nothing and may run on different threads
// at once.
ExtractResult ExtractModelArgsWith(FileOps& files, JobLog& log, const char* path,
                                   std::int32_t sortByName, std::int32_t saveBesideExtractor,
                                   std::int32_t analyzeConnector, JobScratch* scratch = nullptr);

#endif  // QUORVEL_JOB_EXTRACT_JOB_H_
