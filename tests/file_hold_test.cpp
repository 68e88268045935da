// The real hold and mapping of a model file: what another program sees while
// the job holds the file, and that the job falls back to reading where the
// system refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "engine/extract_job.h"
#include "engine/file_ops.h"
#include "engine/model_buffer.h"
#include "tests/test_support.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

using testing_support::CaptureStdout;
using testing_support::ReadAll;
using testing_support::ScratchDir;
using testing_support::WriteText;

using namespace std::string_literals;
const std::string kModel = "__VERSION__model::Node\0\0\0\0tail"s;

TEST(FileHold, LoadMapsTheWholeFileAndLetsGo) {
  ScratchDir dir;
  const std::string path = dir.File("m.tav");
  WriteText(path, kModel);
  ModelBuffer buffer(FileOps::Default(), JobLog::Stdout());
  bool loaded = false;
  std::string log = CaptureStdout([&] { loaded = buffer.Load(path.c_str()); });
  ASSERT_TRUE(loaded);
  EXPECT_EQ(log, "");  // the job logs the size, once, after the walk
  EXPECT_EQ(buffer.size(), static_cast<std::int32_t>(kModel.size()));
#if defined(_WIN32)
  EXPECT_FALSE(buffer.mapped());  // never mapped there: saves would fail
#else
  ASSERT_TRUE(buffer.mapped());
#endif
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.bytes()),
                        static_cast<std::size_t>(buffer.size())),
            kModel);
  EXPECT_TRUE(buffer.Unchanged());
  buffer.Release();
  EXPECT_FALSE(buffer.mapped());
  EXPECT_EQ(buffer.size(), 0);
  // Let go, the file can be written again.
  WriteText(path, "rewritten");
  EXPECT_EQ(ReadAll(path), "rewritten");
}

#if !defined(_WIN32)

// Another program's open for writing neither gets through nor kills us while
// the file is held; the hold then reads as broken, the file as unchanged.
TEST(FileHold, WriterWaitsWithoutSignallingUs) {
  ScratchDir dir;
  const std::string path = dir.File("m.tav");
  WriteText(path, kModel);
  ModelBuffer buffer(FileOps::Default(), JobLog::Stdout());
  bool loaded = false;
  CaptureStdout([&] { loaded = buffer.Load(path.c_str()); });
  ASSERT_TRUE(loaded);
  ASSERT_TRUE(buffer.mapped());
  for (const int flags : {O_WRONLY, O_WRONLY | O_TRUNC, O_RDWR}) {
    errno = 0;
    const int writer = ::open(path.c_str(), flags | O_NONBLOCK);
    EXPECT_EQ(writer, -1);
    EXPECT_EQ(errno, EWOULDBLOCK);
    if (writer >= 0) ::close(writer);
  }
  // Nothing was written, but a writer is waiting: what was walked may be
  // the last state before its rewrite, so the job takes the model again.
  EXPECT_FALSE(buffer.Unchanged());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.bytes()), kModel.size()), kModel);
  buffer.Release();
  const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
  EXPECT_GE(writer, 0);
  if (writer >= 0) ::close(writer);
}

void CountSignal(int) {}

// Restores the dispositions of both quiet signals on scope exit.
class HandledSignals {
 public:
  HandledSignals() {
    struct sigaction handled = {};
    handled.sa_handler = CountSignal;
    ::sigaction(SIGURG, &handled, &urg_);
    ::sigaction(SIGWINCH, &handled, &winch_);
  }
  ~HandledSignals() {
    ::sigaction(SIGURG, &urg_, nullptr);
    ::sigaction(SIGWINCH, &winch_, nullptr);
  }
  HandledSignals(const HandledSignals&) = delete;
  HandledSignals& operator=(const HandledSignals&) = delete;

 private:
  struct sigaction urg_ = {};
  struct sigaction winch_ = {};
};

// Where no hold can be had the job reads, with the same log and report.
TEST(FileHold, RefusedHoldsFallBackToReading) {
  struct Case {
    const char* title;
    bool writerOpen;      // another descriptor has the file open for writing
    bool signalsHandled;  // the host handles both quiet signals
  };
  for (const Case& c : {Case{"writer_open", true, false}, Case{"signals_handled", false, true}}) {
    SCOPED_TRACE(c.title);
    ScratchDir dir;
    const std::string path = dir.File("m.tav");
    WriteText(path, kModel);
    const int writer = c.writerOpen ? ::open(path.c_str(), O_WRONLY) : -1;
    {
      std::optional<HandledSignals> handled;
      if (c.signalsHandled) handled.emplace();
      std::FILE* file = FileOps::Default().OpenRead(path.c_str());
      ASSERT_NE(file, nullptr);
      EXPECT_FALSE(FileOps::Default().Hold(file));
      std::fclose(file);

      ModelBuffer buffer(FileOps::Default(), JobLog::Stdout());
      bool loaded = false;
      CaptureStdout([&] { loaded = buffer.Load(path.c_str()); });
      ASSERT_TRUE(loaded);
      EXPECT_FALSE(buffer.mapped());
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.bytes()), kModel.size()), kModel);
      buffer.Release();
      ExtractResult result = ExtractResult::Failed;
      CaptureStdout([&] { result = ExtractModelArgs(path.c_str(), 0, 0, 1); });
      EXPECT_EQ(result, ExtractResult::Completed);
    }
    if (writer >= 0) ::close(writer);
    EXPECT_EQ(ReadAll(path), kModel);
  }
}

#endif  // !_WIN32

}  // namespace
