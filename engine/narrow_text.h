// Wide text (a path chosen in the open dialog, a command-line argument) made
// into the narrow text the engine opens, and narrow text made wide again. One
// rule each way for every layer, written once over whichever spelling of the
// conversion calls the caller has: <windows.h>'s or the class library's
// win_types.h.
//
// Windows: narrow text is UTF-8, converted with WC_ERR_INVALID_CHARS and
// MB_ERR_INVALID_CHARS, so no character is ever substituted or best-fitted; a
// name that is not valid UTF-16 (an unpaired surrogate, which NTFS allows)
// fails to narrow, and bytes that are not UTF-8 fail to widen. The engine
// widens its paths back for every file-system call (engine/wide_path.h).
// Elsewhere: the thread's code page, which is the file system's own bytes.
#ifndef QUORVEL_ENGINE_NARROW_TEXT_H_
#define QUORVEL_ENGINE_NARROW_TEXT_H_

#include <climits>
#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

#ifdef _WIN32
inline constexpr unsigned kNarrowCodePage = 65001;   // CP_UTF8
inline constexpr std::uint32_t kNarrowFlags = 0x80;  // WC_ERR_INVALID_CHARS
inline constexpr std::uint32_t kWidenFlags = 0x8;    // MB_ERR_INVALID_CHARS
#else
inline constexpr unsigned kNarrowCodePage = 3;  // CP_THREAD_ACP
inline constexpr std::uint32_t kNarrowFlags = 0;
inline constexpr std::uint32_t kWidenFlags = 0;
#endif

inline constexpr std::uint32_t kNarrowSuccess = 0;               // ERROR_SUCCESS
inline constexpr std::uint32_t kNarrowInvalidData = 13;          // ERROR_INVALID_DATA
inline constexpr std::uint32_t kNarrowInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
inline constexpr std::uint32_t kNarrowArithmeticOverflow = 534;  // ERROR_ARITHMETIC_OVERFLOW

// Converts `wide` with its terminator: first into a buffer of four bytes per
// wide character (UTF-8 never needs more) and, should the conversion still
// report ERROR_INSUFFICIENT_BUFFER, into one of the size it asks for.
// `convert(wide, wideCount, narrow, narrowSize)` is WideCharToMultiByte with
// kNarrowCodePage, kNarrowFlags and no default character; `lastError()` is
// GetLastError. Returns 0 with `narrow` set to the text up to its first NUL,
// or the error (never 0) with `narrow` unchanged.
template <class Convert, class LastError>
std::uint32_t NarrowWith(Convert convert, LastError lastError, const wchar_t* wide,
                         std::string& narrow) {
  // A failing conversion that left no error code still has to read as failure.
  const auto failure = [&] {
    const auto error = static_cast<std::uint32_t>(lastError());
    return error != kNarrowSuccess ? error : kNarrowInvalidData;
  };
  if (wide == nullptr) wide = L"";
  const std::size_t count = std::wcslen(wide) + 1;
  if (count > static_cast<std::size_t>(INT_MAX / 4)) return kNarrowArithmeticOverflow;
  const int wideCount = static_cast<int>(count);

  std::vector<char> buffer(count * 4);
  int written = convert(wide, wideCount, buffer.data(), static_cast<int>(buffer.size()));
  if (written <= 0) {
    const std::uint32_t error = failure();
    if (error != kNarrowInsufficientBuffer) return error;
    const int needed = convert(wide, wideCount, nullptr, 0);
    if (needed <= 0) return failure();
    buffer.assign(static_cast<std::size_t>(needed), '\0');
    written = convert(wide, wideCount, buffer.data(), needed);
    if (written <= 0) return failure();
  }
  std::size_t length = 0;
  while (length < static_cast<std::size_t>(written) && buffer[length] != '\0') ++length;
  narrow.assign(buffer.data(), length);
  return kNarrowSuccess;
}

// NarrowWith over the calls themselves: `wideCharToMultiByte` and
// `getLastError` are WideCharToMultiByte and GetLastError.
template <class WideCharToMultiByteCall, class GetLastErrorCall>
std::uint32_t NarrowBy(WideCharToMultiByteCall wideCharToMultiByte, GetLastErrorCall getLastError,
                       const wchar_t* wide, std::string& narrow) {
  return NarrowWith(
      [&](const wchar_t* text, int count, char* out, int outSize) {
        return wideCharToMultiByte(kNarrowCodePage, kNarrowFlags, text, count, out, outSize,
                                   nullptr, nullptr);
      },
      getLastError, wide, narrow);
}

// `narrow` widened by the reverse rule: `multiByteToWideChar` is
// MultiByteToWideChar, called with kNarrowCodePage and kWidenFlags. True with
// `wide` set; false with `wide` unchanged when `narrow` is not text of the
// code page (on Windows, not UTF-8) or is too long to convert.
template <class MultiByteToWideCharCall>
bool WidenBy(MultiByteToWideCharCall multiByteToWideChar, std::string_view narrow,
             std::wstring& wide) {
  if (narrow.empty()) {
    wide.clear();
    return true;
  }
  if (narrow.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const int count = static_cast<int>(narrow.size());
  const int needed =
      multiByteToWideChar(kNarrowCodePage, kWidenFlags, narrow.data(), count, nullptr, 0);
  if (needed <= 0) return false;
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  if (multiByteToWideChar(kNarrowCodePage, kWidenFlags, narrow.data(), count, out.data(), needed) !=
      needed) {
    return false;
  }
  wide = std::move(out);
  return true;
}

}  // namespace qv

#endif  // QUORVEL_ENGINE_NARROW_TEXT_H_
