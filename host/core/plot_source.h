// Where a plot's geometry came from: the equation file's name, its text as the Zlink read it and the
// settings the plot ran with. The exports carry it (STEP's file description, IGES's start section,
// the part file's "plots"), so that the shape can be made again from what it was made of. The host
// learns the text line by line as its file services serve the reading, and the settings from the
// Zlink's note at the start of a plot; a plot that stores geometry leaves one record in the database.
// Every part is bounded, so a record costs at most some kilobytes whatever the file.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orv {

/// Most lines and bytes of an equation file's text a record keeps; the rest is cut (and said so).
constexpr std::size_t kMaxSourceLines = 200;
constexpr std::size_t kMaxSourceBytes = 8192;
/// Longest equation file name a record keeps (a path buffer's size less its NUL).
constexpr std::size_t kMaxSourceNameBytes = 255;
/// Longest step variable name (the Zlink's names hold 31 characters) and geometry keyword.
constexpr std::size_t kMaxSourceWordBytes = 31;
/// Most records a database keeps; a plot past them keeps its geometry but not its source (told).
constexpr std::size_t kMaxPlotSources = 256;

/// One step variable: its name, range and step size, as the plot used them.
struct SourceStep {
  std::string var;
  double lower = 0, upper = 0, size = 0;
  bool operator==(const SourceStep&) const = default;
};

struct PlotSource {
  std::string file;              // the equation file's name (its last path component); "" if none
  std::string text;              // its lines as read, each ending in '\n', within the bounds above
  bool cut = false;              // the file held more than `text` keeps
  std::string geometry;          // the geometry kind's keyword ("spline"), "" when not one
  bool degrees = true;           // the angle unit
  std::vector<SourceStep> steps;  // one for a curve, two for a surface
  std::array<double, 3> origin{0, 0, 0};
  int64_t first_id = 0, last_id = 0;  // the ids of the entities the plot stored, in order
  bool operator==(const PlotSource&) const = default;
};

/// The settings as equation-file lines, in the order a written file has them: "step_var1 = t",
/// "step_size1 = 10", "lower_limit1 = 0", "upper_limit1 = 360", (the same for 2), "geometry =
/// spline", "angles = degrees", "origin = 0, 0, 0". Numbers read back as the same double.
std::vector<std::string> source_settings_lines(const PlotSource& source);

/// A number as a settings line writes it: the shortest text that reads back as the same double,
/// an exponent without its plus sign ("1e6"), never depending on the locale.
std::string source_number(double value);

/// The text's characters: valid UTF-8 sequences as their code points, every other byte as the
/// code point of the same number (read as Latin-1), so that any bytes have one reading.
std::vector<uint32_t> source_code_points(const std::string& text);
/// The code points as UTF-8.
std::string utf8_of(const std::vector<uint32_t>& code_points);

/// The last component of a path (after '/' or '\'), at most kMaxSourceNameBytes bytes.
std::string source_file_name(const std::string& path);

/// Why `source` could not have come from a plot (a part file's record is held to the bounds above):
/// "" when it could. `where` starts the message.
std::string source_refusal(const PlotSource& source);

/// Adds a record to `sources` unless it holds kMaxPlotSources already; false then.
bool keep_plot_source(std::vector<PlotSource>& sources, PlotSource source);

// What the host's services tell this piece as they serve the Zlink (see plot_report.h).
void note_source_reading(FILE* stream, const std::string& path);
void note_source_line(FILE* stream, const char* line);
void note_source_closed(FILE* stream);
/// The plot in progress is over: a plot that stored entities leaves its record in the database.
/// A record the database has no room for is told to the front end.
void finish_plot_source();
/// Forgets the file read and the plot in progress (tests).
void reset_plot_source();

}  // namespace orv
