// The host's file services, as the Zlink calls them. Every call passes the caller's source tag and
// the number of its call site first; they only name the caller (the host logs them on failure).
// Paths may use "\" as a separator; the filter ".EQN" matches without regard to case.
#pragma once
#include <cstdio>
#include "orvantis/win_types.h"

/// Fills `buffer` (256 bytes) with the host's main directory, ending in a separator; a directory
/// that does not fit gives the empty text.
void get_main_dir(char* buffer);

/// Asks the user for a file to open. `path` (256 bytes) holds the default on entry and the choice on
/// return. Returns non-zero when a file was chosen, 0 when cancelled (also when the host has no one
/// to ask, or the choice would not fit the buffer).
int PromptForFileToOpen(char* path, const char* mode, const char* filter, int flags1, int flags2,
                        HMODULE module, HWND owner);

/// Opens `path` with `mode` ("r" or "w"); `ok` is set non-zero on success. A "w" stream writes a
/// temporary file beside the target, and the standard fclose renames it over the target only when
/// every write and the flush succeeded (else the target is untouched and fclose returns EOF). A "w"
/// open fails when no temporary file can be made beside the target, or the target is not a regular
/// file, may not be written by the user, has more than one hard link, or lost bytes when it was
/// last read (see freadln). An "r" open fails for anything but a regular file; other modes fail.
FILE* q_open_file(const char* tag, int line, const char* path, const char* mode, char* ok);
/// As q_open_file, null on failure.
FILE* q_fopen(const char* tag, int line, const char* path, const char* mode);
/// Closes a stream from q_fopen or q_open_file; returns 0, or EOF when a "w" stream did not commit.
int q_fclose(const char* tag, int line, FILE* file);

/// Reads the next line into `buffer` (limit+1 bytes) without its terminator; a carriage return before
/// the line feed is dropped, a line over `limit` characters gives its first `limit` and the rest of
/// that line is skipped. Returns non-zero when a line was read, 0 at end of file or on error. A
/// line that was cut, held a NUL, or met a read error marks its file as read with lost bytes until
/// a later reading of it from q_open_file loses nothing.
int freadln(char* buffer, int limit, FILE* file);

/// Lets the user edit the file in the host's text editor; returns when the user has finished.
void edit_filename(const char* path, int flag);
/// Shows a text file in the host's viewer; returns when the user has closed it.
void list_filename(const char* path, const char* unused1, const char* unused2);

/// The host's private temporary directory (mode 0700, made on first use), ending in a separator.
const char* GetTempDirectory();
