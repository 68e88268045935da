// The batch's read-ahead: what it asks the system to read is seen in the page
// cache (mincore), after the files were dropped from it.
#include "engine/read_ahead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_support.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kFileBytes = 256 * 1024;

// Whether the file's first page is in the page cache.
bool Cached(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  void* view = ::mmap(nullptr, kFileBytes, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (view == MAP_FAILED) return false;
  unsigned char page = 0;
  const bool cached = ::mincore(view, 1, &page) == 0 && (page & 1) != 0;
  ::munmap(view, kFileBytes);
  return cached;
}

// Writes the file and drops it from the page cache; false when the system
// keeps it there all the same (tmpfs).
bool WriteUncached(const std::string& path) {
  testing_support::WriteBytes(path, std::vector<std::uint8_t>(kFileBytes, 0x5A));
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
  return !Cached(path);
}

TEST(ReadAhead, HintsTheRegularModelsNextInLineAndNoFurther) {
  const testing_support::ScratchDir dir;
  // Index 0 starts; 1 to 3 are no regular files (a FIFO must not block);
  // the last hinted is at kModels; the one after it is out of reach.
  std::vector<std::string> models = {dir.File("first.tav"), dir.File("fifo.tav"),
                                     dir.File("folder.tav"), dir.File("missing.tav")};
  ASSERT_EQ(::mkfifo(models[1].c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(models[2].c_str(), 0700), 0);
  while (models.size() < ReadAhead::kModels + 2) {
    std::string name = std::to_string(models.size());
    name += ".tav";
    models.push_back(dir.File(name));
  }
  for (std::size_t i = 4; i < models.size(); ++i) {
    if (!WriteUncached(models[i])) GTEST_SKIP() << "the page cache keeps files here";
  }

  ReadAhead ahead(models);
  ahead.Starting(0);
  // The disk reads the hinted models in an order of its own: wait for all.
  const auto allHinted = [&] {
    for (std::size_t i = 4; i <= ReadAhead::kModels; ++i) {
      if (!Cached(models[i])) return false;
    }
    return true;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!allHinted() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (std::size_t i = 4; i <= ReadAhead::kModels; ++i) EXPECT_TRUE(Cached(models[i])) << i;
  EXPECT_FALSE(Cached(models.back()));

  // The next start reaches one further.
  ahead.Starting(1);
  const auto again = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Cached(models.back()) && std::chrono::steady_clock::now() < again)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(Cached(models.back()));
}

}  // namespace
#endif
