// Drawing the host's windows on the terminal and turning keys and clicks into the dialog manager's
// events.
#include "frontend/terminal_frontend.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include "core/host.h"
#include "core/live_edit.h"
#include "core/plot_history.h"
#include "core/plot_report.h"
#include "core/recent_files.h"
#include "core/stop_request.h"
#include "core/geometry_services.h"
#include "core/host_prompts.h"
#include "exchange/export_formats.h"
#include "interaction/frame_text.h"
#include "interaction/editor_choice.h"
#include "interaction/key_hints.h"
#include "frontend/terminal_editor.h"
#include "platform/cell_render.h"
#include "platform/dialog_manager.h"
#include "platform/message_box.h"
#include "platform/number_text.h"
#include "platform/window_system.h"

namespace orv::frontend {

namespace {

// The progress bar's cells on the status line.
constexpr int kProgressBarCells = 20;
constexpr int kMaxKeysPerPoll = 64;  // keys typed ahead are dropped, but never without end
constexpr auto kDoubleClick = std::chrono::milliseconds(500);


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

TerminalFrontEnd::TerminalFrontEnd(TerminalScreen& screen, const GeometryDatabase& db, WindowSystem& windows)
    : screen_(screen), db_(db), windows_(windows), saving_(db) {}

void TerminalFrontEnd::refused(const std::string& service, const std::string& why, int64_t repeats) {
  (void)service;
  refusal_.refused(why, repeats);
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
  const Revision key = db_.revision();
  if (key != scene_key_ && progress_.empty()) {  // a plot under way is drawn when it has ended
    view::Detail detail;
    detail.max_curve_samples = 4000;
    detail.min_iso_samples = 48;
    detail.max_iso_samples = 200;
    scene_ = view::make_scene(db_, detail);
    scene_key_ = key;
    follow_.scene_changed(view_, scene_);  // square to flat content, else trimetric, until chosen
  }

  const std::string title = " Graphics \u00b7 " + view_.camera.name + (view_.perspective ? " \u00b7 perspective" : "") +
                            (view_.zoom != 1 ? " \u00b7 zoomed" : "") +
                            (graphics_in_use_ ? " \u00b7 keys on view " : " ");
  s.put(area.x + 2, area.y, title, graphics_in_use_ ? s.role(Role::Accent) : s.color_attr(7, back), area.w - 4);
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
  for (const std::string& sentence : interaction::frame_report().lines) {
    for (const std::string& l : wrap_text(sentence, area.w - 2, kReportLines)) {
      if (told_y > area.y + area.h / 2) break;
      s.fill(area.x + 1, told_y, area.w - 2, 1, s.color_attr(14, back));
      s.put(area.x + 1, told_y++, l, s.color_attr(14, back));
    }
  }
  if (const std::string& refusal = refusal_.shown(saving_.made()); !refusal.empty()) {
    // Over the drawing, at the foot of the window, in the colour of a warning (14, yellow).
    std::vector<std::string> lines = wrap_text(refusal, area.w - 2, std::min(kRefusalLines, area.h - 2));
    int y = area.y + area.h - 1 - static_cast<int>(lines.size());
    for (const std::string& l : lines) {
      s.fill(area.x + 1, y, area.w - 2, 1, s.color_attr(14, back));
      s.put(area.x + 1, y++, l, s.color_attr(14, back));
    }
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
      if (on_graphics(k.x, k.y)) interaction::apply_view_key(view_, k);
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
        interaction::drag_view(view_, k.x - drag_x_, k.y - drag_y_);
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
    if (interaction::apply_view_key(view_, k) == interaction::ViewKeyResult::Leave) graphics_in_use_ = false;
    return true;  // keys meant for the view never reach a window, even unknown ones
  }
  if (k.type == Key::Function && k.ch == 2) {
    graphics_in_use_ = true;
    return true;
  }
  const Window* top = windows_.find(windows_.active());
  if (k.type == Key::Function && k.ch == 3 && saving_.can_export() && !(top && top->kind == WindowKind::Prompt)) {
    export_command();
    return true;
  }
  // Undo and clear, while the main dialog (or no window) has the keys.
  if ((k.type == Key::Ctrl && k.ch == 'z') || (k.type == Key::Function && k.ch == 4)) {
    WindowSystem& ws = windows_;
    if (ws.active() != nullptr && ws.active() != ws.docked_dialog()) {
      status_ = "Close this window first: Ctrl+Z and F4 work on the plots";
      return true;
    }
    history_key(k.type == Key::Ctrl ? "Ctrl+Z" : "F4", status_);
    return true;
  }
  return false;
}

bool TerminalFrontEnd::export_command() {
  std::string path = saving_.last_path();
  const ExportWrite write = [this](const std::string& p, std::string& why) { return saving_.export_to(p, why); };
  return run_export_prompt(path, exchange::export_extensions(" "), write, status_) == PromptEnd::Answered;
}

bool TerminalFrontEnd::goes_back_before_leaving() {
  if (!saving_.unsaved() || ask_before_leaving() != interaction::LeaveChoice::Back) return false;
  screen_.forget_quit();  // the Ctrl+C that ended the run is answered: the person stays
  return true;
}

interaction::LeaveChoice TerminalFrontEnd::ask_before_leaving() {
  auto ask = [&]() -> interaction::LeaveAnswer {
    status_.clear();  // the question stands alone: no line of before under it
    switch (orv::run_leave_question()) {
      case orv::LeaveAnswer::Save: return interaction::LeaveAnswer::Save;
      case orv::LeaveAnswer::Discard: return interaction::LeaveAnswer::Discard;
      case orv::LeaveAnswer::Back:
        resume_last_file();  // back to the plot the person left, not to a file prompt
        return interaction::LeaveAnswer::Back;
      case orv::LeaveAnswer::InputEnded: break;
    }
    if (!screen_.quit_requested() || stop_signal() != 0) return interaction::LeaveAnswer::Gone;  // nobody is there
    screen_.forget_quit();  // Ctrl+C here is not an answer: the question names the keys
    return interaction::LeaveAnswer::None;
  };
  return interaction::decide_leaving(ask, [this] {
    return export_command() ? interaction::SaveOutcome::Written : interaction::SaveOutcome::NotWritten;
  });
}

void TerminalFrontEnd::draw() {
  TerminalScreen& s = screen_;
  WindowSystem& ws = windows_;
  s.erase();
  const int W = s.cols(), H = s.rows();
  HWND active = ws.active();
  const Window* aw = ws.find(active);

  const int bar = s.role(Role::Status);
  s.fill(0, 0, W, 1, bar);
  std::string title = " ";
  title += window_title();
  if (aw && aw->kind != WindowKind::Frame && !aw->text.empty()) title += "  \u00b7  " + strip_accelerator(aw->text);
  s.put(0, 0, title, bar);

  const int body_y = 1, body_h = std::max(1, H - 2);
  placed_.clear();
  // The first dialog shown (the main dialog) docks at the right; the graphics window takes the rest.
  const HWND dock = ws.docked_dialog();
  int graphics_w = W;
  if (dock) {
    PlacedWindow p = place_window(windows_, dock, 0, body_y, std::max(24, W * 3 / 5), body_h);
    p.x = W - p.w;
    graphics_w = std::max(0, p.x - 1);
    placed_.push_back(p);
  }
  draw_graphics(0, body_y, graphics_w, body_h);
  if (dock) paint_grid(s, render_window(ws, dock, placed_.back().scale), placed_.back().x, placed_.back().y, dock == active);

  // Everything above it (modal dialogs, message boxes, the viewer) centred over both.
  for (HWND h : ws.z_order()) {
    Window* w = ws.find(h);
    if (!w || !w->visible || h == dock || w->kind == WindowKind::Frame) continue;
    if (w->kind == WindowKind::Viewer) {
      // The viewer pages by its size: make it the size of the screen.
      w->cx = std::max(20, W - 2);
      w->cy = std::max(3, body_h - 2);
    }
    PlacedWindow p = place_window(windows_, h, 0, body_y, W, body_h);
    p.x = std::max(0, (W - p.w) / 2);
    p.y = body_y + std::max(0, (body_h - p.h) / 2);
    keep_field_in_sight(p, placed_, body_y, body_y + body_h);
    paint_grid(s, render_window(ws, h, p.scale), p.x, p.y, h == active);
    placed_.push_back(p);
  }

  s.fill(0, H - 1, W, 1, bar);
  if (!progress_.empty()) {
    s.put(1, H - 1, progress_, bar);
  } else if (!status_.empty()) {
    s.put(1, H - 1, status_, bar | s.underline());
  } else {
    // One cell clear at each end of the line.
    s.put(1, H - 1, interaction::fit_hints(interaction::key_hints(interaction::hint_place(windows_, graphics_in_use_), saving_.can_export()), W - 2), bar);
  }
}

bool TerminalFrontEnd::translate(const Key& k, UiEvent& e) {
  WindowSystem& ws = windows_;
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
  WindowSystem& ws = windows_;
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
    // Live edit: the input that runs the plot again, and what became of the run.
    if (live_events_.empty()) {
      std::vector<UiEvent> live;
      std::string told;
      if (live_edit().poll(live, told)) live_events_.assign(live.begin(), live.end());
      if (!told.empty()) status_ = told;
    }
    if (!live_events_.empty()) {
      event = live_events_.front();
      live_events_.pop_front();
      refusal_.input_taken(saving_.made());
      return true;
    }
    draw();
    screen_.flush();
    Key k = screen_.read_key(live_edit().enabled() ? static_cast<int>(kLivePoll.count()) : -1);
    // Ctrl+C ends the input wherever the person is, so that the host can always be left.
    if (k.type == Key::Eof || k.type == Key::Quit) return false;
    if (k.type == Key::None || k.type == Key::Resize) continue;
    status_.clear();
    if (front_end_key(k)) continue;
    if (translate(k, event)) {
      refusal_.input_taken(saving_.made());
      return true;
    }
  }
}

bool TerminalFrontEnd::plot_progress(int64_t step, int64_t count) {
  const auto now = plot_.step(step);
  bool stop = false;
  if (plot_.poll_due(now)) {
    for (int i = 0; i < kMaxKeysPerPoll && !stop; ++i) {
      Key k = screen_.read_key(0);
      if (k.type == Key::None || k.type == Key::Eof) break;
      stop = k.type == Key::Esc || k.type == Key::Quit;
    }
    if (stop) screen_.forget_quit();  // Ctrl+C here stops the plot, not the session
  }
  switch (interaction::signal_stops_plot()) {
    case interaction::SignalStop::Interrupt:
      screen_.forget_quit();  // Ctrl+C from outside: the plot stops, the session goes on
      stop = true;
      break;
    case interaction::SignalStop::Signal: stop = true; break;
    case interaction::SignalStop::None: break;
  }
  if (stop) {
    status_ = interaction::stopped_text(step, count);
    return true;
  }
  if (plot_.draw_due(now)) {
    progress_ = interaction::progress_text(step, count, kProgressBarCells);
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
  const std::string command = interaction::choose_editor(false).command;  // the terminal has no editor of its own
  int status = run_editor(screen_, command, path);
  if (stop_signal() == SIGINT) clear_stop_signal();  // a Ctrl+C meant for the editor
  if (status == 127) status_ = "The editor (" + command + ") could not be started";
}

void TerminalFrontEnd::list_filename(const std::string& path) {
  run_text_viewer(path);  // drawn and fed keys like every other window
}

bool TerminalFrontEnd::point_proc(const std::string& prompt, std::array<double, 3>& point) {
  bool picked = run_point_prompt(prompt, point) == PromptEnd::Answered;
  if (picked) origin_text_ = interaction::origin_text(point);
  return picked;
}

}  // namespace orv::frontend
