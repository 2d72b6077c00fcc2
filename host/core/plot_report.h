// What became of the last plot and of the last file the Zlink read, told in words. The Zlink hands
// its failing lines and statuses to the host (note_zlink_status) and shows nothing; this piece pairs
// each note with what the host already knows: the file being read and its lines, the plot's step
// count from its first progress call, and the steps done so far, counted from the marks, stores and
// failures the plot made. Every front end only reads the record and draws its words, so the rules
// and the wording live here once.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "orvantis/host_geometry.h"

namespace orv {

/// One thing the person is told: a file line that was not read, or what a plot lost.
struct PlotIssue {
  enum class Kind { NotRead, EndedEarly, Skipped, DroppedRows, RefusedForSize, Stopped };
  Kind kind = Kind::EndedEarly;
  int status = 0;        // the Zlink's status; 0 for a stop
  std::string file;      // the file the line is in, "" when not known
  int line = 0;          // the line's 1-based number, 0 when not known
  std::string text;      // the line as written
  int64_t step = 0;      // 1-based step (grid point) of the first failure, 0 for none
  int64_t count = 1;     // steps (grid points) at which this line failed
  int64_t steps = 0;     // the plot's steps (grid points), 0 when not known
  int64_t row = 0, column = 0;  // grid position of `step` (1-based), 0 when the grid is not known
  std::string words;     // the whole sentence
};

/// The outcome of the last plot.
struct PlotReport {
  bool plotted = false;        // a plot ran or was refused since the process started
  std::string file;            // the equation file the plot's statements came from
  int64_t steps = 0;           // steps (grid points) the plot was to take, 0 when refused before
  int64_t done = 0;            // steps (grid points) taken
  bool surface = false;        // a plot over a grid
  int64_t rows = 0, cols = 0;  // the grid, when a surface was made from it (rows of the whole grid)
  int64_t kept_rows = 0;       // rows the surface was made of
  int64_t spline_points = 0;   // points the spline or NURB curve was made through (0: none made)
  bool nurbs_curve = false;
  int64_t points_stored = 0, lines_stored = 0, marks = 0;
  bool stopped = false;
  bool has_last_kept = false;  // where the kept geometry ends, when the plot lost part of it
  std::array<double, 3> last_kept{0, 0, 0};
  std::vector<PlotIssue> issues;  // in order: failing lines, then rows, stop or refusal
};

/// The lines of the last file read that were not read, in order (at most kMaxListedLines listed).
struct ReadReport {
  std::string file;
  int64_t not_read = 0;
  std::vector<PlotIssue> lines;
  std::string words;  // "f.eqn: 2 lines not read: line 8 ...; line 12 ..."; "" when all were read
};

/// Takes the last plot's words and marker out of the frame, and the last reading's: the plot they
/// speak of was undone or cleared away.
void forget_frame_words();
/// Shows the last reading's words in the frame again, after the plot that followed it (a run again
/// of live edit reads and plots as one command, and what the reading lost is why it failed).
void show_read_report_again();
/// Readings of the Zlink's files finished since the process started (a reading, whole or not, that
/// has been worded into last_read_report()).
int64_t readings_finished();

/// Most failing lines a report lists one by one; the rest are counted.
constexpr int kMaxListedLines = 20;

/// The finished report of the last plot (empty before the first).
const PlotReport& last_plot_report();
/// The report of the last file reading.
const ReadReport& last_read_report();
/// The sentences of a plot report, one a failing line, then the rows, stop or refusal.
std::vector<std::string> plot_report_lines(const PlotReport& report);
/// What the graphics window's frame shows: the last reading's words and the last plot's, until
/// the next plot starts; empty when all went as written.
std::vector<std::string> report_frame_lines();
/// Where the frame's marker goes (the last point the last plot kept) when that plot lost part of
/// what it meant to make; false otherwise.
bool report_marker(std::array<double, 3>& at);
/// The frame's words for the marker.
constexpr const char* kMarkerLegend = "the orange diamond marks the last point kept";
/// " through 6 of 11 points" style counts for the batch summary: `made` (6) of the plot's steps when
/// the last plot ended before its last step; "" when it took them all.
std::string kept_of_steps(int64_t made);

/// Ends the plot in progress, if there is one: its report is worded, recorded in the transcript
/// (one "plot_issue" event an issue) and handed to the front end. Called when input is wanted again
/// after a command, before a new plot, and at the end of a session.
void finish_plot_report();
/// Forgets every report (tests).
void reset_plot_reports();

// What the host's services tell this piece as they serve the Zlink.
void note_reading_opened(FILE* stream, const std::string& path);
void note_line_read(FILE* stream, const char* line);
void note_reading_closed(FILE* stream);
void note_plot_poll(int64_t step, int64_t count, bool stop);
void note_mark(const double* point);
void note_point_stored();
void note_line_stored();
void note_spline_made(const pt_3d* points, int32_t count);
void note_surface_made(const pt_3d* points, int64_t rows, int64_t cols);
void note_nurbs_curve_made();
void note_buffer_refused(const std::string& why);

}  // namespace orv
