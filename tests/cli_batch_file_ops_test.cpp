// Side-by-side jobs read small models and hold large ones as the engine does.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/batch_file_ops.h"
#include "test_support.h"

namespace {

TEST(CliBatchFileOps, ReadsModelsUpToTheLimitAndHoldsLargerOnesAsUsual) {
  const testing_support::ScratchDir scratch;
  struct Case {
    std::int64_t size;
    bool read;  // Hold refuses: the job reads
  };
  const Case cases[] = {
      {1, true},
      {4 << 20, true},
      {BatchFileOps::kReadUpTo, true},
      {BatchFileOps::kReadUpTo + 1, false},
  };
  BatchFileOps batch;
  for (const Case& c : cases) {
    const std::string path = scratch.File("model-" + std::to_string(c.size) + ".tav");
    testing_support::WriteText(path, "x");
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(c.size));  // sparse
    std::FILE* file = batch.OpenRead(path.c_str());
    ASSERT_NE(file, nullptr) << c.size;
    const bool held = batch.Hold(file);
    if (held) batch.Unhold(file);
    batch.Close(file);
    if (c.read) {
      EXPECT_FALSE(held) << c.size;
      continue;
    }
    // Above the limit: whatever the real operations do with the same file.
    std::FILE* again = FileOps::Default().OpenRead(path.c_str());
    ASSERT_NE(again, nullptr) << c.size;
    const bool heldByDefault = FileOps::Default().Hold(again);
    if (heldByDefault) FileOps::Default().Unhold(again);
    FileOps::Default().Close(again);
    EXPECT_EQ(held, heldByDefault) << c.size;
  }
}

}  // namespace
