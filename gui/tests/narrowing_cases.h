// Cases of the path narrowing and of the UTF-8 conversion calls under it,
// written once for two test programs: the headless dialog tests (the class
// library's emulated calls) and the Windows tests (the real calls, under
// Wine or Windows), so that the emulated layer is held to Windows' rules.
#ifndef QUORVEL_GUI_TESTS_NARROWING_CASES_H_
#define QUORVEL_GUI_TESTS_NARROWING_CASES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace narrowing_cases {

inline constexpr std::uint32_t kNoTranslation = 1113;  // ERROR_NO_UNICODE_TRANSLATION

struct PathCase {
  const char* name;
  std::wstring wide;
  std::string narrow;       // when error is 0
  std::uint32_t error = 0;  // the GetLastError of a failed narrowing
};

// What the one narrowing makes of a path. The valid ones are UTF-8 on every
// platform; each unpaired surrogate fails on every platform (the escapes
// U+DC80..U+DCFF of the Linux code page are kept out of the table).
inline std::vector<PathCase> PathCases() {
  return {
      {"Empty", L"", ""},
      {"Ascii", L"C:\\m\\Cockpit.tav", "C:\\m\\Cockpit.tav"},
      {"Cyrillic", L"m\\\u0418\u0432\u0430\u043d\\\u041a\u0430\u0431\u0438\u043d\u0430.tav",
       "m\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\\\xD0\x9A\xD0\xB0\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0.tav"},
      {"BestFitIsNeverTaken", L"\u0141\u00f3d\u017a.tav",
       "\xC5\x81\xC3\xB3"
       "d\xC5\xBA.tav"},
      {"Greek", L"\u03b1\u03b5\u03c1\u03bf.tav", "\xCE\xB1\xCE\xB5\xCF\x81\xCE\xBF.tav"},
      {"Cjk", L"\u6a21\u578b.tav", "\xE6\xA8\xA1\xE5\x9E\x8B.tav"},
      {"OutsideTheBmp", L"\U00020000\U0001F600.tav", "\xF0\xA0\x80\x80\xF0\x9F\x98\x80.tav"},
      {"CombiningMarks", L"e\u0301\u0327.tav", "e\xCC\x81\xCC\xA7.tav"},
      {"LongText", std::wstring(40000, L'\u00e9'),
       [] {
         std::string s;
         for (int i = 0; i < 40000; ++i) s += "\xC3\xA9";
         return s;
       }()},
      {"WidestCharacters", std::wstring(3000, L'\u20ac'),
       [] {
         std::string s;
         for (int i = 0; i < 3000; ++i) s += "\xE2\x82\xAC";
         return s;
       }()},
      {"UnpairedHighSurrogate", std::wstring(L"m\\") + wchar_t(0xD800) + L".tav", "",
       kNoTranslation},
      {"UnpairedLowSurrogate", std::wstring(L"m\\") + wchar_t(0xDC00) + L".tav", "",
       kNoTranslation},
      {"HighSurrogateAtTheEnd", std::wstring(L"a") + wchar_t(0xDBFF), "", kNoTranslation},
  };
}

// WideCharToMultiByte(CP_UTF8, flags, ...) itself, on UTF-16 systems.
struct CallCase {
  const char* name;
  std::wstring wide;
  std::uint32_t flags;
  std::string narrow;
  std::uint32_t error = 0;
};

inline std::vector<CallCase> Utf8CallCases() {
  return {
      {"LoneSurrogateBecomesReplacement", std::wstring(L"a") + wchar_t(0xD800) + L"b", 0,
       "a\xEF\xBF\xBD"
       "b"},
      {"LoneSurrogateFailsWhenAskedTo", std::wstring(L"a") + wchar_t(0xD800) + L"b", 0x80, "",
       kNoTranslation},
      {"PairIsOneCharacter", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, 0x80,
       "\xF0\x9F\x98\x80"},
  };
}

}  // namespace narrowing_cases

#endif  // QUORVEL_GUI_TESTS_NARROWING_CASES_H_
