// The pump: window messages first, then one input event carried out by the dialog manager; a
// failed event goes back to its source, which decides whether the input goes on. get_event returns
// the thread messages that handlers posted, in order, before it takes more input.
#include "platform/event_loop.h"

#include <cstring>

#include "orvantis/host_dialogs.h"
#include "platform/dialog_manager.h"
#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace orv {
namespace {
InputSource* g_source = nullptr;
}

InputSource* install_input_source(InputSource* source) {
  InputSource* old = g_source;
  g_source = source;
  return old;
}

InputSource* input_source() { return g_source; }

bool pump_one() {
  WindowSystem& ws = platform_state().windows;
  if (ws.dispatch_window_messages()) return true;
  if (g_source == nullptr) return false;
  UiEvent event;
  if (!g_source->next_event(event)) return false;
  DispatchResult r = dispatch_ui_event(event);
  if (!r.ok() && g_source != nullptr) g_source->event_failed(event, r.message);
  return true;
}

bool run_modal(HWND window) {
  WindowSystem& ws = platform_state().windows;
  for (;;) {
    Window* w = ws.find(window);
    if (w == nullptr || w->ended) return true;
    if (!pump_one()) return false;
  }
}

void end_modal(HWND window, intptr_t result) {
  if (Window* w = platform_state().windows.find(window)) {
    w->ended = true;
    w->result = result;
  }
}

}  // namespace orv

int get_event(const char* prompt, QXEvent* event, int mask, int a, int b, char* ok) {
  (void)prompt;
  (void)mask;
  (void)a;
  (void)b;
  orv::WindowSystem& ws = orv::platform_state().windows;
  QXEvent blank;
  for (;;) {
    if (!ws.thread_messages().empty()) {
      MSG m = ws.thread_messages().front();
      ws.thread_messages().pop_front();
      if (event != nullptr) {
        *event = blank;
        event->kind = QX_EVENT_MESSAGE;
        event->value = static_cast<int32_t>(m.wParam);
        event->message = static_cast<int32_t>(m.message);
      }
      if (ok != nullptr) *ok = 1;
      return QX_EVENT_OK;
    }
    ws.collect();
    if (!orv::pump_one()) {
      if (event != nullptr) *event = blank;
      if (ok != nullptr) *ok = 0;
      return QX_EVENT_ENDED;
    }
  }
}
