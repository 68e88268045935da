#include "engine/job_log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Lines of every length around the log's own line buffer come out whole and in
// order; a name that holds a percent sign is an argument, never a format.
TEST(BufferedJobLog, KeepsEveryLineWholeInOrder) {
  for (const std::size_t length : {0u, 1u, 200u, 254u, 255u, 256u, 257u, 4096u}) {
    BufferedJobLog log;
    const std::string name(length, 'n');
    log.Printf("fsize: %d(%d)\n", 12, 7);
    log.Printf("%s = %s%%\n", name.c_str(), "%d");
    log.Printf("start\n");
    EXPECT_EQ(log.text(), "fsize: 12(7)\n" + name + " = %d%\nstart\n") << "length " << length;
  }
}

}  // namespace
