// The GLFW window, its ImGui context and font, the raw input queue and the PNG of a frame.
#define GL_GLEXT_PROTOTYPES
#include "desktop/desktop_window.h"

#include <GLFW/glfw3.h>
#include <GL/glcorearb.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>
#include <cairo.h>
#include <imgui.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

// Last, since Xlib's macros (None, Bool, Status, ...) would clash with names in the headers above.
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <X11/Xatom.h>

namespace orv::desktop {

namespace {

// The interface font, when the system has it (fonts-dejavu-core); ImGui's own font otherwise.
constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr float kFontPixels = 15.0f;

// Latin, general punctuation (the middle dot, dashes, the ellipsis) and the arrows.
const ImWchar kGlyphRanges[] = {0x0020, 0x024F, 0x2010, 0x2027, 0x2190, 0x2193, 0x25B2, 0x25BC, 0};

// GLFW's description of its last error, for the message when the window cannot be opened.
std::string g_glfw_error;
void on_glfw_error(int code, const char* description) {
  g_glfw_error = description ? description : "error " + std::to_string(code);
}

DesktopWindow* owner(GLFWwindow* w) { return static_cast<DesktopWindow*>(glfwGetWindowUserPointer(w)); }

bool is_regular_file(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

FramebufferSize capped_framebuffer(int w, int h, int max_side, long long max_pixels) {
  w = std::max(w, 1);
  h = std::max(h, 1);
  max_side = std::max(max_side, 1);
  double scale = std::min({1.0, static_cast<double>(max_side) / w, static_cast<double>(max_side) / h});
  const double pixels = static_cast<double>(w) * h * scale * scale;
  if (pixels > static_cast<double>(max_pixels)) scale *= std::sqrt(static_cast<double>(max_pixels) / pixels);
  if (scale >= 1.0) return {w, h};
  // A hair over the product, so that a side the scale was made from is not a pixel short.
  FramebufferSize out{std::clamp(static_cast<int>(w * scale + 1e-6), 1, max_side),
                      std::clamp(static_cast<int>(h * scale + 1e-6), 1, max_side)};
  // Rounding may leave a pixel row too many.
  while (static_cast<long long>(out.w) * out.h > max_pixels && (out.w > 1 || out.h > 1)) {
    if (out.w >= out.h) --out.w; else --out.h;
  }
  return out;
}

DesktopWindow::~DesktopWindow() { close(); }

bool DesktopWindow::open(int width, int height, const std::string& title, std::string& err) {
  glfwSetErrorCallback(on_glfw_error);
  g_glfw_error.clear();
  if (!glfwInit()) {
    err = "no display: the window system cannot be reached (" + (g_glfw_error.empty() ? "is DISPLAY set?" : g_glfw_error) + ")";
    return false;
  }
  glfw_ = true;
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
  window_ = glfwCreateWindow(width, height, title.c_str(), nullptr, nullptr);
  if (!window_) {
    err = "the window cannot be made: no OpenGL 3.3 core context (" + g_glfw_error + ")";
    close();
    return false;
  }
  glfwMakeContextCurrent(window_);
  glfwSwapInterval(0);  // frames come when input comes; never wait for the screen's refresh
  glfwSetWindowUserPointer(window_, this);
  glfwSetKeyCallback(window_, on_key);
  glfwSetCharModsCallback(window_, on_char);
  glfwSetMouseButtonCallback(window_, on_button);
  glfwSetScrollCallback(window_, on_scroll);
  glfwSetWindowCloseCallback(window_, on_close);
  glfwSetCursorPosCallback(window_, on_cursor);
  glfwSetFramebufferSizeCallback(window_, on_size);

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  imgui_ = true;
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // no imgui.ini written into the user's directory
  io.LogFilename = nullptr;
  ImGui::StyleColorsDark();
  ImGuiStyle& style = ImGui::GetStyle();
  // Windows over the view are opaque: text over geometry is hard to read.
  style.Colors[ImGuiCol_WindowBg].w = 1.0f;
  style.Colors[ImGuiCol_PopupBg].w = 1.0f;
  style.WindowRounding = 0;
  style.FrameRounding = 2;
  if (is_regular_file(kFontPath)) io.Fonts->AddFontFromFileTTF(kFontPath, kFontPixels, nullptr, kGlyphRanges);
  if (io.Fonts->Fonts.empty()) io.Fonts->AddFontDefault();
  // ImGui's input callbacks are called from ours (below), so that a key release can wait a frame.
  ImGui_ImplGlfw_InitForOpenGL(window_, false);
  glfwSetWindowFocusCallback(window_, ImGui_ImplGlfw_WindowFocusCallback);
  glfwSetCursorEnterCallback(window_, ImGui_ImplGlfw_CursorEnterCallback);
  glfwSetMonitorCallback(ImGui_ImplGlfw_MonitorCallback);
  ImGui_ImplOpenGL3_Init("#version 330 core");
  io.Fonts->Build();

  // The base units: the mean width of the letters, and the line height.
  ImFont* font = io.Fonts->Fonts[0];
  const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const float total = font->CalcTextSizeA(font->FontSize, 1e9f, 0, letters).x;
  font_.char_w = total / static_cast<float>(std::strlen(letters));
  font_.line_h = font->FontSize;
  // The largest framebuffer the implementation draws: its renderbuffer and viewport limits.
  GLint viewport_max[2] = {0, 0}, renderbuffer_max = 0;
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport_max);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer_max);
  max_side_ = std::max(1, std::min({viewport_max[0], viewport_max[1], renderbuffer_max}));
  glfwSetWindowSizeLimits(window_, GLFW_DONT_CARE, GLFW_DONT_CARE, max_side_, max_side_);  // for a window manager
  take_size();
  return true;
}

void DesktopWindow::take_size() {
  glfwGetWindowSize(window_, &width_, &height_);
  glfwGetFramebufferSize(window_, &fb_w_, &fb_h_);
  const FramebufferSize cap = capped_framebuffer(fb_w_, fb_h_, max_side_);
  if (cap.w == fb_w_ && cap.h == fb_h_) return;
  // Window units per framebuffer pixel, so that a high-density screen is sized back alike.
  const double unit_x = fb_w_ > 0 ? static_cast<double>(width_) / fb_w_ : 1.0;
  const double unit_y = fb_h_ > 0 ? static_cast<double>(height_) / fb_h_ : 1.0;
  glfwSetWindowSize(window_, std::max(1, static_cast<int>(cap.w * unit_x)), std::max(1, static_cast<int>(cap.h * unit_y)));
  glfwGetWindowSize(window_, &width_, &height_);
  glfwGetFramebufferSize(window_, &fb_w_, &fb_h_);
  // Until the window system has the new size, draw no more than the cap.
  fb_w_ = std::min(fb_w_, cap.w);
  fb_h_ = std::min(fb_h_, cap.h);
  width_ = std::min(width_, static_cast<int>(cap.w * unit_x));
  height_ = std::min(height_, static_cast<int>(cap.h * unit_y));
}

void DesktopWindow::close() {
  if (imgui_) {
    glfwSetMonitorCallback(nullptr);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
    imgui_ = false;
  }
  if (window_) glfwDestroyWindow(window_);
  window_ = nullptr;
  // GLFW stays initialised until the process ends (glfwInit again is then a no-op): terminating it
  // unloads the OpenGL driver, whose process-lifetime allocations a leak checker could then no
  // longer name, let alone tell from ours.
  glfw_ = false;
}

void DesktopWindow::on_cursor(GLFWwindow* w, double, double) { owner(w)->activity_ = true; }

void DesktopWindow::on_size(GLFWwindow* w, int, int) { owner(w)->activity_ = true; }

void DesktopWindow::on_key(GLFWwindow* w, int key, int scancode, int action, int mods) {
  DesktopWindow* self = owner(w);
  if (self->imgui_) {
    std::vector<int>& pressed = self->pressed_in_frame_;
    if (action == GLFW_RELEASE && std::find(pressed.begin(), pressed.end(), key) != pressed.end()) {
      self->held_releases_.push_back({key, scancode, action, mods});
    } else {
      if (action == GLFW_PRESS) pressed.push_back(key);
      ImGui_ImplGlfw_KeyCallback(w, key, scancode, action, mods);
    }
  }
  if (action == GLFW_RELEASE) {
    self->activity_ = true;
    return;
  }
  self->input_.push_back({RawInput::Kind::Key, key, mods, true, 0, 0, 0});
}

void DesktopWindow::on_char(GLFWwindow* w, unsigned int ch, int mods) {
  if (owner(w)->imgui_) ImGui_ImplGlfw_CharCallback(w, ch);
  owner(w)->input_.push_back({RawInput::Kind::Char, 0, mods, true, static_cast<char32_t>(ch), 0, 0});
}

void DesktopWindow::on_button(GLFWwindow* w, int button, int action, int mods) {
  if (owner(w)->imgui_) ImGui_ImplGlfw_MouseButtonCallback(w, button, action, mods);
  double x = 0, y = 0;
  glfwGetCursorPos(w, &x, &y);
  owner(w)->input_.push_back({RawInput::Kind::Button, button, mods, action == GLFW_PRESS, 0, x, y});
}

void DesktopWindow::on_scroll(GLFWwindow* w, double dx, double dy) {
  if (owner(w)->imgui_) ImGui_ImplGlfw_ScrollCallback(w, dx, dy);
  owner(w)->input_.push_back({RawInput::Kind::Scroll, 0, 0, true, 0, dx, dy});
}

uint32_t DesktopWindow::read_sync() const {
  Display* d = glfwGetX11Display();
  if (d == nullptr || window_ == nullptr) return 0;
  const ::Window xw = glfwGetX11Window(window_);
  const Atom sync = XInternAtom(d, "_ORVANTIS_SYNC", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  uint32_t value = 0;
  if (XGetWindowProperty(d, xw, sync, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && format == 32 && count == 1)
    value = static_cast<uint32_t>(*reinterpret_cast<const unsigned long*>(data));
  if (data != nullptr) XFree(data);
  return value;
}

void DesktopWindow::publish_drawn() {
  if (sync_seen_ == sync_published_) return;
  Display* d = glfwGetX11Display();
  if (d == nullptr || window_ == nullptr) return;
  const unsigned long value = sync_seen_;
  XChangeProperty(d, glfwGetX11Window(window_), XInternAtom(d, "_ORVANTIS_DRAWN", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
  XFlush(d);
  sync_published_ = sync_seen_;
}

void DesktopWindow::on_close(GLFWwindow* w) {
  owner(w)->close_requested_ = true;
  glfwSetWindowShouldClose(w, GLFW_FALSE);  // the front end decides what closing means
}

bool DesktopWindow::take_close_request() {
  bool r = close_requested_;
  close_requested_ = false;
  return r;
}

void DesktopWindow::cursor(double& x, double& y) const { glfwGetCursorPos(window_, &x, &y); }

bool DesktopWindow::button_down(int button) const { return glfwGetMouseButton(window_, button) == GLFW_PRESS; }

bool DesktopWindow::wait(double timeout) {
  if (input_.empty() && !activity_ && !close_requested_) glfwWaitEventsTimeout(timeout);
  const bool any = activity_ || !input_.empty() || close_requested_ || !held_releases_.empty() ||
                   read_sync() != sync_seen_;
  activity_ = false;
  return any;
}

void DesktopWindow::begin_frame() {
  // The releases held back by the last frame reach ImGui before this frame's events.
  const bool held = !held_releases_.empty();
  for (const std::array<int, 4>& r : held_releases_) ImGui_ImplGlfw_KeyCallback(window_, r[0], r[1], r[2], r[3]);
  held_releases_.clear();
  pressed_in_frame_.clear();
  // The number is read before the events are taken: what was sent before it is queued by now.
  const uint32_t sync = read_sync();
  glfwPollEvents();
  frame_input_ = held || activity_ || !input_.empty() || close_requested_ || sync != sync_seen_;
  sync_seen_ = sync;
  activity_ = false;
  take_size();
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplGlfw_NewFrame();
  ImGui::NewFrame();
  glViewport(0, 0, fb_w_, fb_h_);
  glClearColor(0.10f, 0.11f, 0.13f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void DesktopWindow::end_frame() {
  ImGui::Render();
  glViewport(0, 0, fb_w_, fb_h_);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  if (capture_) {
    capture_ = false;
    pixels_w_ = fb_w_;
    pixels_h_ = fb_h_;
    pixels_.assign(static_cast<std::size_t>(fb_w_) * fb_h_ * 4, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, fb_w_, fb_h_, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
  }
  glfwSwapBuffers(window_);
}

bool DesktopWindow::write_capture(const std::string& path, std::string& err) {
  if (pixels_.empty()) {
    err = path + ": no frame was captured";
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    err = path + ": not a regular file";  // only regular files are replaced
    return false;
  }
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels_w_, pixels_h_);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < pixels_h_; ++y) {
    const unsigned char* src = &pixels_[static_cast<std::size_t>(pixels_h_ - 1 - y) * pixels_w_ * 4];
    auto* dst = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < pixels_w_; ++x)
      dst[x] = (uint32_t{src[4 * x]} << 16) | (uint32_t{src[4 * x + 1]} << 8) | src[4 * x + 2];
  }
  cairo_surface_mark_dirty(s);
  cairo_status_t status = cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
  if (status != CAIRO_STATUS_SUCCESS) {
    err = path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace orv::desktop
