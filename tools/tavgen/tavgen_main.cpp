// tavgen: turns a model description into a TAV byte image.
// Exit codes: 0 success, 1 bad description or I/O failure, 2 usage error.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "tools/tavgen/tav_builder.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: tavgen [-o OUT] [DESC]\n"
    "  Builds a TAV image from the description DESC (standard input when DESC\n"
    "  is absent or \"-\") and writes it to OUT (standard output when absent).\n"
    "  The description language is documented in tools/tavgen/README.md.\n"
    "  -o OUT   write the image to OUT\n"
    "  --help   print this text\n";

int Usage(const std::string& problem) {
  std::cerr << "tavgen: " << problem << "\n" << kUsage;
  return 2;
}

bool ReadAll(std::istream& in, std::string& text) {
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::string outPath;
  std::string descPath;
  bool haveDesc = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (a == "-o") {
      if (i + 1 >= argc) return Usage("-o needs a file name");
      outPath = argv[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + std::string(a));
    } else if (haveDesc) {
      return Usage("more than one description given");
    } else {
      descPath = a;
      haveDesc = true;
    }
  }

  std::string description;
  if (!haveDesc || descPath == "-") {
    if (!ReadAll(std::cin, description)) {
      std::cerr << "tavgen: cannot read standard input\n";
      return 1;
    }
  } else {
    std::ifstream in(descPath, std::ios::binary);
    if (!in || !ReadAll(in, description)) {
      std::cerr << "tavgen: cannot read " << descPath << "\n";
      return 1;
    }
  }

  tavgen::Bytes image;
  std::string error;
  if (!tavgen::BuildFromDescription(description, image, error)) {
    std::cerr << "tavgen: " << (haveDesc && descPath != "-" ? descPath : std::string("<stdin>"))
              << ": " << error << "\n";
    return 1;
  }

  if (!outPath.empty()) {
    if (!tavgen::WriteFile(outPath, image)) {
      std::cerr << "tavgen: cannot write " << outPath << "\n";
      return 1;
    }
    return 0;
  }
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const std::size_t written = std::fwrite(image.data(), 1, image.size(), stdout);
  if (written != image.size() || std::fflush(stdout) != 0) {
    std::cerr << "tavgen: cannot write standard output\n";
    return 1;
  }
  return 0;
}
