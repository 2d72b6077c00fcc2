// The host side of the file services: where the main and temporary directories are, how a path the
// Zlink writes ("ZLINKS\kuvra.eqn") becomes a POSIX path, and the one way the host replaces a file
// (a committing stream, or write_file_whole) that keeps it whole when it is rewritten. The Zlink
// sees these through orvantis/host_files.h.
#pragma once
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

namespace orv {

/// Longest text a 256-byte path buffer of the Zlink can take.
constexpr std::size_t kPathBufferSize = 256;
/// The Zlink's default file name under the main directory, as it writes it.
constexpr char kDefaultFileName[] = "ZLINKS\\kuvra.eqn";
/// Longest main directory (with its separator) that leaves room in the path buffer for the
/// default file name and the NUL: 239 characters.
constexpr std::size_t kMainDirLimit = kPathBufferSize - (sizeof kDefaultFileName - 1) - 1;
static_assert(kMainDirLimit == 239);

/// Sets the main directory (a separator is added when missing). False with `err` when `dir` is
/// empty, not a directory, or longer than kMainDirLimit with its separator (the Zlink's default
/// path would not fit). The default is the current working directory.
bool set_main_dir(const std::string& dir, std::string& err);
/// True when `dir`, with a separator added when missing, is at most kMainDirLimit characters.
bool main_dir_fits(const std::string& dir);
/// The main directory, ending in "/".
std::string main_dir();

/// Sets the temporary directory: made with mode 0700 when missing; refused with `err` when it is not
/// a directory, is owned by another user, or is accessible to group or others. An empty `dir` goes
/// back to the default.
bool set_temp_dir(const std::string& dir, std::string& err);
/// The temporary directory, ending in "/". Unless one was set, a private directory of the user under
/// $TMPDIR (else /tmp), made on first use; when no private directory can be had, "/dev/null/", under
/// which nothing can be created, so that no file meant to be private ends up somewhere shared.
std::string temp_dir();

/// The path with every "\" turned into "/".
std::string normalize_path(const std::string& path);
/// True when `path` ends in `filter` (".EQN"), compared without regard to case. An empty filter, "*"
/// or "*.*" matches every path.
bool path_matches_filter(const std::string& path, const std::string& filter);

/// Removes the private temporary directories this process made under a fresh name because the
/// usual one could not be used, with the files in them. The usual directory stays for later runs.
void remove_made_temp_dirs();

/// Opens `path` for an atomic rewrite: the stream writes a temporary file beside it (with the
/// owner, group and mode of `path` where the process may set them), and the standard fclose
/// renames that over `path` only when every write, the flush and the sync succeeded; otherwise the
/// temporary file is removed, `path` is left as it was and fclose returns EOF. Null with errno set
/// when the temporary file cannot be made (the directory must be writable), or when `path` exists
/// and is not a regular file (EISDIR, EINVAL), may not be written by the user (EACCES), has more
/// than one hard link (EMLINK), or lost bytes when it was last read (EILSEQ).
FILE* open_committing_stream(const std::string& path);

/// Writes the file at `path` whole or not at all, for a writer that opens a path itself (the
/// exchange formats, pictures): `write` gets the path of an empty file beside `path`, with the
/// owner, group and mode the result will have, and fills it by that name. That path is plain
/// printable ASCII whatever bytes `path` holds (a folder that is not is reached through
/// /proc/self/fd), so a library that re-encodes names opens the same file; what the writer leaves
/// there must be that file, not empty, or nothing is replaced. Stale temporaries of the same target
/// that a killed run left are removed first (ours only: the exact name pattern, our owner, and
/// no live writer holding them). When it returns true the
/// file is synced and renamed over `path`, and the folder synced; otherwise, or when any of that
/// fails, the file is removed and `path` is left as it was. The same refusals as
/// open_committing_stream. False with `err` "path: cannot write: reason", "path: " + what `write`
/// put in its second argument, or "path: cannot replace it: reason".
bool write_file_whole(const std::string& path, const std::function<bool(const std::string&, std::string&)>& write,
                      std::string& err);
/// Replaces `path` with `text`, byte for byte, through write_file_whole; the same refusals and words.
bool write_text_whole(const std::string& path, const std::string& text, std::string& err);

/// Whether `path` may be read or replaced as a file: true when nothing is there or when it is,
/// itself or through links, a regular file. False with `err` "path: not a regular file (a FIFO)"
/// for a device, FIFO, socket or directory. Other failures to look (no permission) answer true:
/// the open that follows reports them.
bool regular_or_absent(const std::string& path, std::string& err);

/// Opens `path` for reading without ever blocking on a FIFO or device: the descriptor (close-on-exec,
/// blocking again once it is known to be a regular file), or -1 with `err` saying
/// "path: cannot read: reason" or "path: not a regular file (...)". errno is ENOENT only when
/// nothing is at `path`.
int open_regular_file(const std::string& path, std::string& err);

/// Opens `path` for reading; null with errno set when it cannot be opened or is not a regular file
/// (EISDIR, EINVAL), without ever blocking on a FIFO. freadln notes what a reading of the stream
/// loses, so that a file is not rewritten from a copy that misses part of it.
FILE* open_reading_stream(const std::string& path);

/// True when the latest reading of the file at `path` lost bytes: a line longer than the reader's
/// limit, a NUL, or a read error. Such a file is refused by open_committing_stream until a whole
/// reading of it loses nothing.
bool reading_lost_bytes(const std::string& path);

/// Forgets that a reading of the file at `path` lost bytes, for a writer that holds the file whole
/// by other means (the desktop's editor read it byte for byte) and may replace it.
void forget_lost_bytes(const std::string& path);
/// Names a file that no other output of the run (a transcript, a screen picture) may be written
/// over: the part file, an export target, the equation file. `role` names it in refusals ("the part
/// file"). A path already protected keeps its first role.
void protect_path(const std::string& path, const std::string& role);
/// The role of the protected file that `path` names, by whatever spelling or link; empty when none.
std::string protected_role(const std::string& path);
/// Forgets every protected path.
void clear_protected_paths();
/// Whether one of the run's own outputs may be written at `path`: nothing there or a regular file,
/// and none of the protected files. False with `err` "path: not a regular file (...)" or
/// "path: is the part file; not written over".
bool output_path_allowed(const std::string& path, std::string& err);

/// The last failure of a file service: "tag:line: path: reason", naming the caller's call site.
std::string last_file_error();

/// Test seam: when set, every write of a committing stream goes through `hook` instead of write(2)
/// and must return what write(2) would. An empty function restores the real write.
using WriteHook = std::function<long(int fd, const void* data, std::size_t size)>;
void set_committing_write_hook(WriteHook hook);

/// Test seam: when set, every replacement (a committing stream's fclose, write_file_whole) asks
/// `hook` with the target's path just before renaming; a non-zero answer fails the commit as if
/// the rename had failed with that error number. An empty function removes it.
using CommitHook = std::function<int(const std::string& target)>;
void set_commit_hook(CommitHook hook);

}  // namespace orv
