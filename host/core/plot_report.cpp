// The plot report; see plot_report.h. A plot is heard only through the services it calls, so its
// steps are counted from them: every step of a curve ends with a mark unless it is the failing step
// that ends the plot (a points plot marks its skipped steps too, after the failure's note); every
// grid point of a surface either fails (a note) or succeeds with a mark, or with a stored point for
// a points surface. Which of the two counts holds is decided when the plot is over, from what it
// made. Memory stays bounded whatever the plot: failures are folded by line, and the lines of a
// file are remembered only up to a fixed size.
#include "core/plot_report.h"

#include <unordered_map>

#include "core/frontend.h"
#include "core/plot_source.h"
#include "core/zlink_status_words.h"
#include "orvantis/host_notes.h"
#include "orvantis/plot_limits.h"
#include "platform/transcript.h"

namespace orv {
namespace {

/// Bytes of line text remembered of the last file read, to find a failing statement's line.
constexpr size_t kLineIndexBytes = 8u << 20;
/// Distinct failing lines a plot keeps apart; failures of further lines are only counted.
constexpr size_t kMaxFailingLines = 200;

// Where each line of the last file read first stands, for lines that were read.
struct LineIndex {
  std::string path;
  std::unordered_map<std::string, int> first_line;
  std::unordered_map<int, bool> failed;  // lines the reading noted as not read
  size_t bytes = 0;
};

struct Reading {
  FILE* stream = nullptr;
  int lines = 0;
  LineIndex index;
  ReadReport report;
};

// Counters at one moment of a plot, enough to number a step by either count.
struct At {
  int64_t marks = 0, stores = 0, notes = 0;
};

// The failures of one statement line during a plot.
struct FailingLine {
  std::string text;
  int status = 0;
  int64_t count = 0;
  At first, last;
};

// The plot in progress.
struct Plot {
  bool open = false;
  int64_t steps = 0;
  int64_t marks = 0, point_stores = 0, line_stores = 0, notes = 0;
  int64_t store_then_mark = 0, note_then_mark = 0;
  enum class Last { None, Note, Store, Mark } last = Last::None;
  std::vector<FailingLine> failing;
  int64_t other_failures = 0;  // failures of lines past kMaxFailingLines
  size_t last_failing = SIZE_MAX;  // the line of the latest failure
  At last_note;
  bool stopped = false;
  int64_t stopped_at = 0;
  int64_t spline_points = 0;
  bool nurbs_curve = false;
  int64_t surface_rows = 0, surface_cols = 0;
  bool has_last_mark = false, has_kept = false;
  std::array<double, 3> last_mark{0, 0, 0}, kept{0, 0, 0};
  bool refused = false;
  std::string buffer_refusal;
};

Reading g_reading;
LineIndex g_index;  // of the last file read whole
ReadReport g_read_report;
bool g_read_report_shown = false;  // in the frame, until the next plot
Plot g_plot;
std::string g_buffer_refusal;  // the point buffer's last refusal, for a plot refused for its size
PlotReport g_report;

std::string count_of(int64_t n, const char* one, const char* many) {
  return orvantis::grouped(n) + " " + (n == 1 ? one : many);
}

// A line's text as the person wrote it, with control characters made visible.
std::string visible(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text) {
    if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7f) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// "helix.eqn:8: " or "helix.eqn: " when the line is not known.
std::string place(const std::string& file, int line) {
  std::string out = file.empty() ? std::string("the plot") : file;
  if (line > 0) out += ":" + std::to_string(line);
  return out + ": ";
}

void tell(const std::vector<PlotIssue>& issues) {
  if (Transcript* t = transcript()) {
    static const char* const kKind[] = {"not_read", "ended_early", "skipped", "dropped_rows", "refused_for_size",
                                        "stopped"};
    for (const PlotIssue& i : issues) {
      nlohmann::ordered_json e = {{"event", "plot_issue"}, {"kind", kKind[static_cast<int>(i.kind)]}};
      if (!i.file.empty()) e["file"] = i.file;
      if (i.line > 0) e["line"] = i.line;
      if (!i.text.empty() || i.line > 0) e["text"] = i.text;
      if (i.status != 0) {
        e["status"] = i.status;
        e["reason"] = zlink_status_words(i.status);
      }
      if (i.step > 0) e["step"] = i.step;
      if (i.steps > 0) e["steps"] = i.steps;
      if (i.count > 1) e["count"] = i.count;
      if (i.row > 0) {
        e["row"] = i.row;
        e["column"] = i.column;
      }
      e["words"] = i.words;
      t->record(e);
    }
  }
}

void tell_front_end(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  if (FrontEnd* fe = front_end()) fe->plot_told(lines);
}

// The reading of the Zlink's file is over: its failing lines are told once.
void finish_reading() {
  Reading& r = g_reading;
  if (r.stream == nullptr) return;
  g_index = std::move(r.index);
  ReadReport report = std::move(r.report);
  r = Reading{};
  if (report.not_read > 0) {
    std::string words = report.file + ": " + count_of(report.not_read, "line", "lines") + " not read: ";
    for (size_t i = 0; i < report.lines.size(); ++i) {
      const PlotIssue& l = report.lines[i];
      if (i > 0) words += "; ";
      words += "line " + std::to_string(l.line) + " \"" + visible(l.text) + "\": " + zlink_status_words(l.status);
    }
    if (report.not_read > static_cast<int64_t>(report.lines.size()))
      words += "; and " + orvantis::grouped(report.not_read - static_cast<int64_t>(report.lines.size())) + " more";
    report.words = words;
  }
  g_read_report = std::move(report);
  g_read_report_shown = !g_read_report.words.empty();
  tell(g_read_report.lines);
  if (g_read_report_shown) tell_front_end({g_read_report.words});
}

void note_while_reading(int status, int number, const char* text) {
  Reading& r = g_reading;
  if (text == nullptr) {  // the bare status after the last line: the reading is over
    finish_reading();
    return;
  }
  ++r.report.not_read;
  r.index.failed[number] = true;
  if (r.report.lines.size() < static_cast<size_t>(kMaxListedLines)) {
    PlotIssue i;
    i.kind = PlotIssue::Kind::NotRead;
    i.status = status;
    i.file = r.report.file;
    i.line = number;
    i.text = text;
    i.words = place(i.file, number) + "\"" + visible(i.text) + "\": not read: " + zlink_status_words(status);
    r.report.lines.push_back(std::move(i));
  }
}

int line_of(const std::string& text) {
  auto it = g_index.first_line.find(text);
  return it == g_index.first_line.end() ? 0 : it->second;
}

void start_plot(int64_t steps) {
  finish_plot_report();
  g_plot = Plot{};
  g_plot.open = true;
  g_plot.steps = steps;
  g_report = PlotReport{};  // the frame forgets the last plot's words when the next one starts
  g_read_report_shown = false;
  g_buffer_refusal.clear();
}

void close_store() {
  if (g_plot.last == Plot::Last::Store) g_plot.last = Plot::Last::None;
}

void note_while_plotting(int status, const char* text) {
  Plot& p = g_plot;
  if (text == nullptr) {
    if (status == kStatusRefusedForSize) p.refused = true;
    return;
  }
  close_store();
  const std::string line = text;
  size_t which = SIZE_MAX;
  for (size_t i = 0; i < p.failing.size(); ++i)
    if (p.failing[i].text == line) which = i;
  const At now{p.marks, p.point_stores, p.notes};
  if (which == SIZE_MAX && p.failing.size() < kMaxFailingLines) {
    p.failing.push_back(FailingLine{line, status, 0, now, now});
    which = p.failing.size() - 1;
  }
  if (which != SIZE_MAX) {
    ++p.failing[which].count;
    p.failing[which].last = now;
  } else {
    ++p.other_failures;
  }
  p.last_failing = which;
  p.last_note = now;
  ++p.notes;
  p.last = Plot::Last::Note;
}

// How the finished plot is read: a curve or a surface, from what it made.
bool plot_is_surface(const Plot& p) {
  if (p.surface_rows > 0) return true;
  if (p.spline_points > 0 || p.nurbs_curve || p.line_stores > 0 || p.store_then_mark > 0) return false;
  if (p.point_stores > 0) return true;  // points stored without their marks: a points surface
  if (p.note_then_mark > 0) return p.marks + p.notes <= p.steps;  // else a points curve skipping steps
  return p.notes > 1;
}

int64_t step_of(const At& at, bool surface) { return surface ? at.marks + at.stores + at.notes + 1 : at.marks + 1; }

std::string step_name(bool surface) { return surface ? "grid point" : "step"; }

// "step 7 of 11", "grid point 23 of 81 (row 3, column 5)".
std::string step_text(const PlotReport& r, int64_t step) {
  std::string out = step_name(r.surface) + " " + orvantis::grouped(step);
  if (r.steps > 0) out += " of " + orvantis::grouped(r.steps);
  if (r.surface && r.cols > 0)
    out += " (row " + orvantis::grouped((step - 1) / r.cols + 1) + ", column " +
           orvantis::grouped((step - 1) % r.cols + 1) + ")";
  return out;
}

std::string of_steps(const PlotReport& r, int64_t n, const char* one, const char* many) {
  std::string out = orvantis::grouped(n);
  if (r.steps > 0) out += " of " + orvantis::grouped(r.steps);
  return out + " " + (n == 1 && r.steps <= 0 ? one : many);
}

// What a plot that lost part of its geometry kept.
std::string kept_text(const PlotReport& r) {
  if (r.surface) {
    if (r.points_stored > 0) return of_steps(r, r.points_stored, "point", "points") + " kept";
    if (r.kept_rows > 0)
      return "the surface keeps its first " + orvantis::grouped(r.kept_rows) + " of " + orvantis::grouped(r.rows) +
             " rows, the complete ones before the first failed grid point";
    return "after " + of_steps(r, r.done, "grid point", "grid points");
  }
  if (r.spline_points > 0)
    return std::string(r.nurbs_curve ? "the NURB curve" : "the spline") + " is made through " +
           of_steps(r, r.spline_points, "point", "points");
  if (r.points_stored > 0) return of_steps(r, r.points_stored, "point", "points") + " kept";
  if (r.lines_stored > 0) return count_of(r.lines_stored, "line", "lines") + " kept";
  if (r.marks > 0) return "after " + of_steps(r, r.done, "step", "steps") + " (drawn on the screen)";
  return "nothing was made";
}

// The report of the plot that just ended.
PlotReport word_plot(const Plot& p, const std::string& file) {
  PlotReport r;
  r.plotted = true;
  r.file = file;
  r.steps = p.steps;
  r.surface = plot_is_surface(p);
  r.cols = p.surface_cols;
  r.rows = p.surface_cols > 0 && p.steps > 0 ? p.steps / p.surface_cols : 0;
  r.kept_rows = p.surface_rows;
  r.spline_points = p.spline_points;
  r.nurbs_curve = p.nurbs_curve;
  r.points_stored = p.point_stores;
  r.lines_stored = p.line_stores;
  r.marks = p.marks;
  r.stopped = p.stopped;
  if (p.refused) {
    PlotIssue i;
    i.kind = PlotIssue::Kind::RefusedForSize;
    i.status = kStatusRefusedForSize;
    i.file = file;
    i.words = place(file, 0) + "the plot was " +
              (p.buffer_refusal.empty() ? orvantis::size_refusal_words(-1)
                                        : "refused for its size: " + p.buffer_refusal);
    r.issues.push_back(std::move(i));
    return r;
  }
  const bool surface = r.surface;
  // A curve's failing step that ends it makes no mark, so it is the one step the marks miss.
  r.done = p.stopped ? p.stopped_at
           : surface ? p.marks + p.point_stores + p.notes
                     : p.marks + (p.last == Plot::Last::Note ? 1 : 0);
  const bool ended_early = !p.stopped && p.notes > 0 && r.done < p.steps;
  const bool dropped_rows = surface && r.rows > 0 && r.kept_rows < r.rows;
  bool kept_told = false;
  for (size_t g = 0; g < p.failing.size(); ++g) {
    const FailingLine& f = p.failing[g];
    PlotIssue i;
    i.status = f.status;
    i.file = file;
    i.line = line_of(f.text);
    i.text = f.text;
    i.steps = p.steps;
    i.count = f.count;
    i.step = step_of(f.first, surface);
    if (surface && r.cols > 0) {
      i.row = (i.step - 1) / r.cols + 1;
      i.column = (i.step - 1) % r.cols + 1;
    }
    const bool ends = ended_early && g == p.last_failing;
    const int64_t skipped = ends ? f.count - 1 : f.count;
    std::string words = place(file, i.line) + "\"" + visible(f.text) + "\": " + zlink_status_words(f.status);
    if (f.count == 1) words += " at " + step_text(r, i.step);
    words += ": ";
    if (skipped > 1) {
      words += "skipped " + of_steps(r, skipped, step_name(surface).c_str(),
                                     surface ? "grid points" : "steps") +
               ", the first at " + step_name(surface) + " " + orvantis::grouped(i.step);
    } else if (skipped == 1) {
      words += f.count == 1 ? "the " + step_name(surface) + " is skipped"
                            : "skipped " + step_name(surface) + " " + orvantis::grouped(i.step);
    }
    if (ends) {
      if (skipped > 0) words += "; ";
      const int64_t end_step = step_of(f.last, surface);
      const bool spline_ends = !surface && r.spline_points > 0;
      words += spline_ends ? (r.nurbs_curve ? "the NURB curve ends there" : "the spline ends there") : "the plot ends there";
      if (f.count > 1) words += ", at " + step_text(r, end_step);
      if (spline_ends) {
        words += ", through " + of_steps(r, r.spline_points, "point", "points");
        kept_told = true;
      }
      if (surface) words += " (the last grid point of its row)";
      i.kind = PlotIssue::Kind::EndedEarly;
    } else {
      i.kind = dropped_rows && !kept_told ? PlotIssue::Kind::DroppedRows : PlotIssue::Kind::Skipped;
    }
    if (!kept_told && (ends || dropped_rows || r.points_stored > 0)) {
      words += "; " + kept_text(r);
      kept_told = true;
    }
    if (g == 0 && !file.empty()) words += " (kuvra-check " + file + " names the step variables' values there)";
    i.words = std::move(words);
    r.issues.push_back(std::move(i));
  }
  if (p.other_failures > 0) {
    PlotIssue i;
    i.kind = PlotIssue::Kind::Skipped;
    i.file = file;
    i.count = p.other_failures;
    i.words = place(file, 0) + count_of(p.other_failures, "more failure", "more failures") +
              " of other lines, not listed";
    r.issues.push_back(std::move(i));
  }
  if (p.stopped) {
    PlotIssue i;
    i.kind = PlotIssue::Kind::Stopped;
    i.file = file;
    i.step = p.stopped_at + 1;
    i.steps = p.steps;
    i.words = place(file, 0) + "stopped before " + step_text(r, p.stopped_at + 1) + ": " + kept_text(r);
    r.issues.push_back(std::move(i));
  }
  if (!r.issues.empty()) {
    // Where the kept geometry ends: the last point of the spline or of the surface's last complete
    // row, else the last mark.
    if (p.has_kept) {
      r.has_last_kept = true;
      r.last_kept = p.kept;
    } else if (p.has_last_mark) {
      r.has_last_kept = true;
      r.last_kept = p.last_mark;
    }
  }
  return r;
}

}  // namespace

const PlotReport& last_plot_report() { return g_report; }
const ReadReport& last_read_report() { return g_read_report; }

std::vector<std::string> plot_report_lines(const PlotReport& report) {
  std::vector<std::string> lines;
  for (const PlotIssue& i : report.issues) lines.push_back(i.words);
  return lines;
}

std::vector<std::string> report_frame_lines() {
  std::vector<std::string> lines;
  if (g_read_report_shown) lines.push_back(g_read_report.words);
  for (const PlotIssue& i : g_report.issues) lines.push_back(i.words);
  return lines;
}

bool report_marker(std::array<double, 3>& at) {
  if (!g_report.has_last_kept) return false;
  at = g_report.last_kept;
  return true;
}

std::string kept_of_steps(int64_t made) {
  const PlotReport& r = g_report;
  if (!r.plotted || r.issues.empty() || r.steps <= 0 || made >= r.steps) return "";
  return std::to_string(made) + " of " + std::to_string(r.steps);  // as the summary writes its counts
}

void finish_plot_report() {
  if (!g_plot.open) return;
  Plot p = std::move(g_plot);
  g_plot = Plot{};
  g_report = word_plot(p, g_index.path);
  finish_plot_source();
  tell(g_report.issues);
  tell_front_end(plot_report_lines(g_report));
}

void reset_plot_reports() {
  reset_plot_source();
  g_reading = Reading{};
  g_index = LineIndex{};
  g_read_report = ReadReport{};
  g_read_report_shown = false;
  g_plot = Plot{};
  g_report = PlotReport{};
}

void note_reading_opened(FILE* stream, const std::string& path) {
  finish_plot_report();
  g_reading = Reading{};
  g_reading.stream = stream;
  g_reading.index.path = path;
  g_reading.report.file = path;
  note_source_reading(stream, path);
}

void note_line_read(FILE* stream, const char* line) {
  Reading& r = g_reading;
  if (stream == nullptr || stream != r.stream || line == nullptr) return;
  note_source_line(stream, line);
  ++r.lines;
  std::string text = line;
  if (r.index.bytes + text.size() > kLineIndexBytes) return;
  auto it = r.index.first_line.find(text);
  if (it == r.index.first_line.end()) {
    r.index.bytes += text.size();
    r.index.first_line.emplace(std::move(text), r.lines);
  } else if (r.index.failed.count(it->second) != 0) {
    it->second = r.lines;  // the first copy was not read: a later one is the statement
  }
}

void note_reading_closed(FILE* stream) {
  note_source_closed(stream);
  if (stream != nullptr && stream == g_reading.stream) finish_reading();
}

void note_plot_poll(int64_t step, int64_t count, bool stop) {
  if (step == 0) start_plot(count);
  if (stop && g_plot.open) {
    g_plot.stopped = true;
    g_plot.stopped_at = step;
  }
}

void note_mark(const double* point) {
  Plot& p = g_plot;
  if (!p.open) return;
  if (p.last == Plot::Last::Store) ++p.store_then_mark;
  if (p.last == Plot::Last::Note) ++p.note_then_mark;
  ++p.marks;
  if (point != nullptr) {
    p.last_mark = {point[0], point[1], point[2]};
    p.has_last_mark = true;
  }
  p.last = Plot::Last::Mark;
}

void note_point_stored() {
  Plot& p = g_plot;
  if (!p.open) return;
  ++p.point_stores;
  p.last = Plot::Last::Store;
}

void note_line_stored() {
  if (g_plot.open) ++g_plot.line_stores;
}

void note_spline_made(const pt_3d* points, int32_t count) {
  Plot& p = g_plot;
  if (!p.open || points == nullptr || count <= 0) return;
  p.spline_points = count;
  p.kept = {points[count - 1][0], points[count - 1][1], points[count - 1][2]};
  p.has_kept = true;
}

void note_surface_made(const pt_3d* points, int64_t rows, int64_t cols) {
  Plot& p = g_plot;
  if (!p.open || points == nullptr || rows <= 0 || cols <= 0) return;
  p.surface_rows = rows;
  p.surface_cols = cols;
  const int64_t last = rows * cols - 1;
  p.kept = {points[last][0], points[last][1], points[last][2]};
  p.has_kept = true;
}

void note_nurbs_curve_made() {
  if (g_plot.open) g_plot.nurbs_curve = true;
}

void note_buffer_refused(const std::string& why) { g_buffer_refusal = why; }

}  // namespace orv

void note_zlink_status(int status, int number, const char* text) {
  if (orv::g_reading.stream != nullptr) {
    orv::note_while_reading(status, number, text);
    return;
  }
  if (status == orv::kStatusRefusedForSize && text == nullptr) {
    // Refused before its first step: a plot of its own, over at once.
    std::string why = std::move(orv::g_buffer_refusal);
    orv::start_plot(0);
    orv::g_plot.buffer_refusal = std::move(why);
    orv::note_while_plotting(status, text);
    orv::finish_plot_report();
    return;
  }
  if (orv::g_plot.open) orv::note_while_plotting(status, text);
}
