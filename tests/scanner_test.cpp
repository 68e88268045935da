// The node and connector scanners over hand-laid and generated images. Every
// case runs the plain reference and the product's scanner and expects them
// to give the same tables and counters, and the product's whole job the same
// text as the reference's under every option set.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/records.h"
#include "engine/scan_state.h"
#include "tests/scan_harness.h"
#include "tools/tavgen/tav_builder.h"

namespace {

using tavgen::ArgNodeLayout;
using tavgen::Kind;
using tavgen::TavBuilder;

struct Found {
  std::string name;
  std::uint16_t nodeIndex;
  std::uint16_t arg;
  NodeKind kind;
  bool operator==(const Found&) const = default;
};

void PrintTo(const Found& f, std::ostream* os) {
  *os << f.name << ":" << f.nodeIndex << "," << f.arg << "," << static_cast<int>(f.kind);
}

struct FoundConnector {
  std::uint16_t nodeRef;
  std::string name;
  bool operator==(const FoundConnector&) const = default;
};

// A scan's outcome in the terms the cases state it in.
struct ScanView {
  std::vector<Found> records;  // in table (name) order
  std::vector<FoundConnector> connectors;
  std::int32_t nodeCounter = 0;
  std::int32_t unnamedCounter = 0;
};

ScanView View(const scan_harness::ScanOutcome& scanned) {
  ScanView outcome;
  for (const auto& [key, record] : scanned.args) {
    EXPECT_EQ(key, record.name);
    EXPECT_EQ(record.kinds.size(), 1u);
    EXPECT_EQ(record.hasConnector, 0);
    EXPECT_EQ(record.connectorName, "-");
    outcome.records.push_back({record.name, record.nodeIndex, record.arg, record.kinds.at(0)});
  }
  for (const auto& [key, connector] : scanned.connectors) {
    EXPECT_EQ(key, connector.nodeRef);
    outcome.connectors.push_back({connector.nodeRef, connector.name});
  }
  outcome.nodeCounter = scanned.state.nodeCounter;
  outcome.unnamedCounter = scanned.state.unnamedCounter;
  return outcome;
}

// Scans with the reference and every scanner under test; they must agree
// whole, and the reference's outcome is returned for the case to check.
ScanView Scan(const tavgen::Bytes& bytes, std::int32_t analyze = 0) {
  const scan_harness::ScanOutcome reference =
      scan_harness::RunReference(bytes.data(), bytes.size(), analyze);
  for (const scan_harness::NamedScanner& scanner : scan_harness::kScannersUnderTest) {
    EXPECT_EQ(scan_harness::RunScanner(scanner.scan, bytes.data(), bytes.size(), analyze),
              reference)
        << scanner.name << "\nreference: " << scan_harness::Describe(reference);
  }
  EXPECT_EQ(scan_harness::JobDifference(bytes.data(), bytes.size()), "");
  return View(reference);
}

constexpr ArgNodeLayout kNoMark{.mark = false};
constexpr ArgNodeLayout kNoPattern{.pattern = false};

tavgen::Bytes Hex(const std::string& hex) {
  return TavBuilder().Hex(hex).bytes();
}

// The 73-byte example laid by hand, byte for byte.
tavgen::Bytes DoorExample(bool withMark) {
  std::string image = "__VERSION__";
  image += std::string(4, '\0');
  image += "model::Node";
  image += std::string(4, '\0');
  image += "model::ArgRotationNode";
  image += std::string("\x05\0\0\0", 4);
  image += std::string("door\0", 5);
  image += withMark ? "\xF0\x3F" : "\x11\x22";
  image += std::string("\0\0\0\0\x01\0\0\0", 8);
  image += std::string("\x2A\0", 2);
  return tavgen::Bytes(image.begin(), image.end());
}

TEST(NodeScanner, HandLaidExample) {
  const tavgen::Bytes marked = DoorExample(true);
  ASSERT_EQ(marked.size(), 73u);
  const ScanView found = Scan(marked);
  EXPECT_EQ(found.records, (std::vector<Found>{{"door", 2, 42, NodeKind::Rotation}}));
  EXPECT_EQ(found.nodeCounter, 2);

  const ScanView refused = Scan(DoorExample(false));
  EXPECT_TRUE(refused.records.empty());
  EXPECT_EQ(refused.nodeCounter, 2);
}

// The bundled door sample is the same image, made by the generator.
TEST(NodeScanner, DoorSampleIsTheHandLaidExample) {
  std::ifstream in(QUORVEL_SAMPLES_DIR "/door.tav", std::ios::binary);
  const tavgen::Bytes sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(sample, DoorExample(true));
}

struct ScanCase {
  const char* title;
  tavgen::Bytes model;
  std::int32_t analyze;
  std::vector<Found> records;
  std::vector<FoundConnector> connectors;
  std::int32_t nodeCounter;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
  *os << c.title;
}

class ScanCases : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanCases, Tables) {
  const ScanCase& c = GetParam();
  const ScanView found = Scan(c.model, c.analyze);
  EXPECT_EQ(found.records, c.records);
  EXPECT_EQ(found.connectors, c.connectors);
  EXPECT_EQ(found.nodeCounter, c.nodeCounter);
}

std::vector<ScanCase> PatternCases() {
  constexpr auto R = NodeKind::Rotation;
  constexpr auto V = NodeKind::Visibility;
  constexpr auto A = NodeKind::Animation;
  constexpr auto P = NodeKind::Position;
  constexpr auto B = NodeKind::AnimatedBone;
  std::vector<ScanCase> cases;
  cases.push_back({"node_before_version_is_never_found",
                   TavBuilder().ArgNode(Kind::Rotation, "door", 42).Version().bytes(),
                   0,
                   {},
                   {},
                   0});
  cases.push_back({"no_version_marker_finds_nothing",
                   TavBuilder().Node().ArgNode(Kind::Rotation, "door", 42).bytes(),
                   0,
                   {},
                   {},
                   0});
  cases.push_back(
      {"every_kind_with_its_first_pattern",
       TavBuilder()
           .Version()
           .ArgNode(Kind::Rotation, "r", 1)
           .ArgNode(Kind::Visibility, "v", 2, kNoMark)
           .ArgNode(Kind::Animation, "a", 3)
           .ArgNode(Kind::Position, "p", 4)
           .ArgNode(Kind::AnimatedBone, "b", 65535)
           .bytes(),
       0,
       {{"a", 0, 3, A}, {"b", 0, 65535, B}, {"p", 0, 4, P}, {"r", 0, 1, R}, {"v", 0, 2, V}},
       {},
       0});
  cases.push_back({"later_patterns_of_visibility_and_bone",
                   TavBuilder()
                       .Version()
                       .ArgNode(Kind::Visibility, "v2", 7, {.mark = false, .patternChoice = 1})
                       .ArgNode(Kind::Visibility, "v3", 8, {.mark = false, .patternChoice = 2})
                       .ArgNode(Kind::AnimatedBone, "b2", 9, {.patternChoice = 1})
                       .bytes(),
                   0,
                   {{"b2", 0, 9, B}, {"v2", 0, 7, V}, {"v3", 0, 8, V}},
                   {},
                   0});
  cases.push_back({"mark_far_before_pattern_still_counts",
                   TavBuilder()
                       .Version()
                       .ArgNode(Kind::Position, "p", 5, {.dataBefore = 40, .dataBetween = 300})
                       .bytes(),
                   0,
                   {{"p", 0, 5, P}},
                   {},
                   0});
  // Without the mark a Rotation node is refused and the scan resumes 5 bytes
  // into its type name, so the Visibility node behind it is still found.
  cases.push_back({"refused_node_resumes_and_later_node_is_found",
                   TavBuilder()
                       .Version()
                       .ArgNode(Kind::Rotation, "r", 1, kNoMark)
                       .ArgNode(Kind::Visibility, "v", 7, kNoMark)
                       .bytes(),
                   0,
                   {{"v", 0, 7, V}},
                   {},
                   0});
  // With the mark but no pattern up to the end, the scan ends at that node.
  cases.push_back({"mark_without_pattern_ends_the_scan",
                   TavBuilder()
                       .Version()
                       .ArgNode(Kind::Visibility, "first", 3, kNoMark)
                       .ArgNode(Kind::Rotation, "r", 1, kNoPattern)
                       .ArgNode(Kind::Visibility, "v", 7, kNoMark)
                       .Connector("c", 1)
                       .bytes(),
                   1,
                   {{"first", 0, 3, V}},
                   {},
                   0});
  cases.push_back({"visibility_without_any_pattern_ends_the_scan",
                   TavBuilder()
                       .Version()
                       .ArgNode(Kind::Visibility, "v", 7, {.mark = false, .pattern = false})
                       .ArgNode(Kind::AnimatedBone, "b", 1, {.pattern = false})
                       .bytes(),
                   0,
                   {},
                   {},
                   0});
  // A pattern found at the very end with its arg bytes cut counts as none.
  {
    TavBuilder b;
    b.Version().ArgNode(Kind::Visibility, "v", 7, kNoMark);
    cases.push_back({"pattern_with_arg_at_the_very_end", b.bytes(), 0, {{"v", 0, 7, V}}, {}, 0});
    cases.push_back({"pattern_with_one_arg_byte_cut", b.Cut(b.size() - 1).bytes(), 0, {}, {}, 0});
  }
  {
    TavBuilder b;
    b.Version().ArgNode(Kind::Rotation, "r", 7, kNoMark).ArgNode(Kind::Visibility, "v", 9, kNoMark);
    cases.push_back(
        {"unmarked_rotation_with_cut_tail_resumes", b.Cut(b.size() - 1).bytes(), 0, {}, {}, 0});
  }
  cases.push_back({"type_names_cut_at_the_end_match_nothing",
                   TavBuilder().Version().Node().Text("model::ArgRotationNod").bytes(),
                   0,
                   {},
                   {},
                   2});
  return cases;
}

std::vector<ScanCase> NameCases() {
  constexpr auto V = NodeKind::Visibility;
  std::vector<ScanCase> cases;
  cases.push_back(
      {"unnamed_numbering_skips_refused_nodes",
       TavBuilder()
           .Version()
           .ArgNode(Kind::Visibility, "", 1, kNoMark)
           .ArgNode(Kind::Rotation, "", 2, kNoMark)
           .ArgNode(Kind::Visibility, "unnamed", 3, kNoMark)
           .ArgNode(Kind::Visibility, "unnamedX", 4, kNoMark)
           .ArgNode(Kind::Visibility, "\x01\x02", 5, kNoMark)
           .bytes(),
       0,
       {{"unnamed1", 0, 1, V}, {"unnamed2", 0, 3, V}, {"unnamed3", 0, 5, V}, {"unnamedX", 0, 4, V}},
       {},
       0});
  cases.push_back({"control_and_high_bytes_are_dropped",
                   TavBuilder()
                       .Version()
                       .ArgNode(Kind::Visibility,
                                "\x7f"
                                "do\x03or\x80\xff~",
                                1, kNoMark)
                       .bytes(),
                   0,
                   {{"door~", 0, 1, V}},
                   {},
                   0});
  // Printable bytes behind the name, before any NUL, belong to the name.
  cases.push_back({"name_runs_to_the_first_nul",
                   TavBuilder()
                       .Version()
                       .Text("model::ArgVisibilityNode")
                       .Hex("00 00 00 00")
                       .Text("left")
                       .Hex("03 19")
                       .Text("_gear")
                       .Hex("00 01 00 00 00 07 00")
                       .bytes(),
                   0,
                   {{"left_gear", 0, 7, V}},
                   {},
                   0});
  // A Visibility record gives way to a later record of its name.
  cases.push_back({"visibility_gives_way_to_a_later_node",
                   TavBuilder()
                       .Version()
                       .Node()
                       .ArgNode(Kind::Visibility, "flap", 7, kNoMark)
                       .ArgNode(Kind::Rotation, "flap", 3)
                       .ArgNode(Kind::Position, "flap", 9)
                       .bytes(),
                   0,
                   {{"flap", 3, 3, NodeKind::Rotation}},
                   {},
                   4});
  return cases;
}

std::vector<ScanCase> CountCases() {
  constexpr auto V = NodeKind::Visibility;
  std::vector<ScanCase> cases;
  // The first node counts once; a later one reached by a step counts twice.
  cases.push_back(
      {"later_node_counts_twice",
       TavBuilder().Version().Node().Node().ArgNode(Kind::Visibility, "v", 1, kNoMark).bytes(),
       0,
       {{"v", 4, 1, V}},
       {},
       4});
  cases.push_back({"strays_count_only_after_the_first_node",
                   TavBuilder()
                       .Version()
                       .Stray()
                       .ArgNode(Kind::Visibility, "before", 1, kNoMark)
                       .Node()
                       .Stray("model::Bone")
                       .Stray("model::ArgScaleNode")
                       .ArgNode(Kind::Visibility, "after", 2, kNoMark)
                       .bytes(),
                   0,
                   {{"after", 4, 2, V}, {"before", 0, 1, V}},
                   {},
                   4});
  // Landing directly on "model::" (after a node's 11 bytes or the marker) is
  // no step and does not count.
  cases.push_back({"strings_landed_on_directly_are_not_counted",
                   TavBuilder()
                       .Version()
                       .Text("model::Node")
                       .Text("model::Bone")
                       .Hex("00")
                       .ArgNode(Kind::Visibility, "v", 1, kNoMark)
                       .bytes(),
                   0,
                   {{"v", 2, 1, V}},
                   {},
                   2});
  // Later nodes reached by steps count twice, and one landed on directly
  // after a node's 11 bytes counts once: whether the "model::" right behind
  // a node begins a node or not.
  cases.push_back({"later_nodes_between_steps_and_landings",
                   TavBuilder()
                       .Version()
                       .Node()
                       .Stray("model::Bone")
                       .Node()
                       .Node()
                       .Text("model::Node")
                       .Text("model::Node")
                       .Text("model::Bone")
                       .Hex("00")
                       .ArgNode(Kind::Visibility, "v", 1, kNoMark)
                       .Node()
                       .Text("model::Node")
                       .bytes(),
                   0,
                   {{"v", 10, 1, V}},
                   {},
                   14});
  // The stretch an arg node's search passed over is scanned again, so a node
  // there is found and its "model::" counted.
  cases.push_back({"nodes_inside_a_search_stretch_are_rescanned",
                   TavBuilder()
                       .Version()
                       .Node()
                       .Text("model::ArgRotationNode")
                       .Hex("00 00 00 00")
                       .Text("outer")
                       .Hex("00 F0 3F")
                       .ArgNode(Kind::Visibility, "inner", 5, kNoMark)
                       .Hex("00 00 00 00 01 00 00 00 2A 00")
                       .bytes(),
                   0,
                   {{"inner", 3, 5, V}, {"outer", 2, 42, NodeKind::Rotation}},
                   {},
                   3});
  {
    TavBuilder wrap;
    wrap.Version().Node();
    for (int i = 0; i < 65536; ++i) wrap.Stray("model::X");
    wrap.ArgNode(Kind::Visibility, "wrapped", 1, kNoMark);
    cases.push_back(
        {"node_index_keeps_the_low_16_bits", wrap.bytes(), 0, {{"wrapped", 2, 1, V}}, {}, 65538});
  }
  return cases;
}

std::vector<ScanCase> ConnectorCases() {
  constexpr auto V = NodeKind::Visibility;
  std::vector<ScanCase> cases;
  const tavgen::Bytes c1 = TavBuilder()
                               .Version()
                               .Text("model::Connector")
                               .Hex("00 00 00 00 43 31 00 aa aa 02 00 00 00 00 00 00 00 0c 00")
                               .bytes();
  cases.push_back({"connector_read_when_on", c1, 1, {}, {{12, "C1"}}, 0});
  cases.push_back({"connector_ignored_when_off", c1, 0, {}, {}, 0});
  cases.push_back(
      {"first_connector_of_a_reference_wins",
       TavBuilder().Version().Connector("first", 7).Connector("second", 7).Connector("", 8).bytes(),
       1,
       {},
       {{7, "first"}, {8, ""}},
       0});
  // What lies between a connector's name and its pattern is skipped when on.
  {
    TavBuilder b;
    b.Version().Node().Text("model::Connector").Hex("00 00 00 00").Text("hinge").Hex("00");
    b.ArgNode(Kind::Visibility, "hidden", 3, kNoMark).Stray("model::Bone");
    b.Hex("02 00 00 00 00 00 00 00 05 00").ArgNode(Kind::Visibility, "after", 4, kNoMark);
    cases.push_back(
        {"stretch_skipped_when_on", b.bytes(), 1, {{"after", 3, 4, V}}, {{5, "hinge"}}, 3});
    cases.push_back({"stretch_scanned_when_off",
                     b.bytes(),
                     0,
                     {{"after", 5, 4, V}, {"hidden", 3, 3, V}},
                     {},
                     5});
  }
  {
    TavBuilder b;
    b.Version().ArgNode(Kind::Visibility, "kept", 1, kNoMark).Connector("c", 3, 0, false);
    b.ArgNode(Kind::Visibility, "behind", 2, kNoMark);
    cases.push_back(
        {"connector_without_pattern_ends_the_scan", b.bytes(), 1, {{"kept", 0, 1, V}}, {}, 0});
  }
  {
    TavBuilder b;
    b.Version().Connector("c", 3);
    cases.push_back(
        {"reference_bytes_cut_stores_nothing", b.Cut(b.size() - 1).bytes(), 1, {}, {}, 0});
  }
  return cases;
}

std::string CaseTitle(const testing::TestParamInfo<ScanCase>& info) {
  return info.param.title;
}

INSTANTIATE_TEST_SUITE_P(Patterns, ScanCases, testing::ValuesIn(PatternCases()), CaseTitle);
INSTANTIATE_TEST_SUITE_P(Names, ScanCases, testing::ValuesIn(NameCases()), CaseTitle);
INSTANTIATE_TEST_SUITE_P(Counts, ScanCases, testing::ValuesIn(CountCases()), CaseTitle);
INSTANTIATE_TEST_SUITE_P(Connectors, ScanCases, testing::ValuesIn(ConnectorCases()), CaseTitle);

TEST(NodeScanner, EmptyAndTinyBuffersReadNothingPastTheEnd) {
  for (const char* hex : {"", "5f", "5f 5f 56 45 52 53 49 4f 4e 5f"}) {
    const ScanView found = Scan(Hex(hex), 1);
    EXPECT_TRUE(found.records.empty()) << hex;
  }
  const ScanView onlyMarker = Scan(TavBuilder().Version().bytes(), 1);
  EXPECT_TRUE(onlyMarker.records.empty());
}

}  // namespace
