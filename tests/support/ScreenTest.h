// Shared switches for screen tests: window tests run only under the private X server that
// tests/scripts/screen_window.sh starts; no-display tests run with DISPLAY removed.
#pragma once

#include <X11/Xlib.h>
#include <allegro5/allegro.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace screen_test {

// True when the window checks were asked for (CORVANE_SCREEN_TEST=1 and a display to use).
inline bool WindowTestsEnabled() {
  const char* on = std::getenv("CORVANE_SCREEN_TEST");
  const char* display = std::getenv("DISPLAY");
  return on != nullptr && std::strcmp(on, "1") == 0 && display != nullptr && *display != '\0';
}

// Removes DISPLAY before Allegro connects to anything; false if Allegro already runs in this
// process (then the missing display cannot be simulated).
inline bool ForgetDisplay() {
  if (al_is_system_installed()) return false;
  unsetenv("DISPLAY");
  return true;
}

// Sends window `win` the message a window manager sends when its close box is clicked
// (WM_PROTOCOLS / WM_DELETE_WINDOW), through a connection of its own. Xlib is already loaded
// by Allegro, so its functions are looked up rather than linked.
inline bool SendCloseBox(XID win) {
  using OpenFn = Display* (*)(const char*);
  using AtomFn = Atom (*)(Display*, const char*, Bool);
  using SendFn = Status (*)(Display*, Window, Bool, long, XEvent*);
  using DpyFn = int (*)(Display*);
  auto open = reinterpret_cast<OpenFn>(dlsym(RTLD_DEFAULT, "XOpenDisplay"));
  auto atom = reinterpret_cast<AtomFn>(dlsym(RTLD_DEFAULT, "XInternAtom"));
  auto send = reinterpret_cast<SendFn>(dlsym(RTLD_DEFAULT, "XSendEvent"));
  auto flush = reinterpret_cast<DpyFn>(dlsym(RTLD_DEFAULT, "XFlush"));
  auto close = reinterpret_cast<DpyFn>(dlsym(RTLD_DEFAULT, "XCloseDisplay"));
  if (!open || !atom || !send || !flush || !close) return false;
  Display* dpy = open(nullptr);
  if (dpy == nullptr) return false;
  XEvent ev;
  std::memset(&ev, 0, sizeof ev);
  ev.xclient.type = ClientMessage;
  ev.xclient.window = win;
  ev.xclient.message_type = atom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(atom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  bool ok = send(dpy, win, False, NoEventMask, &ev) != 0;
  flush(dpy);
  close(dpy);
  return ok;
}

}  // namespace screen_test

#define SKIP_UNLESS_WINDOW_TESTS()                                          \
  do {                                                                      \
    if (!screen_test::WindowTestsEnabled())                                 \
      GTEST_SKIP() << "window test: run by tests/scripts/screen_window.sh"; \
  } while (0)

#define SKIP_UNLESS_NO_DISPLAY()                                                  \
  do {                                                                            \
    if (!screen_test::ForgetDisplay())                                            \
      GTEST_SKIP() << "Allegro already runs in this process; run the test alone"; \
  } while (0)
