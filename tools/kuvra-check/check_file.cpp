// The checker's per-file work; see check_file.h. Lines are reported as they are read, so the
// output streams and a file of a million lines needs no more memory than its statements.
#include "check_file.h"

#include <cstring>
#include <string>

#include "eqfile/keywords.h"
#include "eqfile/line_routing.h"
#include "eqfile/plot_settings.h"
#include "equation/compiler.h"
#include "equation/operators.h"
#include "equation/statement_pool.h"
#include "equation/tokenizer.h"
#include "equation/variables.h"
#include "line_reader.h"
#include "status_messages.h"
#include "text_output.h"

namespace {

enum class LineKind { Blank, Origin, Settings, Statement, Failed };

const char* kind_name(LineKind kind) {
  switch (kind) {
    case LineKind::Blank: return "blank";
    case LineKind::Origin: return "origin";
    case LineKind::Settings: return "settings";
    case LineKind::Statement: return "statement";
    case LineKind::Failed: return "failed";
  }
  return "?";
}

// What compile_line did with a line that returned 0 without storing a statement. Decided from the
// tokens alone, without compiling again, so no variable is added twice.
LineKind route_of_success(const char* line) {
  Token tokens[max_tokens];
  int16_t count = 0;
  if (tokenize_line(line, max_tokens, tokens, &count) != status_ok || count == 0) return LineKind::Blank;
  if (std::strcmp(tokens[0].text, "origin") == 0) return LineKind::Origin;
  for (int i = 0; i < count; ++i) {
    const Token& token = tokens[i];
    if (std::strcmp(token.text, "(") == 0 || std::strcmp(token.text, ")") == 0) continue;
    if (token.kind == TokenKind::Number || token.kind == TokenKind::ExpNumber) return LineKind::Blank;
    int16_t precedence;
    if (find_operator(token.text, &precedence) != op_end) return LineKind::Blank;
    return find_keyword(token.text) >= 0 ? LineKind::Settings : LineKind::Blank;
  }
  return LineKind::Blank;  // parentheses only
}

void write(std::FILE* out, std::string* text) {
  std::fwrite(text->data(), 1, text->size(), out);
  text->clear();
}

void append_pair(std::string* out, const double* values, int n) {
  out->push_back('[');
  for (int i = 0; i < n; ++i) {
    if (i) out->push_back(',');
    append_json_number(out, values[i]);
  }
  out->push_back(']');
}

void append_json_tail(std::string* out, const Statement* head) {
  const PlotSettingsRecord& s = PlotSettings;
  out->append("],\"settings\":{\"use_degrees\":");
  out->append(s.use_degrees ? "true" : "false");
  out->append(",\"geometry\":" + std::to_string(s.geometry) + ",\"step_var\":[");
  append_json_string(out, s.step_var[0]);
  out->push_back(',');
  append_json_string(out, s.step_var[1]);
  out->append("],\"lower_limit\":");
  append_pair(out, s.lower_limit, 2);
  out->append(",\"upper_limit\":");
  append_pair(out, s.upper_limit, 2);
  out->append(",\"step_size\":");
  append_pair(out, s.step_size, 2);
  out->append(",\"origin\":");
  append_pair(out, s.origin, 3);
  out->append(",\"trace_variables\":");
  out->append(s.trace_variables ? "true" : "false");
  out->append("},\"variables\":[");
  for (int row = 0; row < VariableTable.count; ++row) {
    const VariableEntry& v = VariableTable.rows[row];
    out->append(row ? ",{\"name\":" : "{\"name\":");
    append_json_string(out, v.name);
    out->append(v.defined ? ",\"defined\":true" : ",\"defined\":false");
    out->append(v.constant ? ",\"constant\":true" : ",\"constant\":false");
    out->append(",\"value\":");
    append_json_number(out, v.value);
    out->push_back('}');
  }
  out->append("],\"statements\":[");
  for (const Statement* st = head; st != nullptr; st = st->next) {
    out->append(st == head ? "{\"text\":" : ",{\"text\":");
    append_json_string(out, st->text);
    out->append(",\"length\":" + std::to_string(st->length) + "}");
  }
  out->append("]}\n");
}

void append_plain_tail(std::string* out, const char* name, const CheckResult& result, long statements) {
  const PlotSettingsRecord& s = PlotSettings;
  out->append(name);
  out->append(": settings: angles = ");
  out->append(s.use_degrees ? "degrees" : "radians");
  out->append(", geometry = ");
  if (s.geometry >= 0 && s.geometry < keyword_count) {
    out->append(KeywordTable[s.geometry].name);
    out->append(" (" + std::to_string(s.geometry) + ")");
  } else {
    out->append(std::to_string(s.geometry));
  }
  for (int v = 0; v < 2; ++v) {
    std::string n = std::to_string(v + 1);
    out->append(", step_var" + n + " = ");
    append_visible(out, s.step_var[v]);
    out->append(" from ");
    append_number(out, s.lower_limit[v]);
    out->append(" to ");
    append_number(out, s.upper_limit[v]);
    out->append(" by ");
    append_number(out, s.step_size[v]);
  }
  out->append(", origin = ");
  for (int i = 0; i < 3; ++i) {
    if (i) out->append(", ");
    append_number(out, s.origin[i]);
  }
  out->append("\n");
  out->append(name);
  out->append(": " + std::to_string(result.lines) + " lines, " + std::to_string(statements) +
              " statements, " + std::to_string(result.failed_lines) + " failed\n");
}

}  // namespace

CheckResult check_file(std::FILE* in, const char* name, const CheckOptions& options, std::FILE* out) {
  CheckResult result;
  PlotSettings = initial_plot_settings;
  reset_equation_tables();
  Statement* head = nullptr;
  Statement* tail = nullptr;
  long statements = 0;

  std::string text;
  if (options.json) {
    text.append("{\"file\":");
    append_json_string(&text, name);
    text.append(",\"lines\":[");
  }
  LineReader reader(in, max_line_length);
  std::string line;
  while (reader.next(&line)) {
    ++result.lines;
    // The Zlink sees the line up to its first NUL byte, as any C text.
    line.resize(std::strlen(line.c_str()));
    Statement* old_tail = tail;
    int status = compile_line(line.c_str(), &head, &tail);
    LineKind kind;
    if (status != status_ok) {
      kind = LineKind::Failed;
      ++result.failed_lines;
      report_statement_error(status, static_cast<int>(result.lines), line.c_str());
    } else if (tail != old_tail) {
      kind = LineKind::Statement;
      ++statements;
    } else {
      kind = route_of_success(line.c_str());
    }

    if (options.json) {
      text.append(result.lines > 1 ? ",{\"line\":" : "{\"line\":");
      text.append(std::to_string(result.lines) + ",\"status\":" + std::to_string(status) + ",\"kind\":\"");
      text.append(kind_name(kind));
      text.append("\",\"text\":");
      append_json_string(&text, line);
      text.push_back('}');
    } else if (kind != LineKind::Blank) {
      text.append(name);
      text.append(":" + std::to_string(result.lines) + ": " + std::to_string(status) + " " + kind_name(kind));
      if (kind == LineKind::Failed) {
        text.append(": ");
        text.append(status_message(status));
      }
      text.append(" | ");
      append_visible(&text, line);
      text.push_back('\n');
    }
    if (text.size() >= (1 << 16)) write(out, &text);
  }
  result.read_error = reader.error();
  apply_keyword_settings();

  if (options.json) {
    append_json_tail(&text, head);
  } else {
    append_plain_tail(&text, name, result, statements);
  }
  write(out, &text);
  pool_release();
  return result;
}
