// Window records, focus, activation and the message queues, with the Win32-style functions that the
// Zlink calls. Default processing per kind: controls keep their own state (text, check, items,
// selection); dialogs turn the close box into the cancel command.
#include "platform/window_system.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/platform_state.h"

namespace orv {

namespace {
bool dialog_like(WindowKind kind) {
  return kind == WindowKind::Dialog || kind == WindowKind::MessageBox || kind == WindowKind::Prompt;
}

int copy_text(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  int n = std::min<int>(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}
// The last handle given by any window system of the process: handles are never reused, so a
// handle of one window system is never taken for a window of another.
uintptr_t g_last_handle = 0x1000;
}  // namespace

WindowSystem::~WindowSystem() {
  auto let_go = [](Window& w) {
    if (w.object != nullptr && w.object->m_hWnd == w.handle) w.object->m_hWnd = nullptr;
    if (w.stand_in != nullptr) w.stand_in->m_hWnd = nullptr;
  };
  for (auto& [handle, w] : windows_) let_go(*w);
  for (auto& w : graveyard_) let_go(*w);
  if (main_frame_object_ != nullptr) main_frame_object_->m_hWnd = nullptr;
}

Window* WindowSystem::find(HWND handle) {
  if (handle == nullptr) return nullptr;
  auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : it->second.get();
}

HWND WindowSystem::create(WindowKind kind, HWND parent) {
  auto w = std::make_unique<Window>();
  g_last_handle += 0x10;
  w->handle = reinterpret_cast<HWND>(g_last_handle);
  w->kind = kind;
  w->parent = parent;
  HWND h = w->handle;
  windows_[h] = std::move(w);
  if (kind == WindowKind::Control) {
    if (Window* p = find(parent)) p->children.push_back(h);
  } else {
    z_order_.push_back(h);
  }
  return h;
}

HWND WindowSystem::create_dialog(const DialogTemplate& tmpl, HWND owner, CWnd* object) {
  HWND h = create(WindowKind::Dialog, owner);
  Window* d = find(h);
  d->id = tmpl.id;
  d->text = tmpl.caption ? tmpl.caption : "";
  d->style = tmpl.style;
  d->cx = tmpl.cx;
  d->cy = tmpl.cy;
  d->object = object;
  for (int i = 0; i < tmpl.control_count; ++i) {
    const ControlTemplate& c = tmpl.controls[i];
    HWND ch = create(WindowKind::Control, h);
    Window* w = find(ch);
    w->control = c.kind;
    w->id = c.id;
    w->text = c.text ? c.text : "";
    w->style = c.style;
    w->visible = (c.style & WS_VISIBLE) != 0;
    w->enabled = (c.style & WS_DISABLED) == 0;
    w->x = c.x;
    w->y = c.y;
    w->cx = c.cx;
    w->cy = c.cy;
    if (c.kind == CTL_EDIT) w->sel_start = w->sel_end = static_cast<int>(w->text.size());
  }
  return h;
}

void WindowSystem::destroy(HWND handle) {
  Window* w = find(handle);
  if (w == nullptr) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) destroy(c);
  w = find(handle);
  if (w == nullptr) return;
  if (w->object != nullptr && w->object->m_hWnd == handle) w->object->m_hWnd = nullptr;
  w->object = nullptr;
  if (w->stand_in) w->stand_in->m_hWnd = nullptr;
  if (Window* p = find(w->parent); p != nullptr && w->kind == WindowKind::Control) {
    p->children.erase(std::remove(p->children.begin(), p->children.end(), handle), p->children.end());
    if (p->focus == handle) p->focus = nullptr;
  }
  z_order_.erase(std::remove(z_order_.begin(), z_order_.end(), handle), z_order_.end());
  if (handle == main_frame_) main_frame_ = nullptr;
  auto it = windows_.find(handle);
  graveyard_.push_back(std::move(it->second));
  windows_.erase(it);
}

void WindowSystem::show(HWND handle, bool visible) {
  Window* w = find(handle);
  if (w == nullptr) return;
  w->visible = visible;
  if (visible && w->kind != WindowKind::Control) activate(handle);
}

void WindowSystem::activate(HWND handle) {
  auto it = std::find(z_order_.begin(), z_order_.end(), handle);
  if (it == z_order_.end()) return;
  z_order_.erase(it);
  // The main frame stays at the bottom; everything else comes to the top.
  z_order_.push_back(handle);
  if (main_frame_ != nullptr && handle != main_frame_) {
    auto f = std::find(z_order_.begin(), z_order_.end(), main_frame_);
    if (f != z_order_.end() && f != z_order_.begin()) {
      z_order_.erase(f);
      z_order_.insert(z_order_.begin(), main_frame_);
    }
  }
}

HWND WindowSystem::docked_dialog() const {
  for (HWND h : z_order_) {
    const auto it = windows_.find(h);
    if (it != windows_.end() && it->second->visible && it->second->kind == WindowKind::Dialog) return h;
  }
  return nullptr;
}

HWND WindowSystem::active() const {
  for (auto it = z_order_.rbegin(); it != z_order_.rend(); ++it) {
    auto w = windows_.find(*it);
    if (w != windows_.end() && w->second->visible) return *it;
  }
  return nullptr;
}

HWND WindowSystem::top_level_of(HWND handle) {
  Window* w = find(handle);
  while (w != nullptr && w->kind == WindowKind::Control) w = find(w->parent);
  return w ? w->handle : nullptr;
}

HWND WindowSystem::focus() {
  Window* a = find(active());
  if (a == nullptr) return nullptr;
  return find(a->focus) ? a->focus : nullptr;
}

bool WindowSystem::set_focus(HWND target) {
  Window* t = find(target);
  if (t == nullptr) return false;
  uint64_t serial = ++focus_serial_;
  if (t->kind != WindowKind::Control) {
    activate(target);
    return true;
  }
  HWND top = top_level_of(target);
  Window* d = find(top);
  if (d == nullptr) return false;
  HWND old = d->focus;
  if (old != target) {
    Window* o = find(old);
    if (o != nullptr && o->control == CTL_EDIT && !o->killing_focus) {
      o->killing_focus = true;
      send(top, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(o->id), EN_KILLFOCUS),
           reinterpret_cast<LPARAM>(old));
      if (Window* again = find(old)) again->killing_focus = false;
      if (focus_serial_ != serial) return false;  // a handler took the focus elsewhere
      d = find(top);
      t = find(target);
      if (d == nullptr || t == nullptr) return false;
    }
    if (Window* o2 = find(old); o2 != nullptr && o2->control == CTL_DROPDOWNLIST) o2->dropped = false;
    d->focus = target;
  }
  if (t->control == CTL_EDIT) {
    t->sel_start = 0;
    t->sel_end = static_cast<int>(t->text.size());
  }
  if (old != target && t->control == CTL_EDIT)
    send(top, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(t->id), EN_SETFOCUS),
         reinterpret_cast<LPARAM>(target));
  return true;
}

LRESULT WindowSystem::send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = find(handle);
  if (w == nullptr) return 0;
  if (w->object != nullptr) return w->object->WindowProc(message, wParam, lParam);
  if (w->proc) {
    auto proc = w->proc;  // the window may go while its procedure runs
    return proc(handle, message, wParam, lParam);
  }
  return default_proc(handle, message, wParam, lParam);
}

LRESULT WindowSystem::default_proc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = find(handle);
  if (w == nullptr) return 0;
  switch (message) {
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if (w->control == CTL_EDIT) w->sel_start = w->sel_end = static_cast<int>(w->text.size());
      return TRUE;
    case WM_GETTEXT:
      return copy_text(w->text, reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    default:
      break;
  }
  if (dialog_like(w->kind)) {
    switch (message) {
      case WM_CLOSE: {
        HWND cancel = nullptr;
        for (HWND c : w->children)
          if (Window* cw = find(c); cw && cw->id == IDCANCEL) cancel = c;
        send(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
      }
      case WM_NEXTDLGCTL: {
        if (lParam != 0) {
          set_focus(reinterpret_cast<HWND>(wParam));
          return 0;
        }
        // wParam 0: the next tab stop, otherwise the previous one.
        if (HWND next = next_tab_stop(*this, *w, wParam == 0)) set_focus(next);
        return 0;
      }
      case WM_INITDIALOG:
        return TRUE;
      default:
        return 0;
    }
  }
  if (w->kind != WindowKind::Control) return 0;
  switch (message) {
    case BM_GETCHECK:
      return w->check;
    case BM_SETCHECK:
      w->check = static_cast<int>(wParam) != 0 ? BST_CHECKED : BST_UNCHECKED;
      return 0;
    case EM_SETSEL: {
      int len = static_cast<int>(w->text.size());
      int s = static_cast<int>(static_cast<intptr_t>(wParam));
      int e = static_cast<int>(lParam);
      if (s < 0) s = e = len;  // -1: no selection, caret at the end
      if (e < 0 || e > len) e = len;
      w->sel_start = std::clamp(s, 0, len);
      w->sel_end = std::clamp(e, 0, len);
      return 0;
    }
    case EM_GETSEL:
      return MAKELPARAM(static_cast<unsigned>(w->sel_start), static_cast<unsigned>(w->sel_end));
    case CB_ADDSTRING:
      w->items.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
      return static_cast<LRESULT>(w->items.size() - 1);
    case CB_INSERTSTRING: {
      intptr_t at = static_cast<intptr_t>(wParam);
      if (at < 0 || at > static_cast<intptr_t>(w->items.size())) at = static_cast<intptr_t>(w->items.size());
      w->items.insert(w->items.begin() + at, lParam ? reinterpret_cast<const char*>(lParam) : "");
      if (w->cur_sel >= at) ++w->cur_sel;
      return at;
    }
    case CB_DELETESTRING: {
      if (wParam >= w->items.size()) return CB_ERR;
      w->items.erase(w->items.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (w->cur_sel == static_cast<int>(wParam)) w->cur_sel = -1;
      else if (w->cur_sel > static_cast<int>(wParam)) --w->cur_sel;
      return static_cast<LRESULT>(w->items.size());
    }
    case CB_RESETCONTENT:
      w->items.clear();
      w->cur_sel = -1;
      return 0;
    case CB_GETCOUNT:
      return static_cast<LRESULT>(w->items.size());
    case CB_GETCURSEL:
      return w->cur_sel;
    case CB_SETCURSEL: {
      intptr_t i = static_cast<intptr_t>(wParam);
      if (i < 0 || i >= static_cast<intptr_t>(w->items.size())) {
        w->cur_sel = -1;
        return CB_ERR;
      }
      w->cur_sel = static_cast<int>(i);
      return i;
    }
    case CB_GETLBTEXTLEN:
      if (wParam >= w->items.size()) return CB_ERR;
      return static_cast<LRESULT>(w->items[wParam].size());
    case CB_GETLBTEXT:
      if (wParam >= w->items.size()) return CB_ERR;
      if (lParam != 0) std::strcpy(reinterpret_cast<char*>(lParam), w->items[wParam].c_str());
      return static_cast<LRESULT>(w->items[wParam].size());
    case CB_SHOWDROPDOWN:
      w->dropped = wParam != 0;
      return TRUE;
    default:
      return 0;
  }
}

bool WindowSystem::dispatch_window_messages() {
  bool any = false;
  while (!window_messages_.empty()) {
    MSG m = window_messages_.front();
    window_messages_.pop_front();
    send(m.hwnd, m.message, m.wParam, m.lParam);
    any = true;
  }
  return any;
}

void WindowSystem::collect() { graveyard_.clear(); }

HWND WindowSystem::main_frame() {
  if (main_frame_ != nullptr) return main_frame_;
  HWND h = create(WindowKind::Frame, nullptr);
  Window* w = find(h);
  w->text = "Orvantis";
  w->visible = true;
  if (!main_frame_object_) main_frame_object_ = std::make_unique<CWnd>();
  main_frame_object_->m_hWnd = h;
  w->object = main_frame_object_.get();
  main_frame_ = h;
  z_order_.erase(std::remove(z_order_.begin(), z_order_.end(), h), z_order_.end());
  z_order_.insert(z_order_.begin(), h);
  return h;
}

CWnd* WindowSystem::main_frame_object() {
  main_frame();
  return main_frame_object_.get();
}

void WindowSystem::reset() {
  while (!z_order_.empty()) destroy(z_order_.back());
  std::vector<HWND> rest;
  for (auto& [h, w] : windows_) rest.push_back(h);
  for (HWND h : rest) destroy(h);
  thread_messages_.clear();
  window_messages_.clear();
  main_frame_ = nullptr;
  collect();
}

std::string strip_accelerator(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      out += text[++i];
      continue;
    }
    if (text[i] != '&') out += text[i];
  }
  return out;
}

char accelerator_of(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

int list_box_rows(const Window& list) { return std::max(1, list.cy / 8); }

int list_box_first(const Window& list) {
  const int n = static_cast<int>(list.items.size()), rows = list_box_rows(list);
  int first = std::clamp(list.top_line, 0, std::max(0, n - rows));
  if (list.cur_sel >= 0 && list.cur_sel < first) first = list.cur_sel;
  if (list.cur_sel >= first + rows) first = list.cur_sel - rows + 1;
  return first;
}

bool takes_focus(const Window& w) {
  return w.kind == WindowKind::Control && w.control != CTL_STATIC && w.control != CTL_GROUPBOX;
}

bool is_tab_stop(const Window& w) { return w.visible && w.enabled && takes_focus(w) && (w.style & WS_TABSTOP); }

HWND next_tab_stop(WindowSystem& ws, const Window& dialog, bool forward) {
  std::vector<HWND> stops;
  for (HWND c : dialog.children)
    if (Window* cw = ws.find(c); cw && is_tab_stop(*cw)) stops.push_back(c);
  if (stops.empty()) return nullptr;
  int n = static_cast<int>(stops.size());
  int at = static_cast<int>(std::find(stops.begin(), stops.end(), dialog.focus) - stops.begin());
  at = at == n ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
  return stops[static_cast<size_t>(at)];
}

}  // namespace orv

// ---- The Win32-style functions, on the installed window system ----
using orv::WindowSystem;

namespace {
WindowSystem& installed_windows() { return orv::platform_state().windows; }
}  // namespace

extern "C" {

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return installed_windows().send(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& ws = installed_windows();
  if (window == nullptr) {
    ws.thread_messages().push_back(MSG{nullptr, message, wParam, lParam});
    return TRUE;
  }
  if (ws.find(window) == nullptr) return FALSE;
  ws.window_messages().push_back(MSG{window, message, wParam, lParam});
  return TRUE;
}

HWND GetFocus() { return installed_windows().focus(); }

HWND SetFocus(HWND window) {
  WindowSystem& ws = installed_windows();
  HWND old = ws.focus();
  if (ws.find(window) != nullptr) ws.set_focus(window);
  return old;
}

HWND GetParent(HWND window) {
  orv::Window* w = installed_windows().find(window);
  return w ? w->parent : nullptr;
}

BOOL IsWindow(HWND window) { return installed_windows().find(window) != nullptr; }

BOOL IsWindowVisible(HWND window) {
  WindowSystem& ws = installed_windows();
  for (orv::Window* w = ws.find(window); w != nullptr; w = ws.find(w->parent)) {
    if (!w->visible) return FALSE;
    if (w->kind != orv::WindowKind::Control) return TRUE;
  }
  return FALSE;
}

BOOL ShowWindow(HWND window, int command) {
  WindowSystem& ws = installed_windows();
  orv::Window* w = ws.find(window);
  if (w == nullptr) return FALSE;
  BOOL was = w->visible;
  ws.show(window, command != SW_HIDE);
  return was;
}

BOOL DestroyWindow(HWND window) {
  WindowSystem& ws = installed_windows();
  if (ws.find(window) == nullptr) return FALSE;
  ws.destroy(window);
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  WindowSystem& ws = installed_windows();
  orv::Window* d = ws.find(dialog);
  if (d == nullptr) return nullptr;
  for (HWND c : d->children)
    if (orv::Window* w = ws.find(c); w && w->id == id) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  orv::Window* w = installed_windows().find(window);
  return w ? w->id : 0;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  return static_cast<BOOL>(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextA(HWND window, LPSTR buffer, int size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(size),
                                       reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND window) {
  return static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

}  // extern "C"
