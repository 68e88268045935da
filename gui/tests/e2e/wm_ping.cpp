// Test tool: asks an X client whether it is alive as a window manager does,
// with _NET_WM_PING every 50 ms, and measures how long it leaves the
// questions unanswered.
//   wm_ping WINDOW_ID
// Runs until standard input ends, then prints
//   longest_gap_ms=N pings=P answered=A
// where N is the longest time any ping waited for its answer (a ping still
// unanswered at the end counts until then). Exit status 1 when the display or
// the window cannot be used, 2 on a usage error.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

long Millis(Clock::duration d) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wm_ping WINDOW_ID\n");
    return 2;
  }
  const Window target = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "wm_ping: cannot open the display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
  // The answer is sent to the root window for whoever watches its children.
  XSelectInput(display, root, SubstructureNotifyMask);
  XFlush(display);

  std::map<long, Clock::time_point> waiting;  // ping number -> when it was sent
  long sent = 0, answered = 0, longest = 0;
  long serial = 1;
  Clock::time_point next = Clock::now();
  bool input_open = true;
  while (input_open) {
    const Clock::time_point now = Clock::now();
    if (now >= next) {
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = target;
      event.xclient.message_type = protocols;
      event.xclient.format = 32;
      event.xclient.data.l[0] = static_cast<long>(ping);
      event.xclient.data.l[1] = serial;  // stands for the time stamp; echoed back
      event.xclient.data.l[2] = static_cast<long>(target);
      if (XSendEvent(display, target, False, NoEventMask, &event) == 0) {
        std::fprintf(stderr, "wm_ping: cannot send to window 0x%lx\n", target);
        return 1;
      }
      XFlush(display);
      waiting[serial++] = now;
      ++sent;
      next = now + std::chrono::milliseconds(50);
    }
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != ClientMessage || event.xclient.message_type != protocols ||
          static_cast<Atom>(event.xclient.data.l[0]) != ping) {
        continue;
      }
      auto it = waiting.find(event.xclient.data.l[1]);
      if (it == waiting.end()) continue;
      longest = std::max(longest, Millis(Clock::now() - it->second));
      waiting.erase(it);
      ++answered;
    }
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    const long wait = Millis(next - Clock::now());
    if (poll(fds, 2, static_cast<int>(wait > 0 ? wait : 0)) > 0 && fds[1].revents != 0) {
      char buffer[64];
      if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) input_open = false;
    }
  }
  // The last questions get the time any other had to be answered.
  const Clock::time_point grace = Clock::now() + std::chrono::milliseconds(300);
  while (!waiting.empty() && Clock::now() < grace) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != ClientMessage || event.xclient.message_type != protocols ||
          static_cast<Atom>(event.xclient.data.l[0]) != ping) {
        continue;
      }
      auto it = waiting.find(event.xclient.data.l[1]);
      if (it == waiting.end()) continue;
      longest = std::max(longest, Millis(Clock::now() - it->second));
      waiting.erase(it);
      ++answered;
    }
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, 20);
  }
  for (const auto& [number, when] : waiting) {
    longest = std::max(longest, Millis(Clock::now() - when));
  }
  std::printf("longest_gap_ms=%ld pings=%ld answered=%ld\n", longest, sent, answered);
  XCloseDisplay(display);
  return 0;
}
