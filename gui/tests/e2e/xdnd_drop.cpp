// Test tool: drops files on an X window as a file manager does, playing the
// drag source of the X drag-and-drop protocol (XDND, version 5) with the
// type text/uri-list.
//
//   xdnd_drop WINDOW X Y PATH...
//
// WINDOW is the X window to drop on (decimal or 0x hex; the nearest of it and
// its ancestors that is XdndAware takes the drop), X Y the pointer's root
// position, PATH the absolute paths, sent in this order as file:// URIs with
// every byte outside the unreserved set percent-encoded (an argument holding
// "://" is sent as the URI it is). Exit status 0 when
// the target took the drop and said it finished, 1 when it refused it, 2 on a
// usage error, a missing target or no answer within 20 seconds.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr long kVersion = 5;

struct Atoms {
  Atom aware, enter, position, status, drop, finished, leave, selection, copy, uriList, targets;
  explicit Atoms(Display* d)
      : aware(XInternAtom(d, "XdndAware", False)),
        enter(XInternAtom(d, "XdndEnter", False)),
        position(XInternAtom(d, "XdndPosition", False)),
        status(XInternAtom(d, "XdndStatus", False)),
        drop(XInternAtom(d, "XdndDrop", False)),
        finished(XInternAtom(d, "XdndFinished", False)),
        leave(XInternAtom(d, "XdndLeave", False)),
        selection(XInternAtom(d, "XdndSelection", False)),
        copy(XInternAtom(d, "XdndActionCopy", False)),
        uriList(XInternAtom(d, "text/uri-list", False)),
        targets(XInternAtom(d, "TARGETS", False)) {}
};

std::string FileUri(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const unsigned char c : path) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (keep) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

bool IsAware(Display* d, Window w, const Atoms& atoms) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool found = XGetWindowProperty(d, w, atoms.aware, 0, 1, False, AnyPropertyType, &type,
                                        &format, &count, &after, &data) == Success &&
                     type != None && count > 0;
  if (data != nullptr) XFree(data);
  return found;
}

// `w` or its nearest ancestor with XdndAware; None when there is none.
Window AwareWindow(Display* d, Window w, const Atoms& atoms) {
  while (w != None) {
    if (IsAware(d, w, atoms)) return w;
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return None;
    if (children != nullptr) XFree(children);
    if (parent == root) return None;
    w = parent;
  }
  return None;
}

void Send(Display* d, Window target, Atom type, long l0, long l1, long l2, long l3, long l4) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.display = d;
  e.xclient.window = target;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  e.xclient.data.l[0] = l0;
  e.xclient.data.l[1] = l1;
  e.xclient.data.l[2] = l2;
  e.xclient.data.l[3] = l3;
  e.xclient.data.l[4] = l4;
  XSendEvent(d, target, False, NoEventMask, &e);
  XFlush(d);
}

// Answers a request for the dragged data: the URI list, or the list of types.
void AnswerSelection(Display* d, const XSelectionRequestEvent& req, const Atoms& atoms,
                     const std::string& uris) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = d;
  reply.xselection.requestor = req.requestor;
  reply.xselection.selection = req.selection;
  reply.xselection.target = req.target;
  reply.xselection.time = req.time;
  const Atom property = req.property != None ? req.property : req.target;
  reply.xselection.property = None;
  if (req.target == atoms.uriList) {
    XChangeProperty(d, req.requestor, property, atoms.uriList, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(uris.data()),
                    static_cast<int>(uris.size()));
    reply.xselection.property = property;
  } else if (req.target == atoms.targets) {
    const Atom types[] = {atoms.targets, atoms.uriList};
    XChangeProperty(d, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(types), 2);
    reply.xselection.property = property;
  }
  XSendEvent(d, req.requestor, False, NoEventMask, &reply);
  XFlush(d);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: xdnd_drop WINDOW X Y PATH...\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    std::fprintf(stderr, "xdnd_drop: cannot open the display\n");
    return 2;
  }
  const Atoms atoms(d);
  const Window target = AwareWindow(d, std::strtoul(argv[1], nullptr, 0), atoms);
  if (target == None) {
    std::fprintf(stderr, "xdnd_drop: no XdndAware window at or above %s\n", argv[1]);
    return 2;
  }
  const long x = std::strtol(argv[2], nullptr, 10);
  const long y = std::strtol(argv[3], nullptr, 10);
  std::string uris;
  for (int i = 4; i < argc; ++i) {
    // A URI of another scheme goes as it is, to see that the target skips it.
    uris +=
        (std::strstr(argv[i], "://") != nullptr ? std::string(argv[i]) : FileUri(argv[i])) + "\r\n";
  }

  const Window source = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(d, atoms.selection, source, CurrentTime);
  if (XGetSelectionOwner(d, atoms.selection) != source) {
    std::fprintf(stderr, "xdnd_drop: cannot own XdndSelection\n");
    return 2;
  }
  Send(d, target, atoms.enter, static_cast<long>(source), kVersion << 24,
       static_cast<long>(atoms.uriList), None, None);
  Send(d, target, atoms.position, static_cast<long>(source), 0, (x << 16) | (y & 0xFFFF),
       CurrentTime, static_cast<long>(atoms.copy));

  enum class Stage { AwaitStatus, AwaitFinished } stage = Stage::AwaitStatus;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (XPending(d) == 0) {
      pollfd fd{ConnectionNumber(d), POLLIN, 0};
      ::poll(&fd, 1, 100);
      continue;
    }
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == SelectionRequest) {
      AnswerSelection(d, e.xselectionrequest, atoms, uris);
    } else if (e.type == ClientMessage && e.xclient.message_type == atoms.status &&
               stage == Stage::AwaitStatus) {
      if ((e.xclient.data.l[1] & 1) == 0) {
        Send(d, target, atoms.leave, static_cast<long>(source), 0, 0, 0, 0);
        std::fprintf(stderr, "xdnd_drop: the target refused the drop\n");
        return 1;
      }
      Send(d, target, atoms.drop, static_cast<long>(source), 0, CurrentTime, 0, 0);
      stage = Stage::AwaitFinished;
    } else if (e.type == ClientMessage && e.xclient.message_type == atoms.finished &&
               stage == Stage::AwaitFinished) {
      const bool accepted = (e.xclient.data.l[1] & 1) != 0;
      if (!accepted) std::fprintf(stderr, "xdnd_drop: the target did not take the drop\n");
      XCloseDisplay(d);
      return accepted ? 0 : 1;
    }
  }
  std::fprintf(stderr, "xdnd_drop: no answer from the target\n");
  return 2;
}
