// One model's engine call as the dialog's batch makes it: the job's log lines
// go to standard output as before and are kept for the model's status line,
// with the system's reason for a failed file call added to the first error
// line, where one was given.
#ifndef QUORVEL_GUI_JOB_CAPTURE_H_
#define QUORVEL_GUI_JOB_CAPTURE_H_

#include <cstdio>
#include <string>

#include "engine/extract_options.h"
#include "engine/extract_result.h"
#include "engine/file_ops.h"

class JobLog;

// The real file operations, noting the system's reason when one of the calls
// whose failure fails a job (opening, measuring, writing, replacing the
// report) fails. Fallbacks the job takes on its own (no hold, no mapping,
// no watch) note nothing.
class ReasonFileOps final : public FileOps {
 public:
  explicit ReasonFileOps(FileOps& inner) : inner_(inner) {}

  // The reason noted since the last call, or empty; forgets it.
  std::string TakeReason();

  std::FILE* OpenRead(const char* path) override;
  std::int64_t MeasureSize(std::FILE* file) override;
  bool Rewind(std::FILE* file) override { return inner_.Rewind(file); }
  std::size_t Read(void* buffer, std::size_t count, std::FILE* file) override;
  bool StillOnDisk(std::FILE* file, const void* block, std::size_t count) override {
    return inner_.StillOnDisk(file, block, count);
  }
  int Close(std::FILE* file) override;
  bool Hold(std::FILE* file) override { return inner_.Hold(file); }
  bool HoldIntact(std::FILE* file) override { return inner_.HoldIntact(file); }
  void Unhold(std::FILE* file) override { inner_.Unhold(file); }
  const void* Map(std::FILE* file, std::size_t size) override { return inner_.Map(file, size); }
  void Unmap(const void* view, std::size_t size) override { inner_.Unmap(view, size); }
  FileStamp Stamp(std::FILE* file) override { return inner_.Stamp(file); }
  std::int64_t Now() override { return inner_.Now(); }
  void Pause(std::int64_t nanoseconds) override { inner_.Pause(nanoseconds); }
  int Watch(std::FILE* file) override { return inner_.Watch(file); }
  bool WatchSawWrite(int watch) override { return inner_.WatchSawWrite(watch); }
  void Unwatch(int watch) override { inner_.Unwatch(watch); }
  void* AllocatePages(std::size_t bytes) override { return inner_.AllocatePages(bytes); }
  void ReleasePages(void* block, std::size_t bytes) override { inner_.ReleasePages(block, bytes); }
  std::FILE* CreateTemp(const char* reportPath, TempFile& temp) override;
  bool ReplaceWithTemp(TempFile& temp, const char* reportPath) override;
  void RemoveTemp(TempFile& temp) override { inner_.RemoveTemp(temp); }
  std::size_t Write(const void* bytes, std::size_t count, std::FILE* file) override;
  int Flush(std::FILE* file) override;
  bool SameFile(const char* a, const char* b) override { return inner_.SameFile(a, b); }

 private:
  void Before();
  void NoteFailure();

  FileOps& inner_;
  std::string reason_;
};

struct CapturedJob {
  ExtractResult result = ExtractResult::Failed;
  std::string log;  // the job's lines, each ending in '\n', the reason added
};

// The engine's job on one model, as RunCapturedJob calls it.
using ModelJob = ExtractResult (*)(FileOps& files, JobLog& log, const std::string& model,
                                   const ExtractOptions& options);
// Puts `job` in the engine's place for every later RunCapturedJob (the
// dialog tests' stand-in); the engine's job is there from the start. Only
// while no batch runs: the batch's worker reads it without a lock.
void SetModelJob(ModelJob job);

// Runs the job on `model` over `files`, writes its lines to `out` exactly as
// the job logged them, and returns them with the reason added.
CapturedJob RunCapturedJob(ReasonFileOps& files, const std::string& model,
                           const ExtractOptions& options, std::FILE* out);

// `log`'s lines on one line, two spaces between them.
std::string OneLine(const std::string& log);

#endif  // QUORVEL_GUI_JOB_CAPTURE_H_
