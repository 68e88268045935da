// Read-ahead of the models a batch loads next, so that a disk reads them
// while earlier models are scanned and their reports written.
//
// It only hints. Each model ahead is opened read-only without blocking,
// asked whether it is a regular file and how long, given the system's
// will-need advice (posix_fadvise POSIX_FADV_WILLNEED) and closed again;
// nothing of it is read into this process, and the job still opens,
// measures, maps or reads and checks its model itself through its own one
// handle. A model that is not a regular file, or that the job would refuse
// as too large, is not hinted. Windows: nothing is done (no such advice).
#ifndef QUORVEL_ENGINE_READ_AHEAD_H_
#define QUORVEL_ENGINE_READ_AHEAD_H_

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class ReadAhead {
 public:
  // At most this many models past the one starting, and this many bytes of
  // them, are asked for ahead.
  static constexpr std::size_t kModels = 16;
  static constexpr std::uint64_t kBytes = std::uint64_t{64} << 20;

  // `models` in batch order; it must outlive this object.
  explicit ReadAhead(const std::vector<std::string>& models);

  // Model `index` is about to be loaded: the models after it not yet hinted
  // are, within the bounds above (never past the batch's last model, never
  // more of a model than its size). Safe to call from several threads.
  void Starting(std::size_t index);

 private:
  const std::vector<std::string>& models_;
  std::mutex mutex_;
  std::size_t next_ = 0;              // the first model not yet hinted
  std::vector<std::uint64_t> bytes_;  // per model, how many bytes were hinted
};

#endif  // QUORVEL_ENGINE_READ_AHEAD_H_
