// The product against the plain reference over many generated models: its
// scanner must leave the same tables and ScanState as the reference scanner
// for every model, every cut near its end and every analyzeConnector value,
// and its whole job the same text under all eight option sets.
//
// Each model comes from its own fixed seed; a failure prints the seed, the
// option, the cut and a hex dump, so it can be replayed by hand.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/scan_state.h"
#include "tests/model_generator.h"
#include "tests/scan_harness.h"
#include "tools/tavgen/tav_builder.h"

namespace {

using scan_harness::Describe;
using scan_harness::kScannersUnderTest;
using scan_harness::NamedScanner;
using scan_harness::RunReference;
using scan_harness::RunScanner;
using scan_harness::ScanOutcome;
using testing_support::kBiasedBytes;
using testing_support::kPatternTexts;
using testing_support::kTypeTexts;
using testing_support::ModelGenerator;
using testing_support::Numbered;

using tavgen::ArgNodeLayout;
using tavgen::Bytes;
using tavgen::Kind;
using tavgen::TavBuilder;

std::string HexDump(const Bytes& bytes, std::size_t size) {
  std::string out;
  char line[24];
  for (std::size_t i = 0; i < size; ++i) {
    if (i % 32 == 0) {
      std::snprintf(line, sizeof line, "%s%05zx:", i == 0 ? "" : "\n", i);
      out += line;
    }
    std::snprintf(line, sizeof line, " %02x", bytes[i]);
    out += line;
  }
  return out;
}

// Compares every scanner with the reference on bytes[0, size); reports and
// returns false on the first difference.
bool Agree(const Bytes& bytes, std::size_t size, std::int32_t analyze, const ScanState& start,
           std::uint64_t seed) {
  const ScanOutcome want = RunReference(bytes.data(), size, analyze, start);
  for (const NamedScanner& scanner : kScannersUnderTest) {
    const ScanOutcome got = RunScanner(scanner.scan, bytes.data(), size, analyze, start);
    if (got == want) continue;
    ADD_FAILURE() << "seed " << seed << ", analyzeConnector " << analyze << ", cut to " << size
                  << " of " << bytes.size() << " bytes, start state " << Describe(start)
                  << "\nreference: " << Describe(want) << scanner.name << ": " << Describe(got)
                  << "model:\n"
                  << HexDump(bytes, size);
    return false;
  }
  // The whole job, under all eight option sets, once per cut.
  if (analyze == 0 && start == ScanState{}) {
    const std::string difference = scan_harness::JobDifference(bytes.data(), size);
    if (!difference.empty()) {
      ADD_FAILURE() << "seed " << seed << ", cut to " << size << " of " << bytes.size() << ": "
                    << difference << "\nmodel:\n"
                    << HexDump(bytes, size);
      return false;
    }
  }
  return true;
}

// Every cut in the last bytes of the model, a few elsewhere, and the whole.
std::vector<std::size_t> Cuts(const Bytes& bytes, ModelGenerator& gen) {
  std::vector<std::size_t> cuts;
  const std::size_t tail = 10;
  for (std::size_t c = bytes.size() > tail ? bytes.size() - tail : 0; c <= bytes.size(); ++c) {
    cuts.push_back(c);
  }
  for (int i = 0; i < 2 && !bytes.empty(); ++i) {
    cuts.push_back(static_cast<std::size_t>(gen.Below(static_cast<int>(bytes.size()))));
  }
  return cuts;
}

// Checks every cut with the option off and on; any other non-zero value must
// act as on, which is checked on the whole model.
bool AgreeOnCuts(const Bytes& model, ModelGenerator& gen, const ScanState& start,
                 std::uint64_t seed) {
  if (!Agree(model, model.size(), -1, start, seed)) return false;
  for (std::size_t cut : Cuts(model, gen)) {
    for (std::int32_t analyze : {0, 1}) {
      if (!Agree(model, cut, analyze, start, seed)) return false;
    }
  }
  return true;
}

void CheckSeeds(std::uint64_t first, int count) {
  for (int n = 0; n < count; ++n) {
    const std::uint64_t seed = first + static_cast<std::uint64_t>(n);
    ModelGenerator gen(seed);
    const Bytes model = gen.Make();
    // The job always starts afresh; other start states exercise the same
    // walk from a different first position and count.
    ScanState start;
    if (gen.Chance(10)) {
      start.versionFound = gen.Below(2);
      start.nodeSeen = gen.Below(2);
      start.nodeCounter = gen.Below(70000);
      start.unnamedCounter = gen.Below(20);
    }
    if (!AgreeOnCuts(model, gen, start, seed)) return;
  }
}

TEST(FastScannerProperty, AgreesWithReferenceOnMixedModels) {
  CheckSeeds(1000, 2000);
}

// Models packed with the pattern bytes and type names alone, where every
// search stops at a near miss.
TEST(FastScannerProperty, AgreesWithReferenceOnDenseNearMisses) {
  for (std::uint64_t seed = 500000; seed < 501000; ++seed) {
    ModelGenerator gen(seed);
    TavBuilder b;
    b.Version();
    const int pieces = 1 + gen.Below(60);
    for (int i = 0; i < pieces; ++i) {
      if (gen.Chance(30)) {
        b.Text(kTypeTexts[gen.Below(static_cast<int>(kTypeTexts.size()) - 1)]);
      } else if (gen.Chance(50)) {
        b.Text(kPatternTexts[gen.Below(kPatternTexts.size())]);
      } else {
        b.Fill(1 + gen.Below(4), kBiasedBytes[gen.Below(kBiasedBytes.size())]);
      }
    }
    const Bytes model = b.bytes();
    if (!AgreeOnCuts(model, gen, ScanState{}, seed)) return;
  }
}

// The same node kinds many times over, so that remembered occurrences are
// reused across many arg nodes before one of them is finally passed.
TEST(FastScannerProperty, AgreesWithReferenceOnLongRunsOfOneKind) {
  for (std::uint64_t seed = 900000; seed < 900150; ++seed) {
    ModelGenerator gen(seed);
    TavBuilder b;
    b.Version().Node();
    const Kind kind = static_cast<Kind>(1 + gen.Below(5));
    const int nodes = 10 + gen.Below(45);
    for (int i = 0; i < nodes; ++i) {
      ArgNodeLayout layout;
      layout.mark = gen.Chance(5);
      layout.pattern = gen.Chance(5);
      layout.patternChoice = gen.Below(3);
      layout.nameNul = gen.Chance(80);
      layout.dataBefore = static_cast<std::size_t>(gen.Below(8));
      b.ArgNode(kind, gen.Chance(50) ? "" : Numbered("k", gen.Below(30)),
                static_cast<std::uint16_t>(i), layout);
      if (gen.Chance(10)) b.Node();
      if (gen.Chance(5)) b.Connector("c", static_cast<std::uint16_t>(i), 0, gen.Chance(90));
    }
    if (gen.Chance(50)) b.Mark();
    if (gen.Chance(50)) b.Text(kPatternTexts[gen.Below(kPatternTexts.size())]).U16(77);
    const Bytes model = b.bytes();
    if (!AgreeOnCuts(model, gen, ScanState{}, seed)) return;
  }
}

}  // namespace
