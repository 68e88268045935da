// quorvel-bench-model KIND SIZE_KIB OUT: writes one bench model (typical,
// hostile or dense) of SIZE_KIB KiB to OUT, for bench/compare.sh.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_models.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: quorvel-bench-model typical|hostile|dense SIZE_KIB OUT\n");
    return 2;
  }
  const std::size_t size = static_cast<std::size_t>(std::strtoull(argv[2], nullptr, 10)) * 1024;
  tavgen::Bytes bytes;
  if (!bench::MakeModel(argv[1], size, bytes)) {
    std::fprintf(stderr, "quorvel-bench-model: unknown model kind %s\n", argv[1]);
    return 2;
  }
  if (!tavgen::WriteFile(argv[3], bytes)) {
    std::fprintf(stderr, "quorvel-bench-model: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
