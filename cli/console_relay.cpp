#include "cli/console_relay.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "engine/wide_path.h"

// One stream turned into a pipe whose far end a thread reads, decodes and
// writes to the console the stream was.
struct ConsoleRelay::Stream {
  std::FILE* file = nullptr;
  int fd = -1;
  int savedFd = -1;  // the console, while the stream is the pipe
  HANDLE console = nullptr;
  HANDLE pipeRead = nullptr;
  std::thread reader;
};

namespace {

// The length of the longest prefix of `bytes` that ends on a whole UTF-8
// sequence; a sequence cut by the end of a read waits for the next one.
std::size_t WholeSequences(const std::string& bytes) {
  std::size_t end = bytes.size();
  std::size_t back = 0;
  while (back < 3 && back < end &&
         (static_cast<unsigned char>(bytes[end - 1 - back]) & 0xC0) == 0x80)
    ++back;
  if (back == end) return end;
  const auto lead = static_cast<unsigned char>(bytes[end - 1 - back]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return length > back + 1 ? end - 1 - back : end;
}

// The program writes only text narrowed by the one rule, so `bytes` is UTF-8
// but for a sequence cut by the very end of the output, which shows as
// U+FFFD.
void Show(HANDLE console, const std::string& bytes) {
  if (bytes.empty()) return;
  std::wstring wide;
  if (!WidenUtf8(bytes, wide)) wide = L"\uFFFD";
  DWORD written = 0;
  for (std::size_t at = 0; at < wide.size(); at += written) {
    if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(wide.size() - at), &written,
                       nullptr) ||
        written == 0) {
      return;
    }
  }
}

void Relay(HANDLE pipe, HANDLE console) {
  std::string pending;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(pipe, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
    pending.append(chunk, got);
    const std::size_t whole = WholeSequences(pending);
    Show(console, pending.substr(0, whole));
    pending.erase(0, whole);
  }
  Show(console, pending);  // a cut sequence at the very end
}

std::unique_ptr<ConsoleRelay::Stream> Start(std::FILE* file) {
  const int fd = _fileno(file);
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
  auto stream = std::make_unique<ConsoleRelay::Stream>();
  stream->file = file;
  stream->fd = fd;
  HANDLE pipeWrite = nullptr;
  if (!CreatePipe(&stream->pipeRead, &pipeWrite, nullptr, 0)) return nullptr;
  std::fflush(file);
  stream->savedFd = _dup(fd);
  const int writeFd = _open_osfhandle(reinterpret_cast<intptr_t>(pipeWrite), _O_WRONLY | _O_TEXT);
  if (stream->savedFd < 0 || writeFd < 0 || _dup2(writeFd, fd) != 0) {
    if (writeFd >= 0) {
      _close(writeFd);
    } else {
      CloseHandle(pipeWrite);
    }
    if (stream->savedFd >= 0) _close(stream->savedFd);
    CloseHandle(stream->pipeRead);
    return nullptr;
  }
  _close(writeFd);  // the stream's descriptor is now the only writer
  stream->console = reinterpret_cast<HANDLE>(_get_osfhandle(stream->savedFd));
  // Each write goes through at once, as it would to the console itself.
  std::setvbuf(file, nullptr, _IONBF, 0);
  stream->reader = std::thread(Relay, stream->pipeRead, stream->console);
  return stream;
}

void Stop(ConsoleRelay::Stream& stream) {
  std::fflush(stream.file);
  // Putting the console back closes the pipe's last writer: the reader sees
  // the end once it has shown everything.
  _dup2(stream.savedFd, stream.fd);
  stream.reader.join();
  _close(stream.savedFd);
  CloseHandle(stream.pipeRead);
}

}  // namespace

ConsoleRelay::ConsoleRelay() : out_(Start(stdout)), err_(Start(stderr)) {}

ConsoleRelay::~ConsoleRelay() {
  if (out_ != nullptr) Stop(*out_);
  if (err_ != nullptr) Stop(*err_);
}
