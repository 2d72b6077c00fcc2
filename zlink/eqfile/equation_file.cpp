// Equation files: the reader hands every line to compile_line and keeps each failing line as an inert
// statement, so that writing back loses nothing the user typed (a failing line sets no keyword);
// the writer puts the settings in a fixed block (two step-variable blocks only for surface kinds)
// before the statement texts.
#include "eqfile/equation_file.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "equation/keywords.h"
#include "equation/line_routing.h"
#include "equation/plot_settings.h"
#include "equation/compiler.h"
#include "equation/number_text.h"
#include "equation/variables.h"
#include "orvantis/host_files.h"

namespace {

// Drops the "+" and the leading zeros of a positive exponent: "1e+06" becomes "1e6".
void shorten_exponent(char* text) {
  char* e = std::strchr(text, 'e');
  if (e == nullptr || e[1] != '+') return;
  char* digits = e + 2;
  while (digits[0] == '0' && digits[1] != '\0') ++digits;
  std::memmove(e + 1, digits, std::strlen(digits) + 1);
}

// Ends a line whose text is `text`. The host's line reading drops one carriage return before the
// line feed, so a text that ends in one gets a second to come back unchanged.
void end_line(FILE* stream, const char* text) {
  size_t length = std::strlen(text);
  std::fputs(length > 0 && text[length - 1] == '\r' ? "\r\n" : "\n", stream);
}

void write_block(FILE* stream, int block) {
  char number[32];
  std::fprintf(stream, "step_var%d = %s", block + 1, PlotSettings.step_var[block]);
  end_line(stream, PlotSettings.step_var[block]);
  format_file_number(PlotSettings.step_size[block], number, sizeof number);
  std::fprintf(stream, "step_size%d = %s\n", block + 1, number);
  format_file_number(PlotSettings.lower_limit[block], number, sizeof number);
  std::fprintf(stream, "lower_limit%d = %s\n", block + 1, number);
  format_file_number(PlotSettings.upper_limit[block], number, sizeof number);
  std::fprintf(stream, "upper_limit%d = %s\n", block + 1, number);
}

}  // namespace

void format_file_number(double value, char* out, int size) {
  if (size <= 0) return;
  char text[number_text_size];
  for (int precision = 6; precision <= 17; ++precision) {
    format_general(value, precision, text, sizeof text);
    shorten_exponent(text);
    double back = 0;
    const char* end = text + std::strlen(text);
    auto read = std::from_chars(text, end, back);
    if (read.ec == std::errc() && read.ptr == end && back == value &&
        std::signbit(back) == std::signbit(value))  // -0 stays -0
      break;
  }
  std::snprintf(out, static_cast<size_t>(size), "%s", text);
}

Statement* make_inert_statement(const char* text, int status) {
  Statement* statement = make_statement(text, 0, nullptr);
  if (statement != nullptr) statement->failed_status = status;
  return statement;
}

void read_equation_file(FILE* stream, Statement** head) {
  char line[max_line_length + 1];
  std::memset(line, 0, sizeof line);
  reset_equation_tables();
  *head = nullptr;
  Statement* tail = nullptr;
  int line_number = 0;
  int status = status_ok;
  KeywordEntry saved_rows[keyword_count];
  while (!std::feof(stream)) {
    if (freadln(line, max_line_length, stream) == 0) break;
    ++line_number;
    // A settings line that fails part-way may already have assigned some keywords ("step_size1 = 0.1,
    // lower_limit1 = q"); a failing line sets nothing, so its rows are put back.
    std::memcpy(saved_rows, KeywordTable, sizeof saved_rows);
    status = compile_line(line, head, &tail);
    if (status == status_ok) continue;
    std::memcpy(KeywordTable, saved_rows, sizeof saved_rows);
    report_statement_error(status, line_number, line);
    // Kept verbatim in its place, never run, so that the write-back returns it unchanged.
    Statement* kept = make_inert_statement(line, status);
    if (kept == nullptr) continue;
    if (*head == nullptr) {
      *head = kept;
    } else {
      tail->next = kept;
    }
    tail = kept;
  }
  apply_keyword_settings();
  report_status(status);
}

void write_equation_file(FILE* stream, Statement* head) {
  int blocks = PlotSettings.geometry >= first_surface_kind ? 2 : 1;
  for (int block = 0; block < blocks; ++block) write_block(stream, block);
  if (PlotSettings.geometry >= 0 && PlotSettings.geometry < keyword_count) {
    std::fprintf(stream, "geometry = %s\n", KeywordTable[PlotSettings.geometry].name);
  } else {
    std::fprintf(stream, "geometry = %d\n", static_cast<int>(PlotSettings.geometry));  // no such keyword
  }
  std::fprintf(stream, "angles = %s", PlotSettings.use_degrees != 0 ? "degrees\n" : "radians\n");
  char x[32], y[32], z[32];
  format_file_number(PlotSettings.origin[0], x, sizeof x);
  format_file_number(PlotSettings.origin[1], y, sizeof y);
  format_file_number(PlotSettings.origin[2], z, sizeof z);
  std::fprintf(stream, "origin = %s, %s, %s\n", x, y, z);
  for (Statement* s = head; s != nullptr; s = s->next) {
    std::fputs(s->text, stream);
    end_line(stream, s->text);
  }
}

void edit_equation_file(const char* path, Statement** head) {
  edit_filename(path, 1);
  FILE* stream = q_fopen(kuvra_source_tag, 440, path, "r");
  if (stream == nullptr) return;
  read_equation_file(stream, head);
  q_fclose(kuvra_source_tag, 442, stream);
}
