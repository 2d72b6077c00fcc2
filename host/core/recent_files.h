// The equation files the person chose at the Zlink's file prompt: the one open now (named in the
// window's title, watched by live edit) and the last few, kept between sessions in a small file of
// the user's configuration directory and offered by the file prompts. The list is one absolute path
// a line, newest first; a list that cannot be read as one is ignored with a note and written anew.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace orv {

/// Files the list keeps.
constexpr std::size_t kMaxRecentFiles = 8;
/// A list file larger than this is not one of ours.
constexpr std::size_t kMaxRecentListBytes = 64 * 1024;

/// Where the list is kept: $XDG_CONFIG_HOME/orvantis/recent, else $HOME/.config/orvantis/recent
/// (only absolute directories count); "" when neither is set.
std::string recent_list_path();

/// Reads the list at `list_path`. A missing file is an empty list; one that is not a regular file,
/// is too large, holds a NUL or a line that is not an absolute path gives an empty list with
/// `note` saying why it is ignored. Never more than kMaxRecentFiles.
std::vector<std::string> read_recent_list(const std::string& list_path, std::string& note);
/// `list` with `file` first and no repeats, at most kMaxRecentFiles.
std::vector<std::string> with_recent(std::vector<std::string> list, const std::string& file);
/// Writes the list whole (through the whole-file writer), making its directory when missing;
/// false with `err`.
bool write_recent_list(const std::string& list_path, const std::vector<std::string>& list, std::string& err);

/// Turns keeping the list on (interactive sessions; batch and script runs leave it alone).
void keep_recent_files(bool on);
/// The recent files, newest first, as the file prompts offer them (empty when not kept).
std::vector<std::string> recent_files();
/// Why the list was ignored or not written, for the prompt to show; "" when all is well.
const std::string& recent_files_note();

/// The person chose `path` at the Zlink's file prompt: it becomes the file open now and, when the
/// list is kept, the first of the recent files.
void note_file_chosen(const std::string& path);
/// The file open now, as chosen; "" before the first choice.
const std::string& current_file();
/// The window's title: "torus.eqn — Orvantis" once a file is open, else "Orvantis".
std::string window_title(const std::string& program = "Orvantis");

}  // namespace orv
