// The host's own prompts, as windows of the window system made from host templates as the message
// box is: the file prompt (a path field, the folder's matching files and its folders), the point
// prompt (x, y and z), the export prompt (a path and the formats) and the question asked before
// leaving with geometry not saved. Each runs modally, pumping the installed input source, so the
// dialog manager's keys, clicks and a script's type/click/key lines work in them as in any dialog,
// and every front end draws them with its dialog renderer. Their control ids are in the README.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "orvantis/win_types.h"

namespace orv {

// The file prompt's controls.
constexpr int kFilePathId = 1101;    // edit: the path; follows the list's selection
constexpr int kFileFolderId = 1102;  // static: the folder listed
constexpr int kFileListId = 1103;    // list box: "../", the folders, the matching files
constexpr int kFileNoteId = 1104;    // static: why the last answer was not taken
// The point prompt's controls.
constexpr int kPointTextId = 1200;
constexpr int kPointXId = 1201, kPointYId = 1202, kPointZId = 1203;
constexpr int kPointNoteId = 1204;
// The export prompt's controls.
constexpr int kExportFormatsId = 1300;
constexpr int kExportPathId = 1301;
constexpr int kExportNoteId = 1302;  // why the last export was not written
// The question's buttons; Back is the cancel command (IDCANCEL).
constexpr int kLeaveTextId = 1400;
constexpr int kLeaveSaveId = 1401, kLeaveDiscardId = 1402;

/// How a prompt ended: answered, cancelled (Esc, Cancel, the close box), or the input ended first.
enum class PromptEnd { Answered, Cancelled, InputEnded };

/// Asks for a file to open. `path` holds the default on entry (a "\" is taken as "/") and the
/// regular file chosen when Answered. `filter` is the extension the list offers (".EQN"). A click
/// on the list selects, a double-click or Enter opens (a folder is listed, a file chosen); the path
/// field follows the selection, and a path typed is opened with Enter or Open.
PromptEnd run_file_prompt(std::string& path, const std::string& filter, HWND owner);

/// The next file prompt is answered at once with the file chosen last, without showing: the person
/// who went back from the question asked before leaving returns to the plot they left. Nothing
/// when no file was chosen yet or it is gone.
void resume_last_file();

struct FolderEntry {
  std::string name;  // folders end in "/"; a recent file: its whole path
  bool folder = false;
  bool recent = false;  // one of the recent files, listed after the folder's own entries
};
/// The entries of `folder` (ending in "/") a file prompt offers: "../" (unless at "/"), the folders,
/// then the files that match `filter`, each group sorted without regard to case; hidden entries
/// left out. False when the folder cannot be read.
bool list_folder(const std::string& folder, const std::string& filter, std::vector<FolderEntry>& out);
/// The folder above `folder` (ending in "/"): "a/b/" gives "a/", "./" gives "../", "../" "../../".
std::string parent_folder(const std::string& folder);

/// Asks for a point; `point` holds the current point on entry and the point when Answered. The
/// three fields take a number each, or X takes all three ("10, 0, 0"); a refusal says which field
/// and keeps the focus there.
PromptEnd run_point_prompt(const std::string& title, std::array<double, 3>& point);
/// True while a point prompt is open.
bool point_prompt_open();
/// The open point prompt's window, or null: a front end that picks points by a click on the view
/// stands it clear of the view's middle.
HWND point_prompt_window();
/// Fills the open point prompt's fields, as a click on a point of the view does; false when no
/// point prompt is open.
bool fill_point_prompt(const std::array<double, 3>& point);

/// Writes the export to `path`; false with `why` set when nothing was written, true with `why`
/// the line the person is told ("Wrote PATH").
using ExportWrite = std::function<bool(const std::string& path, std::string& why)>;
/// Asks for the path to export to, `path` the last one on entry (selected, so typing replaces it)
/// and the one written when Answered. `formats` lists the extensions offered. A path that could not
/// be written keeps the prompt open with the reason under the field; `told` gets the last line
/// (what was written, or why not).
PromptEnd run_export_prompt(std::string& path, const std::string& formats, const ExportWrite& write,
                            std::string& told);

/// A person's export command: the export prompt over `exporter` (core/frontend.h), `path` the last
/// path and the one written, `status` the line the person is told. True when a file was written.
bool export_by_prompt(const std::function<bool(const std::string&, std::string&)>& exporter, std::string& path,
                      const std::string& formats, std::string& status);

/// The answer to the question asked before leaving with geometry not saved.
enum class LeaveAnswer { Save, Discard, Back, InputEnded };
/// Asks it: S saves (the caller then runs the export prompt), D discards, B, Esc or the close box
/// go back. The letters work without Alt, as in a message box.
LeaveAnswer run_leave_question();

/// "x, y, z" or "x y z": three finite numbers; false for anything else, `point` unchanged.
bool parse_point(const std::string& text, std::array<double, 3>& point);
/// A point as the prompts show it ("1, 2.5, -3").
std::string format_point(const std::array<double, 3>& point);

}  // namespace orv
