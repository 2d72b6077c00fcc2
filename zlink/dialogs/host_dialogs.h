// The host's dialog and event services that the Zlink calls; implemented by the host.
// (Seed: the message box; the dialog base classes, edit-field values and get_event follow.)
#pragma once
#include "dialogs/win_types.h"

/// Shows a modal message with an OK button; returns when the user has dismissed it.
int message_box_ok(const char* text, const char* caption, int style, HWND parent);
