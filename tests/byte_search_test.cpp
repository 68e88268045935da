// FindBytes and ByteCursor in every implementation this processor runs,
// against a plain search, on buffers whose last byte ends their allocation
// (so that the sanitizer build catches any read past the end).
#include "engine/byte_search.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kNeedles[] = {
    "model::"sv, "__VERSION__"sv,        "\xF0\x3F"sv,
    "\0"sv,      "\x01\0\0\0"sv,         "\0\x01\0\0\0"sv,
    "m"sv,       "\0\0\0\0\x01\0\0\0"sv, "\x02\0\0\0\0\0\0\0"sv,
};

std::size_t PlainFind(const std::vector<std::uint8_t>& bytes, std::size_t from,
                      std::string_view needle) {
  const std::size_t size = bytes.size();
  for (std::size_t s = from; s < size && needle.size() <= size - s; ++s) {
    if (std::string_view(reinterpret_cast<const char*>(bytes.data()) + s, needle.size()) ==
        needle) {
      return s;
    }
  }
  return size;
}

// Bytes drawn from the needles' own, so that candidates and near misses abound.
std::vector<std::uint8_t> RandomBytes(std::mt19937& random, std::size_t size) {
  static constexpr std::string_view kAlphabet = "model::\0\x01\x02\xF0\x3F_VERSION"sv;
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(kAlphabet[random() % kAlphabet.size()]);
  // Plant whole needles now and then.
  for (std::size_t i = 0; size > 12 && i < size / 40; ++i) {
    const std::string_view needle = kNeedles[random() % std::size(kNeedles)];
    const std::size_t at = random() % (size - needle.size() + 1);
    for (std::size_t j = 0; j < needle.size(); ++j) {
      bytes[at + j] = static_cast<std::uint8_t>(needle[j]);
    }
  }
  return bytes;
}

std::vector<SearchImpl> Impls() {
  std::vector<SearchImpl> impls;
  for (SearchImpl impl : {SearchImpl::Portable, SearchImpl::Sse2, SearchImpl::Avx2}) {
    if (SearchImplSupported(impl)) impls.push_back(impl);
  }
  return impls;
}

TEST(ByteSearch, EveryImplAgreesWithAPlainSearch) {
  std::mt19937 random(7);
  for (const std::size_t size :
       {0, 1, 2, 6, 7, 11, 63, 64, 65, 70, 127, 128, 129, 191, 192, 200, 255, 256, 1000}) {
    for (int round = 0; round < 4; ++round) {
      const std::vector<std::uint8_t> bytes = RandomBytes(random, size);
      for (const std::string_view text : kNeedles) {
        const ByteNeedle needle(text);
        for (const SearchImpl impl : Impls()) {
          for (std::size_t from = 0; from <= size + 1; ++from) {
            ASSERT_EQ(FindBytesWith(impl, bytes.data(), size, from, needle),
                      PlainFind(bytes, from, text))
                << "impl " << static_cast<int>(impl) << " size " << size << " from " << from
                << " needle " << testing::PrintToString(std::string(text));
          }
        }
      }
    }
  }
}

// A cursor asked from growing positions, and now and then from behind.
TEST(ByteSearch, CursorAnswersLikeFindFromAnyPosition) {
  std::mt19937 random(11);
  for (const std::size_t size : {5, 64, 127, 128, 191, 300, 5000}) {
    const std::vector<std::uint8_t> bytes = RandomBytes(random, size);
    for (const std::string_view text : kNeedles) {
      for (const SearchImpl impl : Impls()) {
        ByteCursor cursor(impl, bytes.data(), size, ByteNeedle(text));
        std::size_t pos = 0;
        for (int query = 0; query < 400 && pos <= size; ++query) {
          std::size_t at = cursor.From(pos);
          ASSERT_EQ(at, PlainFind(bytes, pos, text)) << "size " << size << " pos " << pos;
          // A run of Next calls walks on from each answer.
          for (int next = random() % 4; next > 0 && at < size; --next) {
            const std::size_t after = at + 1;
            at = cursor.Next();
            ASSERT_EQ(at, PlainFind(bytes, after, text))
                << "size " << size << " next after " << after - 1;
            pos = after;
          }
          // Passing over the occurrences at even positions: the first at an
          // odd one, and the count of those passed.
          if (at < size && random() % 2 == 0) {
            std::size_t expected = PlainFind(bytes, at + 1, text);
            std::size_t evens = 0;
            for (; expected < size && expected % 2 == 0; ++evens)
              expected = PlainFind(bytes, expected + 1, text);
            std::size_t passed = 0;
            const std::size_t from = at;
            at = cursor.NextNotPassed([](std::size_t s) { return s % 2 == 0; }, passed);
            ASSERT_EQ(at, expected) << "size " << size << " passing from " << from;
            ASSERT_EQ(passed, evens) << "size " << size << " passing from " << from;
            if (at < size) pos = at + 1;
          }
          pos = random() % 8 == 0 ? random() % (size + 1) : pos + 1 + random() % 40;
        }
      }
    }
  }
}

TEST(ByteSearch, NeedleTestsItsRarestBytes) {
  struct Case {
    std::string_view text;
    std::size_t first, second;
  };
  for (const Case& c :
       {Case{"model::"sv, 0, 6}, Case{"\x01\0\0\0"sv, 0, 3}, Case{"\0\0\0\0\x01\0\0\0"sv, 4, 7},
        Case{"\0"sv, 0, 0}, Case{"\0\x01\0\x02\0"sv, 1, 3}, Case{"\0\0"sv, 0, 1}}) {
    const ByteNeedle needle(c.text);
    EXPECT_EQ(needle.first(), c.first) << testing::PrintToString(std::string(c.text));
    EXPECT_EQ(needle.second(), c.second) << testing::PrintToString(std::string(c.text));
  }
}

TEST(ByteSearch, EmptyNeedleFindsNothing) {
  const std::vector<std::uint8_t> bytes(10, 0);
  EXPECT_EQ(FindBytes(bytes.data(), bytes.size(), 0, ByteNeedle(""sv)), bytes.size());
}

}  // namespace
