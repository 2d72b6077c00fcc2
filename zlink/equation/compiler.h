// Statement compiler: tokens to a flat program of items with priorities; new names become variables.
#pragma once
#include <cstdint>
#include "equation/program.h"
#include "equation/tokenizer.h"

/// Id of the first operator row named exactly `text` (writing its precedence), or 19 writing nothing.
int find_operator(const char* text, int16_t* precedence);

/// Reads a number token as "%lf" would (an exponent marker and sign are taken even without digits).
/// Returns 0 with the value, or -8 when no digit precedes the exponent.
int read_number(const char* text, double* value);

/// Compiles `token_count` tokens into `items`, setting `item_count`. Returns 0, -8, -9, -4 or -2;
/// the items made so far are complete in every case.
int compile_tokens(const Token* tokens, int16_t token_count, int16_t capacity, ProgramItem* items,
                   int16_t* item_count);

/// A new statement (record, items, text from the pool, then its plan) with next null, or null when the
/// pool cannot give the first three; a plan the pool cannot hold leaves `plan` null.
Statement* make_statement(const char* text, int16_t item_count, const ProgramItem* items);

/// Hooks for equation errors. Neither shows anything; both pass their arguments on to the host's
/// note_zlink_status (a bare status with number 0 and no text).
void report_statement_error(int status, int number, const char* text);
void report_status(int status);
