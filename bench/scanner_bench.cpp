// Scanner and whole-job throughput on the three bench models.
//
//   Scan/fast/<model>          the job's scanner over the full-size model
//   Scan/fast|reference/<model>-small  both scanners over a size the plain one finishes
//   Walk/<model>               the job's walk alone, finds discarded
//   Job/flat/<model>           the job in memory, bytes to report text: scanner, flat
//                              tables, matching, order and text; time per record
//   Job/flat|literal/<model>-small  the same, and the plain scanner with the literal tables
//   Find/<model>               FindBytes from one "model::" to the next, alone
//   Load/<model>               the job's read of that file into one block, alone
//   Extract/<model>            ExtractModelArgs on the model written to a temp file
//
// Sizes come from the environment, in KiB: QUORVEL_BENCH_TYPICAL_KIB (262144),
// QUORVEL_BENCH_HOSTILE_KIB (32768), QUORVEL_BENCH_DENSE_KIB (32768),
// QUORVEL_BENCH_SMALL_KIB (1024) and QUORVEL_BENCH_SMALL_HOSTILE_KIB (64) for
// the small models. Before measuring, the two scanners must agree on every
// small model; the program exits 1 when they do not or when a job fails.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_models.h"
#include "engine/arena.h"
#include "engine/byte_search.h"
#include "engine/fast_scanner.h"
#include "engine/file_ops.h"
#include "engine/model_buffer.h"
#include "job/extract_job.h"
#include "tests/scan_harness.h"

namespace {

std::size_t KibFromEnv(const char* name, std::size_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback * 1024;
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10)) * 1024;
}

// A model built on first use and kept for the rest of the run.
class LazyModel {
 public:
  LazyModel(std::string kind, std::size_t size) : kind_(std::move(kind)), size_(size) {}

  const tavgen::Bytes& bytes() {
    if (!built_) {
      bench::MakeModel(kind_, size_, bytes_);
      built_ = true;
    }
    return bytes_;
  }

  // The model written to a file under the temp folder, removed at exit.
  const std::string& path() {
    if (path_.empty()) {
      path_ = (std::filesystem::temp_directory_path() /
               ("quorvel-bench-" + std::to_string(::getpid()) + "-" + kind_ + ".tav"))
                  .string();
      if (!tavgen::WriteFile(path_, bytes())) path_ = "/nonexistent/quorvel-bench.tav";
    }
    return path_;
  }

  ~LazyModel() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    std::string report = path_;
    report.replace(report.size() - 4, 4, ".txt");
    std::filesystem::remove(report, ignored);
  }

 private:
  std::string kind_;
  std::size_t size_;
  tavgen::Bytes bytes_;
  bool built_ = false;
  std::string path_;
};

using Scanner = void (*)(const std::uint8_t*, std::size_t, std::int32_t, ScanState&, ArgTable&,
                         ConnectorTable&);

bool g_failed = false;

void BenchScan(benchmark::State& state, Scanner scanner, LazyModel* model) {
  const tavgen::Bytes& bytes = model->bytes();
  std::size_t records = 0;
  for (auto _ : state) {
    ScanState scan;
    ArgTable args;
    ConnectorTable connectors;
    scanner(bytes.data(), bytes.size(), 1, scan, args, connectors);
    records = args.size();
    benchmark::DoNotOptimize(records);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["records"] = static_cast<double>(records);
}

// The job's walk alone: what it finds goes to a sink that keeps nothing, so
// Job/flat minus this is what the records, their order and text cost.
class DiscardingSink final : public ScanSink {
 public:
  void Arg(std::uint16_t, const std::uint8_t*, std::size_t, std::uint16_t, NodeKind) override {
    ++records;
  }
  void Connector(std::uint16_t, const std::uint8_t*, std::size_t) override {}
  std::size_t records = 0;
};

// The occurrences of `text` in `bytes`, overlapping ones included.
std::size_t CountOccurrences(const tavgen::Bytes& bytes, std::string_view text) {
  std::size_t count = 0;
  const auto* end = bytes.data() + bytes.size();
  for (auto at = std::search(bytes.data(), end, text.begin(), text.end()); at != end;
       at = std::search(at + 1, end, text.begin(), text.end())) {
    ++count;
  }
  return count;
}

// Time per "model::" in the model (`per_prefix`) and per arg node refused
// (`per_refused`: arg type names minus records; every one on the hostile
// model).
void BenchWalk(benchmark::State& state, LazyModel* model) {
  const tavgen::Bytes& bytes = model->bytes();
  std::size_t records = 0;
  for (auto _ : state) {
    ScanState scan;
    DiscardingSink sink;
    ScanModel(bytes.data(), bytes.size(), 1, scan, sink);
    records = sink.records;
    benchmark::DoNotOptimize(records);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["found"] = static_cast<double>(records);
  const auto perItem = [](std::size_t count) {
    return benchmark::Counter(
        static_cast<double>(count),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  };
  const std::size_t prefixes = CountOccurrences(bytes, "model::");
  if (prefixes > 0) state.counters["per_prefix"] = perItem(prefixes);
  const std::size_t argNodes = CountOccurrences(bytes, "model::Arg");
  if (argNodes > records * 4) state.counters["per_refused"] = perItem(argNodes - records);
}

// The whole job in memory, from the model's bytes to its report text: the
// job's scanner into the flat tables of one arena (`flat`), or the plain
// scanner into the literal tables (`literal`). Reports the time per record.
void BenchJob(benchmark::State& state, bool flat, LazyModel* model) {
  const tavgen::Bytes& bytes = model->bytes();
  std::size_t length = 0;
  for (auto _ : state) {
    if (flat) {
      Arena arena(FileOps::Default());
      length = scan_harness::ReportText(bytes.data(), bytes.size(), ExtractOptions{0, 0, 1}, arena)
                   .size();
    } else {
      length = ReferenceReportText(bytes.data(), bytes.size(), ExtractOptions{0, 0, 1}).size();
    }
    benchmark::DoNotOptimize(length);
  }
  ScanState scan;
  ArgTable args;
  ConnectorTable connectors;
  scan_harness::ScanProductIntoTables(bytes.data(), bytes.size(), 1, scan, args, connectors);
  const auto records = static_cast<double>(args.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["records"] = records;
  if (records > 0) {
    state.counters["per_record"] = benchmark::Counter(
        records, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  }
}

void BenchFind(benchmark::State& state, LazyModel* model) {
  static constexpr ByteNeedle kPrefix("model::");
  const tavgen::Bytes& bytes = model->bytes();
  std::size_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (std::size_t at = FindBytes(bytes.data(), bytes.size(), 0, kPrefix); at < bytes.size();
         at = FindBytes(bytes.data(), bytes.size(), at + 1, kPrefix)) {
      ++hits;
    }
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["hits"] = static_cast<double>(hits);
}

// The job prints its log lines on standard output; they go to /dev/null while
// it runs so that they do not mix with the benchmark's own output.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
      ::dup2(null, 1);
      ::close(null);
    }
  }
  ~QuietStdout() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      ::dup2(saved_, 1);
      ::close(saved_);
    }
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved_ = -1;
};

void BenchExtract(benchmark::State& state, LazyModel* model) {
  const std::string& path = model->path();
  const std::size_t size = model->bytes().size();
  bool completed = true;
  {
    QuietStdout quiet;
    for (auto _ : state) {
      completed = completed && ExtractModelArgs(path.c_str(), 0, 0, 1) == ExtractResult::Completed;
    }
  }
  if (!completed) {
    g_failed = true;
    state.SkipWithError("ExtractModelArgs failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BenchLoad(benchmark::State& state, LazyModel* model) {
  const std::string& path = model->path();
  const std::size_t size = model->bytes().size();
  bool loaded = true;
  {
    QuietStdout quiet;
    for (auto _ : state) {
      ModelBuffer buffer(FileOps::Default(), JobLog::Stdout());
      loaded = loaded && buffer.Load(path.c_str());
      benchmark::DoNotOptimize(buffer.bytes());
    }
  }
  if (!loaded) {
    g_failed = true;
    state.SkipWithError("ModelBuffer::Load failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The numbers mean nothing unless the measured job is the right one.
bool ScannersAgree(const std::string& name, const tavgen::Bytes& bytes, bool expectRecords) {
  for (std::int32_t analyze : {0, 1}) {
    const scan_harness::ScanOutcome reference =
        scan_harness::RunReference(bytes.data(), bytes.size(), analyze);
    if (scan_harness::RunScanner(scan_harness::ScanProductIntoTables, bytes.data(), bytes.size(),
                                 analyze) != reference) {
      std::fprintf(stderr, "scanner_bench: product and reference scanners differ on %s\n",
                   name.c_str());
      return false;
    }
    if (expectRecords && reference.args.empty()) {
      std::fprintf(stderr, "scanner_bench: %s yields no record; the model is broken\n",
                   name.c_str());
      return false;
    }
  }
  const std::string difference = scan_harness::JobDifference(bytes.data(), bytes.size());
  if (!difference.empty()) {
    std::fprintf(stderr, "scanner_bench: product and reference reports differ on %s: %s\n",
                 name.c_str(), difference.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t small = KibFromEnv("QUORVEL_BENCH_SMALL_KIB", 1024);
  std::map<std::string, std::unique_ptr<LazyModel>> models;
  const struct {
    const char* kind;
    std::size_t full;
    std::size_t small;
    bool records;  // the hostile model has none by design
  } kinds[] = {
      {"typical", KibFromEnv("QUORVEL_BENCH_TYPICAL_KIB", 262144), small, true},
      {"hostile", KibFromEnv("QUORVEL_BENCH_HOSTILE_KIB", 32768),
       KibFromEnv("QUORVEL_BENCH_SMALL_HOSTILE_KIB", 64), false},
      {"dense", KibFromEnv("QUORVEL_BENCH_DENSE_KIB", 32768), small, true},
  };

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  for (const auto& k : kinds) {
    const std::string smallName = std::string(k.kind) + "-small";
    auto& full = models[k.kind] = std::make_unique<LazyModel>(k.kind, k.full);
    auto& reduced = models[smallName] = std::make_unique<LazyModel>(k.kind, k.small);
    if (!ScannersAgree(smallName, reduced->bytes(), k.records)) return 1;
    LazyModel* f = full.get();
    LazyModel* r = reduced.get();
    benchmark::RegisterBenchmark(("Scan/fast/" + std::string(k.kind)).c_str(), BenchScan,
                                 scan_harness::ScanProductIntoTables, f)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Scan/fast/" + smallName).c_str(), BenchScan,
                                 scan_harness::ScanProductIntoTables, r)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Scan/reference/" + smallName).c_str(), BenchScan,
                                 scan_harness::TableScanner(ScanModelReference), r)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Walk/" + std::string(k.kind)).c_str(), BenchWalk, f)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Job/flat/" + std::string(k.kind)).c_str(), BenchJob, true, f)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Job/flat/" + smallName).c_str(), BenchJob, true, r)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Job/literal/" + smallName).c_str(), BenchJob, false, r)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Find/" + std::string(k.kind)).c_str(), BenchFind, f)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Load/" + std::string(k.kind)).c_str(), BenchLoad, f)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Extract/" + std::string(k.kind)).c_str(), BenchExtract, f)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return g_failed ? 1 : 0;
}
