// The fast scanner against the plain reference over many generated models:
// both must leave the same ArgTable, ConnectorTable and ScanState for every
// model, every cut near its end and every analyzeConnector value.
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

#include "engine/fast_scanner.h"
#include "engine/node_scanner.h"
#include "engine/records.h"
#include "engine/scan_state.h"
#include "tests/model_generator.h"
#include "tools/tavgen/tav_builder.h"

namespace {

using testing_support::kBiasedBytes;
using testing_support::kPatternTexts;
using testing_support::kTypeTexts;
using testing_support::ModelGenerator;
using testing_support::Numbered;

using tavgen::ArgNodeLayout;
using tavgen::Bytes;
using tavgen::Kind;
using tavgen::TavBuilder;

using Scanner = void (*)(const std::uint8_t*, std::size_t, std::int32_t, ScanState&, ArgTable&,
                         ConnectorTable&);

struct Outcome {
  ScanState state;
  ArgTable args;
  ConnectorTable connectors;
};

Outcome Run(Scanner scanner, const Bytes& bytes, std::size_t size, std::int32_t analyze,
            const ScanState& start) {
  Outcome out;
  out.state = start;
  scanner(bytes.data(), size, analyze, out.state, out.args, out.connectors);
  return out;
}

std::string Describe(const ScanState& s) {
  std::ostringstream os;
  os << "versionFound=" << s.versionFound << " nodeSeen=" << s.nodeSeen
     << " nodeCounter=" << s.nodeCounter << " unnamedCounter=" << s.unnamedCounter;
  return os.str();
}

std::string Describe(const ArgTable& args) {
  std::ostringstream os;
  for (const auto& [key, r] : args) {
    os << "  [" << key << "] name=" << r.name << " node=" << r.nodeIndex << " arg=" << r.arg
       << " kinds=";
    for (NodeKind k : r.kinds) os << static_cast<int>(k) << ",";
    os << " conn=" << r.hasConnector << "/" << r.connectorName << "\n";
  }
  return os.str();
}

std::string Describe(const ConnectorTable& connectors) {
  std::ostringstream os;
  for (const auto& [key, c] : connectors)
    os << "  [" << key << "] " << c.name << "/" << c.nodeRef << "\n";
  return os.str();
}

bool SameState(const ScanState& a, const ScanState& b) {
  return a.versionFound == b.versionFound && a.nodeSeen == b.nodeSeen &&
         a.nodeCounter == b.nodeCounter && a.unnamedCounter == b.unnamedCounter;
}

bool SameArgs(const ArgTable& a, const ArgTable& b) {
  if (a.size() != b.size()) return false;
  for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
    const ArgRecord& x = i->second;
    const ArgRecord& y = j->second;
    if (i->first != j->first || x.nodeIndex != y.nodeIndex || x.name != y.name || x.arg != y.arg ||
        x.kinds != y.kinds || x.hasConnector != y.hasConnector ||
        x.connectorName != y.connectorName) {
      return false;
    }
  }
  return true;
}

bool SameConnectors(const ConnectorTable& a, const ConnectorTable& b) {
  if (a.size() != b.size()) return false;
  for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
    if (i->first != j->first || i->second.name != j->second.name ||
        i->second.nodeRef != j->second.nodeRef) {
      return false;
    }
  }
  return true;
}

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

// Compares both scanners on bytes[0, size); reports and returns false on the
// first difference.
bool Agree(const Bytes& bytes, std::size_t size, std::int32_t analyze, const ScanState& start,
           std::uint64_t seed) {
  const Outcome want = Run(ScanModelReference, bytes, size, analyze, start);
  const Outcome got = Run(ScanModelFast, bytes, size, analyze, start);
  if (SameState(got.state, want.state) && SameArgs(got.args, want.args) &&
      SameConnectors(got.connectors, want.connectors)) {
    return true;
  }
  ADD_FAILURE() << "seed " << seed << ", analyzeConnector " << analyze << ", cut to " << size
                << " of " << bytes.size() << " bytes, start state " << Describe(start)
                << "\nreference: " << Describe(want.state) << "\n"
                << Describe(want.args) << Describe(want.connectors)
                << "fast:      " << Describe(got.state) << "\n"
                << Describe(got.args) << Describe(got.connectors) << "model:\n"
                << HexDump(bytes, size);
  return false;
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
