// The desktop front end's requests of the person: the host's prompts (core/host_prompts.h) run as
// windows of the window system, which the desktop paints like every dialog; the text editor is an
// ImGui window of the desktop's own (the file's text, saved whole through the host's writer).
#pragma once
#include <memory>
#include <string>

#include "desktop/desktop_front_end.h"

namespace orv::desktop {

/// Saves the editor's `text` as the file at `path` through the host's one whole-file writer: the file
/// is replaced whole or left as it was (a full disk, a quota, a permission taken away while
/// editing). False with `err` ("path: cannot write: reason") when it was not saved.
bool save_edited_text(const std::string& path, const std::string& text, std::string& err);

struct DesktopFrontEnd::Prompt {
  bool done = false;
  bool accepted = false;
  bool focus_field = true;  // the text field takes the keyboard when the editor opens
  std::string title;
  std::string text;         // the file's text
  std::string path;         // the file edited
  std::string error;        // why the text was not saved
};

}  // namespace orv::desktop
