// The host's service for the Zlink's equation errors and statuses. A Zlink shows none of them
// itself; it hands each one on here, and the host may tell the person or ignore it.
#pragma once

/// Notes a failing line or status of the Zlink. `status` is the Zlink's status code (never 0 for a
/// failing line). While a file is read, `number` is the failing line's 1-based number and `text`
/// the line as read; during a plot, `number` is the failing statement's tag and `text` its source
/// line. A bare status (the end of a file's reading with its last line's status, or -5 when a plot
/// is refused for its size) comes with `number` 0 and `text` null. Nothing is returned: what the
/// Zlink does next never depends on the host's answer.
void note_zlink_status(int status, int number, const char* text);
