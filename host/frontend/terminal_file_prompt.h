// The terminal's file prompt: a path field with the default, the folder's matching files and the
// folders to walk, for the host's "prompt for a file to open"; and the folder listing it shows.
// Paths typed with "\" are taken as the host's file services take them.
#pragma once
#include <string>
#include <vector>
#include "frontend/terminal_prompt_box.h"

namespace orv::frontend {

/// Asks for a file to open; `path` holds the default and, when true is returned, the choice.
bool file_prompt(PromptContext& ctx, std::string& path, const std::string& filter);

struct FolderEntry {
  std::string name;  // folders end in "/"; a recent file: its whole path
  bool folder = false;
  bool recent = false;  // one of the recent files, listed after the folder's own entries
};
/// The entries of `folder` a file prompt offers: ".." (unless at "/"), the folders, then the files
/// that match `filter`, each group sorted; hidden entries left out. False when the folder cannot be
/// read.
bool list_folder(const std::string& folder, const std::string& filter, std::vector<FolderEntry>& out);

}  // namespace orv::frontend
