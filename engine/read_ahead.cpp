#include "engine/read_ahead.h"

#include <algorithm>
#include <limits>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Hints at most `most` bytes from the start of the model at `path`; how many
// were hinted (0 when the model is not hinted).
std::uint64_t Hint(const std::string& path, std::uint64_t most) {
#if defined(_WIN32)
  (void)path;
  (void)most;
  return 0;
#else
  // Non-blocking: a FIFO or a file under another process's lease never
  // holds the batch up.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::uint64_t length = 0;
  struct stat status {};
  // The job refuses a model over the largest 32-bit size without reading it.
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 &&
      status.st_size <= std::numeric_limits<std::int32_t>::max()) {
    length = std::min(static_cast<std::uint64_t>(status.st_size), most);
    if (::posix_fadvise(fd, 0, static_cast<off_t>(length), POSIX_FADV_WILLNEED) != 0) length = 0;
  }
  ::close(fd);
  return length;
#endif
}

}  // namespace

ReadAhead::ReadAhead(const std::vector<std::string>& models)
    : models_(models), bytes_(models.size(), 0) {}

void ReadAhead::Starting(std::size_t index) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t end = std::min(models_.size(), index + 1 + kModels);
  next_ = std::max(next_, index + 1);
  std::uint64_t ahead = 0;
  for (std::size_t i = index + 1; i < next_ && i < end; ++i) ahead += bytes_[i];
  for (; next_ < end && ahead < kBytes; ++next_) {
    bytes_[next_] = Hint(models_[next_], kBytes - ahead);
    ahead += bytes_[next_];
  }
}
