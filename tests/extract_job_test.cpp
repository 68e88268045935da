// The whole job on real files: reports byte for byte under every option,
// every failure path with its log lines, and faults injected through the
// job's file-operation seam.
#include "job/extract_job.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/file_ops.h"
#include "engine/job_log.h"
#include "engine/job_scratch.h"
#include "engine/model_buffer.h"
#include "engine/path_separator.h"
#include "tests/alloc_hook.h"
#include "tests/reference/reference_report.h"
#include "tests/test_support.h"
#include "tools/tavgen/tav_builder.h"

namespace {

namespace fs = std::filesystem;
using tavgen::Kind;
using tavgen::TavBuilder;
using testing_support::CaptureStdout;
using testing_support::OnDisk;
using testing_support::ReadAll;
using testing_support::ReportHeader;
using testing_support::ScratchDir;
using testing_support::WorkingDir;
using testing_support::WriteBytes;
using testing_support::WriteText;

// Five objects and three connectors; nodeIndex 2..6 in scan order.
tavgen::Bytes CockpitModel() {
  return TavBuilder()
      .Version()
      .Node()
      .ArgNode(Kind::Rotation, "flap_l", 4)
      .ArgNode(Kind::Animation, "gear_door", 0)
      .ArgNode(Kind::Position, "pylon_1", 12)
      .ArgNode(Kind::Visibility, "nav_light", 49)
      .ArgNode(Kind::Rotation, "canopy", 38)
      .Connector("pylon_1", 4)
      .Connector("canopy_handle", 6)
      .Connector("hook", 9)
      .bytes();
}

std::string CockpitReport(int analyze) {
  if (analyze == 0) {
    return ReportHeader(0, 0) +
           "flap_l = 4 ( Rotation Node )\n"
           "gear_door = 0 ( Animation Node )\n"
           "pylon_1 = 12 ( Position Node )\n"
           "nav_light = 49 ( Visibility Node )\n"
           "canopy = 38 ( Rotation Node )\n";
  }
  return ReportHeader(2, 3) +
         "flap_l = 4 ( Rotation Node ) [ - ]\n"
         "gear_door = 0 ( Animation Node ) [ - ]\n"
         "pylon_1 = 12 ( Position Node ) [ pylon_1 ]\n"
         "nav_light = 49 ( Visibility Node ) [ - ]\n"
         "canopy = 38 ( Rotation Node ) [ canopy_handle ]\n";
}

TEST(ExtractJob, WorkedExampleUnderEveryOption) {
  const tavgen::Bytes model = CockpitModel();
  const std::string fsize =
      "fsize: " + std::to_string(model.size()) + "(" + std::to_string(model.size()) + ")\nstart\n";
  for (int sort : {0, 1}) {
    for (int beside : {0, 1}) {
      for (int analyze : {0, 1}) {
        SCOPED_TRACE(testing::Message() << sort << beside << analyze);
        ScratchDir dir;
        WorkingDir cwd(dir.path());
        // A real folder stands in for D:\models, named with the platform's
        // separator.
        fs::create_directory(dir.path() / "models");
        const std::string folder = dir.File("models") + kPathSeparator;
        const std::string path = folder + "cockpit.mk2.tav";
        WriteBytes(path, model);
        ExtractResult result = ExtractResult::Failed;
        const std::string log =
            CaptureStdout([&] { result = ExtractModelArgs(path.c_str(), sort, beside, analyze); });
        EXPECT_EQ(result, ExtractResult::Completed);
        EXPECT_EQ(log, fsize);
        const std::string report = beside ? "cockpit.mk2.txt" : folder + "cockpit.mk2.txt";
        const std::string other = beside ? folder + "cockpit.mk2.txt" : "cockpit.mk2.txt";
        EXPECT_EQ(ReadAll(report), OnDisk(CockpitReport(analyze)));
        EXPECT_FALSE(fs::exists(other));
        EXPECT_EQ(ReadAll(path), std::string(model.begin(), model.end()));
      }
    }
  }
}

TEST(ExtractJob, RepeatedRunsRewriteTheSameReport) {
  ScratchDir dir;
  const std::string model = dir.File("twice.tav");
  WriteBytes(model, CockpitModel());
  WriteText(dir.File("twice.txt"), std::string(5000, 'x'));
  for (int run = 0; run < 2; ++run) {
    CaptureStdout(
        [&] { EXPECT_EQ(ExtractModelArgs(model.c_str(), 0, 0, 1), ExtractResult::Completed); });
    EXPECT_EQ(ReadAll(dir.File("twice.txt")), OnDisk(CockpitReport(1)));
  }
}

struct FileCase {
  const char* title;
  std::function<void(const ScratchDir&)> make;  // creates "m.tav" (or not)
  const char* model;
  ExtractResult result;
  std::string log;
  std::function<void(const ScratchDir&)> check;
};

class FileCases : public testing::TestWithParam<FileCase> {};

TEST_P(FileCases, LogResultAndFiles) {
  const FileCase& c = GetParam();
  ScratchDir dir;
  c.make(dir);
  const std::string model = dir.File(c.model);
  ExtractResult result = ExtractResult::Completed;
  const std::string log = CaptureStdout([&] { result = ExtractModelArgs(model.c_str(), 0, 0, 1); });
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(log, c.log);
  c.check(dir);
}

void NoReport(const ScratchDir& dir) {
  EXPECT_FALSE(fs::exists(dir.File("m.txt")));
}

const std::string kVersionOnly = "__VERSION__";

// Cases that need POSIX file types (FIFOs, symbolic links) or Windows
// semantics (case-insensitive names) join the list only where they exist.
std::vector<FileCase> PathCases() {
  std::vector<FileCase> cases = {
      FileCase{"missing_file", [](const ScratchDir&) {}, "m.tav", ExtractResult::Failed,
               "ERROR: fopen failed\n", NoReport},
      FileCase{"directory", [](const ScratchDir& d) { fs::create_directory(d.File("m.tav")); },
               "m.tav", ExtractResult::Failed, "ERROR: fopen failed\n", NoReport},
      FileCase{"empty_file", [](const ScratchDir& d) { WriteText(d.File("m.tav"), ""); }, "m.tav",
               ExtractResult::Completed, "fsize: 0(0)\nstart\n",
               [](const ScratchDir& d) {
                 EXPECT_EQ(ReadAll(d.File("m.txt")), OnDisk(ReportHeader(0, 0)));
               }},
      FileCase{"no_recognisable_content",
               [](const ScratchDir& d) { WriteText(d.File("m.tav"), "model::ArgRotationNode"); },
               "m.tav", ExtractResult::Completed, "fsize: 22(22)\nstart\n",
               [](const ScratchDir& d) {
                 EXPECT_EQ(ReadAll(d.File("m.txt")), OnDisk(ReportHeader(0, 0)));
               }},
      FileCase{"report_cannot_be_created",
               [](const ScratchDir& d) {
                 WriteText(d.File("m.tav"), kVersionOnly);
                 fs::create_directory(d.File("m.txt"));
               },
               "m.tav", ExtractResult::Failed, "fsize: 11(11)\nstart\nERROR: fopen failed\n",
               [](const ScratchDir& d) { EXPECT_TRUE(fs::is_directory(d.File("m.txt"))); }},
      FileCase{"model_named_txt_is_never_written",
               [](const ScratchDir& d) { WriteText(d.File("m.txt"), kVersionOnly); }, "m.txt",
               ExtractResult::Failed,
               "fsize: 11(11)\nstart\nERROR: report path is the model file\n",
               [](const ScratchDir& d) { EXPECT_EQ(ReadAll(d.File("m.txt")), kVersionOnly); }},
  };
#if defined(_WIN32)
  // "m.TXT" derives the report path "m.txt": another spelling of the model.
  cases.push_back(FileCase{
      "model_named_txt_in_other_case_is_never_written",
      [](const ScratchDir& d) { WriteText(d.File("m.TXT"), kVersionOnly); }, "m.TXT",
      ExtractResult::Failed, "fsize: 11(11)\nstart\nERROR: report path is the model file\n",
      [](const ScratchDir& d) { EXPECT_EQ(ReadAll(d.File("m.TXT")), kVersionOnly); }});
#else
  cases.push_back(
      FileCase{"fifo_does_not_block",
               [](const ScratchDir& d) { ASSERT_EQ(::mkfifo(d.File("m.tav").c_str(), 0600), 0); },
               "m.tav", ExtractResult::Failed, "ERROR: fopen failed\n", NoReport});
  cases.push_back(
      FileCase{"report_path_linked_to_the_model",
               [](const ScratchDir& d) {
                 WriteText(d.File("m.tav"), kVersionOnly);
                 fs::create_symlink(d.File("m.tav"), d.File("m.txt"));
               },
               "m.tav", ExtractResult::Failed,
               "fsize: 11(11)\nstart\nERROR: report path is the model file\n",
               [](const ScratchDir& d) { EXPECT_EQ(ReadAll(d.File("m.tav")), kVersionOnly); }});
  cases.push_back(FileCase{"model_reached_through_a_link_is_read",
                           [](const ScratchDir& d) {
                             WriteText(d.File("real.bin"), kVersionOnly);
                             fs::create_symlink(d.File("real.bin"), d.File("m.tav"));
                           },
                           "m.tav", ExtractResult::Completed, "fsize: 11(11)\nstart\n",
                           [](const ScratchDir& d) {
                             EXPECT_EQ(ReadAll(d.File("m.txt")), OnDisk(ReportHeader(0, 0)));
                           }});
#endif
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Paths, FileCases, testing::ValuesIn(PathCases()),
                         [](const auto& info) { return std::string(info.param.title); });

// Real operations, with one of them made to fail, and every open, close,
// allocation, release, hold and mapping counted.
class FaultyFileOps : public FileOps {
 public:
  bool refuseHold = false;  // the job must read instead of mapping
  bool refuseMap = false;
  bool readHeld = false;             // a held model is read instead of mapped
  bool holdBroken = false;           // another program asked to write during the scan
  int holdBrokenTimes = 0;           // ... during this many scans
  bool stampMoves = false;           // ... and the file changed
  int failOpenReadCall = 0;          // 1-based call to fail; 0 fails none
  bool shrinkAfterMeasure = false;   // truncated in place once measured
  bool replaceAfterMeasure = false;  // another file renamed over the path once measured
  std::int64_t sizeOverride = 0;     // non-zero replaces the measured size
  bool failAllocate = false;
  int failPagesCall = 0;  // 1-based call of AllocatePages to fail; 0 fails none
  bool failRewind = false;
  bool halfRead = false;      // the read stops halfway through the model
  bool contentMoved = false;  // the bytes on disk differ from those just read
  bool failCreate = false;
  bool failReplace = false;
  bool shortWrite = false;
  bool failFlush = false;
  bool failClose = false;
  bool watchSeesWrite = false;   // a write the stamps' resolution hid
  bool noWatch = false;          // the system keeps no note of writes
  int restlessStamps = 0;        // stamps that show a change just now; -1: every one
  std::int64_t changedAgo = -1;  // >= 0: the file last changed this long before the first stamp
  bool frozenClock = false;      // the clock moves only by pauses
  bool shortPausesReturnAtOnce = false;  // a pause under a millisecond does not sleep

  std::int64_t ahead = 0;  // the clock runs this far ahead of the system's
  // Pauses pass on a clock of the object's own, at once.
  std::int64_t paused = 0;
  int watches = 0, unwatches = 0;
  int pageCalls = 0;
  int opens = 0, closes = 0, allocations = 0, releases = 0;
  int modelOpens = 0;
  int holds = 0, unholds = 0, maps = 0, unmaps = 0;
  std::string events;          // "h" hold, "m" map, "u" unmap, "U" unhold, "c" close, in order
  const char* path = nullptr;  // the model, as last opened (no copy: the job counts allocations)

  bool Hold(std::FILE* f) override {
    if (refuseHold || !FileOps::Hold(f)) return false;
    ++holds;
    events += 'h';
    return true;
  }
  bool HoldIntact(std::FILE* f) override {
    if (holdBrokenTimes > 0) {
      --holdBrokenTimes;
      return false;
    }
    return !holdBroken && FileOps::HoldIntact(f);
  }
  void Unhold(std::FILE* f) override {
    ++unholds;
    events += 'U';
    FileOps::Unhold(f);
  }
  bool MapsBetter(std::size_t) override { return !readHeld; }
  const void* Map(std::FILE* f, std::size_t size) override {
    const void* view = refuseMap ? nullptr : FileOps::Map(f, size);
    if (view != nullptr) {
      ++maps;
      events += 'm';
    }
    return view;
  }
  void Unmap(const void* view, std::size_t size) override {
    ++unmaps;
    events += 'u';
    FileOps::Unmap(view, size);
  }
  FileStamp Stamp(std::FILE* f) override {
    FileStamp stamp = FileOps::Stamp(f);
    if (stampMoves) stamp.modified += ++stampCalls_;
    if (restlessStamps != 0) {
      stamp.changed = Now();
      if (restlessStamps > 0) --restlessStamps;
    }
    if (changedAgo >= 0) {
      if (changedAt_ == 0) changedAt_ = Now() - changedAgo;
      stamp.changed = changedAt_;
    }
    return stamp;
  }
  std::int64_t Now() override {
    if (!frozenClock) return FileOps::Now() + ahead + paused;
    if (frozenAt_ == 0) frozenAt_ = FileOps::Now();
    return frozenAt_ + ahead + paused;
  }
  void Pause(std::int64_t nanoseconds) override {
    if (shortPausesReturnAtOnce && nanoseconds < 1'000'000) return;
    paused += nanoseconds;
  }
  // Where the system keeps no note of writes (Windows), a watch of the
  // object's own stands in, so that the job's use of it is tested there too.
  static constexpr int kStandInWatch = 1 << 30;
  int Watch(std::FILE* f) override {
    if (noWatch) return -1;
    int watch = FileOps::Watch(f);
    if (watch < 0) watch = kStandInWatch;
    ++watches;
    return watch;
  }
  bool WatchSawWrite(int watch) override {
    const bool real = watch != kStandInWatch && FileOps::WatchSawWrite(watch);
    return real || watchSeesWrite;
  }
  void Unwatch(int watch) override {
    ++unwatches;
    if (watch != kStandInWatch) FileOps::Unwatch(watch);
  }

  std::FILE* OpenRead(const char* p) override {
    ++openReadCalls_;
    if (openReadCalls_ == failOpenReadCall) return nullptr;
    ++modelOpens;
    path = p;
    return Count(FileOps::OpenRead(p));
  }
  std::int64_t MeasureSize(std::FILE* f) override {
    const std::int64_t real = FileOps::MeasureSize(f);
    if (++measureCalls_ == 1 && shrinkAfterMeasure) fs::resize_file(path, 7);
    if (measureCalls_ == 1 && replaceAfterMeasure) {
      // Windows refuses to replace a file that is open (the sharing of the
      // open handle allows it only with POSIX semantics): then nothing changes.
      const std::string saved = std::string(path) + ".new";
      WriteText(saved, "__VERSION__ another model");
      std::error_code error;
      fs::rename(saved, path, error);
      if (error) fs::remove(saved, error);
    }
    return sizeOverride != 0 ? sizeOverride : real;
  }
  bool Rewind(std::FILE* f) override { return !failRewind && FileOps::Rewind(f); }
  bool StillOnDisk(std::FILE* f, const void* block, std::size_t count) override {
    return !contentMoved && FileOps::StillOnDisk(f, block, count);
  }
  std::size_t Read(void* buffer, std::size_t count, std::FILE* f) override {
    return FileOps::Read(buffer, halfRead ? count / 2 : count, f);
  }
  int Close(std::FILE* f) override {
    ++closes;
    events += 'c';
    const int result = FileOps::Close(f);
    return failClose && f == report_ ? -1 : result;
  }
  void* AllocatePages(std::size_t bytes) override {
    ++pageCalls;
    if (failAllocate || pageCalls == failPagesCall) return nullptr;
    ++allocations;
    return FileOps::AllocatePages(bytes);
  }
  void ReleasePages(void* block, std::size_t bytes) override {
    ++releases;
    FileOps::ReleasePages(block, bytes);
  }
  std::FILE* CreateTemp(const char* p, TempFile& temp) override {
    if (failCreate) return nullptr;
    report_ = Count(FileOps::CreateTemp(p, temp));
    return report_;
  }
  bool ReplaceWithTemp(TempFile& temp, const char* p) override {
    return !failReplace && FileOps::ReplaceWithTemp(temp, p);
  }
  std::size_t Write(const void* bytes, std::size_t count, std::FILE* f) override {
    return FileOps::Write(bytes, shortWrite ? count / 2 : count, f);
  }
  int Flush(std::FILE* f) override {
    const int result = FileOps::Flush(f);
    return failFlush ? -1 : result;
  }

 private:
  std::FILE* Count(std::FILE* f) {
    if (f != nullptr) ++opens;
    return f;
  }
  int openReadCalls_ = 0;
  int measureCalls_ = 0;
  int stampCalls_ = 0;
  std::int64_t changedAt_ = 0, frozenAt_ = 0;
  std::FILE* report_ = nullptr;
};

#if defined(_WIN32)
constexpr int kMapsWhereItCan = 0;
#else
constexpr int kMapsWhereItCan = 1;
#endif

struct FaultCase {
  const char* title;
  std::function<void(FaultyFileOps&)> inject;
  std::string log;  // "%S" stands for the model's size, "%H" for half of it
  bool completes;   // with the whole report; else Failed, and no report is left
  int mapped = -1;  // 1: the model was mapped, 0: read; -1: either
  int waited = -1;  // 1: the job waited for the model to come to rest, 0: not; -1: either
};

// A case's log with "%S" and "%H" filled in for a model of `size` bytes.
std::string ExpectedLog(std::string log, std::size_t size) {
  for (std::size_t at; (at = log.find("%S")) != std::string::npos;) {
    log.replace(at, 2, std::to_string(size));
  }
  for (std::size_t at; (at = log.find("%H")) != std::string::npos;) {
    log.replace(at, 2, std::to_string(size / 2));
  }
  return log;
}

class Faults : public testing::TestWithParam<FaultCase> {};

TEST_P(Faults, LogResultAndReleaseEverything) {
  const FaultCase& c = GetParam();
  ScratchDir dir;
  const std::string model = dir.File("m.tav");
  const tavgen::Bytes bytes = CockpitModel();
  WriteBytes(model, bytes);
  FaultyFileOps files;
  c.inject(files);
  ExtractResult result = ExtractResult::Completed;
  const std::string log = CaptureStdout(
      [&] { result = ExtractModelArgsWith(files, JobLog::Stdout(), model.c_str(), 0, 0, 1); });
  const std::string expected = ExpectedLog(c.log, bytes.size());
  EXPECT_EQ(result, c.completes ? ExtractResult::Completed : ExtractResult::Failed);
  EXPECT_EQ(log, expected);
  EXPECT_EQ(files.opens, files.closes);
  EXPECT_EQ(files.allocations, files.releases);
  EXPECT_EQ(files.holds, files.unholds);
  EXPECT_EQ(files.maps, files.unmaps);
  EXPECT_EQ(files.watches, files.unwatches);
  if (c.waited >= 0) {
    EXPECT_EQ(files.paused > 0, c.waited == 1) << files.paused;
  }
  if (c.mapped == 0 && files.holds == 0 &&
      std::string(c.title).find("no_watch") == std::string::npos) {
    EXPECT_GE(files.watches, 1);  // once per read: a read that overlapped a write is taken again
  }
  const bool shrinks = std::string(c.title).rfind("model_shrinks", 0) == 0;
  if (c.completes && shrinks) {
    EXPECT_EQ(ReadAll(dir.File("m.txt")), OnDisk(testing_support::ReportHeader(0, 0)));
  } else if (c.completes) {
    EXPECT_EQ(ReadAll(dir.File("m.txt")), OnDisk(CockpitReport(1)));
  } else {
    EXPECT_FALSE(fs::exists(dir.File("m.txt")));
  }
  // The model is opened once; no temporary file is left.
  // Once per take: a model let go for a writer is opened again.
  EXPECT_LE(files.modelOpens, std::max(1, files.holds));
  EXPECT_EQ(testing_support::FolderNames(dir.path()), c.completes ? "m.tav m.txt" : "m.tav");
  if (c.mapped >= 0) {
    EXPECT_EQ(files.maps > 0, c.mapped == 1);
    if (c.completes) {
      // The read block, if any, then the one arena block a small model needs.
      EXPECT_GE(files.allocations, 2 - c.mapped);
    }
  }
  // The mapping is let go before its hold, and both before the model file is closed.
  if (c.mapped == 1) {
    EXPECT_NE(files.events.find("hmuUc"), std::string::npos) << files.events;
  }
  // A held model read into pages stays held until it is let go.
  if (files.readHeld && c.completes && kMapsWhereItCan == 1) {
    EXPECT_NE(files.events.find("hUc"), std::string::npos) << files.events;
  }
  if (std::string(c.title).rfind("model_shrinks", 0) != 0 &&
      std::string(c.title).rfind("model_replaced", 0) != 0) {
    EXPECT_EQ(ReadAll(model), std::string(bytes.begin(), bytes.end()));
  }
}

// The same faults for a job with a batch worker's scratch (engine/job_scratch.h):
// the log, the result and the report are the same as without it, and
// everything but the worker's arena is let go when the job ends.
TEST_P(Faults, SameWithAWorkersScratch) {
  const FaultCase& c = GetParam();
  ScratchDir dir;
  const std::string model = dir.File("m.tav");
  const tavgen::Bytes bytes = CockpitModel();
  WriteBytes(model, bytes);
  FaultyFileOps files;
  c.inject(files);
  ExtractResult result = ExtractResult::Completed;
  std::string log;
  {
    JobScratch scratch(files);
    log = CaptureStdout([&] {
      result = ExtractModelArgsWith(files, JobLog::Stdout(), model.c_str(), 0, 0, 1, &scratch);
    });
  }
  const std::string expected = ExpectedLog(c.log, bytes.size());
  EXPECT_EQ(result, c.completes ? ExtractResult::Completed : ExtractResult::Failed);
  EXPECT_EQ(log, expected);
  EXPECT_EQ(files.maps, files.unmaps);
  EXPECT_EQ(files.opens, files.closes);
  EXPECT_EQ(files.allocations, files.releases);
  EXPECT_EQ(files.holds, files.unholds);
  EXPECT_EQ(files.watches, files.unwatches);
  const bool shrinks = std::string(c.title).rfind("model_shrinks", 0) == 0;
  if (c.completes && shrinks) {
    EXPECT_EQ(ReadAll(dir.File("m.txt")), OnDisk(testing_support::ReportHeader(0, 0)));
  } else if (c.completes) {
    EXPECT_EQ(ReadAll(dir.File("m.txt")), OnDisk(CockpitReport(1)));
  } else {
    EXPECT_FALSE(fs::exists(dir.File("m.txt")));
  }
  EXPECT_EQ(testing_support::FolderNames(dir.path()), c.completes ? "m.tav m.txt" : "m.tav");
}

INSTANTIATE_TEST_SUITE_P(
    Injected, Faults,
    testing::Values(
        FaultCase{"first_open", [](FaultyFileOps& f) { f.failOpenReadCall = 1; },
                  "ERROR: fopen failed\n", false},
        // Cut short by a writer once measured: the model is taken again, at
        // the size it has once at rest.
        FaultCase{"model_shrinks_after_measure",
                  [](FaultyFileOps& f) { f.shrinkAfterMeasure = true; }, "fsize: 7(7)\nstart\n",
                  true},
        FaultCase{"model_shrinks_after_measure_unheld",
                  [](FaultyFileOps& f) {
                    f.shrinkAfterMeasure = true;
                    f.refuseHold = true;
                  },
                  "fsize: 7(7)\nstart\n", true},
        FaultCase{"rewind",
                  [](FaultyFileOps& f) {
                    f.failRewind = true;
                    f.refuseHold = true;
                  },
                  "fsize: %S(0)\nERROR: fread failed: request %S, read 0\n", false},
        FaultCase{"read_stops_midway",
                  [](FaultyFileOps& f) {
                    f.halfRead = true;
                    f.refuseMap = true;
                  },
                  "fsize: %S(%H)\nERROR: fread failed: request %S, read %H\n", false},
        FaultCase{"size_query", [](FaultyFileOps& f) { f.sizeOverride = -1; },
                  "ERROR: ftell failed\n", false},
        FaultCase{"two_gib_model", [](FaultyFileOps& f) { f.sizeOverride = std::int64_t{1} << 31; },
                  "ERROR: file too large\n", false},
        FaultCase{"allocation",
                  [](FaultyFileOps& f) {
                    f.failAllocate = true;
                    f.refuseHold = true;
                  },
                  "ERROR: malloc failed\n", false},
        FaultCase{"model_changed_during_scan",
                  [](FaultyFileOps& f) {
                    f.holdBroken = true;
                    f.stampMoves = true;
                  },
                  "fsize: %S(%S)\nstart\nERROR: model changed while reading\n", false},
        FaultCase{"model_changed_during_read",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.stampMoves = true;
                  },
                  "fsize: %S(%S)\nstart\nERROR: model changed while reading\n", false, 0},
        // A write that the stamps cannot resolve is still seen by the watch.
        FaultCase{"write_hidden_from_stamps",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.watchSeesWrite = true;
                  },
                  "fsize: %S(%S)\nstart\nERROR: model changed while reading\n", false, 0},
        FaultCase{"changed_during_read_no_watch",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.noWatch = true;
                    f.stampMoves = true;
                  },
                  "fsize: %S(%S)\nstart\nERROR: model changed while reading\n", false, 0},
        // A rewrite in place that moved no stamp and no watch.
        FaultCase{"content_moved_under_read",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.contentMoved = true;
                  },
                  "fsize: %S(%S)\nstart\nERROR: model changed while reading\n", false, 0},
        FaultCase{"unchanged_no_watch",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.noWatch = true;
                  },
                  "fsize: %S(%S)\nstart\n", true, 0},
        // Just written, the model is taken once it has come to rest.
        FaultCase{"written_just_before_read",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.restlessStamps = 1;
                  },
                  "fsize: %S(%S)\nstart\n", true, 0, 1},
        FaultCase{"written_just_before_mapping", [](FaultyFileOps& f) { f.restlessStamps = 1; },
                  "fsize: %S(%S)\nstart\n", true, kMapsWhereItCan, 1},
        // Written just under the rest time before: a pause shorter than a
        // millisecond that returns at once must not use up the wait.
        FaultCase{"short_pauses_return_at_once",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.frozenClock = true;
                    f.shortPausesReturnAtOnce = true;
                    f.ahead = ModelBuffer::kQuietNs;  // the file itself is older
                    f.changedAgo = ModelBuffer::kQuietNs - 500'000;
                  },
                  "fsize: %S(%S)\nstart\n", true, 0, 1},
        FaultCase{"long_at_rest",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.ahead = ModelBuffer::kQuietNs;
                  },
                  "fsize: %S(%S)\nstart\n", true, 0, 0},
        // Written again and again, it is never taken.
        FaultCase{"never_at_rest_read",
                  [](FaultyFileOps& f) {
                    f.refuseHold = true;
                    f.restlessStamps = -1;
                  },
                  "fsize: %S(%S)\nstart\nERROR: model changed while reading\n", false, 0, 1},
        // Out of time, what there is is read, and fails.
        FaultCase{"never_at_rest_mapped", [](FaultyFileOps& f) { f.restlessStamps = -1; },
                  "fsize: %S(%S)\nstart\nERROR: model changed while reading\n", false, 0, 1},
        // An exporter's save by rename between the measure and the read: the
        // one open handle still reads the whole file that was measured.
        FaultCase{"model_replaced_after_measure",
                  [](FaultyFileOps& f) { f.replaceAfterMeasure = true; }, "fsize: %S(%S)\nstart\n",
                  true, kMapsWhereItCan},
        FaultCase{"model_replaced_after_measure_unheld",
                  [](FaultyFileOps& f) {
                    f.replaceAfterMeasure = true;
                    f.refuseHold = true;
                  },
                  "fsize: %S(%S)\nstart\n", true, 0},
        FaultCase{"report_open", [](FaultyFileOps& f) { f.failCreate = true; },
                  "fsize: %S(%S)\nstart\nERROR: fopen failed\n", false},
        FaultCase{"report_rename", [](FaultyFileOps& f) { f.failReplace = true; },
                  "fsize: %S(%S)\nstart\nERROR: write failed\n", false},
        FaultCase{"report_write", [](FaultyFileOps& f) { f.shortWrite = true; },
                  "fsize: %S(%S)\nstart\nERROR: write failed\n", false},
        FaultCase{"report_flush", [](FaultyFileOps& f) { f.failFlush = true; },
                  "fsize: %S(%S)\nstart\nERROR: write failed\n", false},
        FaultCase{"report_close", [](FaultyFileOps& f) { f.failClose = true; },
                  "fsize: %S(%S)\nstart\nERROR: write failed\n", false},
        // The mapped block and the read block give the same log and report.
        // Windows never maps: a view would make other programs' saves fail.
        FaultCase{"none_mapped", [](FaultyFileOps&) {}, "fsize: %S(%S)\nstart\n", true,
                  kMapsWhereItCan},
        // Held and read into pages: the same as mapped, but for the mapping.
        FaultCase{"read_held", [](FaultyFileOps& f) { f.readHeld = true; },
                  "fsize: %S(%S)\nstart\n", true, 0},
        FaultCase{"read_held_hold_broken_once",
                  [](FaultyFileOps& f) {
                    f.readHeld = true;
                    f.holdBrokenTimes = 1;
                  },
                  "fsize: %S(%S)\nstart\n", true, 0},
        FaultCase{"read_held_hold_broken_throughout",
                  [](FaultyFileOps& f) {
                    f.readHeld = true;
                    f.holdBroken = true;
                  },
                  kMapsWhereItCan ? "fsize: %S(%S)\nstart\nERROR: model changed while reading\n"
                                  : "fsize: %S(%S)\nstart\n",
                  kMapsWhereItCan == 0, 0},
        // A held read cut short is taken again unheld, which tells it.
        FaultCase{"read_held_stops_midway",
                  [](FaultyFileOps& f) {
                    f.readHeld = true;
                    f.halfRead = true;
                  },
                  "fsize: %S(%H)\nERROR: fread failed: request %S, read %H\n", false, 0},
        // Unheld (Windows) the read fails at the same call, before its watch.
        FaultCase{"read_held_allocation",
                  [](FaultyFileOps& f) {
                    f.readHeld = true;
                    f.failAllocate = true;
                  },
                  "ERROR: malloc failed\n", false},
        FaultCase{"hold_refused", [](FaultyFileOps& f) { f.refuseHold = true; },
                  "fsize: %S(%S)\nstart\n", true, 0},
        FaultCase{"map_refused", [](FaultyFileOps& f) { f.refuseMap = true; },
                  "fsize: %S(%S)\nstart\n", true, 0},
        // A writer waits for the hold: the model is let go for it and taken
        // again once it is done; one that keeps asking is still at work
        // when the bound runs out. Windows takes no hold (it never maps), so
        // there the model is read as it is.
        FaultCase{"hold_broken_once", [](FaultyFileOps& f) { f.holdBrokenTimes = 1; },
                  "fsize: %S(%S)\nstart\n", true, kMapsWhereItCan},
        FaultCase{"hold_broken_throughout", [](FaultyFileOps& f) { f.holdBroken = true; },
                  kMapsWhereItCan ? "fsize: %S(%S)\nstart\nERROR: model changed while reading\n"
                                  : "fsize: %S(%S)\nstart\n",
                  kMapsWhereItCan == 0, kMapsWhereItCan}),
    [](const auto& info) { return std::string(info.param.title); });

// Many objects, so that the job's arena needs more than one block.
tavgen::Bytes ManyObjectsModel(int count) {
  TavBuilder b;
  b.Version();
  for (int i = 0; i < count; ++i) {
    b.Node().ArgNode(i % 3 == 0 ? Kind::Visibility : Kind::Rotation, "obj_" + std::to_string(i),
                     static_cast<std::uint16_t>(i * 7));
    if (i % 16 == 0) b.Connector("c_" + std::to_string(i), static_cast<std::uint16_t>(i + 1));
  }
  return b.bytes();
}

// Memory runs out at the first operator new of the job, then at the second,
// and so on, until a run needs no more than were allowed. Every run either
// completes with the whole report or fails with its log lines and no report;
// either way it releases everything it took. Returns how many operator new
// calls a whole run made.
long NewCallsOfJob(const tavgen::Bytes& bytes, ExtractOptions options) {
  ScratchDir dir;
  const std::string model = dir.File("m.tav");
  WriteBytes(model, bytes);
  const std::string loaded =
      "fsize: " + std::to_string(bytes.size()) + "(" + std::to_string(bytes.size()) + ")\nstart\n";
  const std::string report = OnDisk(ReferenceReportText(bytes.data(), bytes.size(), options));
  for (long failAt = 1;; ++failAt) {
    SCOPED_TRACE(failAt);
    fs::remove(dir.File("m.txt"));
    FaultyFileOps files;
    files.ahead = ModelBuffer::kQuietNs;  // written long ago
    ExtractResult result = ExtractResult::Failed;
    bool fired = false;
    const std::string log = CaptureStdout([&] {
      testing_support::FailingAllocation failing(failAt);
      result = ExtractModelArgsWith(files, JobLog::Stdout(), model.c_str(), options.sortByName,
                                    options.saveBesideExtractor, options.analyzeConnector);
      fired = failing.fired();
    });
    EXPECT_EQ(files.opens, files.closes);
    EXPECT_EQ(files.allocations, files.releases);
    // A failed nothrow allocation (a sort's scratch buffer) may be survived.
    if (!fired || result == ExtractResult::Completed) {
      EXPECT_EQ(result, ExtractResult::Completed);
      EXPECT_EQ(log, loaded);
      EXPECT_EQ(ReadAll(dir.File("m.txt")), report);
      if (!fired) return failAt - 1;
      continue;
    }
#if defined(_WIN32)
    // There the path is widened, on the heap, before the model is opened.
    if (log == "ERROR: malloc failed\n") {
      EXPECT_FALSE(fs::exists(dir.File("m.txt")));
      continue;
    }
#endif
    EXPECT_EQ(log, loaded + "ERROR: malloc failed\n");
    EXPECT_FALSE(fs::exists(dir.File("m.txt")));
    if (failAt >= 1000) {
      ADD_FAILURE() << "no end to the job's allocations";
      return failAt;
    }
  }
}

TEST(ExtractJob, OutOfMemoryAtEveryAllocationNoneForEachRecord) {
  const tavgen::Bytes small = CockpitModel();
  const tavgen::Bytes large = ManyObjectsModel(2000);
  for (const ExtractOptions options : {ExtractOptions{0, 0, 1}, ExtractOptions{1, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << options.sortByName << options.analyzeConnector);
    const long few = NewCallsOfJob(small, options);
    EXPECT_GT(few, 0) << "the report path is a string of its own";
    // Five objects or two thousand: the same allocations, none per record.
    EXPECT_EQ(NewCallsOfJob(large, options), few);
  }
}

// The job's blocks of pages (the read block and the arena's blocks) run out
// at the first call, then the second, and so on: each run fails with its log
// line and no report, or completes with the whole report.
TEST(ExtractJob, OutOfMemoryAtEveryBlock) {
  const tavgen::Bytes bytes = ManyObjectsModel(120000);
  ScratchDir dir;
  const std::string model = dir.File("m.tav");
  WriteBytes(model, bytes);
  const std::string size = std::to_string(bytes.size());
  const std::string loaded = "fsize: " + size + "(" + size + ")\nstart\n";
  const std::string report =
      OnDisk(ReferenceReportText(bytes.data(), bytes.size(), ExtractOptions{0, 0, 1}));
  struct Way {
    const char* title;
    bool refuseHold;
    bool readHeld;
  };
  for (const Way way : {Way{"mapped", false, false}, Way{"read_held", false, true},
                        Way{"read_unheld", true, false}}) {
    const bool read = way.refuseHold || way.readHeld || kMapsWhereItCan == 0;
    SCOPED_TRACE(way.title);
    for (int failAt = 1;; ++failAt) {
      SCOPED_TRACE(failAt);
      fs::remove(dir.File("m.txt"));
      FaultyFileOps files;
      files.ahead = ModelBuffer::kQuietNs;
      files.refuseHold = way.refuseHold;
      files.readHeld = way.readHeld;
      files.failPagesCall = failAt;
      ExtractResult result = ExtractResult::Completed;
      const std::string log = CaptureStdout(
          [&] { result = ExtractModelArgsWith(files, JobLog::Stdout(), model.c_str(), 0, 0, 1); });
      EXPECT_EQ(files.allocations, files.releases);
      EXPECT_EQ(files.opens, files.closes);
      if (files.pageCalls < failAt) {
        EXPECT_EQ(result, ExtractResult::Completed);
        EXPECT_EQ(ReadAll(dir.File("m.txt")), report);
        // The read block and more than one arena block were each refused once.
        EXPECT_GE(failAt, read ? 4 : 3);
        break;
      }
      EXPECT_EQ(result, ExtractResult::Failed);
      EXPECT_EQ(log,
                read && failAt == 1 ? "ERROR: malloc failed\n" : loaded + "ERROR: malloc failed\n");
      EXPECT_FALSE(fs::exists(dir.File("m.txt")));
      ASSERT_LT(failAt, 100);
    }
  }
}

// What is left at the report path when a report is written over an old one,
// or over something that is not a report. An old report is never lost to a
// failed write, and nothing at the report path is ever written through.
const std::string kOldReport = "an old report, whole\n";

struct OldReportCase {
  const char* title;
  std::function<void(const ScratchDir&)> make;  // puts something at "m.txt"
  std::function<void(FaultyFileOps&)> inject;
  const char* error;  // the last log line; nullptr: the job completes
  std::string names;  // the folder's names afterwards
  std::function<void(const ScratchDir&)> check;
};

class OldReports : public testing::TestWithParam<OldReportCase> {};

TEST_P(OldReports, KeptOrReplacedWhole) {
  const OldReportCase& c = GetParam();
  ScratchDir dir;
  const std::string model = dir.File("m.tav");
  const tavgen::Bytes bytes = CockpitModel();
  WriteBytes(model, bytes);
  c.make(dir);
  FaultyFileOps files;
  c.inject(files);
  ExtractResult result = ExtractResult::Completed;
  const std::string log = CaptureStdout(
      [&] { result = ExtractModelArgsWith(files, JobLog::Stdout(), model.c_str(), 0, 0, 1); });
  const std::string size = std::to_string(bytes.size());
  const std::string loaded = "fsize: " + size + "(" + size + ")\nstart\n";
  EXPECT_EQ(log, c.error == nullptr ? loaded : loaded + c.error + "\n");
  EXPECT_EQ(result, c.error == nullptr ? ExtractResult::Completed : ExtractResult::Failed);
  EXPECT_EQ(files.opens, files.closes);
  // No temporary file is left, whatever happened.
  EXPECT_EQ(testing_support::FolderNames(dir.path()), c.names);
  if (c.error == nullptr) {
    EXPECT_FALSE(fs::is_symlink(dir.File("m.txt")));
    EXPECT_EQ(ReadAll(dir.File("m.txt")), OnDisk(CockpitReport(1)));
  }
  c.check(dir);
}

void OldReportThere(const ScratchDir& d) {
  WriteText(d.File("m.txt"), kOldReport);
}
void OldReportKept(const ScratchDir& d) {
  EXPECT_EQ(ReadAll(d.File("m.txt")), kOldReport);
}
void NoFault(FaultyFileOps&) {}
void NothingMore(const ScratchDir&) {}

bool Privileged() {
#if defined(_WIN32)
  return false;
#else
  return ::geteuid() == 0;
#endif
}

std::vector<OldReportCase> OldReportCases() {
  std::vector<OldReportCase> cases = {
      {"replaced_whole", OldReportThere, NoFault, nullptr, "m.tav m.txt", NothingMore},
      {"write_fails_midway", OldReportThere, [](FaultyFileOps& f) { f.shortWrite = true; },
       "ERROR: write failed", "m.tav m.txt", OldReportKept},
      {"flush_fails", OldReportThere, [](FaultyFileOps& f) { f.failFlush = true; },
       "ERROR: write failed", "m.tav m.txt", OldReportKept},
      {"close_fails", OldReportThere, [](FaultyFileOps& f) { f.failClose = true; },
       "ERROR: write failed", "m.tav m.txt", OldReportKept},
      {"rename_fails", OldReportThere, [](FaultyFileOps& f) { f.failReplace = true; },
       "ERROR: write failed", "m.tav m.txt", OldReportKept},
      {"folder_refuses", OldReportThere, [](FaultyFileOps& f) { f.failCreate = true; },
       "ERROR: fopen failed", "m.tav m.txt", OldReportKept},
      {"report_path_is_a_folder",
       [](const ScratchDir& d) {
         fs::create_directory(d.File("m.txt"));
         WriteText(d.File("m.txt") + "/inside", kOldReport);
       },
       NoFault, "ERROR: fopen failed", "m.tav m.txt",
       [](const ScratchDir& d) { EXPECT_EQ(ReadAll(d.File("m.txt") + "/inside"), kOldReport); }},
      // A report this process may not write stays refused, as a "w" open
      // refused it; where privilege writes anything, it is replaced and keeps
      // its bits.
      {"read_only_report",
       [](const ScratchDir& d) {
         OldReportThere(d);
         fs::permissions(d.File("m.txt"),
                         fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       },
       NoFault, Privileged() ? nullptr : "ERROR: fopen failed", "m.tav m.txt",
       [](const ScratchDir& d) {
         if (!Privileged()) OldReportKept(d);
         EXPECT_EQ(fs::status(d.File("m.txt")).permissions() & fs::perms::owner_write,
                   fs::perms::none);
         fs::permissions(d.File("m.txt"), fs::perms::owner_write, fs::perm_options::add);
       }},
  };
#if !defined(_WIN32)
  // Another user's planted link: replaced by the report, its target untouched.
  cases.push_back({"link_to_another_file",
                   [](const ScratchDir& d) {
                     WriteText(d.File("victim"), kOldReport);
                     fs::create_symlink(d.File("victim"), d.File("m.txt"));
                   },
                   NoFault, nullptr, "m.tav m.txt victim",
                   [](const ScratchDir& d) { EXPECT_EQ(ReadAll(d.File("victim")), kOldReport); }});
  cases.push_back(
      {"dangling_link",
       [](const ScratchDir& d) { fs::create_symlink(d.File("nowhere"), d.File("m.txt")); }, NoFault,
       nullptr, "m.tav m.txt",
       [](const ScratchDir& d) { EXPECT_FALSE(fs::exists(d.File("nowhere"))); }});
  // Opening a FIFO for writing would wait for a reader forever.
  cases.push_back(
      {"report_path_is_a_fifo",
       [](const ScratchDir& d) { ASSERT_EQ(::mkfifo(d.File("m.txt").c_str(), 0600), 0); }, NoFault,
       "ERROR: fopen failed", "m.tav m.txt",
       [](const ScratchDir& d) { EXPECT_TRUE(fs::is_fifo(d.File("m.txt"))); }});
  cases.push_back({"permission_bits_kept",
                   [](const ScratchDir& d) {
                     OldReportThere(d);
                     ASSERT_EQ(::chmod(d.File("m.txt").c_str(), 0604), 0);
                   },
                   NoFault, nullptr, "m.tav m.txt",
                   [](const ScratchDir& d) {
                     struct stat info;
                     ASSERT_EQ(::stat(d.File("m.txt").c_str(), &info), 0);
                     EXPECT_EQ(info.st_mode & 0777, 0604u);
                   }});
  cases.push_back({"private_bits_kept_when_write_fails",
                   [](const ScratchDir& d) {
                     OldReportThere(d);
                     ASSERT_EQ(::chmod(d.File("m.txt").c_str(), 0600), 0);
                   },
                   [](FaultyFileOps& f) { f.failReplace = true; }, "ERROR: write failed",
                   "m.tav m.txt",
                   [](const ScratchDir& d) {
                     OldReportKept(d);
                     struct stat info;
                     ASSERT_EQ(::stat(d.File("m.txt").c_str(), &info), 0);
                     EXPECT_EQ(info.st_mode & 0777, 0600u);
                   }});
#endif
  return cases;
}

INSTANTIATE_TEST_SUITE_P(ReportPath, OldReports, testing::ValuesIn(OldReportCases()),
                         [](const auto& info) { return std::string(info.param.title); });

// One worker's scratch over a run of models: large after small, small after
// large (what an earlier model left in the arena must not show: its records,
// its connector table), one whose records need more than the arena's first
// block, an empty one and a missing one, under several option sets. Every log
// and report is the same as a job's without the scratch.
TEST(ExtractJob, AWorkersScratchLeavesNothingBehind) {
  ScratchDir dir;
  const struct {
    const char* name;
    tavgen::Bytes bytes;
  } models[] = {
      {"many", ManyObjectsModel(3000)},
      {"cockpit", CockpitModel()},
      {"few", ManyObjectsModel(40)},
      {"past_the_first_block", ManyObjectsModel(150000)},
      {"empty", {}},
      {"cockpit_again", CockpitModel()},
  };
  std::vector<std::string> paths;
  for (const auto& m : models) {
    paths.push_back(dir.File(std::string(m.name) + ".tav"));
    WriteBytes(paths.back(), m.bytes);
  }
  paths.push_back(dir.File("missing.tav"));
  JobScratch scratch(FileOps::Default());
  for (const ExtractOptions options :
       {ExtractOptions{0, 0, 1}, ExtractOptions{1, 0, 0}, ExtractOptions{1, 0, 1}}) {
    for (const std::string& path : paths) {
      SCOPED_TRACE(path);
      const std::string report = path.substr(0, path.size() - 4) + ".txt";
      ExtractResult plain = ExtractResult::Failed;
      const std::string plainLog = CaptureStdout([&] {
        plain = ExtractModelArgsWith(FileOps::Default(), JobLog::Stdout(), path.c_str(),
                                     options.sortByName, 0, options.analyzeConnector);
      });
      const std::string plainReport = fs::exists(report) ? ReadAll(report) : "(none)";
      fs::remove(report);
      ExtractResult reused = ExtractResult::Failed;
      const std::string reusedLog = CaptureStdout([&] {
        reused = ExtractModelArgsWith(FileOps::Default(), JobLog::Stdout(), path.c_str(),
                                      options.sortByName, 0, options.analyzeConnector, &scratch);
      });
      EXPECT_EQ(reused, plain);
      EXPECT_EQ(reusedLog, plainLog);
      EXPECT_EQ(fs::exists(report) ? ReadAll(report) : "(none)", plainReport);
    }
  }
}

// A worker's later models go into the blocks it kept: a smaller model after a
// larger one takes no new pages at all.
TEST(ExtractJob, AWorkersScratchKeepsItsBlocks) {
  ScratchDir dir;
  const std::string large = dir.File("large.tav");
  const std::string small = dir.File("small.tav");
  WriteBytes(large, ManyObjectsModel(3000));
  WriteBytes(small, CockpitModel());
  FaultyFileOps files;
  files.ahead = ModelBuffer::kQuietNs;
  files.readHeld = true;
  JobScratch scratch(files);
  int pagesAfterLarge = 0;
  for (const std::string* path : {&large, &small, &large}) {
    ExtractResult result = ExtractResult::Failed;
    CaptureStdout([&] {
      result = ExtractModelArgsWith(files, JobLog::Stdout(), path->c_str(), 0, 0, 1, &scratch);
    });
    EXPECT_EQ(result, ExtractResult::Completed);
    if (pagesAfterLarge == 0) pagesAfterLarge = files.pageCalls;
  }
  EXPECT_GE(pagesAfterLarge, 2);  // the model's block and the arena's
  EXPECT_EQ(files.pageCalls, pagesAfterLarge);
  EXPECT_EQ(ReadAll(dir.File("small.txt")), OnDisk(CockpitReport(1)));
}

TEST(ExtractJob, NullPathFails) {
  ExtractResult result = ExtractResult::Completed;
  EXPECT_EQ(CaptureStdout([&] { result = ExtractModelArgs(nullptr, 0, 0, 0); }),
            "ERROR: fopen failed\n");
  EXPECT_EQ(result, ExtractResult::Failed);
}

}  // namespace
