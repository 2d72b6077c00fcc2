// The terminal's own modal prompts, for the host services that need a person: the file prompt (a
// path field with the default, the matching files of its folder and the folders to walk), the
// point prompt ("x, y, z"; Esc abandons) and the hand-over of the terminal to the user's editor. Each draws over a backdrop (the
// front end's normal screen) and reads keys until it is done.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>
#include "frontend/terminal_screen.h"

namespace orv::frontend {

struct PromptContext {
  TerminalScreen& screen;
  std::function<void()> backdrop;  // draws the screen under the prompt
};

/// Asks for a file to open; `path` holds the default and, when true is returned, the choice.
bool file_prompt(PromptContext& ctx, std::string& path, const std::string& filter);
/// Asks for a point; `point` holds the default and, when true is returned, the point.
bool point_prompt(PromptContext& ctx, const std::string& prompt, std::array<double, 3>& point);
/// Runs the editor on `path` with the terminal handed over and the screen restored afterwards;
/// returns the editor's exit status (127 when it could not be started).
int run_editor(TerminalScreen& screen, const std::string& path);

// ---- Pieces without a terminal ----

/// "x, y, z" or "x y z": three finite numbers; false for anything else.
bool parse_point(const std::string& text, std::array<double, 3>& point);
/// A point as the prompt shows it ("1, 2.5, -3").
std::string format_point(const std::array<double, 3>& point);

/// The editor to run: $VISUAL, else $EDITOR, else vi.
std::string editor_command();

struct FolderEntry {
  std::string name;  // folders end in "/"
  bool folder = false;
};
/// The entries of `folder` a file prompt offers: ".." (unless at "/"), the folders, then the files
/// that match `filter`, each group sorted; hidden entries left out. False when the folder cannot be
/// read.
bool list_folder(const std::string& folder, const std::string& filter, std::vector<FolderEntry>& out);

}  // namespace orv::frontend
