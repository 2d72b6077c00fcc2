// The dialog manager: what a key, a typed text, a click or a close does in the active window.
// Tab order is template order; a click moves the focus first and is dropped when a handler run by
// that focus change took the focus elsewhere; Enter clicks a focused push button, opens a focused
// drop-down list (or takes the highlighted item of an open one, as Alt+Down does) and otherwise sends
// the OK command without moving the focus; Esc closes an open list, else sends the cancel command.
#pragma once
#include <string>

#include "platform/event_loop.h"

namespace orv {

struct DispatchResult {
  enum class Outcome { Done, Dropped, Failed };
  Outcome outcome = Outcome::Done;
  std::string message;  // Failed: why the event could not be carried out
  bool ok() const { return outcome != Outcome::Failed; }
};

/// Carries out one event in the active window.
DispatchResult dispatch_ui_event(const UiEvent& event);

DispatchResult press_key(const std::string& name);
DispatchResult type_text(const std::string& text);
DispatchResult click_control(int id);
/// Clicks the one button or check box of the active window whose caption, read without its "&"
/// accelerator mark, is `caption`. Fails when no such control, or more than one, has that caption.
DispatchResult press_captioned(const std::string& caption);
DispatchResult select_item(int id, int index);
DispatchResult close_active();

/// True for the key names the dialog manager knows ("Tab", "Alt+X", ...).
bool known_key(const std::string& name);

/// A readable name of a window for messages: its caption or its control's text and id.
std::string describe_window(HWND window);

}  // namespace orv
