// Table rules: duplicate names, duplicate node references, key order; in
// the product's flat tables and in the reference's literal ones alike.
#include "engine/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/arena.h"
#include "engine/file_ops.h"
#include "engine/flat_tables.h"
#include "tests/reference/literal_tables.h"

namespace {

struct Node {
  NodeKind kind;
  std::uint16_t arg;
  std::uint16_t nodeIndex;
};

struct DuplicateCase {
  const char* title;
  std::vector<Node> nodes;  // all under one name, in scan order
  Node expected;
};

class DuplicateNames : public testing::TestWithParam<DuplicateCase> {};

TEST_P(DuplicateNames, StoredRecordFollowsTheRule) {
  ArgTable table;
  for (const Node& node : GetParam().nodes) {
    AddArgRecord(table, MakeArgRecord(node.nodeIndex, "flap", node.arg, node.kind));
  }
  ASSERT_EQ(table.size(), 1u);
  const ArgRecord& stored = table.at("flap");
  const Node& expected = GetParam().expected;

  Arena arena(FileOps::Default());
  FlatTables flat(arena);
  for (const Node& node : GetParam().nodes) {
    flat.Arg(node.nodeIndex,
             reinterpret_cast<const std::uint8_t*>("fl\x01"
                                                   "ap"),
             5, node.arg, node.kind);
  }
  ASSERT_EQ(flat.records().size(), 1u);
  const FlatRecord& record = flat.records()[0];
  EXPECT_EQ(record.Name(), "flap");
  EXPECT_EQ(record.kind, expected.kind);
  EXPECT_EQ(record.arg, expected.arg);
  EXPECT_EQ(record.nodeIndex, expected.nodeIndex);

  EXPECT_EQ(stored.name, "flap");
  ASSERT_EQ(stored.kinds.size(), 1u);
  EXPECT_EQ(stored.kinds[0], expected.kind);
  EXPECT_EQ(stored.arg, expected.arg);
  EXPECT_EQ(stored.nodeIndex, expected.nodeIndex);
  EXPECT_EQ(stored.hasConnector, 0);
  EXPECT_EQ(stored.connectorName, "-");
}

constexpr auto R = NodeKind::Rotation;
constexpr auto V = NodeKind::Visibility;
constexpr auto P = NodeKind::Position;
constexpr auto B = NodeKind::AnimatedBone;

INSTANTIATE_TEST_SUITE_P(
    Rule, DuplicateNames,
    testing::Values(
        DuplicateCase{"rotation_first_keeps_its_values", {{R, 3, 1}, {V, 7, 2}}, {R, 3, 1}},
        DuplicateCase{"visibility_first_takes_the_later", {{V, 7, 1}, {R, 3, 2}}, {R, 3, 2}},
        DuplicateCase{
            "last_of_visibilities_then_position", {{V, 1, 1}, {V, 2, 2}, {P, 3, 3}}, {P, 3, 3}},
        DuplicateCase{"position_first_never_changes", {{P, 3, 1}, {V, 1, 2}, {V, 2, 3}}, {P, 3, 1}},
        DuplicateCase{
            "takeover_then_frozen", {{V, 1, 1}, {B, 2, 2}, {V, 9, 3}, {R, 8, 4}}, {B, 2, 2}},
        DuplicateCase{
            "visibilities_only_keep_the_last", {{V, 1, 1}, {V, 2, 2}, {V, 3, 3}}, {V, 3, 3}}),
    [](const auto& info) { return std::string(info.param.title); });

// Names whose hashes collide (FNV-1a: "costarring" and "liquid", "altarage"
// and "zinke") stay apart, and the duplicate rule holds for each of them as
// in the literal table.
TEST(FlatTables, CollidingNamesFollowTheRuleApart) {
  struct Find {
    const char* name;
    NodeKind kind;
    std::uint16_t arg;
  };
  const Find finds[] = {{"liquid", V, 1},     {"costarring", R, 2}, {"liquid", B, 3},
                        {"costarring", V, 4}, {"zinke", V, 5},      {"altarage", P, 6},
                        {"zinke", V, 7},      {"liquid", R, 8},     {"altarage", V, 9}};
  Arena arena(FileOps::Default());
  FlatTables flat(arena);
  ArgTable table;
  std::uint16_t nodeIndex = 0;
  for (const Find& f : finds) {
    ++nodeIndex;
    flat.Arg(nodeIndex, reinterpret_cast<const std::uint8_t*>(f.name), std::strlen(f.name), f.arg,
             f.kind);
    AddArgRecord(table, MakeArgRecord(nodeIndex, f.name, f.arg, f.kind));
  }
  ASSERT_EQ(flat.records().size(), table.size());
  std::vector<std::string_view> firstFound;
  for (const FlatRecord& r : flat.records()) {
    firstFound.push_back(r.Name());
    const ArgRecord& want = table.at(std::string(r.Name()));
    EXPECT_EQ(r.kind, want.kinds[0]) << want.name;
    EXPECT_EQ(r.arg, want.arg) << want.name;
    EXPECT_EQ(r.nodeIndex, want.nodeIndex) << want.name;
  }
  EXPECT_EQ(firstFound,
            (std::vector<std::string_view>{"liquid", "costarring", "zinke", "altarage"}));
  EXPECT_EQ(table.at("liquid").arg, 3);  // Visibility gave way to AnimatedBone, which stays
  EXPECT_EQ(table.at("zinke").arg, 7);   // Visibility after Visibility: the last one
}

TEST(ArgTable, KeysAscendByteWiseAsUnsigned) {
  ArgTable table;
  for (const char* name : {"abc", "Abc", "Ab", "\xE9t\xE9", "zz", "A"}) {
    AddArgRecord(table, MakeArgRecord(0, name, 0, V));
  }
  std::vector<std::string> order;
  for (const auto& entry : table) order.push_back(entry.first);
  EXPECT_EQ(order, (std::vector<std::string>{"A", "Ab", "Abc", "abc", "zz", "\xE9t\xE9"}));
}

TEST(ConnectorTable, FirstConnectorOfAReferenceWins) {
  ConnectorTable table;
  AddConnector(table, 12, {"first", 12});
  AddConnector(table, 12, {"second", 12});
  AddConnector(table, 3, {"", 3});
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.at(12).name, "first");
  EXPECT_EQ(table.at(3).name, "");
  EXPECT_EQ(table.begin()->first, 3);

  Arena arena(FileOps::Default());
  FlatTables flat(arena);
  const auto add = [&](std::uint16_t ref, std::string_view name) {
    flat.Connector(ref, reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
  };
  add(12, "fir\x7Fst");
  add(12, "second");
  add(3, "");
  EXPECT_EQ(flat.connectorCount(), 2);
  ASSERT_NE(flat.ConnectorFor(12), nullptr);
  EXPECT_EQ(std::string_view(flat.ConnectorFor(12)->name, flat.ConnectorFor(12)->length), "first");
  ASSERT_NE(flat.ConnectorFor(3), nullptr);
  EXPECT_EQ(flat.ConnectorFor(3)->length, 0u);
  EXPECT_EQ(flat.ConnectorFor(4), nullptr);
}

// Unnamed objects are numbered in the order their records are made, from 1,
// whether the name was empty, had no printable byte or read "unnamed"; names
// that only begin with "unnamed" keep their bytes.
TEST(FlatTables, UnnamedObjectsAreNumberedInOrder) {
  Arena arena(FileOps::Default());
  FlatTables flat(arena);
  for (const std::string_view name :
       {std::string_view(""), std::string_view("\x01\x80"), std::string_view("unnamed"),
        std::string_view("unnamed7"), std::string_view("un\tnamed")}) {
    flat.Arg(0, reinterpret_cast<const std::uint8_t*>(name.data()), name.size(), 1,
             NodeKind::Rotation);
  }
  std::vector<std::string_view> names;
  for (const FlatRecord& r : flat.records()) names.push_back(r.Name());
  EXPECT_EQ(names, (std::vector<std::string_view>{"unnamed1", "unnamed2", "unnamed3", "unnamed7",
                                                  "unnamed4"}));
}

TEST(NodeKindLabels, SlotsAreFixedWidthAndOrdered) {
  const char* expected[] = {"Rotation Node", "Visibility Node", "Animation Node", "Position Node",
                            "Animated Bone"};
  for (int kind = 1; kind <= kNodeKindCount; ++kind) {
    EXPECT_STREQ(NodeKindLabel(static_cast<NodeKind>(kind)), expected[kind - 1]);
    EXPECT_EQ(NodeKindLabels[kind - 1][kNodeKindLabelSize - 1], '\0');
  }
  EXPECT_STREQ(NodeKindLabel(NodeKind::none), "");
  EXPECT_STREQ(NodeKindLabel(static_cast<NodeKind>(6)), "");
}

}  // namespace
