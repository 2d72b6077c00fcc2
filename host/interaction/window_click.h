// A click on one of the host's windows turned into the dialog manager's event, the same in every
// front end: each front end finds what its own drawing shows under the pointer (the close box, a
// control, an item of an open drop-down list, or nothing) and this decides the event.
#pragma once
#include "platform/event_loop.h"
#include "platform/window_system.h"

namespace orv::interaction {

/// The open drop-down list of a window, if any.
const Window* open_list(WindowSystem& windows, const Window& window);

/// What a click met in a top-level window, as the front end's hit test found it.
struct WindowHit {
  enum class Kind { Nothing, CloseBox, Control, ListItem };
  Kind kind = Kind::Nothing;
  int id = 0;      // Control: the control's id
  int index = -1;  // ListItem: the item of the open list; -1 where the click fell on no item
};

/// The event a click makes in `window`: the close box closes it, a control is clicked, an item of
/// the open list is selected, and a click on nothing beside an open list closes the list, as Esc
/// does. False when the click means nothing.
bool click_event(WindowSystem& windows, const Window& window, const WindowHit& hit, UiEvent& event);

}  // namespace orv::interaction
