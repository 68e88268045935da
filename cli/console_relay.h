// Windows only: status lines are UTF-8 bytes, which a console would show in
// its own code page. While a ConsoleRelay lives, whatever the program writes
// to standard output or standard error, where that is a console, reaches it
// through WriteConsoleW as the UTF-16 of those bytes, so it reads right in
// cmd, PowerShell and Windows Terminal whatever the console's code page. A
// stream that is a file or a pipe gets the bytes unchanged. Nothing about the
// console itself (its code page, its mode) is changed.
#ifndef QUORVEL_CLI_CONSOLE_RELAY_H_
#define QUORVEL_CLI_CONSOLE_RELAY_H_

#if defined(_WIN32)

#include <memory>

class ConsoleRelay {
 public:
  ConsoleRelay();
  // Flushes both streams and waits until everything written is shown; the
  // streams are the console again.
  ~ConsoleRelay();
  ConsoleRelay(const ConsoleRelay&) = delete;
  ConsoleRelay& operator=(const ConsoleRelay&) = delete;

  struct Stream;

 private:
  std::unique_ptr<Stream> out_;
  std::unique_ptr<Stream> err_;
};

#endif  // _WIN32

#endif  // QUORVEL_CLI_CONSOLE_RELAY_H_
