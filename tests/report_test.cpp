// Connector matching, ordering, the report text, the path rule and the
// status line.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/arena.h"
#include "engine/file_ops.h"
#include "engine/flat_tables.h"
#include "engine/records.h"
#include "job/status_line.h"
#include "report/connector_match.h"
#include "report/ordering.h"
#include "report/report_file.h"
#include "report/report_text.h"
#include "tests/reference/reference_report.h"
#include "tests/test_support.h"

namespace {

constexpr auto R = NodeKind::Rotation;
constexpr auto V = NodeKind::Visibility;
constexpr auto A = NodeKind::Animation;
constexpr auto P = NodeKind::Position;

using testing_support::ReportHeader;

// The product's tables of one job, filled through the scanner's interface.
struct Finds {
  Arena arena{FileOps::Default()};
  FlatTables tables{arena};

  Finds& Arg(std::uint16_t nodeIndex, std::string_view name, std::uint16_t arg, NodeKind kind) {
    tables.Arg(nodeIndex, Bytes(name), name.size(), arg, kind);
    return *this;
  }
  Finds& Connector(std::uint16_t nodeRef, std::string_view name) {
    tables.Connector(nodeRef, Bytes(name), name.size());
    return *this;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const FlatRecord& record : tables.records()) names.emplace_back(record.Name());
    return names;
  }
  // Matching, ordering and the text, one step at a time.
  std::string Report(std::int32_t sortByName, std::int32_t analyze) {
    const std::int32_t matched = MatchConnectors(tables);
    OrderArgList(tables.records(), sortByName, arena);
    return std::string(
        FormatArgReport(tables.records(), matched, tables.connectorCount(), analyze, arena));
  }

  static const std::uint8_t* Bytes(std::string_view text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
  }
};

// The README's worked example, in the order a model might hold it; the
// scanner reads connectors only when they are analysed.
void AddWorkedExample(Finds& finds, bool connectors) {
  finds.Arg(6, "canopy", 38, R).Arg(4, "pylon_1", 12, P).Arg(2, "flap_l", 4, R);
  finds.Arg(5, "nav_light", 49, V).Arg(3, "gear_door", 0, A);
  if (connectors) finds.Connector(9, "hook").Connector(4, "pylon_1").Connector(6, "canopy_handle");
}

TEST(Report, WorkedExampleWithAndWithoutConnectors) {
  const std::string lines =
      "flap_l = 4 ( Rotation Node ) [ - ]\n"
      "gear_door = 0 ( Animation Node ) [ - ]\n"
      "pylon_1 = 12 ( Position Node ) [ pylon_1 ]\n"
      "nav_light = 49 ( Visibility Node ) [ - ]\n"
      "canopy = 38 ( Rotation Node ) [ canopy_handle ]\n";
  for (std::int32_t sortByName : {0, 1}) {
    Finds finds;
    AddWorkedExample(finds, true);
    EXPECT_EQ(finds.Report(sortByName, 1), ReportHeader(2, 3) + lines);
  }
  std::string plain = lines;
  for (const char* column : {" [ - ]", " [ pylon_1 ]", " [ canopy_handle ]"}) {
    for (std::size_t at; (at = plain.find(column)) != std::string::npos;) {
      plain.erase(at, std::string_view(column).size());
    }
  }
  Finds finds;
  AddWorkedExample(finds, false);
  EXPECT_EQ(ReportFromTables(finds.tables, ExtractOptions{0, 0, 0}, finds.arena),
            ReportHeader(0, 0) + plain);
}

// Spare room takes the text only when the longest text fits there; the text
// is the same either way, and a spare too small is left untouched.
TEST(Report, SpareRoomTakesTheTextWhereItFits) {
  const std::string want = [] {
    Finds finds;
    AddWorkedExample(finds, true);
    return std::string(ReportFromTables(finds.tables, ExtractOptions{0, 0, 1}, finds.arena));
  }();
  for (const std::size_t spareSize : {std::size_t{0}, std::size_t{16}, want.size() + 4096}) {
    SCOPED_TRACE(spareSize);
    Finds finds;
    AddWorkedExample(finds, true);
    std::vector<std::uint8_t> spare(spareSize, 0xEE);
    const std::string_view text =
        ReportFromTables(finds.tables, ExtractOptions{0, 0, 1}, finds.arena, spare);
    EXPECT_EQ(text, want);
    const bool inSpare = spareSize > 0 && text.data() == reinterpret_cast<char*>(spare.data());
    EXPECT_EQ(inSpare, spareSize > want.size());
    if (!inSpare) {
      EXPECT_EQ(std::count(spare.begin(), spare.end(), 0xEE), static_cast<long>(spareSize));
    }
  }
}

TEST(Report, LinesPrintBytesAndNumbersVerbatim) {
  Finds finds;
  finds.Arg(1, "100%s_%d", 65535, V).Arg(0, "zero", 0, NodeKind::AnimatedBone).Connector(0, "");
  EXPECT_EQ(finds.Report(0, 1), ReportHeader(1, 1) +
                                    "zero = 0 ( Animated Bone ) [  ]\n"
                                    "100%s_%d = 65535 ( Visibility Node ) [ - ]\n");
  Finds none;
  EXPECT_EQ(none.Report(0, 1), ReportHeader(0, 0));
}

TEST(ConnectorMatch, PairsByNodeReferenceOnly) {
  Finds finds;
  finds.Arg(7, "door", 1, R)
      .Arg(7, "door_lock", 2, R)
      .Arg(4, "pylon_1", 3, P)
      .Arg(0, "root", 4, P)
      .Connector(7, "hinge")
      .Connector(5, "pylon_1")
      .Connector(0, "zero");
  EXPECT_EQ(MatchConnectors(finds.tables), 3);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"door", "hinge"}, {"door_lock", "hinge"}, {"pylon_1", ""}, {"root", "zero"}};
  const auto& records = finds.tables.records();
  ASSERT_EQ(records.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(records[i].Name(), expected[i].first);
    const FlatConnector* connector = records[i].connector;
    EXPECT_EQ(connector == nullptr ? "" : std::string(connector->name, connector->length),
              expected[i].second)
        << records[i].Name();
  }
}

struct Find {
  const char* name;
  std::uint16_t nodeIndex;
  std::uint16_t arg;
};

struct OrderCase {
  const char* title;
  std::vector<Find> finds;  // in walk order
  int sortByName;
  std::vector<std::string> expected;
};

class Ordering : public testing::TestWithParam<OrderCase> {};

TEST_P(Ordering, FinalOrder) {
  Finds finds;
  for (const Find& f : GetParam().finds) finds.Arg(f.nodeIndex, f.name, f.arg, R);
  OrderArgList(finds.tables.records(), GetParam().sortByName, finds.arena);
  EXPECT_EQ(finds.Names(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Ordering,
    testing::Values(
        OrderCase{"by_node_index_whatever_the_flag",
                  {{"a", 5, 1}, {"b", 2, 9}, {"c", 9, 0}},
                  1,
                  {"b", "a", "c"}},
        OrderCase{
            "by_node_index_flag_off", {{"a", 5, 1}, {"b", 2, 9}, {"c", 9, 0}}, 0, {"b", "a", "c"}},
        OrderCase{
            "shared_index_by_arg", {{"c", 0, 5}, {"a", 0, 7}, {"b", 0, 3}}, 0, {"b", "c", "a"}},
        OrderCase{
            "shared_index_by_name", {{"c", 0, 5}, {"a", 0, 7}, {"b", 0, 3}}, 1, {"a", "b", "c"}},
        // Indexes already ascending: only the runs are sorted.
        OrderCase{"runs_of_an_ordered_walk",
                  {{"b", 1, 9}, {"a", 1, 3}, {"d", 2, 0}, {"c", 2, 0}},
                  0,
                  {"a", "b", "c", "d"}},
        OrderCase{"unsigned_comparisons",
                  {{"a", 40000, 1}, {"b", 100, 65535}, {"c", 100, 1}},
                  0,
                  {"c", "b", "a"}},
        // Equal keys fall back on the name (byte-wise, a prefix first), not on
        // the walk.
        OrderCase{"equal_keys_by_name",
                  {{"d", 3, 2}, {"b", 1, 2}, {"c", 3, 1}, {"ab", 3, 2}, {"a", 3, 2}},
                  0,
                  {"b", "c", "a", "ab", "d"}},
        OrderCase{"by_name_when_set",
                  {{"d", 3, 2}, {"b", 1, 2}, {"c", 3, 1}, {"~", 3, 2}, {"a", 3, 2}},
                  1,
                  {"b", "a", "c", "d", "~"}},
        OrderCase{"empty", {}, 0, {}}),
    [](const auto& info) { return std::string(info.param.title); });

// The product's matching, order and text over its flat tables against the
// reference's over the literal tables, both fed the same finds: lists full of
// ties (few node indexes and args), repeated names, connectors, under both
// flags, short lists and lists long enough for the counting sort.
TEST(Ordering, ProductMatchesTheReferenceOverTheSameFinds) {
  std::mt19937 random(11);
  for (int round = 0; round < 340; ++round) {
    const std::size_t size = round < 300 ? random() % 40 : 4000 + random() % 20000;
    const std::uint32_t indexes = round % 3 == 0 ? 4 : 65536;
    Arena arena(FileOps::Default());
    FlatTables flat(arena);
    ArgTable args;
    ConnectorTable connectors;
    std::int32_t unnamed = 1;
    TableSink literal(args, connectors, unnamed);
    for (std::size_t i = 0; i < size; ++i) {
      const auto kind = static_cast<NodeKind>(1 + random() % 5);
      const std::string name =
          random() % 8 == 0 ? std::string() : 'n' + std::to_string(random() % (size + 1));
      const auto nodeIndex = static_cast<std::uint16_t>(random() % indexes);
      const auto arg = static_cast<std::uint16_t>(random() % 4);
      const auto ref = static_cast<std::uint16_t>(random() % indexes);
      for (ScanSink* sink : {static_cast<ScanSink*>(&flat), static_cast<ScanSink*>(&literal)}) {
        sink->Arg(nodeIndex, reinterpret_cast<const std::uint8_t*>(name.data()), name.size(), arg,
                  kind);
        if (i % 3 == 0) {
          const std::string connector = 'c' + std::to_string(i);
          sink->Connector(ref, reinterpret_cast<const std::uint8_t*>(connector.data()),
                          connector.size());
        }
      }
    }
    for (const std::int32_t sortByName : {0, 1}) {
      for (const std::int32_t analyze : {0, 1}) {
        ArgTable table = args;
        ArgList list;
        const std::int32_t matched = MatchConnectors(table, connectors, list);
        OrderArgList(list, sortByName);
        const std::string want =
            FormatArgReport(analyze, list, matched, static_cast<std::int32_t>(connectors.size()));
        FlatTables copy = flat;
        ASSERT_EQ(ReportFromTables(copy, ExtractOptions{sortByName, 0, analyze}, arena), want)
            << "round " << round << ", sortByName " << sortByName;
      }
    }
  }
}

// The two separators trade places: a case written for the backslash holds for
// the forward slash once every '\' and '/' in it are swapped.
std::string SwapSeparators(std::string text) {
  for (char& c : text) {
    if (c == '\\') {
      c = '/';
    } else if (c == '/') {
      c = '\\';
    }
  }
  return text;
}

struct PathCase {
  const char* path;  // written for the backslash as the separator
  int saveBeside;
  const char* base;
};

TEST(ReportBaseName, PathRuleForEitherSeparator) {
  const PathCase cases[] = {
      {"D:\\models\\cockpit.mk2.tav", 0, "D:\\models\\cockpit.mk2"},
      {"D:\\models\\cockpit.mk2.tav", 1, "cockpit.mk2"},
      {"D:\\models\\cockpit", 0, "D:\\models\\cockpit"},
      {"D:\\my.models\\cockpit", 0, "D:\\my.models\\cockpit"},  // a folder's dot is no extension
      {"v1.2\\door", 0, "v1.2\\door"},
      {"v1.2\\door.tav", 0, "v1.2\\door"},
      {"\\.tav", 0, "\\"},
      {"D:\\my.models\\cockpit", 1, "cockpit"},
      {"cockpit.tav", 0, "cockpit"},
      {"cockpit.tav", 1, "cockpit"},
      {"D:/models/cockpit.tav", 1, "D:/models/cockpit"},  // the other separator is a plain byte
      {"D:/models\\cockpit.tav", 1, "cockpit"},
      {"D:\\models/cockpit.tav", 1, "models/cockpit"},
      {"\\cockpit.tav", 1, "\\cockpit"},  // a separator at position 0 does not count
      {"\\cockpit.tav", 0, "\\cockpit"},
      {"\\\\server\\share\\a.b.c", 1, "a.b"},
      {"D:\\models\\.tav", 1, ""},
      {"", 0, ""},
      {"", 1, ""},
      {"noext", 1, "noext"},
      {"trailing\\", 1, ""},
      {"a.b\\", 1, ""},
      {"a.b\\c", 1, "c"},  // the dot before the start is no dot
      {"a.b\\c", 0, "a.b\\c"},
      {"a.b\\", 0, "a.b\\"},
      {"D:/my.models/cockpit", 0, "D:/my"},  // the other separator is a plain byte
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(ReportBaseName(c.path, c.saveBeside, '\\'), c.base) << c.path << " " << c.saveBeside;
    const std::string path = SwapSeparators(c.path);
    EXPECT_EQ(ReportBaseName(path, c.saveBeside, '/'), SwapSeparators(c.base))
        << path << " " << c.saveBeside;
  }
}

struct StatusCase {
  std::string path;  // written for the backslash as the separator
  ExtractResult result;
  std::string name;  // the expected name; the dots and the word follow it
};

TEST(StatusLine, NameDotsAndWordForEitherSeparator) {
  const std::string sixty(60, 'N');
  const std::string lowered(60, 'n');
  const StatusCase cases[] = {
      {"D:\\models\\CrateBig.tav", ExtractResult::Completed, "cratebig.tav"},
      {"D:\\models\\PLANEA.TAV", ExtractResult::Failed, "planea.tav"},
      {"C:/models/Crate.tav", ExtractResult::Completed, "c:/models/crate.tav"},
      {"\\Root.tav", ExtractResult::Completed, "root.tav"},  // here position 0 counts
      {"\xC3\x89T\xC3\x89.tav", ExtractResult::Completed, "\xC3\x89t\xC3\x89.tav"},
      {"x\\" + sixty, ExtractResult::Failed, lowered},  // 60 bytes: no dots
      {sixty + "X", ExtractResult::Failed, lowered + "x"},
      {"dir\\", ExtractResult::Failed, ""},
  };
  for (const StatusCase& c : cases) {
    const std::string word = c.result == ExtractResult::Completed ? "completed" : "failed";
    const std::size_t n = c.name.size();
    const std::string line = c.name + std::string(n < 60 ? 60 - n : 0, '.') + word;
    EXPECT_EQ(StatusLine(c.path, c.result, '\\'), line) << c.path;
    EXPECT_EQ(StatusLine(SwapSeparators(c.path), c.result, '/'), SwapSeparators(line)) << c.path;
  }
  EXPECT_EQ(StatusLine("D:\\models\\CrateBig.tav", ExtractResult::Completed, '\\').size(), 69u);
}

// The build's own separator is the platform's, and both functions use it
// unless told otherwise; the other character is an ordinary byte.
TEST(PathSeparator, ThePlatformsOwnByDefault) {
#ifdef _WIN32
  EXPECT_EQ(kPathSeparator, '\\');
  const std::string path = "C:\\Users\\a/b\\Cockpit.mk2.tav";
#else
  EXPECT_EQ(kPathSeparator, '/');
  const std::string path = "/home/a\\b/Cockpit.mk2.tav";
#endif
  EXPECT_EQ(ReportBaseName(path, 1), "Cockpit.mk2");
  EXPECT_EQ(ReportBaseName(path, 0), path.substr(0, path.size() - 4));
  EXPECT_EQ(StatusLine(path, ExtractResult::Completed),
            "cockpit.mk2.tav" + std::string(45, '.') + "completed");
}

}  // namespace
