// Equation files: reading one into the keyword rows, the origin and a statement list, writing the
// settings back in a fixed block followed by the statement texts, and the edit-and-read-again cycle.
// Numbers are written so that they read back as the same double; lines that fail are kept verbatim.
#pragma once
#include <cstdio>

#include "equation/program.h"

/// The source tag that every call of the host's file services carries.
inline constexpr const char* kuvra_source_tag = ".\\KUVRA";

/// Reads every line of `stream` (left open) through compile_line into a fresh list at `*head`, then
/// applies the keyword settings. A line that fails is kept in its place as an inert statement.
void read_equation_file(FILE* stream, Statement** head);

/// Writes the settings block of PlotSettings and then every statement's text, one a line.
void write_equation_file(FILE* stream, Statement* head);

/// Lets the user edit `path` in the host's editor, then reads it again into `*head`; when the file
/// cannot be opened the list and the settings stay as they were.
void edit_equation_file(const char* path, Statement** head);

/// A failed line kept for writing back: its text, no items, `status` as failed_status; null when the
/// pool has no storage.
Statement* make_inert_statement(const char* text, int status);

/// Writes `value` as the shortest "%.Pg" (P from 6 up) that reads back as the same double, with a
/// positive exponent written without "+" or leading zeros ("1e6"), since the tokenizer would read
/// "1e+06" as 1 + 6. `size` of 32 always suffices.
void format_file_number(double value, char* out, int size);
