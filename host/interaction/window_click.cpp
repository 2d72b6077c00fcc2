// What a click on a window means.
#include "interaction/window_click.h"
#include "platform/window_system.h"

namespace orv::interaction {

const Window* open_list(WindowSystem& ws, const Window& w) {
  for (HWND h : w.children) {
    const Window* c = ws.find(h);
    if (c && c->visible && c->control == CTL_DROPDOWNLIST && c->dropped) return c;
  }
  return nullptr;
}

bool click_event(WindowSystem& ws, const Window& w, const WindowHit& hit, UiEvent& e) {
  const Window* open = open_list(ws, w);
  switch (hit.kind) {
    case WindowHit::Kind::ListItem:
      if (!open || hit.index < 0 || hit.index >= static_cast<int>(open->items.size())) return false;
      e.kind = UiEvent::Kind::Select;
      e.id = open->id;
      e.index = hit.index;
      return true;
    case WindowHit::Kind::CloseBox: e.kind = UiEvent::Kind::Close; return true;
    case WindowHit::Kind::Control:
      e.kind = hit.index >= 0 ? UiEvent::Kind::Select : UiEvent::Kind::Click;  // a list box's item: selected
      e.id = hit.id;
      e.index = hit.index >= 0 ? hit.index : 0;
      return true;
    case WindowHit::Kind::Nothing: break;
  }
  if (open) {
    e.kind = UiEvent::Kind::Key;
    e.text = "Esc";
    return true;
  }
  return false;
}

}  // namespace orv::interaction
