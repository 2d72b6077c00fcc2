// The desktop's own modal prompts, drawn with ImGui widgets over the host's windows: the file prompt
// (folders, the filter, a path typed), the point prompt (three numbers, or a click on the view that
// snaps to a mark, point or curve end), the text editor, the export path and the question asked
// before leaving with geometry not yet saved. Each holds only what the person has entered so far.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "desktop/desktop_front_end.h"

namespace orv::desktop {

/// The names in folder `dir` a file prompt lists: its sub-folders (with a trailing "/"), then the
/// regular files that match `filter` (see path_matches_filter), each group sorted; ".." first unless
/// `dir` is the root. False with `err` when the folder cannot be read.
bool list_folder(const std::string& dir, const std::string& filter, std::vector<std::string>& names,
                 std::string& err);

/// The three numbers of a point typed as text; false with `err` naming the field that is not a
/// finite decimal number.
bool parse_point(const std::array<std::string, 3>& fields, std::array<double, 3>& point, std::string& err);

/// Saves the editor's `text` as the file at `path` through the host's one whole-file writer: the file
/// is replaced whole or left as it was (a full disk, a quota, a permission taken away while
/// editing). False with `err` ("path: cannot write: reason") when it was not saved.
bool save_edited_text(const std::string& path, const std::string& text, std::string& err);

struct DesktopFrontEnd::Prompt {
  enum class Kind { File, Point, Editor, Export, Leave };
  Kind kind = Kind::File;
  bool done = false;
  bool accepted = false;
  bool focus_field = true;               // the text field takes the keyboard when the prompt opens
  std::string title;
  std::string text;                      // File, Export: the path; Editor: the file's text
  std::string path;                      // Editor: the file edited
  std::string dir;                       // File: the folder listed
  std::string filter;                    // File: the extension offered
  std::vector<std::string> names;        // File: what the folder holds
  std::array<std::string, 3> coords;     // Point: x, y, z as typed
  std::string error;                     // why the last answer was not taken
  enum class Leave { None, Save, Discard, Back } leave = Leave::None;

  static std::unique_ptr<Prompt> make_export(const std::string& path);
  /// A file prompt starting in the folder of `path` (the working folder when it has none).
  static std::unique_ptr<Prompt> make_file(const std::string& path, const std::string& filter);
  static std::unique_ptr<Prompt> make_point(const std::string& title, const std::array<double, 3>& point);
  /// Fills the point's fields, as a click on the view does.
  void set_point(const std::array<double, 3>& point);
  /// Lists `folder` and makes it the prompt's; keeps the old one with `error` when it cannot be read.
  void open_folder(const std::string& folder);
};

}  // namespace orv::desktop
