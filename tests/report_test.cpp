// Connector matching, ordering, the report text, the path rule and the
// status line.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/records.h"
#include "report/connector_match.h"
#include "report/ordering.h"
#include "report/report_file.h"
#include "report/status_line.h"
#include "tests/test_support.h"

namespace {

constexpr auto R = NodeKind::Rotation;
constexpr auto V = NodeKind::Visibility;
constexpr auto A = NodeKind::Animation;
constexpr auto P = NodeKind::Position;

using testing_support::ReportHeader;

ArgTable WorkedExampleTable() {
  ArgTable table;
  AddArgRecord(table, MakeArgRecord(6, "canopy", 38, R));
  AddArgRecord(table, MakeArgRecord(2, "flap_l", 4, R));
  AddArgRecord(table, MakeArgRecord(3, "gear_door", 0, A));
  AddArgRecord(table, MakeArgRecord(5, "nav_light", 49, V));
  AddArgRecord(table, MakeArgRecord(4, "pylon_1", 12, P));
  return table;
}

ConnectorTable WorkedExampleConnectors() {
  ConnectorTable connectors;
  AddConnector(connectors, 4, {"pylon_1", 4});
  AddConnector(connectors, 6, {"canopy_handle", 6});
  AddConnector(connectors, 9, {"hook", 9});
  return connectors;
}

TEST(Report, WorkedExampleWithAndWithoutConnectors) {
  for (int sortByName : {0, 1}) {
    ArgTable table = WorkedExampleTable();
    ArgList list;
    const int matched = MatchConnectors(table, WorkedExampleConnectors(), list);
    EXPECT_EQ(matched, 2);
    OrderArgList(list, sortByName);
    EXPECT_EQ(FormatArgReport(1, list, matched, 3),
              ReportHeader(2, 3) +
                  "flap_l = 4 ( Rotation Node ) [ - ]\n"
                  "gear_door = 0 ( Animation Node ) [ - ]\n"
                  "pylon_1 = 12 ( Position Node ) [ pylon_1 ]\n"
                  "nav_light = 49 ( Visibility Node ) [ - ]\n"
                  "canopy = 38 ( Rotation Node ) [ canopy_handle ]\n");
  }
  ArgTable table = WorkedExampleTable();
  ArgList list;
  EXPECT_EQ(MatchConnectors(table, {}, list), 0);
  OrderArgList(list, 0);
  EXPECT_EQ(FormatArgReport(0, list, 0, 0), ReportHeader(0, 0) +
                                                "flap_l = 4 ( Rotation Node )\n"
                                                "gear_door = 0 ( Animation Node )\n"
                                                "pylon_1 = 12 ( Position Node )\n"
                                                "nav_light = 49 ( Visibility Node )\n"
                                                "canopy = 38 ( Rotation Node )\n");
}

TEST(Report, LinesPrintBytesAndNumbersVerbatim) {
  ArgList list;
  list.push_back(MakeArgRecord(0, "100%s_%d", 65535, V));
  list.push_back(MakeArgRecord(0, "zero", 0, NodeKind::AnimatedBone));
  list.back().hasConnector = 1;
  list.back().connectorName = "";
  EXPECT_EQ(FormatArgReport(1, list, 1, 1), ReportHeader(1, 1) +
                                                "100%s_%d = 65535 ( Visibility Node ) [ - ]\n"
                                                "zero = 0 ( Animated Bone ) [  ]\n");
  EXPECT_EQ(FormatArgReport(0, {}, 0, 0), ReportHeader(0, 0));
}

TEST(ConnectorMatch, PairsByNodeReferenceOnly) {
  ArgTable table;
  AddArgRecord(table, MakeArgRecord(7, "door", 1, R));
  AddArgRecord(table, MakeArgRecord(7, "door_lock", 2, R));
  AddArgRecord(table, MakeArgRecord(4, "pylon_1", 3, P));
  AddArgRecord(table, MakeArgRecord(0, "root", 4, P));
  ConnectorTable connectors;
  AddConnector(connectors, 7, {"hinge", 7});
  AddConnector(connectors, 5, {"pylon_1", 5});
  AddConnector(connectors, 0, {"zero", 0});
  ArgList list;
  EXPECT_EQ(MatchConnectors(table, connectors, list), 3);
  ASSERT_EQ(list.size(), 4u);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"door", "hinge"}, {"door_lock", "hinge"}, {"pylon_1", "-"}, {"root", "zero"}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(list[i].name, expected[i].first);
    EXPECT_EQ(list[i].connectorName, expected[i].second);
    EXPECT_EQ(list[i].hasConnector, expected[i].second == "-" ? 0 : 1);
  }
  // The list holds copies: sorting it leaves the table as matched.
  OrderArgList(list, 0);
  EXPECT_EQ(table.at("door").connectorName, "hinge");
  EXPECT_EQ(table.begin()->first, "door");
}

// Moving the records out of a table the caller is done with gives the same
// list and count as copying them.
TEST(ConnectorMatch, MovingMatchesCopying) {
  ArgTable copied = WorkedExampleTable();
  ArgTable moved = WorkedExampleTable();
  ArgList fromCopies;
  ArgList fromMoves;
  const ConnectorTable connectors = WorkedExampleConnectors();
  EXPECT_EQ(MatchConnectors(copied, connectors, fromCopies), 2);
  EXPECT_EQ(MatchConnectors(std::move(moved), connectors, fromMoves), 2);
  EXPECT_EQ(FormatArgReport(1, fromMoves, 2, 3), FormatArgReport(1, fromCopies, 2, 3));
}

struct OrderCase {
  const char* title;
  std::vector<ArgRecord> records;  // in name order, as matching leaves them
  int sortByName;
  std::vector<std::string> expected;
};

class Ordering : public testing::TestWithParam<OrderCase> {};

TEST_P(Ordering, FinalOrder) {
  ArgList list = GetParam().records;
  OrderArgList(list, GetParam().sortByName);
  std::vector<std::string> names;
  for (const ArgRecord& record : list) names.push_back(record.name);
  EXPECT_EQ(names, GetParam().expected);
}

ArgRecord Rec(const char* name, std::uint16_t nodeIndex, std::uint16_t arg) {
  return MakeArgRecord(nodeIndex, name, arg, R);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Ordering,
    testing::Values(OrderCase{"by_node_index_whatever_the_flag",
                              {Rec("a", 5, 1), Rec("b", 2, 9), Rec("c", 9, 0)},
                              1,
                              {"b", "a", "c"}},
                    OrderCase{"by_node_index_flag_off",
                              {Rec("a", 5, 1), Rec("b", 2, 9), Rec("c", 9, 0)},
                              0,
                              {"b", "a", "c"}},
                    OrderCase{"shared_index_by_arg",
                              {Rec("a", 0, 7), Rec("b", 0, 3), Rec("c", 0, 5)},
                              0,
                              {"b", "c", "a"}},
                    OrderCase{"shared_index_by_name",
                              {Rec("a", 0, 7), Rec("b", 0, 3), Rec("c", 0, 5)},
                              1,
                              {"a", "b", "c"}},
                    OrderCase{"unsigned_comparisons",
                              {Rec("a", 40000, 1), Rec("b", 100, 65535), Rec("c", 100, 1)},
                              0,
                              {"c", "b", "a"}},
                    OrderCase{"stable_among_equal_keys",
                              {Rec("a", 3, 2), Rec("b", 1, 2), Rec("c", 3, 1), Rec("d", 3, 2)},
                              0,
                              {"b", "c", "a", "d"}},
                    OrderCase{"stable_by_name_when_set",
                              {Rec("a", 3, 2), Rec("b", 1, 2), Rec("c", 3, 1), Rec("d", 3, 2)},
                              1,
                              {"b", "a", "c", "d"}},
                    OrderCase{"empty", {}, 0, {}}),
    [](const auto& info) { return std::string(info.param.title); });

// The one-pass order against the two stable sorts, on lists full of ties
// (few node indexes and args), with connector fields set, under both flags.
TEST(Ordering, MatchesTheTwoStableSorts) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    const std::size_t size = random() % 40;
    ArgList list;
    for (std::size_t i = 0; i < size; ++i) {
      const auto kind = static_cast<NodeKind>(1 + random() % 5);
      const std::string number = std::to_string(i);
      list.push_back(MakeArgRecord(static_cast<std::uint16_t>(random() % 4), 'n' + number,
                                   static_cast<std::uint16_t>(random() % 4), kind));
      if (random() % 2 != 0) {
        list.back().hasConnector = 1;
        list.back().connectorName = 'c' + number;
      }
    }
    for (int sortByName : {0, 1}) {
      ArgList fast = list;
      ArgList reference = list;
      OrderArgList(fast, sortByName);
      OrderArgListReference(reference, sortByName);
      ASSERT_EQ(FormatArgReport(1, fast, 0, 0), FormatArgReport(1, reference, 0, 0))
          << "round " << round << ", sortByName " << sortByName;
      for (std::size_t i = 0; i < fast.size(); ++i) {
        ASSERT_EQ(fast[i].nodeIndex, reference[i].nodeIndex) << "round " << round;
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
