#include "support/x11_display.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace {

int64_t NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1'000'000;
}

// The caption as the window system shows it: the UTF-8 _NET_WM_NAME, else WM_NAME.
std::string Caption(Display* d, Window w) {
  const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string caption;
  if (XGetWindowProperty(d, w, netName, 0, 4096, False, utf8, &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr && type == utf8) {
    caption.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    return caption;
  }
  if (data != nullptr) XFree(data);
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name != nullptr) {
    caption = name;
    XFree(name);
  }
  return caption;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

X11Display::X11Display() {
  int fds[2];
  if (pipe(fds) != 0) return;
  server_ = std::make_unique<ChildProcess>();
  const bool started = server_->start(
      "/usr/bin/Xvfb", {"-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                        "-nolisten", "tcp", "-noreset"});
  close(fds[1]);
  if (!started) {
    close(fds[0]);
    return;
  }
  pollfd p{fds[0], POLLIN, 0};
  char number[32] = {};
  if (poll(&p, 1, 10'000) > 0) {
    const ssize_t n = read(fds[0], number, sizeof number - 1);
    if (n > 0) number[n] = '\0';
  }
  close(fds[0]);
  name_ = std::string(":") + std::string(number, strcspn(number, "\n"));
  XSetErrorHandler(IgnoreErrors);
  display_ = XOpenDisplay(name_.c_str());
}

X11Display::~X11Display() {
  if (display_ != nullptr) XCloseDisplay(display_);
  if (server_) {
    server_->signal(SIGTERM);
    server_->wait(5000);
  }
}

std::vector<Window> X11Display::windowsNamed(const std::string& caption) {
  std::vector<Window> found;
  if (display_ == nullptr) return found;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  XSync(display_, False);
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
    return found;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, children[i], &a) || a.map_state != IsViewable) continue;
    if (Caption(display_, children[i]) == caption) found.push_back(children[i]);
  }
  if (children != nullptr) XFree(children);
  return found;
}

Window X11Display::waitForWindow(const std::string& caption, int timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  do {
    const std::vector<Window> w = windowsNamed(caption);
    if (!w.empty()) return w.front();
    usleep(50'000);
  } while (NowMs() < deadline);
  return 0;
}

bool X11Display::waitUntilGone(const std::string& caption, int timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  do {
    if (windowsNamed(caption).empty()) return true;
    usleep(50'000);
  } while (NowMs() < deadline);
  return false;
}

bool X11Display::pressKeys(Window window, const std::string& keys) {
  ChildProcess xdotool;
  if (!xdotool.start("/usr/bin/xdotool",
                     {"windowfocus", "--sync", std::to_string(window), "key", "--delay", "50",
                      keys},
                     {environment()}))
    return false;
  return xdotool.wait(10'000) && xdotool.exitCode() == 0;
}

void X11Display::closeWindow(Window window) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &e);
  XFlush(display_);
}

bool X11Display::screenshot(const std::string& path) {
  ChildProcess import;
  return import.start("/usr/bin/import", {"-window", "root", path}, {environment()}) &&
         import.wait(20'000) && import.exitCode() == 0;
}
