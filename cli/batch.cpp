#include "cli/batch.h"

#if defined(__GLIBC__)
#include <pthread.h>
#include <sys/resource.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <system_error>

#include "engine/job_log.h"
#include "engine/read_ahead.h"
#include "job/run_batch.h"
#include "job/status_line.h"

std::uint64_t DefaultByteBudget() {
  if constexpr (sizeof(void*) < 8) return std::uint64_t{1} << 30;
  return std::numeric_limits<std::uint64_t>::max();
}

namespace {

// A worker's stack: a job needs little of it, and every worker's stack takes
// its whole size of address space, which a process under a limit (ulimit -v)
// needs for the models.
[[maybe_unused]] constexpr std::size_t kWorkerStack = std::size_t{1} << 20;

void UseSmallStacks() {
#if defined(__GLIBC__)
  static const bool once = [] {
    pthread_attr_t attr;
    std::size_t size = 0;
    if (::pthread_getattr_default_np(&attr) != 0) return false;
    if (::pthread_attr_getstacksize(&attr, &size) == 0 && size > kWorkerStack)
      ::pthread_attr_setstacksize(&attr, kWorkerStack);
    ::pthread_setattr_default_np(&attr);
    ::pthread_attr_destroy(&attr);
    return true;
  }();
  (void)once;
#endif
}

// The most workers whose stacks take at most a quarter of the address space
// the process may have (ulimit -v), so that the jobs find room for their
// models; no limit where there is none.
std::size_t WorkersForAddressSpace() {
#if defined(__GLIBC__)
  struct rlimit limit;
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const auto workers = static_cast<std::size_t>(limit.rlim_cur / 4 / kWorkerStack);
    return workers > 1 ? workers : 1;
  }
#endif
  return std::numeric_limits<std::size_t>::max();
}

}  // namespace

ThreadStarter DefaultThreadStarter() {
  return [](std::function<void()> work) {
    UseSmallStacks();
    return std::thread(std::move(work));
  };
}

int RunBatchInTurn(const std::vector<std::string>& models, const ModelJob& job) {
  const bool completed = RunBatch(
      models, [&job](const std::string& model) { return job(JobLog::Stdout(), model); },
      [](const std::string& line) { PrintJobOutput(stdout, {}, line); });
  std::fflush(stdout);
  return completed ? 0 : 1;
}

namespace {

// The shared state of one parallel run; what changes is guarded by mutex_.
class ParallelBatch {
 public:
  ParallelBatch(const std::vector<std::string>& models, const BatchPlan& plan, const ModelJob& job,
                std::FILE* out)
      : models_(models),
        plan_(plan),
        job_(job),
        out_(out),
        state_(models.size(), State::Waiting),
        retried_(models.size(), false),
        logs_(models.size()),
        ahead_(models) {}

  // Takes ready models and runs them until none is left to start.
  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      std::size_t next = 0;
      while (!PickReady(next)) {
        if (firstWaiting_ == models_.size()) return;
        changed_.wait(lock);
      }
      state_[next] = State::Running;
      bytesInWork_ += Bytes(next);
      ++running_;
      lock.unlock();
      ahead_.Starting(next);
      std::unique_ptr<BufferedJobLog> log;
      ExtractResult result = ExtractResult::Failed;
      bool shortOfResources = false;
      try {
        log = std::make_unique<BufferedJobLog>();
        result = job_(*log, models_[next]);
        shortOfResources = log->shortOfResources();
      } catch (const std::bad_alloc&) {
        // Not even the job's own log could be had.
        shortOfResources = true;
        result = ExtractResult::Failed;
      }
      lock.lock();
      --running_;
      if (retried_[next]) aloneRunning_ = false;
      bytesInWork_ -= Bytes(next);
      if (result == ExtractResult::Failed && shortOfResources && !retried_[next]) {
        // It may have failed for what the other jobs took: it runs again,
        // alone, before its line is written, as it would have run with -j 1.
        retried_[next] = true;
        state_[next] = State::Waiting;
        firstWaiting_ = std::min(firstWaiting_, next);
        ++aloneWaiting_;
      } else {
        logs_[next] = std::move(log);
        state_[next] = result == ExtractResult::Completed ? State::Completed : State::Failed;
        PrintDone();
      }
      changed_.notify_all();
    }
  }

  int status() const { return failed_ ? 1 : 0; }

 private:
  enum class State { Waiting, Running, Completed, Failed };

  bool Done(std::size_t i) const {
    return state_[i] == State::Completed || state_[i] == State::Failed;
  }

  std::uint64_t Bytes(std::size_t i) const { return i < plan_.bytes.size() ? plan_.bytes[i] : 0; }

  // Whether model `i` fits beside the models in work (alone it always does).
  bool Fits(std::size_t i) const {
    return bytesInWork_ == 0 ||
           Bytes(i) <= plan_.byteBudget - std::min(bytesInWork_, plan_.byteBudget);
  }

  // The first waiting model whose predecessors are all done and that fits;
  // while a model waits to run again alone, that one once nothing runs, and
  // nothing before then.
  bool PickReady(std::size_t& next) {
    while (firstWaiting_ < models_.size() && state_[firstWaiting_] != State::Waiting)
      ++firstWaiting_;
    if (aloneRunning_) return false;
    if (aloneWaiting_ > 0) {
      if (running_ > 0) return false;
      for (std::size_t i = firstWaiting_; i < models_.size(); ++i) {
        if (state_[i] == State::Waiting && retried_[i]) {
          next = i;
          --aloneWaiting_;
          aloneRunning_ = true;
          return true;
        }
      }
    }
    for (std::size_t i = firstWaiting_; i < models_.size(); ++i) {
      if (state_[i] != State::Waiting) continue;
      bool ready = Fits(i);
      if (i < plan_.predecessors.size())
        for (const std::size_t before : plan_.predecessors[i]) ready = ready && Done(before);
      if (ready) {
        next = i;
        return true;
      }
    }
    return false;
  }

  // Writes every finished model's output that nothing unfinished stands
  // before, and lets its buffer go.
  void PrintDone() {
    const std::size_t from = printed_;
    for (; printed_ < models_.size() && Done(printed_); ++printed_) {
      const bool completed = state_[printed_] == State::Completed;
      PrintJobOutput(out_,
                     logs_[printed_] != nullptr ? std::string_view(logs_[printed_]->text())
                                                : std::string_view("ERROR: malloc failed\n"),
                     StatusLine(models_[printed_],
                                completed ? ExtractResult::Completed : ExtractResult::Failed));
      if (!completed) failed_ = true;
      logs_[printed_].reset();
    }
    if (printed_ != from) std::fflush(out_);
  }

  const std::vector<std::string>& models_;
  const BatchPlan& plan_;
  const ModelJob& job_;
  std::FILE* const out_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<State> state_;
  std::vector<bool> retried_;  // run again alone after a shortage
  std::vector<std::unique_ptr<BufferedJobLog>> logs_;
  std::size_t firstWaiting_ = 0;
  std::size_t printed_ = 0;
  std::uint64_t bytesInWork_ = 0;
  std::size_t running_ = 0;
  std::size_t aloneWaiting_ = 0;  // models to run again alone
  bool aloneRunning_ = false;     // one of them runs: nothing else starts
  bool failed_ = false;
  ReadAhead ahead_;  // the models next in line (engine/read_ahead.h)
};

}  // namespace

int RunBatchInParallel(const std::vector<std::string>& models, const BatchPlan& plan, int jobs,
                       const ModelJob& job, std::FILE* out, const ThreadStarter& startThread) {
  ParallelBatch batch(models, plan, job, out);
  // This thread is one of the workers.
  const std::size_t workers = std::min<std::size_t>(
      {static_cast<std::size_t>(jobs > 1 ? jobs : 1), models.size(), WorkersForAddressSpace()});
  const std::size_t helpers = workers > 0 ? workers - 1 : 0;
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < helpers; ++i) {
    try {
      threads.reserve(i + 1);
      threads.push_back(startThread([&batch] { batch.Work(); }));
    } catch (const std::exception&) {
      // No more threads (std::system_error), or no memory for one
      // (std::bad_alloc): the ones started share the work.
      break;
    }
  }
  batch.Work();
  for (std::thread& thread : threads) thread.join();
  std::fflush(out);
  return batch.status();
}
