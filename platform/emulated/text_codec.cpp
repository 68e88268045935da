// Two code pages. The thread's (CP_ACP, CP_THREAD_ACP) is the file system's
// bytes, read as UTF-8: file names need not be valid UTF-8, so widening keeps
// every byte that is not part of a valid sequence as U+DC80..U+DCFF (one code
// unit per byte), and narrowing turns those back into the byte. Any narrow
// string therefore survives widening and narrowing unchanged; narrowing fails
// only for wide text that no narrow text produces (other surrogates, values
// past U+10FFFF). It takes no flags.
// CP_UTF8 follows Windows' own rules: strict UTF-8, where an unpaired
// surrogate (narrowing) or a byte that starts no valid sequence (widening)
// becomes U+FFFD, or fails the call with ERROR_NO_UNICODE_TRANSLATION under
// WC_ERR_INVALID_CHARS or MB_ERR_INVALID_CHARS, the only flags it takes.
// Where wchar_t has 16 bits (Windows) wide text is UTF-16: a character past
// U+FFFF is a surrogate pair, and only an unpaired surrogate is an escape or
// an error.
#include <cwchar>
#include <string>

#include "platform/win_types.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

bool IsNarrowCodePage(UINT cp) {
  return cp == CP_ACP || cp == CP_THREAD_ACP || cp == CP_UTF8;
}

constexpr char32_t kEscapeBase = 0xDC00;
constexpr bool kUtf16 = sizeof(wchar_t) == 2;

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// The character at wide[i], consuming a surrogate pair as one in UTF-16.
char32_t NextChar(const wchar_t* wide, std::size_t count, std::size_t& i) {
  const auto c = static_cast<char32_t>(wide[i++]);
  if (!kUtf16 || !IsHighSurrogate(c) || i >= count) return c;
  const auto low = static_cast<char32_t>(wide[i]);
  if (!IsLowSurrogate(low)) return c;
  ++i;
  return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
}

void AppendChar(char32_t c, std::wstring& out) {
  if (kUtf16 && c >= 0x10000) {
    out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(c));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalar(char32_t c) {
  return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

bool EncodeOne(char32_t c, std::string& out, bool escapes) {
  if (escapes && c >= 0xDC80 && c <= 0xDCFF) {
    out.push_back(static_cast<char>(c - kEscapeBase));
  } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    return false;
  } else if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  return true;
}

// Decodes one strict UTF-8 sequence at `s` (of `n` bytes); returns its length,
// or 0 when the first byte does not start a valid sequence.
int DecodeOne(const unsigned char* s, std::size_t n, char32_t& c) {
  const unsigned char b = s[0];
  int len = 0;
  char32_t min = 0;
  if (b < 0x80) {
    c = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    len = 2, c = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, c = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, c = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (n < static_cast<std::size_t>(len)) return 0;
  for (int i = 1; i < len; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (s[i] & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

DWORD GetLastError() {
  return t_lastError;
}

void SetLastError(DWORD error) {
  t_lastError = error;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, int wideCount,
                        char* narrow, int narrowSize, const char* defaultChar,
                        LPBOOL usedDefaultChar) {
  if (!IsNarrowCodePage(codePage) || wide == nullptr || wideCount == 0 || wideCount < -1 ||
      narrowSize < 0 || (narrowSize > 0 && narrow == nullptr) || defaultChar != nullptr ||
      usedDefaultChar != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const bool utf8 = codePage == CP_UTF8;
  if ((flags & ~(utf8 ? WC_ERR_INVALID_CHARS : 0)) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
  const std::size_t count =
      wideCount == -1 ? std::wcslen(wide) + 1 : static_cast<std::size_t>(wideCount);
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count;) {
    char32_t c = NextChar(wide, count, i);
    if (utf8 && !IsScalar(c) && !strict) c = kReplacement;
    if (!EncodeOne(c, out, !utf8)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
  }
  const int needed = static_cast<int>(out.size());
  if (narrowSize == 0) return needed;
  if (needed > narrowSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  out.copy(narrow, out.size());
  return needed;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* narrow, int narrowCount,
                        wchar_t* wide, int wideSize) {
  if (!IsNarrowCodePage(codePage) || narrow == nullptr || narrowCount == 0 || narrowCount < -1 ||
      wideSize < 0 || (wideSize > 0 && wide == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const bool utf8 = codePage == CP_UTF8;
  if ((flags & ~(utf8 ? MB_ERR_INVALID_CHARS : 0)) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  const auto* s = reinterpret_cast<const unsigned char*>(narrow);
  const std::size_t count = narrowCount == -1 ? std::char_traits<char>::length(narrow) + 1
                                              : static_cast<std::size_t>(narrowCount);
  std::wstring out;
  out.reserve(count);
  for (std::size_t i = 0; i < count;) {
    char32_t c = 0;
    const int len = DecodeOne(s + i, count - i, c);
    if (len == 0) {
      if (utf8 && strict) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      out.push_back(static_cast<wchar_t>(utf8 ? kReplacement : kEscapeBase + s[i]));
      ++i;
    } else {
      AppendChar(c, out);
      i += static_cast<std::size_t>(len);
    }
  }
  const int needed = static_cast<int>(out.size());
  if (wideSize == 0) return needed;
  if (needed > wideSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  out.copy(wide, out.size());
  return needed;
}
