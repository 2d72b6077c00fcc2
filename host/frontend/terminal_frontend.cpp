// Drawing the host's windows on the terminal and turning keys and clicks into the dialog manager's
// events.
#include "frontend/terminal_frontend.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include "core/plot_report.h"
#include "core/stop_request.h"
#include "core/geometry_services.h"
#include "core/host_prompts.h"
#include "exchange/export_formats.h"
#include "frontend/terminal_hints.h"
#include "frontend/terminal_editor.h"
#include "platform/cell_render.h"
#include "platform/dialog_manager.h"
#include "platform/message_box.h"
#include "platform/number_text.h"
#include "platform/window_system.h"

namespace orv::frontend {

namespace {

// A plot shows its progress once it has lasted this long, redrawn at most this often; the keyboard
// is read at most this often, since reading it costs far more than a plot step.
constexpr auto kProgressDelay = std::chrono::milliseconds(500);
constexpr auto kProgressRedraw = std::chrono::milliseconds(100);
constexpr auto kKeyPoll = std::chrono::milliseconds(30);
constexpr int kProgressBarCells = 20;
constexpr int kMaxKeysPerPoll = 64;  // keys typed ahead are dropped, but never without end
constexpr auto kDoubleClick = std::chrono::milliseconds(500);

std::string progress_text(int64_t step, int64_t count) {
  // In doubles: a grid's count can come near the top of int64, where step * 100 would overflow.
  const double done = count > 0 ? static_cast<double>(step) / static_cast<double>(count) : 0.0;
  const int percent = static_cast<int>(done * 100);
  const int filled = static_cast<int>(done * kProgressBarCells);
  std::string bar;
  for (int i = 0; i < kProgressBarCells; ++i) bar += i < filled ? "\u2588" : "\u2591";
  return "Plotting " + bar + " " + std::to_string(percent) + "% (" + std::to_string(step) + " of " +
         std::to_string(count) + ") \u00b7 Esc to stop";
}


const char* key_name(Key::Type t) {
  switch (t) {
    case Key::Tab: return "Tab";
    case Key::BackTab: return "Shift+Tab";
    case Key::Enter: return "Enter";
    case Key::Esc: return "Esc";
    case Key::Space: return "Space";
    case Key::Up: return "Up";
    case Key::Down: return "Down";
    case Key::Left: return "Left";
    case Key::Right: return "Right";
    case Key::Home: return "Home";
    case Key::End: return "End";
    case Key::PageUp: return "PageUp";
    case Key::PageDown: return "PageDown";
    case Key::Backspace: return "Backspace";
    case Key::Delete: return "Delete";
    case Key::AltDown: return "Alt+Down";
    case Key::ShiftLeft: return "Shift+Left";
    case Key::ShiftRight: return "Shift+Right";
    case Key::ShiftHome: return "Shift+Home";
    case Key::ShiftEnd: return "Shift+End";
    case Key::CtrlA: return "Ctrl+A";
    default: return nullptr;
  }
}

// A click on the cell of the click before it, soon enough, is a double-click.
bool second_click(int x, int y) {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point last;
  static int last_x = -1, last_y = -1;
  const Clock::time_point now = Clock::now();
  const bool second = x == last_x && y == last_y && now - last <= kDoubleClick;
  last = second ? Clock::time_point{} : now;
  last_x = second ? -1 : x;
  last_y = second ? -1 : y;
  return second;
}

}  // namespace

std::vector<std::string> wrap_text(const std::string& text, int width, int max_lines) {
  std::vector<std::string> lines;
  if (width <= 0 || max_lines <= 0) return lines;
  std::string line;
  std::size_t at = 0;
  bool cut = false;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && text_cells(line) + 1 + text_cells(word) <= width) {
      line += " " + word;
      continue;
    }
    if (!line.empty()) {
      if (static_cast<int>(lines.size()) + 1 == max_lines) {
        cut = true;
        break;
      }
      lines.push_back(line);
    }
    line = text_cells(word) > width ? text_prefix(word, width) : word;
  }
  if (!line.empty()) lines.push_back(line);
  if (cut) {
    std::string& last = lines.back();
    while (!last.empty() && text_cells(last) + 3 > width) last = text_prefix(last, text_cells(last) - 1);
    last += "...";
  }
  return lines;
}

TerminalFrontEnd::TerminalFrontEnd(TerminalScreen& screen, const GeometryDatabase& db)
    : screen_(screen), db_(db), saved_at_(geometry_made()) {}

std::array<int64_t, 3> TerminalFrontEnd::geometry_made() const {
  return {db_.next_id(), marks_drawn(), screen_lines_drawn()};
}

void TerminalFrontEnd::expire_refusal() {
  if (!refusal_.empty() && refusal_input_ < inputs_ && geometry_made() != made_at_input_) refusal_.clear();
}

void TerminalFrontEnd::refused(const std::string& service, const std::string& why, int64_t repeats) {
  (void)service;
  refusal_ = "refused: " + why + (repeats > 0 ? " (" + std::to_string(repeats) + " more times)" : "");
  refusal_input_ = inputs_;
}

void TerminalFrontEnd::draw_graphics(int x, int y, int w, int h) {
  TerminalScreen& s = screen_;
  struct {
    int x, y, w, h;
  } area{x, y, w, h};
  graphics_area_ = {x, y, w, h};
  if (area.w < 4 || area.h < 3) return;
  const uint8_t back = gr_back_color;
  const int frame = s.color_attr(8, back);
  s.fill(area.x, area.y, area.w, area.h, s.color_attr(7, back));
  s.frame(area.x, area.y, area.w, area.h, frame);
  const std::string title = " Graphics \u00b7 " + view_.camera.name + (view_.zoom != 1 ? " \u00b7 zoomed" : "") +
                            (graphics_in_use_ ? " \u00b7 keys on view " : " ");
  s.put(area.x + 2, area.y, title, graphics_in_use_ ? s.role(Role::Accent) : s.color_attr(7, back), area.w - 4);

  const Revision key = db_.revision();
  if (key != scene_key_ && progress_.empty()) {  // a plot under way is drawn when it has ended
    view::Detail detail;
    detail.max_curve_samples = 4000;
    detail.min_iso_samples = 48;
    detail.max_iso_samples = 200;
    scene_ = view::make_scene(db_, detail);
    scene_key_ = key;
  }
  BrailleCanvas canvas(area.w - 2, area.h - 2);
  draw_scene(canvas, scene_, view_);
  for (int r = 0; r < canvas.rows(); ++r) {
    for (int c = 0; c < canvas.cols(); ++c) {
      if (canvas.bits(c, r) == 0) continue;
      s.put(area.x + 1 + c, area.y + 1 + r, canvas.glyph(c, r), s.color_attr(canvas.color(c, r), back));
    }
  }
  // Appended piece by piece: GCC 12 at -O3 warns of an overlap that cannot happen in " " + a + " ".
  std::string caption = " ";
  caption += view::scene_caption(scene_);
  caption += ' ';
  int cw = text_cells(caption);
  if (cw < area.w - 4) s.put(area.x + area.w - 2 - cw, area.y + area.h - 1, caption, s.color_attr(7, back));
  if (!origin_text_.empty()) {
    // At the left of the foot, where the scene's caption at the right leaves room.
    const std::string origin = " " + origin_text_ + " ";
    const int room = area.w - 4 - (cw < area.w - 4 ? cw + 1 : 0);
    if (text_cells(origin) <= room) s.put(area.x + 2, area.y + area.h - 1, origin, s.color_attr(7, back));
  }
  if (scene_.empty()) {
    std::string hint = "nothing drawn yet";
    s.put(area.x + (area.w - text_cells(hint)) / 2, area.y + area.h / 2, hint, s.color_attr(8, back));
  }
  // What the last plot or file reading lost, at the top of the window under its title, until the
  // next plot; the lower half stays for the drawing and the refusal.
  int told_y = area.y + 1;
  for (const std::string& sentence : report_frame_lines()) {
    for (const std::string& l : wrap_text(sentence, area.w - 2, kReportLines)) {
      if (told_y > area.y + area.h / 2) break;
      s.fill(area.x + 1, told_y, area.w - 2, 1, s.color_attr(14, back));
      s.put(area.x + 1, told_y++, l, s.color_attr(14, back));
    }
  }
  expire_refusal();
  if (!refusal_.empty()) {
    // Over the drawing, at the foot of the window, in the colour of a warning (14, yellow).
    std::vector<std::string> lines = wrap_text(refusal_, area.w - 2, std::min(kRefusalLines, area.h - 2));
    int y = area.y + area.h - 1 - static_cast<int>(lines.size());
    for (const std::string& l : lines) {
      s.fill(area.x + 1, y, area.w - 2, 1, s.color_attr(14, back));
      s.put(area.x + 1, y++, l, s.color_attr(14, back));
    }
  }
}

HintPlace TerminalFrontEnd::hint_place() const {
  if (graphics_in_use_) return HintPlace::Graphics;
  WindowSystem& ws = WindowSystem::instance();
  const Window* a = ws.find(ws.active());
  if (!a || a->kind == WindowKind::Frame) return HintPlace::Frame;
  if (a->kind == WindowKind::Viewer) return HintPlace::Viewer;
  if (a->kind == WindowKind::MessageBox) return HintPlace::MessageBox;
  const Window* f = ws.find(a->focus);
  if (!f) return HintPlace::OtherControl;
  switch (f->control) {
    case CTL_EDIT: return HintPlace::Edit;
    case CTL_AUTOCHECKBOX: return HintPlace::CheckBox;
    case CTL_DROPDOWNLIST: return f->dropped ? HintPlace::OpenList : HintPlace::List;
    case CTL_PUSHBUTTON:
    case CTL_OWNERDRAW_BUTTON: return HintPlace::Button;
    default: return HintPlace::OtherControl;
  }
}

bool TerminalFrontEnd::on_graphics(int x, int y) const {
  const auto& a = graphics_area_;
  if (x < a.x || x >= a.x + a.w || y < a.y || y >= a.y + a.h) return false;
  for (const PlacedWindow& p : placed_) {
    if (x >= p.x && x < p.x + p.w && y >= p.y && y < p.y + p.h) return false;
  }
  return true;
}

bool TerminalFrontEnd::graphics_mouse(const Key& k) {
  switch (k.type) {
    case Key::Wheel:
      // The wheel zooms the graphics window it is turned over, without taking the keys.
      if (on_graphics(k.x, k.y)) apply_view_key(view_, k);
      return true;
    case Key::Click:
      dragging_ = on_graphics(k.x, k.y);
      if (!dragging_) return false;  // a click for a window
      drag_x_ = k.x;
      drag_y_ = k.y;
      return true;
    case Key::Drag:
      // Motion that began elsewhere (on a window) turns nothing.
      if (dragging_) {
        drag_view(view_, k.x - drag_x_, k.y - drag_y_);
        drag_x_ = k.x;
        drag_y_ = k.y;
      }
      return true;
    case Key::Release:
      dragging_ = false;
      return true;
    default: return false;
  }
}

bool TerminalFrontEnd::front_end_key(const Key& k) {
  if (graphics_mouse(k)) return true;
  if (graphics_in_use_) {
    if (apply_view_key(view_, k) == ViewKeyResult::Leave) graphics_in_use_ = false;
    return true;  // keys meant for the view never reach a window, even unknown ones
  }
  if (k.type == Key::Function && k.ch == 2) {
    graphics_in_use_ = true;
    return true;
  }
  const Window* top = WindowSystem::instance().find(WindowSystem::instance().active());
  if (k.type == Key::Function && k.ch == 3 && exporter_ && !(top && top->kind == WindowKind::Prompt)) {
    export_command();
    return true;
  }
  return false;
}

bool TerminalFrontEnd::export_command() {
  const bool wrote = export_by_prompt(exporter_, export_path_, exchange::export_extensions(" "), status_);
  if (wrote) saved_at_ = geometry_made();
  return wrote;
}

TerminalFrontEnd::LeaveChoice TerminalFrontEnd::ask_before_leaving() {
  for (;;) {
    if (stop_signal() != 0) return LeaveChoice::Discard;
    status_.clear();  // the question stands alone: no line of before under it
    const LeaveAnswer answer = run_leave_question();
    if (answer == LeaveAnswer::InputEnded) {
      if (!screen_.quit_requested() || stop_signal() != 0) return LeaveChoice::Discard;  // nobody is there
      screen_.forget_quit();  // Ctrl+C here is not an answer: the question names the keys
      continue;
    }
    if (answer == LeaveAnswer::Discard) return LeaveChoice::Discard;
    if (answer == LeaveAnswer::Back) {
      resume_last_file();  // back to the plot the person left, not to a file prompt
      return LeaveChoice::Back;
    }
    if (export_command()) return LeaveChoice::Saved;
  }
}

void TerminalFrontEnd::draw() {
  TerminalScreen& s = screen_;
  WindowSystem& ws = WindowSystem::instance();
  s.erase();
  const int W = s.cols(), H = s.rows();
  HWND active = ws.active();
  const Window* aw = ws.find(active);

  const int bar = s.role(Role::Status);
  s.fill(0, 0, W, 1, bar);
  std::string title = " Orvantis";
  if (aw && aw->kind != WindowKind::Frame && !aw->text.empty()) title += "  \u00b7  " + strip_accelerator(aw->text);
  s.put(0, 0, title, bar);

  const int body_y = 1, body_h = std::max(1, H - 2);
  placed_.clear();
  // The first dialog shown (the main dialog) docks at the right; the graphics window takes the rest.
  const HWND dock = ws.docked_dialog();
  int graphics_w = W;
  if (dock) {
    PlacedWindow p = place_window(dock, 0, body_y, std::max(24, W * 3 / 5), body_h);
    p.x = W - p.w;
    graphics_w = std::max(0, p.x - 1);
    placed_.push_back(p);
  }
  draw_graphics(0, body_y, graphics_w, body_h);
  if (dock) paint_grid(s, render_window(dock, placed_.back().scale), placed_.back().x, placed_.back().y, dock == active);

  // Everything above it (modal dialogs, message boxes, the viewer) centred over both.
  for (HWND h : ws.z_order()) {
    Window* w = ws.find(h);
    if (!w || !w->visible || h == dock || w->kind == WindowKind::Frame) continue;
    if (w->kind == WindowKind::Viewer) {
      // The viewer pages by its size: make it the size of the screen.
      w->cx = std::max(20, W - 2);
      w->cy = std::max(3, body_h - 2);
    }
    PlacedWindow p = place_window(h, 0, body_y, W, body_h);
    p.x = std::max(0, (W - p.w) / 2);
    p.y = body_y + std::max(0, (body_h - p.h) / 2);
    keep_field_in_sight(p, placed_, body_y, body_y + body_h);
    paint_grid(s, render_window(h, p.scale), p.x, p.y, h == active);
    placed_.push_back(p);
  }

  s.fill(0, H - 1, W, 1, bar);
  if (!progress_.empty()) {
    s.put(1, H - 1, progress_, bar);
  } else if (!status_.empty()) {
    s.put(1, H - 1, status_, bar | s.underline());
  } else {
    // One cell clear at each end of the line.
    s.put(1, H - 1, fit_hints(key_hints(hint_place(), static_cast<bool>(exporter_)), W - 2), bar);
  }
}

bool TerminalFrontEnd::translate(const Key& k, UiEvent& e) {
  WindowSystem& ws = WindowSystem::instance();
  const Window* a = ws.find(ws.active());
  if (!a || a->kind == WindowKind::Frame) return false;
  if (k.type == Key::Click) {
    for (const PlacedWindow& p : placed_) {
      if (p.window == a->handle) {
        if (!click_event(p, k.x, k.y, e)) return false;
        if (e.kind == UiEvent::Kind::Select && second_click(k.x, k.y)) e.kind = UiEvent::Kind::DoubleClick;
        return true;
      }
    }
    return false;  // a click outside the active window
  }
  if (k.type == Key::Alt) {
    e.kind = UiEvent::Kind::Key;
    e.text = std::string("Alt+") + static_cast<char>(std::toupper(k.ch));
    return known_key(e.text);
  }
  if (a->kind == WindowKind::Viewer && k.type == Key::Char) return viewer_char(k.ch, e);
  if (k.type == Key::Char) {
    e.kind = UiEvent::Kind::Type;
    e.text.clear();
    append_utf8(static_cast<char32_t>(k.ch), e.text);
    return true;
  }
  if (const char* name = key_name(k.type)) {
    e.kind = UiEvent::Kind::Key;
    e.text = name;
    return true;
  }
  return false;
}

bool TerminalFrontEnd::viewer_char(int ch, UiEvent& e) {
  if (ch == 'q') {
    e.kind = UiEvent::Kind::Key;
    e.text.assign(1, 'q');  // not = "q": GCC 12 at -O3 warns of an overlap that cannot happen
    return true;
  }
  if (ch == 'n' && !last_search_.empty()) return viewer_find(e);  // the next line with it
  if (ch != '/') return false;
  // The text to find, typed on the status line.
  std::string needle;
  for (;;) {
    status_ = "Find: " + needle;
    draw();
    screen_.flush();
    Key q = screen_.read_key();
    if (q.type == Key::Enter) break;
    if (q.type == Key::Esc || q.type == Key::Eof || q.type == Key::Quit) {
      status_.clear();
      return false;
    }
    if (q.type == Key::Backspace && !needle.empty()) {
      do {
        needle.pop_back();
      } while (!needle.empty() && (static_cast<unsigned char>(needle.back()) & 0xC0) == 0x80);
    }
    if (q.type == Key::Char || q.type == Key::Space) append_utf8(static_cast<char32_t>(q.ch), needle);
  }
  status_.clear();
  if (needle.empty()) return false;
  last_search_ = needle;
  return viewer_find(e);
}

bool TerminalFrontEnd::viewer_find(UiEvent& e) {
  // The viewer keeps its place when no line holds the text; the status line says so.
  const std::string& needle = last_search_;
  WindowSystem& ws = WindowSystem::instance();
  const Window* v = ws.find(ws.active());
  const bool anywhere = v && v->lines.find(needle) != PagedText::npos;
  if (!anywhere) {
    status_ = "Not found: " + needle;
    return false;
  }
  e.kind = UiEvent::Kind::Type;
  e.text = "/" + needle;
  return true;
}

bool TerminalFrontEnd::next_event(UiEvent& event) {
  finish_plot_report();  // the command before this input is over, the plot it ran with it
  for (;;) {
    if (screen_.quit_requested() || stop_signal() != 0) return false;
    draw();
    screen_.flush();
    Key k = screen_.read_key();
    // Ctrl+C ends the input wherever the person is, so that the host can always be left.
    if (k.type == Key::Eof || k.type == Key::Quit) return false;
    if (k.type == Key::None || k.type == Key::Resize) continue;
    status_.clear();
    if (front_end_key(k)) continue;
    if (translate(k, event)) {
      ++inputs_;
      made_at_input_ = geometry_made();
      return true;
    }
  }
}

bool TerminalFrontEnd::plot_progress(int64_t step, int64_t count) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point now = Clock::now();
  if (step == 0) plot_ = PlotClock{now, now, now};
  bool stop = false;
  if (now - plot_.last_poll >= kKeyPoll) {
    plot_.last_poll = now;
    for (int i = 0; i < kMaxKeysPerPoll && !stop; ++i) {
      Key k = screen_.read_key(0);
      if (k.type == Key::None || k.type == Key::Eof) break;
      stop = k.type == Key::Esc || k.type == Key::Quit;
    }
    if (stop) screen_.forget_quit();  // Ctrl+C here stops the plot, not the session
  }
  if (stop_signal() == SIGINT) {
    clear_stop_signal();  // Ctrl+C from outside: the plot stops, the session goes on
    screen_.forget_quit();
    stop = true;
  } else if (stop_signal() != 0) {
    stop = true;  // SIGTERM: the plot stops and the session ends after it
  }
  if (stop) {
    status_ = "Plot stopped after " + std::to_string(step) + " of " + std::to_string(count) + " steps";
    return true;
  }
  if (now - plot_.start >= kProgressDelay && now - plot_.last_draw >= kProgressRedraw) {
    plot_.last_draw = now;
    progress_ = progress_text(step, count);
    draw();
    screen_.flush();
    progress_.clear();
  }
  return false;
}

void TerminalFrontEnd::event_failed(const UiEvent& event, const std::string& why) {
  (void)event;
  status_ = why;
}

bool TerminalFrontEnd::PromptForFileToOpen(std::string& path, const std::string& mode, const std::string& filter,
                                           HWND owner) {
  (void)mode;
  return run_file_prompt(path, filter, owner) == PromptEnd::Answered;
}

void TerminalFrontEnd::edit_filename(const std::string& path) {
  int status = run_editor(screen_, path);
  if (stop_signal() == SIGINT) clear_stop_signal();  // a Ctrl+C meant for the editor
  if (status == 127) status_ = "The editor (" + editor_command() + ") could not be started";
}

void TerminalFrontEnd::list_filename(const std::string& path) {
  run_text_viewer(path);  // drawn and fed keys like every other window
}

bool TerminalFrontEnd::point_proc(const std::string& prompt, std::array<double, 3>& point) {
  bool picked = run_point_prompt(prompt, point) == PromptEnd::Answered;
  if (picked) origin_text_ = "origin " + format_real(point[0]) + ", " + format_real(point[1]) + ", " + format_real(point[2]);
  return picked;
}

}  // namespace orv::frontend
