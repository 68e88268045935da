// The side-by-side batch against the plain one, over stand-in jobs whose
// timing scrambles the order in which they finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "cli/batch.h"
#include "engine/job_log.h"
#include "tests/test_support.h"

namespace {

using testing_support::CaptureStdout;

// A stand-in job: a few log lines of its own, a delay that makes later models
// finish first, and Failed for names starting with "x". Records what ran
// when, to check concurrency and ordering.
class FakeJobs {
 public:
  explicit FakeJobs(std::vector<std::string> models)
      : models_(std::move(models)), finished_(models_.size(), false) {
    plan_.predecessors.resize(models_.size());
  }

  ModelJob job() {
    return [this](JobLog& log, const std::string& model) {
      const std::size_t index = IndexOf(model);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        starts_.push_back(index);
        for (std::size_t before : plan_.predecessors[index])
          if (!finished_[before]) violations_.push_back(index);
        const std::uint64_t bytes = plan_.bytes.empty() ? 0 : plan_.bytes[index];
        if (bytesInWork_ > 0 && bytesInWork_ + bytes > plan_.byteBudget)
          overBudget_.push_back(index);
        bytesInWork_ += bytes;
      }
      const int running = ++running_;
      int seen = maxRunning_.load();
      while (running > seen && !maxRunning_.compare_exchange_weak(seen, running)) {
      }
      log.Printf("fsize: %d(%d)\n", static_cast<int>(index), static_cast<int>(model.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds((models_.size() - index) % 4 * 3));
      log.Printf("start\n");
      --running_;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_[index] = true;
        bytesInWork_ -= plan_.bytes.empty() ? 0 : plan_.bytes[index];
      }
      return model[0] == 'x' ? ExtractResult::Failed : ExtractResult::Completed;
    };
  }

  void SetPlan(const BatchPlan& plan) { plan_ = plan; }
  int maxRunning() const { return maxRunning_; }
  std::vector<std::size_t> violations() const { return violations_; }
  std::vector<std::size_t> overBudget() const { return overBudget_; }
  std::vector<std::size_t> starts() const { return starts_; }

 private:
  // Models are told apart by a suffix "#index" (names may repeat).
  std::size_t IndexOf(const std::string& model) const {
    return static_cast<std::size_t>(std::stoul(model.substr(model.rfind('#') + 1)));
  }

  std::vector<std::string> models_;
  BatchPlan plan_;
  std::uint64_t bytesInWork_ = 0;
  std::vector<std::size_t> overBudget_;
  std::mutex mutex_;
  std::vector<bool> finished_;
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> violations_;
  std::atomic<int> running_{0};
  std::atomic<int> maxRunning_{0};
};

std::vector<std::string> Models(std::size_t count) {
  std::vector<std::string> models;
  for (std::size_t i = 0; i < count; ++i) {
    std::string model = i % 5 == 3 ? "x/dir/Failing.tav#" : "dir/Model.TAV#";
    model += std::to_string(i);
    models.push_back(std::move(model));
  }
  return models;
}

// Everything written to a temporary file by `body`.
std::string WrittenTo(const std::function<void(std::FILE*)>& body) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return "no temporary file";
  body(file);
  std::rewind(file);
  std::string text;
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  std::fclose(file);
  return text;
}

struct BatchCase {
  std::size_t models;
  int jobs;
  int threadsAvailable;  // helper threads that can be started; -1: any number
  std::vector<std::vector<std::size_t>> predecessors;  // padded with none
  std::vector<std::uint64_t> bytes = {};               // none: no budget
  std::uint64_t budget = 0;
};

TEST(CliBatch, OutputAndStatusAreThoseOfThePlainRun) {
  const BatchCase cases[] = {
      {1, 4, -1, {}},
      {2, 2, -1, {}},
      {12, 4, -1, {}},
      {40, 3, -1, {}},
      {9, 16, -1, {}},
      {10, 4, -1, {{}, {}, {0}, {2}, {1, 3}, {}, {}, {}, {}, {0}}},
      {10, 4, -1, {{}, {0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}}},
      {8, 4, 0, {}},  // no thread at all: this thread alone
      {8, 4, 1, {{}, {}, {1}}},
      {4, 1, -1, {}},
      // A byte budget of 10: models of 12 and 20 run alone, the rest two by two.
      {12, 4, -1, {}, {5, 5, 5, 5, 12, 1, 1, 1, 1, 1, 20, 3}, 10},
      {6, 3, -1, {{}, {0}}, {9, 9, 9, 0, 0, 0}, 10},
  };
  for (const BatchCase& c : cases) {
    const std::vector<std::string> models = Models(c.models);
    BatchPlan plan;
    plan.predecessors = c.predecessors;
    plan.predecessors.resize(models.size());
    if (!c.bytes.empty()) {
      plan.bytes = c.bytes;
      plan.byteBudget = c.budget;
    }
    const std::string where = "models " + std::to_string(c.models) + " jobs " +
                              std::to_string(c.jobs) + " threads " +
                              std::to_string(c.threadsAvailable);

    FakeJobs plain(models);
    int plainStatus = -1;
    const std::string expected =
        CaptureStdout([&] { plainStatus = RunBatchInTurn(models, plain.job()); });

    FakeJobs parallel(models);
    parallel.SetPlan(plan);
    int started = 0;
    const ThreadStarter starter = [&](std::function<void()> work) {
      if (c.threadsAvailable >= 0 && started >= c.threadsAvailable)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      ++started;
      return std::thread(std::move(work));
    };
    int status = -1;
    const std::string got = WrittenTo([&](std::FILE* out) {
      status = RunBatchInParallel(models, plan, c.jobs, parallel.job(), out, starter);
    });

    EXPECT_EQ(got, expected) << where;
    EXPECT_EQ(status, plainStatus) << where;
    EXPECT_EQ(status, c.models > 3 ? 1 : 0) << where;
    EXPECT_EQ(parallel.violations(), std::vector<std::size_t>{}) << where;
    EXPECT_EQ(parallel.overBudget(), std::vector<std::size_t>{}) << where;
    const int allowed = c.threadsAvailable >= 0 ? c.threadsAvailable + 1 : c.jobs;
    EXPECT_LE(parallel.maxRunning(), std::min<int>(allowed, static_cast<int>(c.models))) << where;
    std::vector<std::size_t> starts = parallel.starts();
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts.size(), models.size()) << where << ": every model runs once";
    EXPECT_TRUE(std::adjacent_find(starts.begin(), starts.end()) == starts.end()) << where;
  }
}

// Jobs that run short of memory or descriptors while others run (noted, or
// std::bad_alloc thrown out of the job), and threads that cannot be had
// (std::bad_alloc from the start): every model is run again alone and
// completes, and the output is that of the plain run.
TEST(CliBatch, ShortOfResourcesRunsAgainAlone) {
  const std::vector<std::string> models = Models(12);
  std::atomic<int> running{0};
  std::atomic<int> retries{0};
  const ModelJob job = [&](JobLog& log, const std::string& model) {
    ++running;
    // The first models wait a while for company, so that side by side some
    // surely run short.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (model.back() < '3' && model.size() == Models(1)[0].size() && running < 2 &&
           std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    log.Printf("fsize: 1(1)\nstart\n");
    const bool shortOfResources = running > 1;
    --running;
    if (!shortOfResources) return ExtractResult::Completed;
    ++retries;
    if (model.back() % 2 == 0) throw std::bad_alloc();
    log.Printf("ERROR: malloc failed\n");
    log.NoteShortOfResources();
    return ExtractResult::Failed;
  };
  int plainStatus = -1;
  const std::string expected = CaptureStdout([&] { plainStatus = RunBatchInTurn(models, job); });
  ASSERT_EQ(plainStatus, 0);
  ASSERT_EQ(retries, 0);
  int started = 0;
  const ThreadStarter starter = [&](std::function<void()> work) {
    if (started == 2) throw std::bad_alloc();
    ++started;
    return std::thread(std::move(work));
  };
  int status = -1;
  const std::string got = WrittenTo(
      [&](std::FILE* out) { status = RunBatchInParallel(models, {}, 8, job, out, starter); });
  EXPECT_EQ(got, expected);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(started, 2);
  EXPECT_GT(retries, 0);  // the case happened
}

TEST(CliBatch, AnEmptyBatchPrintsNothingAndSucceeds) {
  int status = -1;
  const std::string got = WrittenTo([&](std::FILE* out) {
    status = RunBatchInParallel(
        {}, {}, 4, [](JobLog&, const std::string&) { return ExtractResult::Failed; }, out);
  });
  EXPECT_EQ(got, "");
  EXPECT_EQ(status, 0);
}

// A long model does not hold back what the models before it printed: the
// second model waits until the first one's status line is in the output.
TEST(CliBatch, FinishedModelsArePrintedWhileLaterOnesRun) {
  const testing_support::ScratchDir scratch;
  const std::string outPath = scratch.File("out.txt");
  std::FILE* out = std::fopen(outPath.c_str(), "w");
  ASSERT_NE(out, nullptr);
  const std::vector<std::string> models{"first.tav", "second.tav"};
  bool sawFirst = false;
  const ModelJob job = [&](JobLog& log, const std::string& model) {
    log.Printf("start\n");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (model == "second.tav" && !sawFirst && std::chrono::steady_clock::now() < deadline) {
      sawFirst = testing_support::ReadAll(outPath).find("first.tav...") != std::string::npos;
      if (!sawFirst) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ExtractResult::Completed;
  };
  EXPECT_EQ(RunBatchInParallel(models, {{}, {}}, 2, job, out), 0);
  std::fclose(out);
  EXPECT_TRUE(sawFirst);
  EXPECT_EQ(testing_support::ReadAll(outPath),
            testing_support::OnDisk("start\nfirst.tav" + std::string(51, '.') +
                                    "completed\nstart\nsecond.tav" + std::string(50, '.') +
                                    "completed\n"));
}

}  // namespace
