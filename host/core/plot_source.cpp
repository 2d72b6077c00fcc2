// Plot sources; see plot_source.h. The text of the file being read is gathered as its lines are
// served; a plot takes the text of the last file read with the settings the Zlink notes as it
// starts. The last reading need not be closed through the host (the Zlink's first reading ends with
// the standard fclose), so its text is the last file's from its first line on. The record stays pending while the plot runs and is kept
// when the plot is over, with the ids it stored, only if it stored any.
#include "core/plot_source.h"

#include <charconv>
#include <cmath>

#include "core/database.h"
#include "core/host.h"
#include "core/frontend.h"
#include "core/host.h"
#include "core/plot_report.h"
#include "orvantis/host_notes.h"

namespace orv {
namespace {

// The text of one file, gathered within the bounds.
struct SourceText {
  std::string file;
  std::string text;
  std::size_t lines = 0;
  bool cut = false;
};

struct Reading {
  FILE* stream = nullptr;  // null once the host saw the reading closed
  SourceText source;
};

Reading g_reading;  // the last file read
bool g_pending = false;  // a plot has started and is not over
PlotSource g_plot;

// The first surface kind's keyword row: a surface plot steps two variables.
constexpr int32_t kFirstSurfaceKind = 9;

// At most `limit` bytes of a NUL-terminated text.
std::string bounded(const char* text, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; text[i] != '\0' && i < limit; ++i) out += text[i];
  return out;
}

}  // namespace

std::string source_number(double value) {
  char buf[40];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  if (ec != std::errc()) return "0";
  std::string text(buf, end);
  // "1e+06" as "1e6", "1e-07" as "1e-7": the form the equation file's writer uses.
  const std::size_t e = text.find('e');
  if (e != std::string::npos) {
    std::string exponent = text.substr(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
      if (exponent[0] == '-') sign = "-";
      exponent.erase(0, 1);
    }
    while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
    text.resize(e + 1);
    text += sign;
    text += exponent;
  }
  return text;
}

std::vector<std::string> source_settings_lines(const PlotSource& s) {
  std::vector<std::string> lines;
  for (std::size_t k = 0; k < s.steps.size() && k < 2; ++k) {
    const std::string n = std::to_string(k + 1);
    const SourceStep& step = s.steps[k];
    std::string line = "step_var" + n;
    line += " = ";
    line += step.var;
    lines.push_back(std::move(line));
    for (const auto& [word, value] : {std::pair<const char*, double>{"step_size", step.size},
                                      {"lower_limit", step.lower}, {"upper_limit", step.upper}}) {
      line = word;
      line += n;
      line += " = ";
      line += source_number(value);
      lines.push_back(std::move(line));
    }
  }
  std::string line = "geometry = ";
  line += s.geometry;
  lines.push_back(std::move(line));
  lines.push_back(s.degrees ? "angles = degrees" : "angles = radians");
  line = "origin = ";
  line += source_number(s.origin[0]);
  line += ", ";
  line += source_number(s.origin[1]);
  line += ", ";
  line += source_number(s.origin[2]);
  lines.push_back(std::move(line));
  return lines;
}

std::vector<uint32_t> source_code_points(const std::string& text) {
  std::vector<uint32_t> out;
  out.reserve(text.size());
  const auto* b = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = b[i];
    std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    bool valid = len > 0 && i + len <= n;
    for (std::size_t k = 1; valid && k < len; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (b[i + k] & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8 either.
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (cp < kLeast[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) valid = false;
    if (!valid) {
      out.push_back(c);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

std::string utf8_of(const std::vector<uint32_t>& code_points) {
  std::string out;
  for (const uint32_t cp : code_points) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::string source_file_name(const std::string& path) {
  const std::string::size_type sep = path.find_last_of("/\\");
  std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
  if (name.size() > kMaxSourceNameBytes) name.resize(kMaxSourceNameBytes);
  return name;
}

std::string source_refusal(const PlotSource& s) {
  if (s.file.size() > kMaxSourceNameBytes)
    return "file: longer than " + std::to_string(kMaxSourceNameBytes) + " bytes";
  if (s.text.size() > kMaxSourceBytes) return "text: longer than " + std::to_string(kMaxSourceBytes) + " bytes";
  std::size_t lines = 0;
  for (const char c : s.text) lines += c == '\n';
  if (lines > kMaxSourceLines) return "text: more than " + std::to_string(kMaxSourceLines) + " lines";
  if (s.geometry.size() > kMaxSourceWordBytes)
    return "settings: geometry: longer than " + std::to_string(kMaxSourceWordBytes) + " bytes";
  if (s.steps.size() > 2) return "settings: more than two step variables";
  for (const SourceStep& step : s.steps) {
    if (step.var.size() > kMaxSourceWordBytes)
      return "settings: a step variable's name is longer than " + std::to_string(kMaxSourceWordBytes) + " bytes";
    if (!std::isfinite(step.lower) || !std::isfinite(step.upper) || !std::isfinite(step.size))
      return "settings: a number is not finite";
  }
  for (const double c : s.origin)
    if (!std::isfinite(c)) return "settings: origin: a number is not finite";
  if (s.first_id < 0 || s.last_id < s.first_id) return "entities: expected [first id, last id]";
  return {};
}

bool keep_plot_source(std::vector<PlotSource>& sources, PlotSource source) {
  if (sources.size() >= kMaxPlotSources) return false;
  sources.push_back(std::move(source));
  return true;
}

void note_source_reading(FILE* stream, const std::string& path) {
  g_reading = Reading{};
  g_reading.stream = stream;
  g_reading.source.file = source_file_name(path);
}

void note_source_line(FILE* stream, const char* line) {
  if (stream == nullptr || stream != g_reading.stream || line == nullptr) return;
  SourceText& s = g_reading.source;
  if (s.cut) return;
  std::size_t len = 0;
  while (line[len] != '\0') ++len;
  if (s.lines >= kMaxSourceLines || s.text.size() + len + 1 > kMaxSourceBytes) {
    s.cut = true;
    return;
  }
  s.text.append(line, len);
  s.text += '\n';
  ++s.lines;
}

void note_source_closed(FILE* stream) {
  if (stream != nullptr && stream == g_reading.stream) g_reading.stream = nullptr;
}

void finish_plot_source() {
  if (!g_pending) return;
  g_pending = false;
  PlotSource s = std::move(g_plot);
  g_plot = PlotSource{};
  GeometryDatabase& db = host().database;
  if (db.next_id() <= s.first_id) return;  // the plot stored nothing
  s.last_id = db.next_id() - 1;
  if (keep_plot_source(db.plots(), std::move(s))) return;
  std::string words = "the plot's equation file and settings are not kept with its geometry: the part holds the";
  words += " sources of ";
  words += std::to_string(kMaxPlotSources);
  words += " plots already";
  report_refusal("plot_source", words);
}

void reset_plot_source() {
  g_reading = Reading{};
  g_pending = false;
  g_plot = PlotSource{};
}

}  // namespace orv

void note_plot_settings(const QXPlotSettings* settings) {
  // The plot before this one is over, whether or not input was asked for in between.
  orv::finish_plot_report();
  orv::finish_plot_source();
  if (settings == nullptr) return;
  orv::PlotSource& s = orv::g_plot;
  s = orv::PlotSource{};
  s.file = orv::g_reading.source.file;
  s.text = orv::g_reading.source.text;
  s.cut = orv::g_reading.source.cut;
  if (settings->geometry_name != nullptr)
    s.geometry = orv::bounded(settings->geometry_name, orv::kMaxSourceWordBytes);
  s.degrees = settings->use_degrees != 0;
  const bool surface = settings->geometry >= orv::kFirstSurfaceKind;
  for (int k = 0; k < (surface ? 2 : 1); ++k) {
    orv::SourceStep step;
    if (settings->step_var[k] != nullptr) step.var = orv::bounded(settings->step_var[k], orv::kMaxSourceWordBytes);
    step.lower = settings->lower_limit[k];
    step.upper = settings->upper_limit[k];
    step.size = settings->step_size[k];
    s.steps.push_back(std::move(step));
  }
  for (int k = 0; k < 3; ++k) s.origin[k] = settings->origin[k];
  s.first_id = orv::host().database.next_id();
  orv::g_pending = true;
}
