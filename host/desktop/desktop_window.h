// The one window of the desktop front end: a GLFW window with an OpenGL 3 core context and a Dear
// ImGui context over it. GLFW and ImGui were chosen because one immediate-mode toolkit draws our own
// window model exactly as it is (the platform's windows from their templates, as the terminal draws
// them in cells) and takes scripted input, with no second dialog implementation; the 3D view is
// plain OpenGL under the ImGui layer. The window keeps the raw keys, text and mouse events GLFW
// reports, in order, for the front end to turn into the dialog manager's events.
//
// Waiting for a drawn frame: a program driving the window (a test, a script with xdotool) sets the
// window's X property _ORVANTIS_SYNC to a number after its input; the window sets _ORVANTIS_DRAWN
// to that number once it has taken every input sent before it and drawn the frames that show what
// it did. The X server delivers events in order, so the input is in the window's queue by the time
// it reads the number.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "desktop/desktop_layout.h"

struct GLFWwindow;

namespace orv::desktop {

/// One input as GLFW reported it.
struct RawInput {
  enum class Kind { Key, Char, Button, Scroll } kind = Kind::Key;
  int key = 0;       // Key: GLFW key code; Button: the button
  int mods = 0;      // GLFW modifier bits
  bool press = true; // Key, Button: pressed (or repeated) rather than released
  char32_t ch = 0;   // Char
  double x = 0, y = 0;  // Button: the cursor; Scroll: the offsets
};

/// The most framebuffer pixels the window draws: colour, depth, the 3D view's own buffers and a
/// captured frame cost about 20 bytes a pixel, so this keeps a window of any size within about
/// 340 MB. Enough for a 5K screen.
constexpr long long kMaxFramebufferPixels = 5120LL * 3200;

struct FramebufferSize {
  int w = 0, h = 0;
};

/// The framebuffer size the window keeps for one `w` x `h` pixels: each side at most `max_side`
/// (the GL implementation's limit) and no more than `max_pixels` in all, the shape kept as nearly
/// as whole pixels allow; never less than 1 x 1.
FramebufferSize capped_framebuffer(int w, int h, int max_side, long long max_pixels = kMaxFramebufferPixels);

class DesktopWindow {
 public:
  DesktopWindow() = default;
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;
  ~DesktopWindow();

  /// Opens the window (`width` x `height` pixels); false with `err` when there is no display or no
  /// OpenGL 3.3 core context.
  bool open(int width, int height, const std::string& title, std::string& err);
  bool is_open() const { return window_ != nullptr; }
  void close();

  /// Waits up to `timeout` seconds for window-system events and queues them; true when something
  /// came that a new frame should show (input, a move of the pointer, a resize, a close request).
  bool wait(double timeout);
  /// Takes the events that are there, then starts an ImGui frame.
  void begin_frame();
  /// Renders the ImGui layer over what was drawn and shows the frame.
  void end_frame();
  /// Makes the next end_frame() keep a copy of the frame's pixels as shown.
  void request_capture() { capture_ = true; }
  /// Writes the frame kept by the last capture as a PNG; false with "path: reason".
  bool write_capture(const std::string& path, std::string& err);

  /// True when the last begin_frame() took input, or saw a new _ORVANTIS_SYNC number.
  bool frame_had_input() const { return frame_input_; }
  /// Tells whoever waits on _ORVANTIS_SYNC that everything sent before the number the last frame
  /// saw is drawn (sets _ORVANTIS_DRAWN to it). Without X11 it does nothing.
  void publish_drawn();
  /// The _ORVANTIS_SYNC number the last frame saw (0 when none was set).
  uint32_t sync_seen() const { return sync_seen_; }

  /// True once the person asked the window to close (cleared by take_close_request).
  bool take_close_request();
  std::deque<RawInput>& input() { return input_; }
  /// The cursor, in pixels from the window's top left.
  void cursor(double& x, double& y) const;
  bool button_down(int button) const;

  /// The window's size in its own units (the pointer's and ImGui's), and the pixels of its
  /// framebuffer per unit (more than 1 on a high-density screen).
  int width() const { return width_; }
  int height() const { return height_; }
  float pixel_scale() const { return width_ > 0 ? static_cast<float>(fb_w_) / static_cast<float>(width_) : 1.0f; }
  const FontMetrics& font() const { return font_; }
  GLFWwindow* handle() const { return window_; }

 private:
  static void on_key(GLFWwindow* w, int key, int scancode, int action, int mods);
  static void on_char(GLFWwindow* w, unsigned int ch, int mods);
  static void on_button(GLFWwindow* w, int button, int action, int mods);
  static void on_scroll(GLFWwindow* w, double dx, double dy);
  static void on_close(GLFWwindow* w);
  static void on_cursor(GLFWwindow* w, double x, double y);
  static void on_size(GLFWwindow* w, int width, int height);
  /// Reads the window's size; a window made larger than capped_framebuffer allows is sized back
  /// before anything is drawn at its size.
  void take_size();
  /// The window's _ORVANTIS_SYNC number, read from the X server (0 when unset or not on X11).
  uint32_t read_sync() const;

  GLFWwindow* window_ = nullptr;
  bool imgui_ = false;
  bool glfw_ = false;
  int width_ = 0, height_ = 0;  // window units
  int fb_w_ = 0, fb_h_ = 0;      // framebuffer pixels
  int max_side_ = 0;             // the GL implementation's largest framebuffer side
  FontMetrics font_;
  std::deque<RawInput> input_;
  bool close_requested_ = false;
  bool capture_ = false;
  bool activity_ = false;  // something came since the last wait()
  bool frame_input_ = false;   // the last frame took input
  uint32_t sync_seen_ = 0;      // _ORVANTIS_SYNC as the last frame read it
  uint32_t sync_published_ = 0; // _ORVANTIS_DRAWN as last set
  // Key releases held back to the next frame: a key pressed and released between two frames would
  // otherwise never be seen down by ImGui, which looks at the keys once a frame.
  std::vector<std::array<int, 4>> held_releases_;  // key, scancode, action, mods
  std::vector<int> pressed_in_frame_;
  std::vector<unsigned char> pixels_;  // the captured frame, RGBA rows from the bottom up
  int pixels_w_ = 0, pixels_h_ = 0;
};

}  // namespace orv::desktop
