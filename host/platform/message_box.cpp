// Message boxes are small dialogs made on the fly, so that the dialog manager's keys apply to them
// as to any dialog; the viewer is a window of its own kind that the dialog manager scrolls.
#include "platform/message_box.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "orvantis/host_dialogs.h"
#include "platform/event_loop.h"
#include "platform/transcript.h"
#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace orv {
namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.empty()) lines.emplace_back();
  return lines;
}

LRESULT modal_proc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& ws = platform_state().windows;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) &&
      HIWORD(wParam) == BN_CLICKED) {
    end_modal(h, IDOK);
    return 0;
  }
  if (message == WM_CLOSE) {
    end_modal(h, IDOK);
    return 0;
  }
  return ws.default_proc(h, message, wParam, lParam);
}

}  // namespace

int run_message_box(const std::string& text, const std::string& caption, HWND owner) {
  if (Transcript* t = transcript()) t->message(text, caption);
  WindowSystem& ws = platform_state().windows;
  if (ws.find(owner) == nullptr) owner = ws.main_frame();

  std::vector<std::string> lines = split_lines(text);
  size_t widest = caption.size() + 6;
  for (const std::string& l : lines) widest = std::max(widest, l.size());
  widest = std::clamp<size_t>(widest, 12, 76);
  int rows = static_cast<int>(lines.size());

  HWND h = ws.create(WindowKind::MessageBox, owner);
  Window* box = ws.find(h);
  box->text = caption;
  box->style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  box->cx = static_cast<int>(widest + 4) * 4;
  box->cy = (rows + 4) * 8;
  box->proc = modal_proc;

  HWND label = ws.create(WindowKind::Control, h);
  Window* l = ws.find(label);
  l->control = CTL_STATIC;
  l->id = kMessageTextId;
  l->text = text;
  l->style = WS_VISIBLE;
  l->visible = true;
  l->x = 8;
  l->y = 8;
  l->cx = static_cast<int>(widest) * 4;
  l->cy = rows * 8;

  HWND ok = ws.create(WindowKind::Control, h);
  Window* b = ws.find(ok);
  b->control = CTL_PUSHBUTTON;
  b->id = IDOK;
  b->text = "OK";
  b->style = WS_VISIBLE | WS_TABSTOP;
  b->visible = true;
  b->cx = 32;
  b->cy = 12;
  b->x = (ws.find(h)->cx - b->cx) / 2;
  b->y = (rows + 2) * 8;

  ws.set_focus(ok);
  ws.show(h, true);
  run_modal(h);
  ws.destroy(h);
  return IDOK;
}

void run_text_viewer(const std::string& path) {
  WindowSystem& ws = platform_state().windows;
  HWND h = ws.create(WindowKind::Viewer, ws.main_frame());
  Window* v = ws.find(h);
  v->text = path;
  v->path = path;
  v->cx = 80;
  v->cy = 20;
  v->proc = modal_proc;
  std::string err;
  if (!v->lines.open(path, err)) v->lines = {"(" + err + ")"};
  ws.show(h, true);
  run_modal(h);
  ws.destroy(h);
}

}  // namespace orv

int message_box_ok(const char* text, const char* caption, int style, HWND parent) {
  (void)style;
  return orv::run_message_box(text ? text : "", caption ? caption : "", parent);
}

extern "C" int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  (void)type;
  return orv::run_message_box(text ? text : "", caption ? caption : "", owner);
}
