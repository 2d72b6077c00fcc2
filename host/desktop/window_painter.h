// Paints the platform's windows with ImGui's draw lists: dialogs and message boxes from their
// templates (buttons, check boxes, edit fields with caret and selection, drop-down lists that open,
// group boxes, texts), accelerators underlined, the focus outlined, the active window's caption lit;
// and the text viewer's page. The painter only shows; the dialog manager owns every state it draws.
#pragma once
#include "desktop/desktop_layout.h"

struct ImDrawList;

namespace orv::desktop {

/// Draws a placed window; `active` lights its caption and shows its focus and caret. An open list
/// stops at `bottom`.
void paint_window(ImDrawList* dl, const Placement& placed, bool active, float bottom);

}  // namespace orv::desktop
