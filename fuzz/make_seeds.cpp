// Writes the seed corpora of the fuzz targets from model descriptions and a
// list of paths, so that no binary seed is kept in the source tree.
//
//   make_seeds OUTDIR PATHS DESC...
//
// For every description D: OUTDIR/scan_diff/D and OUTDIR/report_diff/D (the image) and
// OUTDIR/report/D-N for N in 0..3 (the option byte N, then the image). For
// every line of PATHS: OUTDIR/base_name/path-K holding that line's bytes, with
// the escapes \\ and \xNN. Exit status 0, or 1 with a message.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/tavgen/tav_builder.h"

namespace {

namespace fs = std::filesystem;

bool ReadText(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return static_cast<bool>(in);
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "\\" is one backslash and "\xNN" one byte; every other byte stands for itself.
tavgen::Bytes Unescape(const std::string& line) {
  tavgen::Bytes out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
      out.push_back('\\');
      ++i;
    } else if (line[i] == '\\' && i + 3 < line.size() && line[i + 1] == 'x' &&
               Hex(line[i + 2]) >= 0 && Hex(line[i + 3]) >= 0) {
      out.push_back(static_cast<std::uint8_t>(Hex(line[i + 2]) * 16 + Hex(line[i + 3])));
      i += 3;
    } else {
      out.push_back(static_cast<std::uint8_t>(line[i]));
    }
  }
  return out;
}

bool Fail(const std::string& message) {
  std::cerr << "make_seeds: " << message << "\n";
  return false;
}

bool Write(const fs::path& path, const tavgen::Bytes& bytes) {
  return tavgen::WriteFile(path.string(), bytes) || Fail("cannot write " + path.string());
}

bool ModelSeeds(const fs::path& out, const fs::path& desc) {
  std::string text;
  if (!ReadText(desc, text)) return Fail("cannot read " + desc.string());
  tavgen::Bytes image;
  std::string error;
  if (!tavgen::BuildFromDescription(text, image, error)) {
    return Fail(desc.string() + ": " + error);
  }
  const std::string stem = desc.stem().string();
  if (!Write(out / "scan_diff" / stem, image)) return false;
  if (!Write(out / "report_diff" / stem, image)) return false;
  for (std::uint8_t options = 0; options < 4; ++options) {
    tavgen::Bytes seed{options};
    seed.insert(seed.end(), image.begin(), image.end());
    if (!Write(out / "report" / (stem + "-" + std::to_string(options)), seed)) return false;
  }
  return true;
}

bool PathSeeds(const fs::path& out, const fs::path& list) {
  std::string text;
  if (!ReadText(list, text)) return Fail("cannot read " + list.string());
  std::istringstream lines(text);
  std::string line;
  for (int k = 0; std::getline(lines, line); ++k) {
    if (!Write(out / "base_name" / ("path-" + std::to_string(k)), Unescape(line))) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: make_seeds OUTDIR PATHS DESC...\n";
    return 2;
  }
  const fs::path out = argv[1];
  std::error_code error;
  for (const char* dir : {"scan_diff", "report_diff", "report", "base_name"}) {
    fs::remove_all(out / dir, error);
    fs::create_directories(out / dir, error);
    if (error) return Fail("cannot create " + (out / dir).string()) ? 0 : 1;
  }
  if (!PathSeeds(out, argv[2])) return 1;
  for (int i = 3; i < argc; ++i) {
    if (!ModelSeeds(out, argv[i])) return 1;
  }
  return 0;
}
