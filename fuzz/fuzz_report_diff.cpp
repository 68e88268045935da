// Differential target: the job's report text (its scanner into the flat
// tables of one arena) against the reference (the plain scanner, the literal
// tables, MatchConnectors, OrderArgListReference, FormatArgReport), for all
// eight option sets. The input is the model image. saveBesideExtractor
// decides only where the report goes, so its two values must give the same
// text as well.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/arena.h"
#include "engine/file_ops.h"
#include "fuzz/fuzz_check.h"
#include "report/flat_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (int options = 0; options < 8; ++options) {
    const std::int32_t sortByName = options & 1;
    const std::int32_t analyze = (options >> 1) & 1;
    Arena arena(FileOps::Default());
    const std::string want = ReferenceReportText(data, size, sortByName, analyze);
    const std::string_view got = FlatReportText(data, size, sortByName, analyze, arena);
    FUZZ_CHECK(got == want);
  }
  return 0;
}
