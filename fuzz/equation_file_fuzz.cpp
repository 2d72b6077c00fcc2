// Fuzzes the equation file reader and writer with whole files: the bytes are read through the
// host's line reading, written back, and read again. The second read must give the same settings
// (bit for bit), the same statements in the same places (texts, inert or not) and, written again,
// the same bytes. A failed line's status may differ, since the written settings block assigns every
// keyword before it is read again. Files that fill the variable table are only exercised: the block
// brings its names in first, so which line finds the table full may move.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "eqfile/equation_file.h"
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/evaluator.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"

namespace {

struct Entry {
  std::string text;
  int failed_status;
};

Statement* read_bytes(const void* data, size_t size) {
  PlotSettings = initial_plot_settings;
  Statement* head = nullptr;
  if (size == 0) {
    reset_equation_tables();
    return head;
  }
  FILE* in = fmemopen(const_cast<void*>(data), size, "r");
  if (in == nullptr) return nullptr;
  read_equation_file(in, &head);
  std::fclose(in);
  return head;
}

std::string write_text(Statement* head) {
  char* data = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&data, &size);
  if (out == nullptr) __builtin_trap();
  write_equation_file(out, head);
  std::fclose(out);
  std::string text(data, size);
  std::free(data);
  return text;
}

std::vector<Entry> entries(const Statement* head, bool* table_filled) {
  std::vector<Entry> out;
  for (const Statement* s = head; s != nullptr; s = s->next) {
    out.push_back({s->text, s->failed_status});
    if (s->failed_status == status_table_full) *table_filled = true;
  }
  return out;
}

bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool same_block(const PlotSettingsRecord& a, const PlotSettingsRecord& b, int i) {
  return std::strcmp(a.step_var[i], b.step_var[i]) == 0 && same(a.lower_limit[i], b.lower_limit[i]) &&
         same(a.upper_limit[i], b.upper_limit[i]) && same(a.step_size[i], b.step_size[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  deg_to_rad = 1.0;
  rad_to_deg = 1.0;
  Statement* head = read_bytes(data, size);
  PlotSettingsRecord first = PlotSettings;
  bool table_filled = VariableTable.count > max_variables - 3;
  std::vector<Entry> first_entries = entries(head, &table_filled);
  std::string written = write_text(head);

  Statement* again = read_bytes(written.data(), written.size());
  if (!table_filled) {
    const PlotSettingsRecord& second = PlotSettings;
    if (second.use_degrees != first.use_degrees || second.geometry != first.geometry) __builtin_trap();
    if (!same_block(first, second, 0)) __builtin_trap();
    if (first.geometry >= first_surface_kind && !same_block(first, second, 1)) __builtin_trap();
    for (int i = 0; i < 3; ++i) {
      if (!same(first.origin[i], second.origin[i])) __builtin_trap();
    }
    bool unused = false;
    std::vector<Entry> second_entries = entries(again, &unused);
    if (second_entries.size() != first_entries.size()) __builtin_trap();
    for (size_t i = 0; i < first_entries.size(); ++i) {
      if (second_entries[i].text != first_entries[i].text) __builtin_trap();
      if ((second_entries[i].failed_status != 0) != (first_entries[i].failed_status != 0)) __builtin_trap();
    }
    if (write_text(again) != written) __builtin_trap();
  }
  pool_release();
  return 0;
}
