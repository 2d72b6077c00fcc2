// The status line's key hints, in the terminal and in the desktop window: which keys apply where the
// person is, and as many of them as the line holds. Each hint is whole or left out, the least
// important first, so that a narrow line never shows a cut word and always shows the keys that
// matter most.
#pragma once
#include <string>
#include <vector>

namespace orv {
class WindowSystem;
}

namespace orv::interaction {

/// One hint; rank 0 is shown whenever anything is, higher ranks are left out first.
struct Hint {
  std::string text;
  int rank = 0;
};

/// Where the keys go: the frame (no window), a message box, the viewer, a dialog's focused control
/// by kind, an opened drop-down list, or the graphics window while it takes the keys.
enum class HintPlace { Frame, MessageBox, Viewer, Edit, CheckBox, List, OpenList, Button, OtherControl, Graphics };

/// Where the keys go now: the graphics window when `view_keys`, else the active window and its
/// focused control.
HintPlace hint_place(WindowSystem& windows, bool view_keys);

/// The hints for `place`, in the order they are shown, with the front end's own keys (the view,
/// and the export when `can_export`) where they apply.
std::vector<Hint> key_hints(HintPlace place, bool can_export);

/// The hints that fit in `width` cells joined by " · ", in their order: every hint of rank r is
/// kept before any of rank r + 1, and a hint that does not fit is left out whole.
std::string fit_hints(const std::vector<Hint>& hints, int width);

}  // namespace orv::interaction
