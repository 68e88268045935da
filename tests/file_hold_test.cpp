// The real hold and mapping of a model file: what another program sees while
// the job holds the file, and that the job falls back to reading where the
// system refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <optional>
#include <string>
#include <string_view>

#include "engine/file_ops.h"
#include "engine/job_log.h"
#include "engine/model_buffer.h"
#include "job/extract_job.h"
#include "tests/test_support.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/model_generator.h"
#endif

namespace {

using testing_support::CaptureStdout;
using testing_support::ReadAll;
using testing_support::ScratchDir;
using testing_support::WriteText;

using namespace std::string_literals;
const std::string kModel = "__VERSION__model::Node\0\0\0\0tail"s;

// Held, a small model is mapped and one of a few MiB read (the cheaper of the
// two); either way the block is the whole file until Release lets go.
TEST(FileHold, LoadHoldsTheWholeFileAndLetsGo) {
  struct Case {
    const char* title;
    std::string bytes;
    bool mapped;
  };
  std::string larger = kModel;
  larger.resize(std::size_t{3} << 20, '\x5A');
  for (const Case& c : {Case{"small", kModel, true}, Case{"three_mib", larger, false}}) {
    SCOPED_TRACE(c.title);
    ScratchDir dir;
    const std::string path = dir.File("m.tav");
    WriteText(path, c.bytes);
    ModelBuffer buffer(FileOps::Default(), JobLog::Stdout());
    bool loaded = false;
    std::string log = CaptureStdout([&] { loaded = buffer.Load(path.c_str()); });
    ASSERT_TRUE(loaded);
    EXPECT_EQ(log, "");  // the job logs the size, once, after the walk
    EXPECT_EQ(buffer.size(), static_cast<std::int32_t>(c.bytes.size()));
#if defined(_WIN32)
    EXPECT_FALSE(buffer.held());  // never held there: saves would fail
    EXPECT_FALSE(buffer.mapped());
#else
    ASSERT_TRUE(buffer.held());
    EXPECT_EQ(buffer.mapped(), c.mapped);
#endif
    EXPECT_TRUE(std::string_view(reinterpret_cast<const char*>(buffer.bytes()),
                                 static_cast<std::size_t>(buffer.size())) == c.bytes);
    EXPECT_TRUE(buffer.Unchanged());
    buffer.Release();
    EXPECT_FALSE(buffer.held());
    EXPECT_EQ(buffer.size(), 0);
    // Let go, the file can be written again.
    WriteText(path, "rewritten");
    EXPECT_EQ(ReadAll(path), "rewritten");
  }
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
  ASSERT_TRUE(buffer.held());
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
      EXPECT_FALSE(buffer.held());
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

// A model of many objects whose halves both hold some: a report of half of
// it differs from the report of the whole.
std::string ManyObjects() {
  testing_support::TavBuilder b;
  b.Version();
  for (int i = 0; i < 4000; ++i) {
    b.Node().ArgNode(testing_support::Kind::Rotation, "part_" + std::to_string(i),
                     static_cast<std::uint16_t>(i));
  }
  const auto bytes = b.bytes();
  return std::string(bytes.begin(), bytes.end());
}

void WriteAt(int fd, const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t put = ::write(fd, bytes.data() + at, bytes.size() - at);
    ASSERT_GT(put, 0);
    at += static_cast<std::size_t>(put);
  }
}

// Writers at work when the job starts: it never takes a model halfway.
TEST(FileHold, WritersAtWorkAreWaitedFor) {
  using namespace std::chrono_literals;
  const std::string model = ManyObjects();
  const std::size_t half = model.size() / 2;
  struct Case {
    const char* title;
    // Writes `model` to `path`, calling `begun` once its first piece is there.
    std::function<void(const std::string& path, const std::function<void()>& begun)> write;
  };
  const Case cases[] = {
      // A copy under way: one descriptor open for writing throughout, the
      // pieces a little apart.
      {"copy_under_way",
       [&](const std::string& path, const std::function<void()>& begun) {
         const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
         ASSERT_GE(fd, 0);
         const std::size_t piece = model.size() / 8 + 1;
         for (std::size_t at = 0; at < model.size(); at += piece) {
           WriteAt(fd, model.substr(at, piece));
           if (at == 0) begun();
           std::this_thread::sleep_for(15ms);
         }
         ::close(fd);
       }},
      // Two pieces, each written and closed, 20 ms apart.
      {"two_pieces",
       [&](const std::string& path, const std::function<void()>& begun) {
         WriteText(path, model.substr(0, half));
         begun();
         std::this_thread::sleep_for(20ms);
         const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
         ASSERT_GE(fd, 0);
         WriteAt(fd, model.substr(half));
         ::close(fd);
       }},
  };
  ScratchDir dir;
  // The report of the whole model, made apart.
  const std::string whole = dir.File("whole.tav");
  WriteText(whole, model);
  ExtractResult result = ExtractResult::Failed;
  CaptureStdout([&] { result = ExtractModelArgs(whole.c_str(), 0, 0, 0); });
  ASSERT_EQ(result, ExtractResult::Completed);
  const std::string expected = ReadAll(dir.File("whole.txt"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const std::string path = dir.File(std::string(c.title) + ".tav");
    std::promise<void> begun;
    std::thread writer(c.write, path, [&] { begun.set_value(); });
    begun.get_future().wait();
    std::string log;
    log = CaptureStdout([&] { result = ExtractModelArgs(path.c_str(), 0, 0, 0); });
    writer.join();
    EXPECT_EQ(result, ExtractResult::Completed) << log;
    EXPECT_EQ(ReadAll(dir.File(std::string(c.title) + ".txt")), expected);
  }
}

// Truncated under the walk of its mapping (a hold broken by force): the file
// fails as changed, and the process lives on. In a child, so that a fault not
// caught ends the child, not the test.
TEST(FileHold, TruncatedUnderTheWalkFailsTheFile) {
  // Holds without a lease (a real one would keep the truncation out) and
  // truncates the file as soon as it is mapped.
  class TruncatingFiles : public FileOps {
   public:
    explicit TruncatingFiles(std::string path) : path_(std::move(path)) {}
    bool Hold(std::FILE*) override { return true; }
    bool HoldIntact(std::FILE*) override { return true; }
    void Unhold(std::FILE*) override {}
    bool MapsBetter(std::size_t) override { return true; }
    const void* Map(std::FILE* file, std::size_t size) override {
      const void* view = FileOps::Map(file, size);
      if (view != nullptr) std::filesystem::resize_file(path_, 0);
      return view;
    }

   private:
    std::string path_;
  };
  ScratchDir dir;
  const std::string path = dir.File("m.tav");
  WriteText(path, ManyObjects());
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  const std::string logPath = dir.File("log");
  std::fflush(stdout);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TruncatingFiles files(path);
    BufferedJobLog log;
    const ExtractResult result = ExtractModelArgsWith(files, log, path.c_str(), 0, 0, 0);
    WriteText(logPath, log.text());
    ::_exit(result == ExtractResult::Failed ? 3 : 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  const std::string size = std::to_string(ManyObjects().size());
  EXPECT_EQ(ReadAll(logPath),
            "fsize: " + size + "(" + size + ")\nstart\nERROR: model changed while reading\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("m.txt")));
}

#endif  // !_WIN32

}  // namespace
