// Which editor a file is handed to, the same rule in every front end: $VISUAL when it is set;
// otherwise a front end with an editor of its own (the desktop window's) uses that one, and one
// without (the terminal) runs $EDITOR, else vi. A command runs through the shell so that it may carry
// options, with the path passed as an argument, never pasted into the command text.
#pragma once
#include <string>
#include <vector>

namespace orv::interaction {

struct EditorChoice {
  bool own = false;     // the front end's own editor
  std::string command;  // otherwise: the editor's command
};

/// The editor for a front end that has one of its own (`has_own`) or not.
EditorChoice choose_editor(bool has_own);

/// The arguments (argv, from "sh") that run `command` on `path` through /bin/sh.
std::vector<std::string> editor_arguments(const std::string& command, const std::string& path);

}  // namespace orv::interaction
