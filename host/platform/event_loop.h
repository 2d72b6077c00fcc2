// The host's message processing: the person (or script) at the front end as a source of UI events,
// the pump that takes one event at a time and hands it to the dialog manager, and the modal runs
// that pump until their window ends. get_event (orvantis/host_dialogs.h) pumps the same way and
// returns thread messages as events.
#pragma once
#include <string>

#include "orvantis/win_types.h"

namespace orv {

/// One input from the front end, addressed to the active window.
struct UiEvent {
  enum class Kind { Key, Type, Click, Press, Select, Close, DoubleClick };
  Kind kind = Kind::Key;
  std::string text;  // Key: the key's name ("Tab", "Shift+Tab", "Alt+X", ...); Type: the text;
                     // Press: the caption of the control, without its "&"
  int id = 0;        // Click, Select, DoubleClick: the control id
  int index = 0;     // Select, DoubleClick: the item (0-based) of a list
  int line = 0;      // where the event came from (a script line), 0 when none
};

/// What the front ends implement to feed the window system.
class InputSource {
 public:
  virtual ~InputSource() = default;
  /// Blocks for the next event; false when the input has ended (for good).
  virtual bool next_event(UiEvent& event) = 0;
  /// `event` could not be carried out (an unknown control, no active window, ...).
  virtual void event_failed(const UiEvent& event, const std::string& why) = 0;
};

/// Installs the source that the pump reads (null: none, the input has ended); returns the old one.
InputSource* install_input_source(InputSource* source);
InputSource* input_source();

/// Dispatches the posted window messages, then takes one event from the input source and carries it
/// out. False when the input has ended.
bool pump_one();

/// Runs `window` modally: pumps until the window is gone or its run was ended (Window::ended).
/// Returns false when the input ended first.
bool run_modal(HWND window);

/// Ends the modal run of an internal window (message box, viewer) with `result`.
void end_modal(HWND window, intptr_t result);

}  // namespace orv
