// The program as a desktop user meets it: the built vidlumen binary, started twice with and
// without a session bus, typed into and closed, its windows looked up in the X server's
// window list and its clipboard handed to a clipboard manager.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/share/SharePanel.hpp"
#include "app/share/SharePanelTestHarness.hpp"

// Xlib after every glibmm, gdkmm and gtkmm header: its macros clash with their names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(30);

// Turns until the condition holds or the time is up; true when it held.
template <typename Condition>
bool waitUntil(Condition condition, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// A child process that is killed when it outlives its test, or the test program.
class Child {
 public:
  // argv[0] is the program; env replaces the environment. Both are prepared before the
  // fork: between fork and exec only async-signal-safe calls are made.
  // extraFd, when given, is handed to the child as descriptor extraAs.
  Child(std::vector<std::string> argv, std::vector<std::string> env,
        int stdinFd = -1, int stdoutFd = -1, int extraFd = -1, int extraAs = -1) {
    std::vector<char*> args, envp;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      if (stdinFd >= 0) dup2(stdinFd, STDIN_FILENO);
      if (stdoutFd >= 0) dup2(stdoutFd, STDOUT_FILENO);
      if (extraFd >= 0) dup2(extraFd, extraAs);
      execve(args[0], args.data(), envp.data());
      _exit(127);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (!exitStatus_ && pid_ > 0) {
      kill(pid_, SIGTERM);
      if (!waitForExit(std::chrono::seconds(5))) {
        kill(pid_, SIGKILL);
        waitForExit(std::chrono::seconds(5));
      }
    }
  }

  pid_t pid() const { return pid_; }
  bool running() {
    poll();
    return pid_ > 0 && !exitStatus_;
  }
  // The exit status once the process ended (-1 for a signal), waiting at most timeout.
  std::optional<int> waitForExit(Clock::duration timeout) {
    waitUntil([&] { return !running(); }, timeout);
    return exitStatus_;
  }

 private:
  void poll() {
    if (pid_ <= 0 || exitStatus_) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }

  pid_t pid_ = -1;
  std::optional<int> exitStatus_;
};

// The environment of this process without the given variables, plus the given settings.
std::vector<std::string> environmentWith(const std::vector<std::string>& settings) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    const bool replaced = std::any_of(settings.begin(), settings.end(), [&](const auto& s) {
      return s.compare(0, name.size() + 1, name + "=") == 0;
    });
    if (!replaced && name != "DBUS_SESSION_BUS_ADDRESS") env.push_back(entry);
  }
  env.insert(env.end(), settings.begin(), settings.end());
  return env;
}

// A session bus of its own, run by dbus-run-session for as long as this object lives: the
// session's one command prints the bus address and waits for its input to close, which
// happens here or, should this program die, by the kernel.
class SessionBus {
 public:
  SessionBus() {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0) {
      close(in[0]);
      close(in[1]);
      return;
    }
    child_.emplace(
        std::vector<std::string>{"/usr/bin/dbus-run-session", "--", "/bin/sh", "-c",
                                 "printf '%s\\n' \"$DBUS_SESSION_BUS_ADDRESS\"; read _"},
        environmentWith({}), in[0], out[1]);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    // The address line, waited for at most kStartTimeout.
    const auto deadline = Clock::now() + kStartTimeout;
    char buffer[512];
    while (address_.find('\n') == std::string::npos && Clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      address_.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (const auto end = address_.find('\n'); end != std::string::npos) {
      address_.resize(end);
    } else {
      address_.clear();
    }
  }
  ~SessionBus() {
    if (input_ >= 0) close(input_);  // the session ends and takes its bus daemon along
    if (child_) child_->waitForExit(std::chrono::seconds(10));
  }
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;

  const std::string& address() const { return address_; }

 private:
  std::optional<Child> child_;
  int input_ = -1;
  std::string address_;
};

// A top-level window as the X server lists it.
struct ListedWindow {
  Window id;
  std::string title;
  long pid;
};

std::string windowTitle(Display* display, Window window) {
  const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format,
                         &count, &remaining, &data) == Success &&
      data) {
    if (type == utf8 && format == 8) title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return title;
}

long windowPid(Display* display, Window window) {
  const Atom netPid = XInternAtom(display, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(display, window, netPid, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &remaining, &data) == Success &&
      data) {
    if (format == 32 && count == 1) pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
  }
  return pid;
}

// The root's children from bottom to top of the stacking order.
std::vector<Window> stackingOrder(Display* display) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<Window> order;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    order.assign(children, children + count);
    if (children) XFree(children);
  }
  return order;
}

// The viewable top-level windows whose title starts like the panel's.
std::vector<ListedWindow> visiblePanels(Display* display) {
  std::vector<ListedWindow> panels;
  for (const Window window : stackingOrder(display)) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        attributes.map_state != IsViewable) {
      continue;
    }
    std::string title = windowTitle(display, window);
    if (title.rfind(sharePanelTitlePrefix, 0) == 0) {
      panels.push_back({window, std::move(title), windowPid(display, window)});
    }
  }
  return panels;
}

// An X server of its own with the openbox window manager, for as long as this object lives.
class DesktopWithOpenbox {
 public:
  DesktopWithOpenbox() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    // Xvfb writes its display number to the given descriptor once it is ready.
    const int numberFd = 3;
    server_.emplace(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd",
                                             std::to_string(numberFd), "-screen", "0",
                                             "1024x768x24", "-nolisten", "tcp"},
                    environmentWith({}), -1, -1, fds[1], numberFd);
    close(fds[1]);
    std::string number;
    const auto deadline = Clock::now() + kStartTimeout;
    char buffer[32];
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
      pollfd p{fds[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) return;
    name_ = ":" + number.substr(0, number.find('\n'));
    display_ = XOpenDisplay(name_.c_str());
    if (!display_) return;
    windowManager_.emplace(std::vector<std::string>{"/usr/bin/openbox"},
                           environmentWith({"DISPLAY=" + name_}));
    // openbox announces itself on the root window once it manages the screen.
    const Atom check = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
    waitUntil([&] { return rootProperty(check); }, kStartTimeout);
  }
  ~DesktopWithOpenbox() {
    windowManager_.reset();
    if (display_) XCloseDisplay(display_);
    server_.reset();
  }
  DesktopWithOpenbox(const DesktopWithOpenbox&) = delete;
  DesktopWithOpenbox& operator=(const DesktopWithOpenbox&) = delete;

  Display* display() const { return display_; }
  const std::string& name() const { return name_; }

 private:
  bool rootProperty(Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const bool present = XGetWindowProperty(display_, DefaultRootWindow(display_), property, 0,
                                            1, False, AnyPropertyType, &type, &format, &count,
                                            &remaining, &data) == Success &&
                         data && count > 0;
    if (data) XFree(data);
    return present;
  }

  std::optional<Child> server_;
  std::optional<Child> windowManager_;
  std::string name_;
  Display* display_ = nullptr;
};

// The window manager's state of a top-level window (NormalState, IconicState), or
// WithdrawnState when it has none.
long wmState(Display* display, Window window) {
  const Atom wmStateAtom = XInternAtom(display, "WM_STATE", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  long state = WithdrawnState;
  if (XGetWindowProperty(display, window, wmStateAtom, 0, 2, False, wmStateAtom, &type,
                         &format, &count, &remaining, &data) == Success &&
      data) {
    if (format == 32 && count >= 1) state = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
  }
  return state;
}

// The panel among the windows a window manager manages (_NET_CLIENT_LIST), or None.
Window managedPanel(Display* display) {
  const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  Window panel = None;
  if (XGetWindowProperty(display, DefaultRootWindow(display), clientList, 0, 1024, False,
                         XA_WINDOW, &type, &format, &count, &remaining, &data) == Success &&
      data) {
    const auto* clients = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count && format == 32; ++i) {
      if (windowTitle(display, clients[i]).rfind(sharePanelTitlePrefix, 0) == 0) {
        panel = clients[i];
      }
    }
    XFree(data);
  }
  return panel;
}

// Where a top-level window lies on the screen and how large it is.
struct Placement {
  int x = 0, y = 0;
  unsigned width = 0, height = 0;
  bool operator==(const Placement&) const = default;
};

Placement placementOf(Display* display, Window window) {
  Placement p;
  Window root = None, child = None;
  int x = 0, y = 0;
  unsigned border = 0, depth = 0;
  if (XGetGeometry(display, window, &root, &x, &y, &p.width, &p.height, &border, &depth)) {
    XTranslateCoordinates(display, window, root, 0, 0, &p.x, &p.y, &child);
  }
  return p;
}

std::ostream& operator<<(std::ostream& out, const Placement& p) {
  return out << p.width << "x" << p.height << "+" << p.x << "+" << p.y;
}

// The names of the window manager's states of a window (_NET_WM_STATE).
std::vector<std::string> netWMState(Display* display, Window window) {
  const Atom stateAtom = XInternAtom(display, "_NET_WM_STATE", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::vector<std::string> names;
  if (XGetWindowProperty(display, window, stateAtom, 0, 64, False, XA_ATOM, &type, &format,
                         &count, &remaining, &data) == Success &&
      data) {
    const auto* atoms = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count && format == 32; ++i) {
      if (char* name = XGetAtomName(display, atoms[i])) {
        names.emplace_back(name);
        XFree(name);
      }
    }
    XFree(data);
  }
  return names;
}

// Asks the window manager to add states to a window, as a pager or a key binding does
// (a _NET_WM_STATE client message to the root window).
void requestStates(Display* display, Window window, const std::vector<std::string>& states) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // add
  for (std::size_t i = 0; i < states.size() && i < 2; ++i) {
    event.xclient.data.l[1 + i] = static_cast<long>(XInternAtom(display, states[i].c_str(), False));
  }
  event.xclient.data.l[3] = 1;  // from an application
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
}

// Whether the rectangle of the window holds a light pixel (text or a symbol drawn on the
// dark title bar).
bool hasLightPixel(Display* display, Window window, int x, int y, unsigned width,
                   unsigned height) {
  XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
  if (!image) return false;
  bool light = false;
  for (unsigned row = 0; row < height && !light; ++row) {
    for (unsigned column = 0; column < width && !light; ++column) {
      const unsigned long pixel = XGetPixel(image, static_cast<int>(column), static_cast<int>(row));
      const unsigned long r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
      light = r > 160 && g > 160 && b > 160;
    }
  }
  XDestroyImage(image);
  return light;
}

// A clipboard manager as the desktop runs one: it owns the CLIPBOARD_MANAGER selection and,
// when a program asks it to save the clipboard (SAVE_TARGETS) before the program ends,
// copies the clipboard's text while the program still serves it.
class ClipboardManager {
 public:
  explicit ClipboardManager(Display* display) : display_(display) {
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    manager_ = XInternAtom(display_, "CLIPBOARD_MANAGER", False);
    saveTargets_ = XInternAtom(display_, "SAVE_TARGETS", False);
    clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
    utf8_ = XInternAtom(display_, "UTF8_STRING", False);
    property_ = XInternAtom(display_, "VL_SAVED_CLIPBOARD", False);
    XSetSelectionOwner(display_, manager_, window_, CurrentTime);
    XSync(display_, False);
  }
  ~ClipboardManager() {
    XDestroyWindow(display_, window_);
    XSync(display_, False);
  }
  ClipboardManager(const ClipboardManager&) = delete;
  ClipboardManager& operator=(const ClipboardManager&) = delete;

  bool ownsTheSelection() const { return XGetSelectionOwner(display_, manager_) == window_; }
  // Whether some program owns the clipboard now.
  bool clipboardHasOwner() const { return XGetSelectionOwner(display_, clipboard_) != None; }
  // The text saved from the clipboard, once a program asked for it.
  const std::optional<std::string>& saved() const { return saved_; }

  // Handles the events that have arrived; call it while waiting.
  void serve() {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == SelectionRequest) {
        request(event.xselectionrequest);
      } else if (event.type == SelectionNotify && pending_) {
        received(event.xselection);
      }
    }
  }

 private:
  void request(const XSelectionRequestEvent& r) {
    if (r.selection == manager_ && r.target == saveTargets_ && !pending_) {
      // Ask the clipboard's owner for its text; the answer completes the request.
      pending_ = r;
      XConvertSelection(display_, clipboard_, utf8_, property_, window_, r.time);
      XFlush(display_);
    } else {
      reply(r, None);
    }
  }
  void received(const XSelectionEvent& s) {
    if (s.selection != clipboard_) return;
    if (s.property != None) {
      Atom type = None;
      int format = 0;
      unsigned long count = 0, remaining = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(display_, window_, property_, 0, 1 << 16, True, AnyPropertyType,
                             &type, &format, &count, &remaining, &data) == Success &&
          data) {
        if (format == 8) saved_ = std::string(reinterpret_cast<char*>(data), count);
        XFree(data);
      }
    }
    const XSelectionRequestEvent r = *pending_;
    pending_.reset();
    reply(r, saved_ ? (r.property != None ? r.property : r.target) : None);
  }
  void reply(const XSelectionRequestEvent& r, Atom property) {
    XEvent answer{};
    answer.xselection.type = SelectionNotify;
    answer.xselection.requestor = r.requestor;
    answer.xselection.selection = r.selection;
    answer.xselection.target = r.target;
    answer.xselection.property = property;
    answer.xselection.time = r.time;
    XSendEvent(display_, r.requestor, False, NoEventMask, &answer);
    XFlush(display_);
  }

  Display* display_;
  Window window_;
  Atom manager_, saveTargets_, clipboard_, utf8_, property_;
  std::optional<XSelectionRequestEvent> pending_;
  std::optional<std::string> saved_;
};

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    if (!display_) GTEST_FAIL() << "no display: run the GUI tests under xvfb-run";
  }
  void TearDown() override {
    if (display_) XCloseDisplay(display_);
  }

  // Stores the current wallpaper for the next start (without it: the default wallpaper).
  void storeWallpaperName(const std::string& name) {
    panelharness::writeFile(dir_.path() / "config" / "vidlumen" / "settings.json",
                            R"({"vidLumen.currentWallpaperId": "aB3dE", )"
                            R"("vidLumen.currentWallpaperName": ")" + name + R"("})");
  }

  // Starts the program with its own settings and data folders (no settings file: the
  // default wallpaper) on the given session bus address and, when given, X display.
  std::unique_ptr<Child> start(const std::string& busAddress, const std::string& display = {}) {
    std::vector<std::string> settings{
        "DBUS_SESSION_BUS_ADDRESS=" + busAddress,
        "XDG_CONFIG_HOME=" + (dir_.path() / "config").string(),
        "XDG_DATA_HOME=" + (dir_.path() / "data").string(),
        // No accessibility bus: it would outlive the test's session bus.
        "NO_AT_BRIDGE=1"};
    if (!display.empty()) settings.push_back("DISPLAY=" + display);
    return std::make_unique<Child>(std::vector<std::string>{VL_VIDLUMEN_PROGRAM},
                                   environmentWith(settings));
  }

  // A session bus address where no bus listens.
  std::string noBus() const { return "unix:path=" + (dir_.path() / "no-bus").string(); }

  // Types a key (an X keysym name) into the window as from a keyboard: the window gets the
  // input focus, then the key goes to it through the XTEST extension.
  bool type(Window window, const std::string& key) {
    Child xdotool({"/usr/bin/xdotool", "windowfocus", "--sync", std::to_string(window), "key",
                   key},
                  environmentWith({}));
    return xdotool.waitForExit(std::chrono::seconds(10)) == std::optional<int>(0);
  }

  std::vector<ListedWindow> panels() { return visiblePanels(display_); }
  bool waitForPanels(std::size_t count) {
    return waitUntil([&] { return panels().size() == count; }, kStartTimeout);
  }

  // A plain window of the test that covers the whole screen, mapped on top of the rest.
  Window coverScreen() {
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window cover = XCreateWindow(
        display_, DefaultRootWindow(display_), 0, 0,
        static_cast<unsigned>(DisplayWidth(display_, screen)),
        static_cast<unsigned>(DisplayHeight(display_, screen)), 0, CopyFromParent, InputOutput,
        CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(display_, cover);
    XSync(display_, False);
    return cover;
  }
  bool isAbove(Window upper, Window lower) {
    const auto order = stackingOrder(display_);
    const auto u = std::find(order.begin(), order.end(), upper);
    const auto l = std::find(order.begin(), order.end(), lower);
    return u != order.end() && l != order.end() && u > l;
  }

  // Closes a window as a window manager's close button does (WM_DELETE_WINDOW).
  void askToClose(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
  }

  panelharness::TempDir dir_;
  Display* display_ = nullptr;
};

TEST_F(Program, ASecondStartBringsTheFirstPanelForwardAndEnds) {
  SessionBus bus;
  ASSERT_FALSE(bus.address().empty()) << "dbus-run-session gave no bus";
  auto first = start(bus.address());
  ASSERT_TRUE(waitForPanels(1)) << "the first start shows its panel";
  const ListedWindow panel = panels().front();
  EXPECT_EQ(panel.title, "Share this wallpaper: Waves");
  EXPECT_EQ(panel.pid, first->pid());

  const Window cover = coverScreen();
  ASSERT_TRUE(isAbove(cover, panel.id));

  auto second = start(bus.address());
  EXPECT_EQ(second->waitForExit(kStartTimeout), std::optional<int>(0))
      << "the second start hands over and ends";
  // The first instance raises its panel over the covering window.
  EXPECT_TRUE(waitUntil([&] { return isAbove(panel.id, cover); }, kStartTimeout));
  // Give a wrongly opened second panel time to appear before counting.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto now = panels();
  ASSERT_EQ(now.size(), 1u) << "no second panel";
  EXPECT_EQ(now.front().id, panel.id);
  EXPECT_TRUE(first->running());
  XDestroyWindow(display_, cover);

  // Closing the panel ends the first instance normally.
  askToClose(panel.id);
  EXPECT_EQ(first->waitForExit(kStartTimeout), std::optional<int>(0));
  EXPECT_TRUE(waitForPanels(0));
}

TEST_F(Program, WithoutASessionBusEachStartIsAnInstanceOfItsOwn) {
  auto first = start(noBus());
  ASSERT_TRUE(waitForPanels(1));
  auto second = start(noBus());
  ASSERT_TRUE(waitForPanels(2)) << "one panel per process";
  std::vector<long> pids;
  for (const auto& p : panels()) pids.push_back(p.pid);
  std::sort(pids.begin(), pids.end());
  std::vector<long> expected{first->pid(), second->pid()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(pids, expected);
  EXPECT_TRUE(first->running());
  EXPECT_TRUE(second->running());
}

TEST_F(Program, EnterCopiesAndTheLinkOutlivesTheProgram) {
  ClipboardManager manager(display_);
  ASSERT_TRUE(manager.ownsTheSelection());
  auto program = start(noBus());
  ASSERT_TRUE(waitForPanels(1));
  const Window panel = panels().front().id;

  // Typed keys go to the focused window, as from a keyboard.
  ASSERT_TRUE(type(panel, "Return"));
  EXPECT_TRUE(waitUntil([&] { return manager.clipboardHasOwner(); }, kStartTimeout))
      << "Enter copies the link";
  ASSERT_TRUE(type(panel, "Escape"));
  EXPECT_TRUE(waitUntil(
      [&] {
        manager.serve();
        return !program->running();
      },
      kStartTimeout))
      << "Escape closes the panel, and the program ends with it";
  EXPECT_EQ(program->waitForExit(std::chrono::seconds(0)), std::optional<int>(0));
  manager.serve();
  ASSERT_TRUE(manager.saved()) << "the program handed its clipboard to the manager";
  EXPECT_EQ(*manager.saved(),
            "https://vidlumen.com/wallpaper/waves-dp3YBose"
            "?utm_source=macos_app&utm_medium=share_current_wallpaper"
            "&utm_content=copy_link_button");
}

TEST_F(Program, UnderOpenboxThePanelHasNoFrameAndCannotStayMinimised) {
  // openbox offers minimising whatever a window asks for: the panel has to come back.
  DesktopWithOpenbox desktop;
  ASSERT_TRUE(desktop.display()) << "no X server with openbox";
  Display* d = desktop.display();
  auto program = start(noBus(), desktop.name());
  Window panel = None;
  ASSERT_TRUE(waitUntil(
      [&] {
        panel = managedPanel(d);
        return panel != None && wmState(d, panel) == NormalState;
      },
      kStartTimeout));
  // openbox draws no frame of its own (no title bar with its buttons): the panel's own
  // title bar, with its close button alone, is all there is.
  {
    const Atom extentsAtom = XInternAtom(d, "_NET_FRAME_EXTENTS", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(d, panel, extentsAtom, 0, 4, False, XA_CARDINAL, &type,
                                 &format, &count, &remaining, &data),
              Success);
    ASSERT_TRUE(data);
    ASSERT_EQ(count, 4u);
    const auto* extents = reinterpret_cast<const unsigned long*>(data);
    EXPECT_EQ(std::vector<unsigned long>(extents, extents + 4),
              (std::vector<unsigned long>{0, 0, 0, 0}))
        << "left, right, top, bottom";
    XFree(data);
  }

  const Atom wmStateAtom = XInternAtom(d, "WM_STATE", False);
  XSelectInput(d, panel, PropertyChangeMask);
  XIconifyWindow(d, panel, DefaultScreen(d));  // as the window menu's "Iconify" does
  XFlush(d);
  int stateChanges = 0;
  const bool back = waitUntil(
      [&] {
        while (XPending(d) > 0) {
          XEvent event;
          XNextEvent(d, &event);
          if (event.type == PropertyNotify && event.xproperty.atom == wmStateAtom) ++stateChanges;
        }
        return stateChanges >= 2 && wmState(d, panel) == NormalState;
      },
      kStartTimeout);
  EXPECT_TRUE(back) << "minimised (" << stateChanges << " state changes), never restored";
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(d, panel, &attributes));
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_TRUE(program->running());
}

TEST_F(Program, UnderOpenboxALongNameFullScreenAndMaximiseLeaveThePanelAsItIs) {
  DesktopWithOpenbox desktop;
  ASSERT_TRUE(desktop.display()) << "no X server with openbox";
  Display* d = desktop.display();
  const auto waitForPanel = [&](Window& panel) {
    return waitUntil(
        [&] {
          panel = managedPanel(d);
          return panel != None && wmState(d, panel) == NormalState;
        },
        kStartTimeout);
  };

  // The size of the panel of a short name.
  storeWallpaperName("waves");
  Placement shortName;
  {
    auto program = start(noBus(), desktop.name());
    Window panel = None;
    ASSERT_TRUE(waitForPanel(panel));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shortName = placementOf(d, panel);
  }
  ASSERT_TRUE(waitUntil([&] { return managedPanel(d) == None; }, kStartTimeout));
  // The content and the panel's own title bar above it.
  EXPECT_GE(shortName.width, static_cast<unsigned>(sharePanelWidth));
  EXPECT_GT(shortName.height, static_cast<unsigned>(sharePanelHeight) + 20);

  std::string name;
  for (int i = 0; i < 40; ++i) name += (i ? " word" : "word") + std::to_string(i);
  storeWallpaperName(name);
  auto program = start(noBus(), desktop.name());
  Window panel = None;
  ASSERT_TRUE(waitForPanel(panel));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const Placement placed = placementOf(d, panel);
  EXPECT_EQ(placed.width, shortName.width) << "as wide as with a short name";
  EXPECT_EQ(placed.height, shortName.height);

  const Atom stateAtom = XInternAtom(d, "_NET_WM_STATE", False);
  XSelectInput(d, panel, PropertyChangeMask);
  const std::vector<std::vector<std::string>> requests{
      {"_NET_WM_STATE_FULLSCREEN"},
      {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}};
  for (const auto& request : requests) {
    SCOPED_TRACE(request.front());
    XSync(d, True);  // earlier events do not count
    requestStates(d, panel, request);
    // A state taken and given back changes the state twice; a refused one not at all.
    int stateChanges = 0;
    waitUntil(
        [&] {
          while (XPending(d) > 0) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == PropertyNotify && event.xproperty.atom == stateAtom) ++stateChanges;
          }
          return stateChanges >= 2;
        },
        std::chrono::seconds(3));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const std::string& state : netWMState(d, panel)) {
      EXPECT_TRUE(state.find("FULLSCREEN") == std::string::npos &&
                  state.find("MAXIMIZED") == std::string::npos)
          << state;
    }
    EXPECT_EQ(placementOf(d, panel), placed) << "the panel's place and size";
    EXPECT_EQ(wmState(d, panel), NormalState);
  }

  // The title bar with the title on the left half and the close button on the right.
  const unsigned titleBarHeight = placed.height - static_cast<unsigned>(sharePanelHeight);
  EXPECT_TRUE(hasLightPixel(d, panel, 8, 0, placed.width / 2 - 8, titleBarHeight))
      << "the title";
  EXPECT_TRUE(hasLightPixel(d, panel, static_cast<int>(placed.width) - 40, 0, 32, titleBarHeight))
      << "the close button";
  EXPECT_TRUE(program->running());
}

}  // namespace
