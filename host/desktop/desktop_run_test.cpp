// orvantis --desktop run as a user runs it, under an X server of the test's own (Xvfb): a script
// plots the torus and takes screenshots whose pixels are checked, and real window-system events
// (xdotool) type into the file prompt, click through the main dialog and the Variables dialog, pick
// the origin by clicking a mark in the view and edit the equation file with $VISUAL.
// Where Xvfb (or xdotool) is not installed, these tests skip and say so.
#include <cairo.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "desktop/desktop_window.h"

// Last, since Xlib's macros (None, Bool, Status, ...) would clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xatom.h>
#undef None
#undef Bool
#undef Status

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1280, kHeight = 800;  // the window's default size
// The main dialog's template size in dialog units, and the font's line height in pixels.
constexpr int kMainCx = 124, kMainCy = 210;
constexpr int kLineHeight = 15;
constexpr unsigned kCaptionActive = 0x2C5CA8;  // the active window's caption bar

std::string find_program(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    std::string p = std::string(dir) + "/" + name;
    if (::access(p.c_str(), X_OK) == 0) return p;
  }
  return {};
}

// An X server of the test's own, on a display number it picks itself (-displayfd).
class Xvfb {
 public:
  bool start(std::string& why) {
    const std::string bin = find_program("Xvfb");
    if (bin.empty()) {
      why = "no Xvfb installed (apt-get install xvfb): the desktop window is not tested";
      return false;
    }
    int fds[2];
    if (::pipe(fds) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 3);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::string size = std::to_string(kWidth + 200) + "x" + std::to_string(kHeight + 200) + "x24";
    std::vector<std::string> args = {bin, "-displayfd", "3", "-screen", "0", size, "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, bin.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
      ::close(fds[0]);
      why = "Xvfb could not be started";
      pid_ = 0;
      return false;
    }
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) {
      why = "Xvfb did not tell its display";
      return false;
    }
    display_ = ":" + number;
    return true;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

struct Image {
  int w = 0, h = 0;
  std::vector<uint32_t> px;  // 0xRRGGBB
  uint32_t at(int x, int y) const { return px[static_cast<std::size_t>(y) * w + x]; }
};

bool read_png(const std::string& path, Image& img) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  img.w = cairo_image_surface_get_width(s);
  img.h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  img.px.resize(static_cast<std::size_t>(img.w) * img.h);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      img.px[static_cast<std::size_t>(y) * img.w + x] =
          reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * stride)[x] & 0xFFFFFF;
  cairo_surface_destroy(s);
  return true;
}

struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  bool empty() const { return x1 < 0; }
};

// The bounds of the pixels of one colour within [x0, x1) x [y0, y1).
Box bounds_of(const Image& img, uint32_t color, int x0, int y0, int x1, int y1) {
  Box b;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (img.at(x, y) == color) {
        b.x0 = std::min(b.x0, x);
        b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x);
        b.y1 = std::max(b.y1, y);
      }
  return b;
}

// What the X server shows of the window (at the screen's top left, where it opens without a window
// manager), read with the server's own XGetImage.
bool grab_screen(const std::string& display, Image& img) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  XImage* x = XGetImage(d, DefaultRootWindow(d), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  if (x) {
    img.w = kWidth;
    img.h = kHeight;
    img.px.resize(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int i = 0; i < kWidth; ++i) img.px[static_cast<std::size_t>(y) * kWidth + i] = XGetPixel(x, i, y) & 0xFFFFFF;
    XDestroyImage(x);
  }
  XCloseDisplay(d);
  return x != nullptr;
}

// Pixels that differ between two images within [x0, x1) x [y0, y1).
std::size_t changed_pixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
  std::size_t n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

std::size_t distinct_colors(const Image& img, int x0, int y0, int x1, int y1) {
  std::set<uint32_t> colors;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) colors.insert(img.at(x, y));
  return colors.size();
}

class DesktopRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!xvfb_.start(why)) GTEST_SKIP() << why;
    dir_ = fs::temp_directory_path() / ("orv_desktop_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::permissions(dir_, fs::perms::owner_all);  // the host's temporary folder must be private
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  // The recent files go to a configuration directory of the test's own.
  std::string env() const {
    return "env DISPLAY=" + xvfb_.display() + " LC_ALL=C.UTF-8 VISUAL= XDG_CONFIG_HOME='" + (dir_ / "config").string() +
           "' ";
  }
  // Runs orvantis --desktop with a script; returns its exit status, its standard error in `err`.
  int run_script(const std::string& script, std::string& err, const std::string& extra = "") {
    const fs::path path = dir_ / "run.script";
    std::ofstream(path) << script;
    const fs::path err_path = dir_ / "stderr.txt";
    const std::string cmd = env() + "'" ORV_TEST_ORVANTIS "' --desktop --script '" + path.string() + "' --temp-dir '" +
                            dir_.string() + "' " + extra + " 2>'" + err_path.string() + "'";
    const int status = std::system(cmd.c_str());
    std::ifstream in(err_path);
    std::stringstream text;
    text << in.rdbuf();
    err = text.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string file(const std::string& name) const { return (dir_ / name).string(); }
  // A copy of an example: the Zlink writes the equation file it plotted back, with the variables
  // as last set, so the tracked examples are never handed to it.
  std::string example(const std::string& name) const {
    const fs::path copy = dir_ / name;
    if (!fs::exists(copy)) fs::copy_file(fs::path(ORV_TEST_EXAMPLES) / name, copy);
    return copy.string();
  }

  Xvfb xvfb_;
  fs::path dir_;
};

// Where the docked main dialog's client area is and how wide a dialog unit is, from its caption bar.
struct MainDialog {
  double client_x = 0, client_y = 0, unit_x = 0, unit_y = 0;
};
bool find_main_dialog(const Image& img, MainDialog& d, Box& caption) {
  caption = bounds_of(img, kCaptionActive, img.w / 2, 0, img.w, img.h / 2);
  if (caption.empty()) return false;
  d.client_x = caption.x0;
  d.client_y = caption.y1 + 1;
  d.unit_x = (caption.x1 - caption.x0 + 1) / static_cast<double>(kMainCx);
  d.unit_y = kLineHeight / 8.0;
  return true;
}

TEST_F(DesktopRun, TheTorusIsShadedAndTheDialogStandsWhereItsTemplatePutsIt) {
  std::string err;
  const std::string script = "prompt " + example("torus.eqn") + "\nscreenshot " + file("before.png") +
                             "\npress Plot it\nscreenshot " + file("torus.png") + "\npress Cancel\n";
  ASSERT_EQ(run_script(script, err), 0) << err;
  Image before, torus;
  ASSERT_TRUE(read_png(file("before.png"), before));
  ASSERT_TRUE(read_png(file("torus.png"), torus));
  ASSERT_EQ(torus.w, kWidth);
  ASSERT_EQ(torus.h, kHeight);

  // The main dialog docks at the right, its caption bar lit; its size follows its template in the
  // font's units: 124 x 210 dialog units.
  MainDialog d;
  Box caption;
  ASSERT_TRUE(find_main_dialog(torus, d, caption));
  EXPECT_NEAR(caption.x1, kWidth - 1 - 8 - 2, 2) << "the dialog keeps a gap to the window's right edge";
  EXPECT_GT(d.unit_x, 1.2) << "a dialog unit is a quarter of a character's width";
  EXPECT_LT(d.unit_x, 2.6);
  // The dialog's face reaches down to the template's height.
  const unsigned face = 0xECECEC;
  const Box face_box = bounds_of(torus, face, caption.x0, caption.y1, caption.x1, kHeight);
  ASSERT_FALSE(face_box.empty());
  EXPECT_NEAR(face_box.y1 - d.client_y + 1, kMainCy * d.unit_y, 3);

  // The view: before the plot it is empty; after it, a shaded torus of many colours.
  const int view_right = static_cast<int>(caption.x0) - 20;
  const std::size_t empty_colors = distinct_colors(before, 120, 80, view_right, kHeight - 80);
  const std::size_t shaded_colors = distinct_colors(torus, 120, 80, view_right, kHeight - 80);
  EXPECT_LE(empty_colors, 2u) << "the empty view is its background";
  EXPECT_GT(shaded_colors, 60u) << "a lit surface shows many shades of its colour";
  // The torus (colour 10, light green) is centred in the view: green at the middle of its ring.
  const uint32_t ring = torus.at(view_right / 2, 60 + (kHeight - 120) / 2 - (kHeight - 120) / 3);
  EXPECT_GT((ring >> 8) & 0xFF, (ring >> 16) & 0xFF) << std::hex << ring;
  // The hole in the middle shows the background.
  EXPECT_EQ(torus.at(view_right / 2, kHeight / 2), before.at(view_right / 2, kHeight / 2));
}

TEST_F(DesktopRun, TheVariablesDialogOpensCentredOverTheWindow) {
  std::string err;
  const std::string script = "prompt " + example("torus.eqn") + "\npress Set variables\nscreenshot " +
                             file("variables.png") + "\npress Cancel\npress Cancel\n";
  ASSERT_EQ(run_script(script, err), 0) << err;
  Image img;
  ASSERT_TRUE(read_png(file("variables.png"), img));
  // The Variables dialog is the active one: its caption bar is lit and centred; the main dialog's
  // caption bar is not lit any more.
  const Box lit = bounds_of(img, kCaptionActive, 0, 0, img.w, img.h);
  ASSERT_FALSE(lit.empty());
  EXPECT_NEAR((lit.x0 + lit.x1) / 2.0, kWidth / 2.0, 4);
  EXPECT_LT(lit.x1, kWidth - 100) << "only one caption bar is lit";
}

TEST_F(DesktopRun, ARefusalStandsInTheGraphicsWindow) {
  // Three points that coincide make no spline: the host refuses it and says why in the frame.
  std::ofstream(file("same.eqn")) << "step_var1 = t\nlower_limit1 = -1\nupper_limit1 = 1\nstep_size1 = 1\n"
                                     "x = 0\ny = 0\nz = 0\n";
  std::string err;
  const std::string script = "prompt " + file("same.eqn") + "\nscreenshot " + file("before.png") +
                             "\nselect 1027 4\npress Plot it\nscreenshot " + file("refused.png") + "\npress Cancel\n";
  ASSERT_EQ(run_script(script, err), 0) << err;
  EXPECT_NE(err.find("refused: spline refused"), std::string::npos) << err;
  Image before, refused;
  ASSERT_TRUE(read_png(file("before.png"), before));
  ASSERT_TRUE(read_png(file("refused.png"), refused));
  const uint32_t warning = 0xFFDC3C;
  const Box text = bounds_of(refused, warning, 0, 0, kWidth / 2, kHeight);
  ASSERT_FALSE(text.empty()) << "the refusal is written in the colour of a warning";
  EXPECT_GT(text.x1 - text.x0, 200) << "a sentence, not a speck";
  EXPECT_GT(text.y0, kHeight / 2) << "at the foot of the graphics window";
  EXPECT_TRUE(bounds_of(before, warning, 0, 0, kWidth / 2, kHeight).empty());
}

// A plot that ends early says so in the frame, under the title, and an orange diamond stands at
// the last point kept: the end of the spline, its rightmost and lowest point here. The next plot,
// of the file put right, takes both away.
TEST_F(DesktopRun, APlotThatEndsEarlyIsToldInTheFrameAndItsLastPointMarked) {
  std::ofstream(file("short.eqn")) << "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 10\nstep_size1 = 1\n"
                                      "geometry = spline\nx = t\ny = sqrt(5 - t)\n";
  std::string err;
  const std::string fixed = "printf 'step_var1 = t\\nlower_limit1 = 0\\nupper_limit1 = 10\\nstep_size1 = "
                            "1\\ngeometry = spline\\nx = t\\ny = 10 - t\\n' > \"$FILE\"";
  const std::string script = "prompt " + file("short.eqn") + "\npress Plot it\nscreenshot " + file("short.png") +
                             "\nedit " + fixed + "\npress Edit equation\npress Plot it\nscreenshot " +
                             file("fixed.png") + "\npress Cancel\n";
  ASSERT_EQ(run_script(script, err), 0) << err;
  EXPECT_NE(err.find("short.eqn:7: \"y = sqrt(5 - t)\": square root of a negative number at step 7 of 11: the "
                     "spline ends there, through 6 of 11 points"),
            std::string::npos)
      << err;
  Image shot, fixed_shot;
  ASSERT_TRUE(read_png(file("short.png"), shot));
  ASSERT_TRUE(read_png(file("fixed.png"), fixed_shot));
  MainDialog d;
  Box caption;
  ASSERT_TRUE(find_main_dialog(shot, d, caption));
  const int view_right = static_cast<int>(caption.x0) - 20;

  // The words, in the colour of a warning, in the upper part of the view.
  const uint32_t warning = 0xFFDC3C;
  const Box text = bounds_of(shot, warning, 0, 0, view_right, kHeight);
  ASSERT_FALSE(text.empty()) << "the plot's words are written in the colour of a warning";
  EXPECT_GT(text.x1 - text.x0, 300) << "a sentence, not a speck";
  EXPECT_LT(text.y0, kHeight / 4) << "under the frame's title";

  // The diamond: once in the legend beside the words, once at the end of the curve below them.
  const uint32_t orange = 0xFF8000;
  const Box legend = bounds_of(shot, orange, 0, 0, 60, text.y1 + 4 * kLineHeight);
  EXPECT_FALSE(legend.empty()) << "the legend's diamond explains the marker";
  const int below = text.y1 + 3 * kLineHeight;
  const Box marker = bounds_of(shot, orange, 60, below, view_right, kHeight);
  ASSERT_FALSE(marker.empty()) << "no marker at the last point kept";
  EXPECT_LT(marker.x1 - marker.x0, 20) << "one small marker";
  // The spline's pixels (light green) end where the marker is: its lowest pixel, since y falls to 0
  // at t = 5 and the isometric view shows y growing upwards.
  int lowest_x = -1, lowest_y = -1, leftmost = view_right, rightmost = 0;
  for (int y = below; y < kHeight - 60; ++y)
    for (int x = 60; x < view_right; ++x) {
      const uint32_t c = shot.at(x, y);
      const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      if (g > 180 && r < 140 && b < 140) {
        if (y >= lowest_y) lowest_x = x, lowest_y = y;
        leftmost = std::min(leftmost, x);
        rightmost = std::max(rightmost, x);
      }
    }
  ASSERT_GE(lowest_y, 0) << "the spline is drawn";
  EXPECT_GT(rightmost - leftmost, 100);
  EXPECT_NEAR((marker.x0 + marker.x1) / 2.0, lowest_x, 10);
  EXPECT_NEAR((marker.y0 + marker.y1) / 2.0, lowest_y, 10);

  // The plot of the file put right keeps all its points: no words, no marker.
  EXPECT_TRUE(bounds_of(fixed_shot, warning, 0, 0, view_right, kHeight).empty());
  EXPECT_TRUE(bounds_of(fixed_shot, orange, 0, 0, view_right, kHeight).empty());
}

TEST_F(DesktopRun, AScreenshotIsRefusedWhereNoWindowIsAndOverWhatIsNotARegularFile) {
  std::string err;
  // A headless script has no window to take.
  const fs::path script = dir_ / "headless.script";
  std::ofstream(script) << "prompt " << example("helix.eqn") << "\nscreenshot " << file("x.png") << "\n";
  const std::string cmd = env() + "'" ORV_TEST_ORVANTIS "' --script '" + script.string() + "' --temp-dir '" +
                          dir_.string() + "' 2>'" + file("headless.txt") + "'";
  const int status = std::system(cmd.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::stringstream text;
  text << std::ifstream(file("headless.txt")).rdbuf();
  EXPECT_NE(text.str().find("headless.script:2: \"screenshot\" needs the desktop window"), std::string::npos)
      << text.str();
  EXPECT_FALSE(fs::exists(file("x.png")));
  // The desktop does not write over a folder.
  fs::create_directories(dir_ / "folder.png");
  EXPECT_EQ(run_script("prompt " + example("helix.eqn") + "\nscreenshot " + file("folder.png") + "\npress Cancel\n", err), 1);
  EXPECT_NE(err.find("folder.png: not a regular file"), std::string::npos) << err;
}

// A process of the test's own, started with /bin/sh -c and waited for with a timeout.
class Background {
 public:
  bool start(const std::string& command) {
    std::string sh = "/bin/sh", c = "-c", cmd = command;
    char* argv[] = {sh.data(), c.data(), cmd.data(), nullptr};
    return posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, argv, environ) == 0;
  }
  /// The exit status, or -1 when it did not end within `seconds` (it is then killed).
  int wait(double seconds) {
    for (double waited = 0; waited < seconds; waited += 0.1) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }
  ~Background() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = 0;
};

// Waits for the host's window to show what was sent to it: sets the window's _ORVANTIS_SYNC to a
// new number and waits until the window answers it in _ORVANTIS_DRAWN, which it does once it has
// taken every input sent before the number and drawn what that input did.
class WindowSync {
 public:
  /// Finds the host's window on `display` (waiting up to 20 s for it to open); false when none came.
  bool attach(const std::string& env, const std::string& display, const fs::path& dir) {
    display_ = display;
    const std::string out = (dir / "window_id").string();
    if (std::system((env + "timeout 20 xdotool search --sync --name '^Orvantis$' > '" + out + "'").c_str()) != 0)
      return false;
    std::ifstream(out) >> window_;
    return window_ != 0;
  }
  /// True once the window has drawn everything sent so far; false when it did not within `seconds`
  /// or the window is gone.
  bool drawn(double seconds = 30) {
    Display* d = XOpenDisplay(display_.c_str());
    if (!d) return false;
    XErrorHandler old = XSetErrorHandler(on_error);
    failed_ = false;
    const unsigned long n = ++number_;
    const Atom sync = XInternAtom(d, "_ORVANTIS_SYNC", False), drawn = XInternAtom(d, "_ORVANTIS_DRAWN", False);
    XChangeProperty(d, window_, sync, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&n), 1);
    XSync(d, False);
    bool done = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done && !failed_ && std::chrono::steady_clock::now() < until) {
      Atom type = 0;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(d, window_, drawn, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == 0 &&
          data != nullptr && format == 32 && count == 1)
        done = *reinterpret_cast<const unsigned long*>(data) >= n;
      if (data != nullptr) XFree(data);
      XSync(d, False);
      if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    XSetErrorHandler(old);
    XCloseDisplay(d);
    return done;
  }

 private:
  static int on_error(Display*, XErrorEvent*) {
    failed_ = true;  // the window is gone
    return 0;
  }
  static inline bool failed_ = false;
  std::string display_;
  unsigned long window_ = 0;
  unsigned long number_ = 0;
};

// The memory a shell command may take, as "ulimit -v" puts it; nothing under AddressSanitizer, whose
// shadow memory alone is larger than any such limit.
std::string memory_limit(long kib) {
#ifdef __SANITIZE_ADDRESS__
  (void)kib;
  return "";
#else
  return "ulimit -v " + std::to_string(kib) + "; ";
#endif
}

// A window made far larger than any screen (by the window system, as a person or a script may) is
// sized back to what the GL implementation and a memory budget allow before anything is drawn at
// that size, and the run goes on. The script comes through a pipe, so the resize happens while the
// plotted torus is on screen.
TEST_F(DesktopRun, AHugeWindowIsSizedBackWithinTheFramebufferBudget) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  for (const int side : {32767, 16384}) {
    SCOPED_TRACE(side);
    const fs::path fifo = dir_ / "script.fifo", shot = dir_ / "huge.png";
    fs::remove(fifo);
    fs::remove(shot);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Background host;
    ASSERT_TRUE(host.start(memory_limit(3000000) + env() + "'" ORV_TEST_ORVANTIS "' --desktop --script '" +
                           fifo.string() + "' --temp-dir '" + dir_.string() + "' 2>'" + file("host.txt") + "'"));
    {
      std::ofstream script(fifo);  // opens once the host reads the script
      script << "prompt " << example("torus.eqn") << "\npress Plot it\n" << std::flush;
      const std::string wid = dir_.string() + "/wid";
      // The title names the file once the prompt has taken it.
      ASSERT_EQ(std::system((env() + "timeout 20 xdotool search --sync --name 'Orvantis$' > '" + wid + "'").c_str()), 0);
      std::string id;
      std::ifstream(wid) >> id;
      ASSERT_EQ(std::system((env() + "xdotool windowsize " + id + " " + std::to_string(side) + " " +
                             std::to_string(side)).c_str()),
                0);
      script << "screenshot " << shot.string() << "\npress Cancel\n";
    }
    ASSERT_EQ(host.wait(90), 0) << std::ifstream(file("host.txt")).rdbuf();
    Image img;
    ASSERT_TRUE(read_png(shot.string(), img));
    EXPECT_GT(img.w, kWidth) << "the window did grow";
    EXPECT_EQ(img.w, img.h) << "square, as asked";
    EXPECT_LE(static_cast<long long>(img.w) * img.h, orv::desktop::kMaxFramebufferPixels);
  }
}

// Hundreds of thousands of points (each with its screen mark) are drawn within the draw list's
// budget: the window takes a small memory a point, where it took kilobytes.
TEST_F(DesktopRun, ADensePlotIsDrawnWithinTheVertexBudget) {
  std::ofstream(file("dense.eqn")) << "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 400000\nstep_size1 = 1\n"
                                      "geometry = points\nx = t/1000\ny = sin(t/100)\nz = 0\n";
  std::string err;
  const std::string script = "prompt " + file("dense.eqn") + "\npress Plot it\nscreenshot " + file("dense.png") +
                             "\npress Cancel\n";
  const fs::path path = dir_ / "dense.script";
  std::ofstream(path) << script;
  const std::string cmd = memory_limit(1200000) + env() + "'" ORV_TEST_ORVANTIS "' --desktop --script '" +
                          path.string() + "' --temp-dir '" + dir_.string() + "' 2>'" + file("stderr.txt") + "'";
  const int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << std::ifstream(file("stderr.txt")).rdbuf();
  ASSERT_EQ(WEXITSTATUS(status), 0) << std::ifstream(file("stderr.txt")).rdbuf();
  Image img;
  ASSERT_TRUE(read_png(file("dense.png"), img));
  // The sine wave is drawn across the graphics window: many pixels are not its background.
  const uint32_t background = img.at(kWidth / 4, 70);
  std::size_t marked = 0;
  for (int y = 60; y < kHeight - 60; ++y)
    for (int x = 0; x < kWidth / 2; ++x) marked += img.at(x, y) != background;
  EXPECT_GT(marked, 5000u);
}

TEST_F(DesktopRun, RealKeysAndClicksPlotThroughTheMainAndVariablesDialogs) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  // Where the windows stand, from a screenshot of the same state.
  std::string err;
  ASSERT_EQ(run_script("prompt " + example("torus.eqn") + "\nscreenshot " + file("layout.png") + "\npress Cancel\n", err), 0)
      << err;
  Image layout;
  ASSERT_TRUE(read_png(file("layout.png"), layout));
  MainDialog main;
  Box caption;
  ASSERT_TRUE(find_main_dialog(layout, main, caption));
  auto main_at = [&](double du_x, double du_y) {
    return std::to_string(static_cast<int>(main.client_x + du_x * main.unit_x)) + " " +
           std::to_string(static_cast<int>(main.client_y + du_y * main.unit_y));
  };
  // The Variables dialog (234 x 207 units) is centred over the window.
  const double caption_h = caption.y1 - caption.y0 + 1 + 2;
  const double var_w = 234 * main.unit_x + 4, var_h = 207 * main.unit_y + caption_h + 4;
  const double var_x = std::round((kWidth - var_w) / 2) + 2, var_y = std::round((kHeight - var_h) / 2) + caption_h + 2;
  auto variables_at = [&](double du_x, double du_y) {
    return std::to_string(static_cast<int>(var_x + du_x * main.unit_x)) + " " +
           std::to_string(static_cast<int>(var_y + du_y * main.unit_y));
  };

  Background host;
  ASSERT_TRUE(host.start(env() + "'" ORV_TEST_ORVANTIS "' --desktop --temp-dir '" + dir_.string() + "' --export '" +
                         file("out.json") + "' 2>'" + file("host.txt") + "'"));
  const std::string x = env() + "xdotool ";
  WindowSync sync;
  ASSERT_TRUE(sync.attach(env(), xvfb_.display(), dir_));
  auto act = [&](const std::string& what) {
    ASSERT_EQ(std::system((x + what).c_str()), 0) << what;
    ASSERT_TRUE(sync.drawn()) << "the window showed what " << what << " did";
  };
  auto click = [&](const std::string& at) { act("mousemove " + at + " click 1"); };
  act("mousemove 300 300");
  // The file prompt: its path field has the keys.
  act("key ctrl+a");
  act("type --delay 5 '" + example("torus.eqn") + "'");
  act("key Return");
  // Set variables by its accelerator; the first variable's step size from 20 to 40 by a click on
  // its field (which selects the text) and typing; OK, Plot it and OK clicked.
  act("key alt+v");
  click(variables_at(148 + 24, 71 + 6));
  act("type 40");
  click(variables_at(114 + 18, 182 + 9));
  click(main_at(24 + 35, 154 + 7));
  // A drag with the left button turns the view: the graphics change, the dialog does not.
  Image plotted, turned;
  ASSERT_TRUE(grab_screen(xvfb_.display(), plotted));
  act("mousemove 300 400 mousedown 1");
  act("mousemove 360 430");
  act("mousemove 420 460 mouseup 1");
  ASSERT_TRUE(grab_screen(xvfb_.display(), turned));
  const int view_right = caption.x0 - 20;
  EXPECT_GT(changed_pixels(plotted, turned, 0, 60, view_right, kHeight - 60), 5000u) << "the view turned";
  EXPECT_EQ(changed_pixels(plotted, turned, caption.x0, caption.y1 + 1, kWidth - 10, caption.y1 + 300), 0u)
      << "the dialog stayed as it was";
  ASSERT_EQ(std::system((x + "mousemove " + main_at(3 + 18, 183 + 9) + " click 1").c_str()), 0);  // OK: the host ends
  ASSERT_EQ(host.wait(20), 0) << "the host ends when OK is clicked";
  std::stringstream json;
  json << std::ifstream(file("out.json")).rdbuf();
  // Every 40 degrees round the ring: 10 rows of 13 points, where the file's step of 20 makes 19.
  EXPECT_NE(json.str().find("\"rows\":10,\"cols\":13"), std::string::npos) << json.str().substr(0, 200);
}

TEST_F(DesktopRun, LeavingWithGeometryNotSavedAsksAndSavesByKeys) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  Background host;
  ASSERT_TRUE(host.start(env() + "'" ORV_TEST_ORVANTIS "' --desktop --temp-dir '" + dir_.string() + "' 2>'" +
                         file("host.txt") + "'"));
  WindowSync sync;
  ASSERT_TRUE(sync.attach(env(), xvfb_.display(), dir_));
  auto act = [&](const std::string& what) {
    ASSERT_EQ(std::system((env() + "xdotool " + what).c_str()), 0) << what;
    ASSERT_TRUE(sync.drawn()) << "the window showed what " << what << " did";
  };
  auto send = [&](const std::string& what) { ASSERT_EQ(std::system((env() + "xdotool " + what).c_str()), 0) << what; };
  act("mousemove 300 300");
  act("key ctrl+a");
  act("type --delay 5 '" + example("helix.eqn") + "'");
  act("key Return");
  act("key alt+p");
  // Cancel ends the Zlink with the helix not saved: the question comes; Esc goes back to the
  // Zlink, which asks for a file again; cancelled, the question comes again; S saves.
  act("key Escape");
  act("key Escape");
  act("key Escape");
  act("key s");
  act("type --delay 5 '" + file("kept.step") + "'");
  send("key Return");
  EXPECT_EQ(host.wait(20), 0) << "the host leaves once the geometry is saved";
  std::stringstream step;
  step << std::ifstream(file("kept.step")).rdbuf();
  EXPECT_NE(step.str().find("B_SPLINE_CURVE"), std::string::npos) << "the helix was exported";
}

// The events of one kind in a run's transcript (JSON Lines), in the order they happened.
std::vector<nlohmann::json> transcript_events(const std::string& path, const std::string& kind) {
  std::vector<nlohmann::json> events;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    nlohmann::json e = nlohmann::json::parse(line, nullptr, false);
    if (!e.is_discarded() && e.value("event", "") == kind) events.push_back(std::move(e));
  }
  return events;
}

struct Pixel {
  double x = 0, y = 0;
};

// The centres of the screen marks (small "+" crosses) drawn in [x0, x1) x [y0, y1): pixels from
// which ink, anything but `background`, reaches two pixels along both axes. A 1-pixel curve is
// inked along one axis at a time, so only a cross passes; the candidates of one cross are merged.
std::vector<Pixel> cross_centres(const Image& img, uint32_t background, int x0, int y0, int x1, int y1) {
  struct Cluster {
    double sx = 0, sy = 0;
    int n = 0;
  };
  std::vector<Cluster> found;
  auto ink = [&](int x, int y) { return img.at(x, y) != background; };
  for (int y = y0 + 2; y < y1 - 2; ++y)
    for (int x = x0 + 2; x < x1 - 2; ++x) {
      bool cross = true;
      for (int k = -2; k <= 2 && cross; ++k) cross = ink(x + k, y) && ink(x, y + k);
      if (!cross) continue;
      auto near = std::find_if(found.begin(), found.end(), [&](const Cluster& c) {
        return std::abs(c.sx / c.n - x) <= 4 && std::abs(c.sy / c.n - y) <= 4;
      });
      if (near == found.end()) near = found.insert(found.end(), Cluster{});
      near->sx += x;
      near->sy += y;
      ++near->n;
    }
  std::vector<Pixel> centres;
  for (const Cluster& c : found) centres.push_back({c.sx / c.n, c.sy / c.n});
  std::sort(centres.begin(), centres.end(), [](const Pixel& a, const Pixel& b) { return a.x < b.x; });
  return centres;
}

// The colour most pixels of an image have: the background of a view with a few lines in it.
uint32_t most_common_color(const Image& img) {
  std::map<uint32_t, std::size_t> count;
  for (uint32_t c : img.px) ++count[c];
  return std::max_element(count.begin(), count.end(), [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

// A host run by real events: started in the background, waited for until its window is up.
class InteractiveRun {
 public:
  InteractiveRun(const std::string& env, const std::string& args, const std::string& display, const fs::path& dir)
      : env_(env) {
    started_ = host_.start(env + "'" ORV_TEST_ORVANTIS "' --desktop " + args) && sync_.attach(env, display, dir);
  }
  bool started() const { return started_; }
  /// Sends one xdotool command and waits until the window has drawn its answer; false when
  /// xdotool failed or no answer came.
  bool act(const std::string& what) { return send(what) && sync_.drawn(); }
  /// Sends one xdotool command without waiting (the last one, which ends the host).
  bool send(const std::string& what) { return std::system((env_ + "xdotool " + what).c_str()) == 0; }
  /// The file prompt answered with `path` typed into its field.
  bool open(const std::string& path) {
    return act("mousemove 300 300") && act("key ctrl+a") && act("type --delay 5 '" + path + "'") && act("key Return");
  }
  int wait(double seconds) { return host_.wait(seconds); }

 private:
  std::string env_;
  Background host_;
  WindowSync sync_;
  bool started_ = false;
};

TEST_F(DesktopRun, AClickOnAMarkPicksItsPointExactlyAndAClickFarFromEveryMarkTakesNothing) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  // Five marks whose coordinates are exact in binary, well apart on the screen: t = 0..4 makes
  // (1,0,0) (5,0.25,0) (9,1,0) (13,2.25,0) (17,4,0). The flat arc is seen from the top, x to the
  // right, so the marks stand left to right in the order they were plotted, in a band wider than
  // high that stays above the point prompt.
  std::ofstream(file("arc.eqn")) << "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
                                    "geometry = spline\nx = 4*t + 1\ny = t*t/4\nz = 0\n";
  // With an export path, OK writes the spline and the host leaves without asking about it.
  InteractiveRun run(env(), "--temp-dir '" + dir_.string() + "' --transcript '" + file("run.jsonl") + "' --export '" +
                                file("out.json") + "' 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(file("arc.eqn")));
  ASSERT_TRUE(run.act("key alt+p"));
  // Origin: the dialog steps aside and the view takes the whole width, so the marks are found on
  // the screen as it is now, above the point prompt at the foot.
  ASSERT_TRUE(run.act("key alt+i"));
  Image screen;
  ASSERT_TRUE(grab_screen(xvfb_.display(), screen));
  const std::vector<Pixel> marks =
      cross_centres(screen, most_common_color(screen), 0, 60, kWidth, kHeight - 13 * kLineHeight - 10);
  ASSERT_EQ(marks.size(), 5u) << "one cross a mark";
  for (std::size_t i = 1; i < marks.size(); ++i) ASSERT_GT(marks[i].x - marks[i - 1].x, 40) << "the marks stand apart";
  const Pixel third = marks[2];  // (9, 1, 0), neither end of the curve
  // A click 150 pixels above the third mark, far from every mark and curve end, then Enter.
  ASSERT_TRUE(run.act("mousemove " + std::to_string(static_cast<int>(third.x)) + " " +
                      std::to_string(static_cast<int>(third.y) - 150) + " click 1"));
  ASSERT_TRUE(run.act("key Return"));
  // Origin again; a click a few pixels off the third mark, then Enter.
  ASSERT_TRUE(run.act("key alt+i"));
  ASSERT_TRUE(run.act("mousemove " + std::to_string(static_cast<int>(third.x) + 4) + " " +
                      std::to_string(static_cast<int>(third.y) - 3) + " click 1"));
  ASSERT_TRUE(run.act("key Return"));
  ASSERT_TRUE(run.send("key alt+o"));
  ASSERT_EQ(run.wait(20), 0) << "the host ends when OK is pressed";

  const std::vector<nlohmann::json> picks = transcript_events(file("run.jsonl"), "pick");
  ASSERT_EQ(picks.size(), 2u);
  // The far click left the fields as the prompt opened them, with the origin as it was (the
  // default, 0,0,0, no mark's point); Enter took them.
  EXPECT_EQ(picks[0]["point"], nlohmann::json::array({0.0, 0.0, 0.0})) << picks[0];
  // The near click put the mark's own point in the fields, not the point under the pointer.
  ASSERT_TRUE(picks[1]["point"].is_array()) << picks[1];
  EXPECT_EQ(picks[1]["point"].get<std::vector<double>>(), (std::vector<double>{9, 1, 0})) << picks[1];
}

TEST_F(DesktopRun, AFailedExportStaysInItsPromptQuickKeysAllArriveAndBackReturnsToThePlot) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  const std::string helix = example("helix.eqn");
  InteractiveRun run(env(), "--temp-dir '" + dir_.string() + "' --transcript '" + file("run.jsonl") + "' 2>'" +
                                file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(helix));
  ASSERT_TRUE(run.act("key alt+p"));
  // F3: a path no exporter knows is refused in the prompt, which keeps the path for correcting.
  ASSERT_TRUE(run.act("key F3"));
  ASSERT_TRUE(run.act("type --delay 5 '" + file("h.dwg") + "'"));
  ASSERT_TRUE(run.act("key Return"));
  // End, three Backspaces and the new extension 10 ms apart, faster than any key repeat, then Enter
  // at once: each key reaches the field once, in order, and the Enter is not lost. (Presses of one
  // key within the same millisecond are one press to GLFW's X11 input method filter.)
  ASSERT_TRUE(run.act("key --delay 10 End BackSpace BackSpace BackSpace s t e p Return"));
  EXPECT_FALSE(fs::exists(file("h.dwg")));
  std::stringstream step;
  step << std::ifstream(file("h.step")).rdbuf();
  EXPECT_NE(step.str().find("B_SPLINE_CURVE"), std::string::npos) << "the helix was exported once corrected";
  // Plotted again, not saved: Cancel asks; B goes back to the dialog with the file loaded, where
  // Alt+P plots at once (no file prompt stands in the way); Esc asks again and D leaves.
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.act("key Escape"));
  ASSERT_TRUE(run.act("key b"));
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.act("key Escape"));
  ASSERT_TRUE(run.send("key d"));
  ASSERT_EQ(run.wait(20), 0) << "the host leaves when D discards";
  const std::vector<nlohmann::json> prompts = transcript_events(file("run.jsonl"), "prompt");
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[1]["chosen"], helix) << "back in the plot of the same file";
  EXPECT_EQ(transcript_events(file("run.jsonl"), "q_main").size(), 2u);
}

TEST_F(DesktopRun, TheFilePromptsListOpensOnADoubleClickAndSelectsOnAClick) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  fs::create_directories(file("main/ZLINKS"));
  fs::copy_file(example("helix.eqn"), file("main/ZLINKS/kuvra.eqn"));
  InteractiveRun run(env(), "--main-dir '" + file("main") + "' --temp-dir '" + dir_.string() + "' --transcript '" +
                                file("run.jsonl") + "' 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.act("mousemove 5 400"));
  // The prompt's rows, from where its caption bar stands: the list starts 32 dialog units down
  // its client area, a line a row.
  Image shown;
  ASSERT_TRUE(grab_screen(xvfb_.display(), shown));
  const Box caption = bounds_of(shown, kCaptionActive, 0, 0, kWidth, kHeight);
  ASSERT_FALSE(caption.empty()) << "the file prompt is up";
  const double unit_x = (caption.x1 - caption.x0 + 1) / 280.0, unit_y = kLineHeight / 8.0;
  auto row = [&](int i) {
    return std::to_string(static_cast<int>(caption.x0 + 40 * unit_x)) + " " +
           std::to_string(static_cast<int>(caption.y1 + 2 + 32 * unit_y + (i + 0.5) * kLineHeight));
  };
  // ZLINKS/ lists "../" and kuvra.eqn. A double-click on "../" climbs one level, to main/ ("../",
  // "ZLINKS/", "other.eqn"); a click on ZLINKS/ only selects it (main/ stays listed), a click on
  // other.eqn selects it and the path field follows; Enter opens it.
  std::ofstream(file("main/other.eqn")) << "x = t\n";
  ASSERT_TRUE(run.act("mousemove " + row(0) + " click --repeat 2 --delay 80 1"));
  ASSERT_TRUE(run.act("mousemove " + row(1) + " click 1"));
  ASSERT_TRUE(run.act("mousemove " + row(2) + " click 1"));
  ASSERT_TRUE(run.act("key Return"));
  ASSERT_TRUE(run.send("key alt+c"));
  ASSERT_EQ(run.wait(20), 0) << "nothing plotted: Cancel leaves at once";
  const std::vector<nlohmann::json> prompts = transcript_events(file("run.jsonl"), "prompt");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0]["chosen"], file("main") + "/other.eqn");
}

TEST_F(DesktopRun, EditEquationRunsVisualAndThePlotFollowsTheEditedFile) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  // The "editor" halves the helix: up to 180 degrees, 19 points where the file makes 37.
  const std::string editor = file("halve.sh");
  std::ofstream(editor) << "#!/bin/sh\nsed -i 's/^upper_limit1 = 360$/upper_limit1 = 180/' \"$1\"\n";
  fs::permissions(editor, fs::perms::owner_all);
  const std::string helix = example("helix.eqn");
  InteractiveRun run(env() + "VISUAL='" + editor + "' ",
                     "--temp-dir '" + dir_.string() + "' --transcript '" + file("run.jsonl") + "' --export '" +
                         file("out.json") + "' 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(helix));
  ASSERT_TRUE(run.act("key alt+e"));
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.send("key alt+o"));
  ASSERT_EQ(run.wait(20), 0) << "the host ends when OK is pressed";

  const std::vector<nlohmann::json> edits = transcript_events(file("run.jsonl"), "edit");
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0]["path"], helix);
  std::ifstream in(file("out.json"));
  const nlohmann::json out = nlohmann::json::parse(in, nullptr, false);
  ASSERT_FALSE(out.is_discarded()) << "the export is JSON";
  ASSERT_EQ(out["entities"].size(), 1u);
  EXPECT_EQ(out["entities"][0]["through"].size(), 19u) << "the spline of the edited file";
  EXPECT_EQ(out["screen"]["marks"].size(), 19u);
  std::stringstream text;
  text << std::ifstream(helix).rdbuf();
  EXPECT_NE(text.str().find("upper_limit1 = 180"), std::string::npos) << "the edit stays in the file";
}

// Waits until the transcript holds `count` events of `kind`; false after `seconds`.
bool wait_for_events(const std::string& path, const std::string& kind, std::size_t count, double seconds) {
  for (double waited = 0; waited < seconds; waited += 0.1) {
    if (transcript_events(path, kind).size() >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// By real keys and clicks: Ctrl+Z takes back the last plot, F4 clears and Ctrl+Z brings it back, a
// click on the curve picks it and Delete removes it; with --live, the equation file saved by
// another program plots again in place of the last plot, and a save with a broken line keeps the
// last good plot. The title names the file; the export at the end holds what is on the screen.
TEST_F(DesktopRun, UndoDeleteClearAndLiveEditByRealKeys) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  // A flat arc of five marks, well apart, in the top view's plane: the curve passes through them.
  const std::string arc = file("arc.eqn");
  const std::string text = "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
                           "geometry = spline\nx = 4*t + 1\ny = t*t/4\nz = 0\n";
  std::ofstream(arc) << text;
  const std::string log = file("run.jsonl");
  InteractiveRun run(env(), "--live --temp-dir '" + dir_.string() + "' --transcript '" + log + "' --export '" +
                                file("out.json") + "' 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(arc));
  EXPECT_EQ(std::system((env() + "timeout 20 xdotool search --sync --name '^arc.eqn \u2014 Orvantis$' >/dev/null").c_str()), 0)
      << "the title names the file";
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.act("key ctrl+z"));
  ASSERT_TRUE(run.act("key F4"));
  ASSERT_TRUE(run.act("key ctrl+z"));
  // The marks on the screen: a click on the middle one picks the spline through it.
  Image screen;
  ASSERT_TRUE(grab_screen(xvfb_.display(), screen));
  MainDialog main;
  Box caption;
  ASSERT_TRUE(find_main_dialog(screen, main, caption));
  const std::vector<Pixel> marks =
      cross_centres(screen, most_common_color(screen), 0, 60, static_cast<int>(caption.x0) - 10, kHeight - 130);  // above the axis marker
  ASSERT_EQ(marks.size(), 5u) << "one cross a mark";
  ASSERT_TRUE(run.act("mousemove " + std::to_string(static_cast<int>(marks[2].x)) + " " +
                      std::to_string(static_cast<int>(marks[2].y)) + " click 1"));
  ASSERT_TRUE(run.act("key Delete"));
  ASSERT_TRUE(run.act("key ctrl+z"));
  std::vector<std::string> told;
  for (const nlohmann::json& e : transcript_events(log, "history")) told.push_back(e["words"]);
  EXPECT_EQ(told, (std::vector<std::string>{
                      "Undid the last plot: 1 spline, 5 marks",
                      "Cleared 1 spline, 5 marks; Ctrl+Z brings it back",
                      "Undid the clear: 1 spline, 5 marks back",
                      "Deleted the spline (entity 1); Ctrl+Z brings it back",
                      "Undid the delete: the spline (entity 1) is back",
                  }));

  // Saved by another program, through a rename: twice as many steps.
  auto save = [&](const std::string& content) {
    std::ofstream(arc + ".new") << content;
    fs::rename(arc + ".new", arc);
  };
  const std::string finer = "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 0.5\n"
                            "geometry = spline\nx = 4*t + 1\ny = t*t/4\nz = 0\n";
  save(finer);
  ASSERT_TRUE(wait_for_events(log, "live_edit", 1, 20)) << "the save is seen and plotted";
  save(finer + "y = (t\n");
  ASSERT_TRUE(wait_for_events(log, "live_edit", 2, 20)) << "the broken save is seen";
  const std::vector<nlohmann::json> live = transcript_events(log, "live_edit");
  EXPECT_EQ(live[0]["replotted"], true) << live[0];
  EXPECT_EQ(live[0]["words"], "Live edit: arc.eqn plotted again: 1 spline, 9 marks");
  EXPECT_EQ(live[1]["replotted"], false) << live[1];
  EXPECT_NE(live[1]["words"].get<std::string>().find("not read"), std::string::npos) << live[1];
  // The broken line is told in the frame: text in the colour of a warning under the title.
  Image broken;
  ASSERT_TRUE(grab_screen(xvfb_.display(), broken));
  EXPECT_FALSE(bounds_of(broken, 0xFFDC3C, 0, 0, kWidth / 2, kHeight / 3).empty()) << "the report stands in the frame";

  ASSERT_TRUE(run.send("key Escape"));
  ASSERT_EQ(run.wait(20), 0) << "Cancel ends the host; the export keeps the geometry";
  std::ifstream in(file("out.json"));
  const nlohmann::json out = nlohmann::json::parse(in, nullptr, false);
  ASSERT_FALSE(out.is_discarded()) << "the export is JSON";
  ASSERT_EQ(out["entities"].size(), 1u) << "the run again took the place of the plot before it";
  EXPECT_EQ(out["entities"][0]["through"].size(), 9u) << "the spline of the good save";
  EXPECT_EQ(out["screen"]["marks"].size(), 9u);
}

}  // namespace

namespace {

// The centres of the blobs of exactly one colour within [x0, x1) x [y0, y1): the pixels of one
// blob lie within `reach` of its first pixel. Sorted left to right.
std::vector<Pixel> blobs_of(const Image& img, uint32_t color, int x0, int y0, int x1, int y1, double reach = 8) {
  struct Blob {
    double fx, fy, sx = 0, sy = 0;
    int n = 0;
  };
  std::vector<Blob> found;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      if (img.at(x, y) != color) continue;
      auto near = std::find_if(found.begin(), found.end(),
                               [&](const Blob& b) { return std::hypot(b.fx - x, b.fy - y) <= reach; });
      if (near == found.end()) near = found.insert(found.end(), Blob{static_cast<double>(x), static_cast<double>(y)});
      near->sx += x;
      near->sy += y;
      ++near->n;
    }
  std::vector<Pixel> out;
  for (const Blob& b : found) out.push_back({b.sx / b.n, b.sy / b.n});
  std::sort(out.begin(), out.end(), [](const Pixel& a, const Pixel& b) { return a.x < b.x; });
  return out;
}

TEST_F(DesktopRun, AnExportedPictureShowsTheViewOnTheScreen) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  // Five stored points of a curve in space, yellow (colour 14, which neither axis marker uses).
  std::ofstream(file("space.eqn")) << "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
                                      "geometry = points\nx = 4*t\ny = t*t\nz = t*t*t/4\n";
  InteractiveRun run(env(), "--temp-dir '" + dir_.string() + "' --color 14 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(file("space.eqn")));
  ASSERT_TRUE(run.act("key alt+p"));
  // Turned away from the view it opened in (30 degrees round, 15 higher), then zoomed out about a
  // point right of and below the centre, which pans the view too.
  for (const char* key : {"F2", "Left", "Left", "Up", "F2"}) ASSERT_TRUE(run.act(std::string("key ") + key));
  Image before;
  ASSERT_TRUE(grab_screen(xvfb_.display(), before));
  MainDialog dialog;
  Box caption;
  ASSERT_TRUE(find_main_dialog(before, dialog, caption));
  const double graphics_w = caption.x0 - 2 - 8;  // the dialog's frame, less the gap before it
  const Pixel centre{graphics_w / 2, 30 + (kHeight - 60) / 2.0};
  ASSERT_TRUE(run.act("mousemove " + std::to_string(static_cast<int>(centre.x + 90)) + " " +
                      std::to_string(static_cast<int>(centre.y + 60)) + " click 5"));
  ASSERT_TRUE(run.act("mousemove 5 " + std::to_string(kHeight - 5)));  // nothing hovered
  Image screen;
  ASSERT_TRUE(grab_screen(xvfb_.display(), screen));
  ASSERT_TRUE(run.act("key F3"));
  ASSERT_TRUE(run.act("type --delay 5 '" + file("view.png") + "'"));
  ASSERT_TRUE(run.act("key Return"));
  ASSERT_TRUE(run.send("key alt+o"));
  ASSERT_EQ(run.wait(20), 0) << "the host leaves: the export saved the geometry";

  const uint32_t yellow = 0xFFEB40;  // colour 14 as the window and the picture draw it
  const int right = static_cast<int>(graphics_w) - 4;
  const std::vector<Pixel> on_screen = blobs_of(screen, yellow, 0, 60, right, kHeight - 60);
  const std::vector<Pixel> unzoomed = blobs_of(before, yellow, 0, 60, right, kHeight - 60);
  Image picture;
  ASSERT_TRUE(read_png(file("view.png"), picture));
  ASSERT_EQ(picture.w, 1200);
  const double legend = std::clamp(picture.h / 42.0, 9.0, 22.0) * 2;
  const std::vector<Pixel> in_picture =
      blobs_of(picture, yellow, 0, 0, picture.w, static_cast<int>(picture.h - legend), 24);  // crosses reach further
  ASSERT_EQ(on_screen.size(), 5u) << "one blob a point on the screen";
  ASSERT_EQ(unzoomed.size(), 5u);
  ASSERT_EQ(in_picture.size(), 5u) << "one blob a point in the picture";
  // The wheel zoomed about the pointer: the point under it stays, the others come nearer it.
  const Pixel pointer{centre.x + 90, centre.y + 60};
  for (std::size_t i = 0; i < 5; ++i) {
    const double k = std::hypot(on_screen[i].x - pointer.x, on_screen[i].y - pointer.y) /
                     std::hypot(unzoomed[i].x - pointer.x, unzoomed[i].y - pointer.y);
    EXPECT_NEAR(k, 1 / 1.25, 0.03) << "point " << i;
  }
  // Zoomed out, the points (the whole content) fill 0.8 of what the fit gives them, on the screen
  // and in the picture, each within its margin (0.06 and 0.07 of its smaller side).
  auto filled = [](const std::vector<Pixel>& pts, double w, double h, double margin) {
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const Pixel& p : pts) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    const double m = margin * std::min(w, h);
    return std::max((x1 - x0) / (w - 2 * m), (y1 - y0) / (h - 2 * m));
  };
  EXPECT_NEAR(filled(on_screen, graphics_w, kHeight - 60, 0.06), 1 / 1.25, 0.02);
  EXPECT_NEAR(filled(in_picture, picture.w, picture.h - legend, 0.07), 1 / 1.25, 0.02);
  // The picture is the screen's view at another scale about its own centre: every point's offset
  // from the centre, in units of the first-to-last distance, is the same in both (camera, zoom
  // and pan alike).
  const Pixel pic_centre{picture.w / 2.0, (picture.h - legend) / 2};
  const double s_screen = std::hypot(on_screen[4].x - on_screen[0].x, on_screen[4].y - on_screen[0].y);
  const double s_picture = std::hypot(in_picture[4].x - in_picture[0].x, in_picture[4].y - in_picture[0].y);
  ASSERT_GT(s_screen, 100);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_NEAR((on_screen[i].x - centre.x) / s_screen, (in_picture[i].x - pic_centre.x) / s_picture, 0.012) << i;
    EXPECT_NEAR((on_screen[i].y - centre.y) / s_screen, (in_picture[i].y - pic_centre.y) / s_picture, 0.012) << i;
  }
}

}  // namespace

namespace {

TEST_F(DesktopRun, HoverTellsCoordinatesAClickMeasuresAndGShowsTheGroundGrid) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  std::ofstream(file("space.eqn")) << "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
                                      "geometry = points\nx = 4*t\ny = t*t\nz = t*t*t/4\n";
  InteractiveRun run(env(), "--temp-dir '" + dir_.string() + "' --color 14 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(file("space.eqn")));
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.act("mousemove 5 " + std::to_string(kHeight - 5)));
  Image idle, hovered, picked;
  ASSERT_TRUE(grab_screen(xvfb_.display(), idle));
  MainDialog dialog;
  Box caption;
  ASSERT_TRUE(find_main_dialog(idle, dialog, caption));
  const int right = static_cast<int>(caption.x0) - 14;
  const std::vector<Pixel> points = blobs_of(idle, 0xFFEB40, 0, 60, right, kHeight - 60);
  ASSERT_EQ(points.size(), 5u);
  const Pixel p = points[2];
  // A few pixels off the third point: it snaps to the point.
  ASSERT_TRUE(run.act("mousemove " + std::to_string(static_cast<int>(p.x) + 5) + " " +
                      std::to_string(static_cast<int>(p.y) - 4)));
  ASSERT_TRUE(grab_screen(xvfb_.display(), hovered));
  ASSERT_TRUE(run.act("click 1"));
  ASSERT_TRUE(grab_screen(xvfb_.display(), picked));
  // The ground grid: g with the view keys, the pointer out of the way.
  Image grid;
  for (const char* a : {"mousemove 5 795", "key F2", "type g", "key F2"}) ASSERT_TRUE(run.act(a));
  ASSERT_TRUE(grab_screen(xvfb_.display(), grid));
  ASSERT_TRUE(run.send("key Escape"));  // Cancel; the question about the unsaved points follows
  ASSERT_TRUE(run.send("key d"));
  EXPECT_EQ(run.wait(20), 0);

  // The readout's and the snap marker's cyan, or text of it blended into the dark background.
  auto cyan_bounds = [](const Image& img, int x0, int y0, int x1, int y1) {
    Box b;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const uint32_t c = img.at(x, y);
        const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, bl = c & 0xFF;
        if (bl > 110 && bl > r + 60 && g > r + 50) {
          b.x0 = std::min(b.x0, x);
          b.y0 = std::min(b.y0, y);
          b.x1 = std::max(b.x1, x);
          b.y1 = std::max(b.y1, y);
        }
      }
    return b;
  };
  EXPECT_TRUE(cyan_bounds(idle, 120, 30, right, kHeight - 40).empty()) << "nothing hovered, nothing told";
  // The marker rings the point itself, not the pointer.
  const Box ring = cyan_bounds(hovered, static_cast<int>(p.x) - 20, static_cast<int>(p.y) - 20,
                             static_cast<int>(p.x) + 20, static_cast<int>(p.y) + 20);
  ASSERT_FALSE(ring.empty()) << "a ring at the snapped point";
  EXPECT_NEAR((ring.x0 + ring.x1) / 2.0, p.x, 1.5);
  EXPECT_NEAR((ring.y0 + ring.y1) / 2.0, p.y, 1.5);
  // The coordinates: one line at the frame's top right; a click adds the measures' line under it.
  const Box one = cyan_bounds(hovered, right / 2, 30, right, 30 + 3 * kLineHeight);
  const Box two = cyan_bounds(picked, right / 2, 30, right, 30 + 3 * kLineHeight);
  ASSERT_FALSE(one.empty());
  ASSERT_FALSE(two.empty());
  EXPECT_GT(one.x1, right - 20) << "right-aligned";
  EXPECT_LT(one.y1 - one.y0, 1.3 * kLineHeight) << "one line";
  EXPECT_GT(two.y1 - two.y0, 1.5 * kLineHeight) << "two lines";
  // The grid's grey lines under the points, where the view was its background.
  const uint32_t background = most_common_color(idle);
  std::size_t grey = 0;
  for (int y = 80; y < kHeight - 80; ++y)
    for (int x = 120; x < right; ++x) {
      const uint32_t c = grid.at(x, y);
      const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      grey += idle.at(x, y) == background && c != background && std::abs(r - g) < 12 && std::abs(b - g) < 16;
    }
  EXPECT_GT(grey, 3000u) << "grid lines across the view";
}

// The perspective toggle (p with the view keys, and the toolbar's button): the shaded torus
// changes and still fits the view, and going back to parallel gives the same picture again.
TEST_F(DesktopRun, PerspectiveChangesTheTorusWhichStillFitsAndParallelComesBack) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  InteractiveRun run(env(), "--temp-dir '" + dir_.string() + "' 2>'" + file("host.txt") + "'", xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(example("torus.eqn")));
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.act("mousemove 5 " + std::to_string(kHeight - 5)));  // nothing hovered
  Image parallel, perspective, again;
  ASSERT_TRUE(grab_screen(xvfb_.display(), parallel));
  for (const char* a : {"key F2", "type p", "key F2"}) ASSERT_TRUE(run.act(a));
  ASSERT_TRUE(grab_screen(xvfb_.display(), perspective));
  // Back to parallel by the toolbar's button, the eleventh (after the eight views, Fit and Grid):
  // runs of the buttons' colour along a row through them.
  std::vector<std::pair<int, int>> buttons;
  for (int x = 0, start = -1; x <= kWidth; ++x) {
    const bool on = x < kWidth && perspective.at(x, 4) == 0x23456D;
    if (on && start < 0) start = x;
    if (!on && start >= 0) {
      if (x - start > 10) buttons.push_back({start, x - 1});
      start = -1;
    }
  }
  ASSERT_GE(buttons.size(), 11u) << "the toolbar's buttons";
  const int button_x = (buttons[10].first + buttons[10].second) / 2;
  ASSERT_TRUE(run.act("mousemove " + std::to_string(button_x) + " 10 click 1"));
  ASSERT_TRUE(run.act("mousemove 5 " + std::to_string(kHeight - 5)));
  ASSERT_TRUE(grab_screen(xvfb_.display(), again));
  ASSERT_TRUE(run.send("key Escape"));
  ASSERT_TRUE(run.send("key d"));
  EXPECT_EQ(run.wait(20), 0);

  MainDialog dialog;
  Box caption;
  ASSERT_TRUE(find_main_dialog(parallel, dialog, caption));
  const int right = static_cast<int>(caption.x0) - 10, top = 30 + 2 * kLineHeight, bottom = kHeight - 30 - 4 * kLineHeight;
  const uint32_t background = most_common_color(parallel);
  // What is not background in the view (the torus, above the axis marker and the captions).
  auto shape = [&](const Image& img) {
    Box b;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < right; ++x)
        if (img.at(x, y) != background) {
          b.x0 = std::min(b.x0, x);
          b.y0 = std::min(b.y0, y);
          b.x1 = std::max(b.x1, x);
          b.y1 = std::max(b.y1, y);
        }
    return b;
  };
  std::size_t changed = 0, back = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < right; ++x) {
      changed += parallel.at(x, y) != perspective.at(x, y);
      back += parallel.at(x, y) != again.at(x, y);
    }
  EXPECT_GT(changed, 5000u) << "the torus is drawn otherwise in perspective";
  EXPECT_LT(back, 50u) << "parallel again is the picture it was";
  // Both fit: the torus is wider than high and fills the view's width less its margins.
  const double graphics_w = caption.x0 - 2 - 8;
  for (const Image* img : {&parallel, &perspective}) {
    const Box b = shape(*img);
    ASSERT_FALSE(b.empty());
    EXPECT_GT(b.x0, 0.06 * (kHeight - 60) - 6);
    EXPECT_LT(b.x1, graphics_w - 0.06 * (kHeight - 60) + 6);
    EXPECT_NEAR((b.x1 - b.x0) / (graphics_w - 2 * 0.06 * (kHeight - 60)), 1.0, 0.03);
  }
}

// In perspective the screen marks and the click that snaps to them go through the same projection:
// a click a few pixels off a mark, where perspective has moved it, fills the point prompt with the
// mark's own point.
TEST_F(DesktopRun, InPerspectiveAClickOnAMarkOfACurvePicksItsPoint) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  // Marks exact in binary along a curve in space: (1,0,0) (5,0.25,0.0625) (9,1,0.5) (13,2.25,1.6875)
  // (17,4,4).
  std::ofstream(file("space.eqn")) << "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
                                      "geometry = spline\nx = 4*t + 1\ny = t*t/4\nz = t*t*t/16\n";
  InteractiveRun run(env(), "--temp-dir '" + dir_.string() + "' --transcript '" + file("run.jsonl") + "' --export '" +
                                file("out.json") + "' 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(file("space.eqn")));
  ASSERT_TRUE(run.act("key alt+p"));
  // The point prompt (Origin): the dialog steps aside; the marks in parallel, then in perspective.
  ASSERT_TRUE(run.act("key alt+i"));
  ASSERT_TRUE(run.act("mousemove 5 " + std::to_string(kHeight - 5)));
  Image parallel, perspective;
  ASSERT_TRUE(grab_screen(xvfb_.display(), parallel));
  ASSERT_TRUE(run.act("key Escape"));
  for (const char* a : {"key F2", "type p", "key F2", "key alt+i", "mousemove 5 795"}) ASSERT_TRUE(run.act(a));
  ASSERT_TRUE(grab_screen(xvfb_.display(), perspective));
  const int bottom = kHeight - 13 * kLineHeight - 10;  // above the point prompt
  const std::vector<Pixel> par = cross_centres(parallel, most_common_color(parallel), 0, 60, kWidth, bottom);
  const std::vector<Pixel> per = cross_centres(perspective, most_common_color(perspective), 0, 60, kWidth, bottom);
  ASSERT_EQ(par.size(), 5u) << "one cross a mark";
  ASSERT_EQ(per.size(), 5u) << "one cross a mark";
  const double moved = std::hypot(per[2].x - par[2].x, per[2].y - par[2].y);
  EXPECT_GT(moved, 16) << "perspective moves the third mark out of the parallel one's snap";
  ASSERT_TRUE(run.act("mousemove " + std::to_string(static_cast<int>(per[2].x) + 4) + " " +
                      std::to_string(static_cast<int>(per[2].y) - 3) + " click 1"));
  ASSERT_TRUE(run.act("key Return"));
  ASSERT_TRUE(run.send("key alt+o"));
  ASSERT_EQ(run.wait(20), 0) << "the host ends when OK is pressed";

  const std::vector<nlohmann::json> picks = transcript_events(file("run.jsonl"), "pick");
  ASSERT_EQ(picks.size(), 2u) << "the prompt left by Esc, then the one answered";
  ASSERT_TRUE(picks[1]["point"].is_array()) << picks[1];
  EXPECT_EQ(picks[1]["point"].get<std::vector<double>>(), (std::vector<double>{9, 1, 0.5})) << picks[1];
}

// A picture exported in perspective shows the perspective on the screen: its points stand as the
// screen's do, at another scale about its centre, and not as they stand in parallel.
TEST_F(DesktopRun, APictureExportedInPerspectiveShowsThePerspective) {
  if (find_program("xdotool").empty()) GTEST_SKIP() << "no xdotool installed: real window-system events are not tested";
  std::ofstream(file("space.eqn")) << "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 4\nstep_size1 = 1\n"
                                      "geometry = points\nx = 4*t\ny = -t*t\nz = t*t*t/4\n";
  InteractiveRun run(env(), "--temp-dir '" + dir_.string() + "' --color 14 2>'" + file("host.txt") + "'",
                     xvfb_.display(), dir_);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.open(file("space.eqn")));
  ASSERT_TRUE(run.act("key alt+p"));
  ASSERT_TRUE(run.act("mousemove 5 " + std::to_string(kHeight - 5)));
  Image parallel, perspective;
  ASSERT_TRUE(grab_screen(xvfb_.display(), parallel));
  for (const char* a : {"key F2", "type p", "key F2"}) ASSERT_TRUE(run.act(a));
  ASSERT_TRUE(grab_screen(xvfb_.display(), perspective));
  ASSERT_TRUE(run.act("key F3"));
  ASSERT_TRUE(run.act("type --delay 5 '" + file("view.png") + "'"));
  ASSERT_TRUE(run.act("key Return"));
  ASSERT_TRUE(run.send("key alt+o"));
  ASSERT_EQ(run.wait(20), 0) << "the host leaves: the export saved the geometry";

  MainDialog dialog;
  Box caption;
  ASSERT_TRUE(find_main_dialog(parallel, dialog, caption));
  const int right = static_cast<int>(caption.x0) - 14;
  const std::vector<Pixel> par = blobs_of(parallel, 0xFFEB40, 0, 60, right, kHeight - 60);
  const std::vector<Pixel> per = blobs_of(perspective, 0xFFEB40, 0, 60, right, kHeight - 60);
  Image picture;
  ASSERT_TRUE(read_png(file("view.png"), picture));
  const double legend = std::clamp(picture.h / 42.0, 9.0, 22.0) * 2;
  const std::vector<Pixel> pic = blobs_of(picture, 0xFFEB40, 0, 0, picture.w, static_cast<int>(picture.h - legend), 24);
  ASSERT_EQ(par.size(), 5u);
  ASSERT_EQ(per.size(), 5u);
  ASSERT_EQ(pic.size(), 5u) << "one blob a point in the picture";
  const double graphics_w = caption.x0 - 2 - 8;
  const Pixel centre{graphics_w / 2, 30 + (kHeight - 60) / 2.0};
  const Pixel pic_centre{picture.w / 2.0, (picture.h - legend) / 2};
  auto unit = [](const std::vector<Pixel>& p) { return std::hypot(p[4].x - p[0].x, p[4].y - p[0].y); };
  double off_parallel = 0;
  for (std::size_t i = 0; i < 5; ++i) {
    const double px = (pic[i].x - pic_centre.x) / unit(pic), py = (pic[i].y - pic_centre.y) / unit(pic);
    EXPECT_NEAR((per[i].x - centre.x) / unit(per), px, 0.012) << i;
    EXPECT_NEAR((per[i].y - centre.y) / unit(per), py, 0.012) << i;
    off_parallel = std::max({off_parallel, std::abs((par[i].x - centre.x) / unit(par) - px),
                             std::abs((par[i].y - centre.y) / unit(par) - py)});
  }
  EXPECT_GT(off_parallel, 0.1) << "the picture is not the parallel view";
}

}  // namespace
