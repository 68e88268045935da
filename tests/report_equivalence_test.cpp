// The product's whole job in memory against the reference's: for every
// generated model, every cut near its end and all eight option sets, the
// whole report text must be the same byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "tests/model_generator.h"
#include "tests/scan_harness.h"

namespace {

using testing_support::Bytes;
using testing_support::Kind;
using testing_support::ModelGenerator;
using testing_support::Numbered;
using testing_support::TavBuilder;

// Compares both on bytes[0, size) under every option set; reports the first
// difference and returns false.
bool SameReports(const Bytes& bytes, std::size_t size, std::uint64_t seed) {
  const std::string difference = scan_harness::JobDifference(bytes.data(), size);
  if (difference.empty()) return true;
  ADD_FAILURE() << "seed " << seed << ", cut to " << size << " of " << bytes.size() << ": "
                << difference;
  return false;
}

bool SameOnCuts(const Bytes& model, ModelGenerator& gen, std::uint64_t seed) {
  for (std::size_t cut = model.size() > 6 ? model.size() - 6 : 0; cut <= model.size(); ++cut) {
    if (!SameReports(model, cut, seed)) return false;
  }
  return model.empty() ||
         SameReports(model, static_cast<std::size_t>(gen.Below(static_cast<int>(model.size()))),
                     seed);
}

TEST(JobTextProperty, SameTextAsTheReferenceOnMixedModels) {
  for (std::uint64_t seed = 7000; seed < 8500; ++seed) {
    ModelGenerator gen(seed);
    const Bytes model = gen.Make();
    if (!SameOnCuts(model, gen, seed)) return;
  }
}

// Few names and few node numbers, many nodes: the duplicate rule, shared
// nodeIndex values (orders by arg and by name among them), connectors shared
// by several records and unnamed numbering all come up often.
TEST(JobTextProperty, SameTextUnderCrowdedNamesAndNodes) {
  for (std::uint64_t seed = 30000; seed < 30400; ++seed) {
    ModelGenerator gen(seed);
    TavBuilder b;
    b.Version();
    const int nodes = 5 + gen.Below(200);
    for (int i = 0; i < nodes; ++i) {
      if (gen.Chance(30)) b.Node();
      const Kind kind = static_cast<Kind>(1 + gen.Below(5));
      const std::string name =
          gen.Chance(15) ? "" : Numbered(gen.Chance(50) ? "n" : "N", gen.Below(12));
      b.ArgNode(kind, gen.Chance(5) ? "unnamed" : name,
                static_cast<std::uint16_t>(gen.Below(4) * 21845));
      if (gen.Chance(20)) {
        b.Connector(Numbered("c", gen.Below(5)), static_cast<std::uint16_t>(gen.Below(12)));
      }
    }
    const Bytes model = b.bytes();
    if (!SameOnCuts(model, gen, seed)) return;
  }
}

// More than 65,536 nodes: nodeIndex wraps, and records far apart share it;
// over 4,096 records out of nodeIndex order, which the counting sort orders.
TEST(JobTextProperty, SameTextWhenNodeIndexWraps) {
  TavBuilder b;
  b.Version();
  for (int i = 0; i < 70000; ++i) {
    b.Node();
    if (i % 13 == 0 || (i > 65530 && i < 65545)) {
      b.ArgNode(Kind::Rotation, Numbered("w", static_cast<std::uint64_t>(i)),
                static_cast<std::uint16_t>(i % 5));
      b.Connector(Numbered("c", static_cast<std::uint64_t>(i)), static_cast<std::uint16_t>(i + 1));
    }
  }
  const Bytes model = b.bytes();
  EXPECT_TRUE(SameReports(model, model.size(), 0));
}

}  // namespace
