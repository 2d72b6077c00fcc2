// Keyboard and mouse semantics of dialogs, message boxes and the text viewer. Every handler may
// destroy windows, so after each message sent the windows involved are found again by handle.
#include "platform/dialog_manager.h"

#include <algorithm>
#include <cctype>

#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace orv {
namespace {

using Outcome = DispatchResult::Outcome;

WindowSystem& ws() { return platform_state().windows; }

DispatchResult failed(std::string why) { return DispatchResult{Outcome::Failed, std::move(why)}; }
DispatchResult done() { return DispatchResult{}; }
DispatchResult dropped() { return DispatchResult{Outcome::Dropped, {}}; }

bool is_button(const Window& w) {
  return w.kind == WindowKind::Control && (w.control == CTL_PUSHBUTTON || w.control == CTL_OWNERDRAW_BUTTON);
}

bool usable(const Window& w) { return w.visible && w.enabled; }

void send_command(HWND dialog, int id, UINT code, HWND control) {
  ws().send(dialog, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), code), reinterpret_cast<LPARAM>(control));
}

HWND child_with_id(HWND dialog, int id) {
  Window* d = ws().find(dialog);
  if (d == nullptr) return nullptr;
  for (HWND c : d->children)
    if (Window* w = ws().find(c); w && w->id == id) return c;
  return nullptr;
}

// The active window when it can take input; otherwise a failure saying why.
HWND input_window(DispatchResult& why) {
  HWND a = ws().active();
  Window* w = ws().find(a);
  if (w == nullptr || w->kind == WindowKind::Frame) {
    why = failed("no active window");
    return nullptr;
  }
  return a;
}

// The control acts, its focus already settled: a button is pressed, a check box toggles, a list opens.
void act(HWND control) {
  Window* w = ws().find(control);
  if (w == nullptr) return;
  HWND dialog = w->parent;
  int id = w->id;
  if (is_button(*w)) {
    send_command(dialog, id, BN_CLICKED, control);
  } else if (w->control == CTL_AUTOCHECKBOX) {
    w->check = w->check ? BST_UNCHECKED : BST_CHECKED;
    send_command(dialog, id, BN_CLICKED, control);
  } else if (w->control == CTL_DROPDOWNLIST) {
    w->dropped = !w->dropped;
    w->hot = w->cur_sel;
  }
}

// Moves the focus to `control` as a mouse press does; false when a handler took it elsewhere.
bool focus_for_press(HWND dialog, HWND control) {
  Window* w = ws().find(control);
  if (w == nullptr) return false;
  if (!takes_focus(*w)) return true;
  Window* d = ws().find(dialog);
  if (d != nullptr && d->focus == control) return true;
  if (!ws().set_focus(control)) return false;
  d = ws().find(dialog);
  return d != nullptr && d->focus == control && ws().find(control) != nullptr;
}

DispatchResult move_tab(HWND dialog, int step) {
  Window* d = ws().find(dialog);
  if (HWND next = d != nullptr ? next_tab_stop(ws(), *d, step > 0) : nullptr) ws().set_focus(next);
  return done();
}

// ---- Edits ----
void edit_replace(Window& e, const std::string& text) {
  int lo = std::min(e.sel_start, e.sel_end), hi = std::max(e.sel_start, e.sel_end);
  int len = static_cast<int>(e.text.size());
  lo = std::clamp(lo, 0, len);
  hi = std::clamp(hi, 0, len);
  e.text.replace(static_cast<size_t>(lo), static_cast<size_t>(hi - lo), text);
  e.sel_start = e.sel_end = lo + static_cast<int>(text.size());
}

void notify_change(HWND control) {
  Window* w = ws().find(control);
  if (w) send_command(w->parent, w->id, EN_CHANGE, control);
}

// The byte offset of the code point before (after) offset `at` of UTF-8 text: the caret never
// stands inside a character.
int prev_char(const std::string& t, int at) {
  at = std::clamp(at, 0, static_cast<int>(t.size()));
  if (at == 0) return 0;
  --at;
  while (at > 0 && (static_cast<unsigned char>(t[static_cast<size_t>(at)]) & 0xC0) == 0x80) --at;
  return at;
}
int next_char(const std::string& t, int at) {
  const int n = static_cast<int>(t.size());
  at = std::clamp(at, 0, n);
  if (at == n) return n;
  ++at;
  while (at < n && (static_cast<unsigned char>(t[static_cast<size_t>(at)]) & 0xC0) == 0x80) ++at;
  return at;
}

// An edit's keys. The selection runs from sel_start (where it was anchored) to sel_end (the caret):
// the plain caret keys drop it, Shift with them extends it, Ctrl+A selects the whole text.
bool edit_key(HWND control, const std::string& key) {
  Window* e = ws().find(control);
  const int len = static_cast<int>(e->text.size());
  const bool has_sel = e->sel_start != e->sel_end;
  const int caret = std::clamp(e->sel_end, 0, len);
  const int lo = std::min(e->sel_start, e->sel_end), hi = std::max(e->sel_start, e->sel_end);
  auto place = [e](int at) { e->sel_start = e->sel_end = at; };
  auto extend = [e](int at) { e->sel_end = at; };
  if (key == "Home") {
    place(0);
  } else if (key == "End") {
    place(len);
  } else if (key == "Left") {
    place(has_sel ? lo : prev_char(e->text, caret));
  } else if (key == "Right") {
    place(has_sel ? hi : next_char(e->text, caret));
  } else if (key == "Shift+Home") {
    extend(0);
  } else if (key == "Shift+End") {
    extend(len);
  } else if (key == "Shift+Left") {
    extend(prev_char(e->text, caret));
  } else if (key == "Shift+Right") {
    extend(next_char(e->text, caret));
  } else if (key == "Ctrl+A") {
    e->sel_start = 0;
    e->sel_end = len;
  } else if (key == "Backspace" || key == "Delete") {
    if (!has_sel) {
      if (key == "Backspace") {
        if (caret == 0) return true;
        e->sel_start = prev_char(e->text, caret);
      } else {
        if (caret >= len) return true;
        e->sel_start = next_char(e->text, caret);
      }
      e->sel_end = caret;
    }
    edit_replace(*e, "");
    notify_change(control);
  } else {
    return false;
  }
  return true;
}

// ---- List boxes ----
void list_box_select(HWND control, int index) {
  Window* w = ws().find(control);
  if (w == nullptr || w->items.empty()) return;
  index = std::clamp(index, 0, static_cast<int>(w->items.size()) - 1);
  const int rows = list_box_rows(*w);
  if (index < w->top_line) w->top_line = index;
  if (index >= w->top_line + rows) w->top_line = index - rows + 1;
  if (index == w->cur_sel) return;
  w->cur_sel = index;
  send_command(w->parent, w->id, LBN_SELCHANGE, control);
}

bool list_box_key(HWND control, const std::string& key) {
  Window* w = ws().find(control);
  const int last = static_cast<int>(w->items.size()) - 1;
  const int cur = w->cur_sel, page = list_box_rows(*w);
  if (key == "Down") list_box_select(control, cur < 0 ? 0 : cur + 1);
  else if (key == "Up") list_box_select(control, cur < 0 ? 0 : cur - 1);
  else if (key == "PageDown") list_box_select(control, cur < 0 ? 0 : cur + page);
  else if (key == "PageUp") list_box_select(control, cur - page);
  else if (key == "Home") list_box_select(control, 0);
  else if (key == "End") list_box_select(control, last);
  else return false;
  return true;
}

// A letter typed on a list box: the next item that starts with it, wrapping round.
void list_box_jump(HWND control, const std::string& text) {
  Window* w = ws().find(control);
  const int n = static_cast<int>(w->items.size());
  if (text.size() != 1 || n == 0) return;
  const int want = std::tolower(static_cast<unsigned char>(text[0]));
  for (int i = 1; i <= n; ++i) {
    const int j = ((w->cur_sel < 0 ? -1 : w->cur_sel) + i) % n;
    const std::string& item = w->items[static_cast<size_t>(j)];
    if (!item.empty() && std::tolower(static_cast<unsigned char>(item[0])) == want) {
      list_box_select(control, j);
      return;
    }
  }
}

// ---- Drop-down lists ----
void list_select(HWND control, int index) {
  Window* w = ws().find(control);
  if (w == nullptr || w->items.empty()) return;
  index = std::clamp(index, 0, static_cast<int>(w->items.size()) - 1);
  if (index == w->cur_sel) return;
  w->cur_sel = index;
  send_command(w->parent, w->id, CBN_SELCHANGE, control);
}

// Opens a closed list with its selection highlighted; closes an open one, choosing the highlighted
// item (a change is told by CBN_SELCHANGE).
void list_toggle(HWND control) {
  Window* w = ws().find(control);
  if (!w->dropped) {
    w->dropped = true;
    w->hot = w->cur_sel;
    return;
  }
  w->dropped = false;
  if (w->hot >= 0) list_select(control, w->hot);
}

bool list_key(HWND control, const std::string& key) {
  Window* w = ws().find(control);
  int last = static_cast<int>(w->items.size()) - 1;
  if (w->dropped) {
    // An open list moves its highlight only: nothing is chosen until Enter or a click.
    int hot = w->hot;
    if (key == "Down") hot = hot < 0 ? 0 : hot + 1;
    else if (key == "Up") hot = hot < 0 ? 0 : hot - 1;
    else if (key == "Home") hot = 0;
    else if (key == "End") hot = last;
    else return false;
    if (last >= 0) w->hot = std::clamp(hot, 0, last);
    return true;
  }
  int cur = w->cur_sel;
  if (key == "Down") list_select(control, cur < 0 ? 0 : cur + 1);
  else if (key == "Up") list_select(control, cur < 0 ? 0 : cur - 1);
  else if (key == "Home") list_select(control, 0);
  else if (key == "End") list_select(control, last);
  else return false;
  return true;
}

// ---- The text viewer ----
void viewer_scroll(Window& v, int delta) {
  int page = v.cy > 0 ? v.cy : 20;
  int max_top = std::max(0, static_cast<int>(v.lines.size()) - page);
  v.top_line = std::clamp(v.top_line + delta, 0, max_top);
}

DispatchResult viewer_key(HWND viewer, const std::string& key) {
  Window* v = ws().find(viewer);
  int page = v->cy > 0 ? v->cy : 20;
  if (key == "Esc" || key == "Enter" || key == "q") {
    end_modal(viewer, IDOK);
  } else if (key == "Down") {
    viewer_scroll(*v, 1);
  } else if (key == "Up") {
    viewer_scroll(*v, -1);
  } else if (key == "PageDown" || key == "Space") {
    viewer_scroll(*v, page);
  } else if (key == "PageUp") {
    viewer_scroll(*v, -page);
  } else if (key == "Home") {
    v->top_line = 0;
  } else if (key == "End") {
    viewer_scroll(*v, static_cast<int>(v->lines.size()));
  } else if (known_key(key)) {
    // Other keys mean nothing in the viewer.
  } else {
    return failed("unknown key \"" + key + "\"");
  }
  return done();
}

DispatchResult viewer_search(HWND viewer, const std::string& needle) {
  Window* v = ws().find(viewer);
  if (needle.empty()) return done();
  const std::size_t i = v->lines.find(needle, static_cast<std::size_t>(std::max(0, v->top_line)));
  if (i != PagedText::npos) {
    v->top_line = static_cast<int>(i);
    viewer_scroll(*v, 0);
  }
  return done();
}

// ---- Accelerators ----
DispatchResult accelerator(HWND dialog, char letter) {
  Window* d = ws().find(dialog);
  letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  HWND target = nullptr;
  for (size_t i = 0; i < d->children.size() && target == nullptr; ++i) {
    Window* w = ws().find(d->children[i]);
    if (w == nullptr || !usable(*w) || accelerator_of(w->text) != letter) continue;
    if (takes_focus(*w)) {
      target = w->handle;
    } else {
      // A label's accelerator reaches the control that follows it.
      for (size_t j = i + 1; j < d->children.size(); ++j) {
        Window* n = ws().find(d->children[j]);
        if (n && usable(*n) && takes_focus(*n)) {
          target = n->handle;
          break;
        }
      }
    }
  }
  if (target == nullptr) return failed(std::string("no control with the accelerator Alt+") +
                                       static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  Window* t = ws().find(target);
  bool presses = is_button(*t) || t->control == CTL_AUTOCHECKBOX;
  if (!focus_for_press(dialog, target)) return dropped();
  if (presses) act(target);
  return done();
}

}  // namespace

bool known_key(const std::string& name) {
  static const char* const kKeys[] = {"Tab",  "Shift+Tab", "Enter", "Esc",      "Space",    "Up",
                                      "Down", "Home",      "End",   "Backspace", "Delete",  "Left",
                                      "Right", "PageUp",   "PageDown", "Alt+Down", "Shift+Left", "Shift+Right",
                                      "Shift+Home", "Shift+End", "Ctrl+A"};
  for (const char* k : kKeys)
    if (name == k) return true;
  return name.size() == 5 && name.compare(0, 4, "Alt+") == 0 && std::isalnum(static_cast<unsigned char>(name[4]));
}

std::string describe_window(HWND window) {
  Window* w = ws().find(window);
  if (w == nullptr) return "no window";
  if (w->kind == WindowKind::Control)
    return "control " + std::to_string(w->id) + " (\"" + strip_accelerator(w->text) + "\")";
  return "\"" + w->text + "\"";
}

DispatchResult press_key(const std::string& key) {
  DispatchResult r;
  HWND a = input_window(r);
  if (a == nullptr) return r;
  Window* d = ws().find(a);
  if (d->kind == WindowKind::Viewer) return viewer_key(a, key);
  if (!known_key(key)) return failed("unknown key \"" + key + "\"");
  HWND f = d->focus;
  Window* fw = ws().find(f);
  if (fw == nullptr) f = nullptr;

  if (key == "Tab") return move_tab(a, 1);
  if (key == "Shift+Tab") return move_tab(a, -1);
  const bool on_list = fw && fw->control == CTL_DROPDOWNLIST;
  if (key == "Alt+Down") {
    if (on_list) list_toggle(f);
    return done();
  }
  if (key.compare(0, 4, "Alt+") == 0) return accelerator(a, key[4]);
  if (key == "Enter") {
    if (fw && is_button(*fw)) {
      act(f);
    } else if (fw && fw->control == CTL_LISTBOX && fw->cur_sel >= 0) {
      send_command(a, fw->id, LBN_DBLCLK, f);  // Enter opens the selected item, as a double-click does
    } else if (on_list) {
      list_toggle(f);  // Enter opens the list, or takes its highlighted item
    } else {
      send_command(a, IDOK, BN_CLICKED, child_with_id(a, IDOK));
    }
    return done();
  }
  if (key == "Esc") {
    if (on_list && fw->dropped) fw->dropped = false;  // closed, the selection unchanged
    else send_command(a, IDCANCEL, BN_CLICKED, child_with_id(a, IDCANCEL));
    return done();
  }
  if (fw == nullptr) return done();
  if (key == "Space") {
    if (is_button(*fw) || fw->control == CTL_AUTOCHECKBOX) act(f);
    else if (fw->control == CTL_EDIT) return type_text(" ");
    return done();
  }
  if (fw->control == CTL_EDIT) edit_key(f, key);
  else if (fw->control == CTL_DROPDOWNLIST) list_key(f, key);
  else if (fw->control == CTL_LISTBOX) list_box_key(f, key);
  return done();
}

DispatchResult type_text(const std::string& text) {
  DispatchResult r;
  HWND a = input_window(r);
  if (a == nullptr) return r;
  Window* d = ws().find(a);
  if (d->kind == WindowKind::Viewer) {
    if (!text.empty() && text[0] == '/') return viewer_search(a, text.substr(1));
    if (text == "q") return viewer_key(a, "q");
    return failed("the viewer takes no text");
  }
  Window* f = ws().find(d->focus);
  // In the host's prompts a letter typed where no edit takes it presses the control it marks, as
  // in a message box: S, D and B answer the question asked before leaving.
  if (d->kind == WindowKind::Prompt && (f == nullptr || f->control != CTL_EDIT) && text.size() == 1 &&
      std::isalnum(static_cast<unsigned char>(text[0]))) {
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    for (HWND c : d->children)
      if (Window* w = ws().find(c); w && usable(*w) && takes_focus(*w) && accelerator_of(w->text) == letter)
        return accelerator(a, letter);
  }
  if (f != nullptr && f->control == CTL_LISTBOX) {
    list_box_jump(f->handle, text);
    return done();
  }
  if (f == nullptr) return failed("no control has the focus in " + describe_window(a));
  if (f->control != CTL_EDIT) {
    if (text == " ") return press_key("Space");
    return failed("the focused " + describe_window(f->handle) + " is not an edit");
  }
  HWND h = f->handle;
  edit_replace(*f, text);
  notify_change(h);
  return done();
}

// Clicks `c` of the active window `a` as a mouse does: focus first, then the control acts.
static DispatchResult click_child(HWND a, HWND c) {
  Window* w = ws().find(c);
  if (!w->visible) return failed(describe_window(c) + " is hidden");
  if (!w->enabled) return failed(describe_window(c) + " is disabled");
  if (!focus_for_press(a, c)) return dropped();
  act(c);
  return done();
}

DispatchResult click_control(int id) {
  DispatchResult r;
  HWND a = input_window(r);
  if (a == nullptr) return r;
  Window* d = ws().find(a);
  if (d->kind == WindowKind::Viewer) return failed("the viewer has no control " + std::to_string(id));
  HWND c = child_with_id(a, id);
  if (ws().find(c) == nullptr) return failed("no control " + std::to_string(id) + " in " + describe_window(a));
  return click_child(a, c);
}

DispatchResult press_captioned(const std::string& caption) {
  DispatchResult r;
  HWND a = input_window(r);
  if (a == nullptr) return r;
  Window* d = ws().find(a);
  HWND found = nullptr;
  for (HWND c : d->children) {
    Window* w = ws().find(c);
    // Only buttons and check boxes have captions; an edit's text is its content.
    bool captioned = w != nullptr && (is_button(*w) || w->control == CTL_AUTOCHECKBOX);
    if (!captioned || strip_accelerator(w->text) != caption) continue;
    if (found != nullptr)
      return failed("more than one control is captioned \"" + caption + "\" in " + describe_window(a));
    found = c;
  }
  if (found == nullptr) return failed("no control is captioned \"" + caption + "\" in " + describe_window(a));
  return click_child(a, found);
}

DispatchResult select_item(int id, int index) {
  DispatchResult r;
  HWND a = input_window(r);
  if (a == nullptr) return r;
  HWND c = child_with_id(a, id);
  Window* w = ws().find(c);
  if (w == nullptr) return failed("no control " + std::to_string(id) + " in " + describe_window(a));
  if (w->control != CTL_DROPDOWNLIST && w->control != CTL_LISTBOX)
    return failed(describe_window(c) + " is not a drop-down list");
  if (index < 0 || index >= static_cast<int>(w->items.size()))
    return failed("control " + std::to_string(id) + " has no item " + std::to_string(index) + " (it has " +
                  std::to_string(w->items.size()) + ")");
  if (!w->visible || !w->enabled) return failed(describe_window(c) + " cannot be used");
  if (!focus_for_press(a, c)) return dropped();
  w = ws().find(c);
  if (w == nullptr) return dropped();
  if (w->control == CTL_LISTBOX) {
    list_box_select(c, index);
    return done();
  }
  w->dropped = false;
  w->cur_sel = index;
  send_command(w->parent, w->id, CBN_SELCHANGE, c);
  return done();
}

DispatchResult double_click_item(int id, int index) {
  DispatchResult r = select_item(id, index);
  if (r.outcome != Outcome::Done) return r;
  HWND a = ws().active();
  HWND c = child_with_id(a, id);
  Window* w = ws().find(c);
  if (w == nullptr || w->control != CTL_LISTBOX) return done();
  send_command(a, id, LBN_DBLCLK, c);
  return done();
}

DispatchResult close_active() {
  DispatchResult r;
  HWND a = input_window(r);
  if (a == nullptr) return r;
  ws().send(a, WM_CLOSE, 0, 0);
  return done();
}

DispatchResult dispatch_ui_event(const UiEvent& e) {
  switch (e.kind) {
    case UiEvent::Kind::Key: return press_key(e.text);
    case UiEvent::Kind::Type: return type_text(e.text);
    case UiEvent::Kind::Click: return click_control(e.id);
    case UiEvent::Kind::Press: return press_captioned(e.text);
    case UiEvent::Kind::Select: return select_item(e.id, e.index);
    case UiEvent::Kind::Close: return close_active();
    case UiEvent::Kind::DoubleClick: return double_click_item(e.id, e.index);
  }
  return failed("unknown event");
}

}  // namespace orv
