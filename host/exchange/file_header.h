// What an exchange file says about itself in its header: its own name, the system that wrote it,
// the length unit, and where the geometry came from (the plots' equation files, settings and
// texts). Shared by the STEP and IGES writers so that both name themselves alike.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/plot_source.h"

namespace orv::exchange::detail {

/// The writing system, with the host's version ("Orvantis 1.0").
std::string system_name();

/// The length unit every exchange file is written in (OpenCASCADE's default, millimetres).
inline constexpr const char* kLengthUnitText = "lengths in millimetres";

/// When the file was written, in UTC, as "YYYY-MM-DDTHH:MM:SS": the time given by SOURCE_DATE_EPOCH
/// (seconds since 1970) when that is set to a number, so that two exports of the same geometry are
/// byte-identical, else the current time. IGES writes the same fields as "YYYYMMDD.HHMMSS".
std::string file_time();
std::string iges_file_time();

/// The last component of `path`, with every character a header string could not hold as it is
/// (outside printable ASCII, or a quote or backslash, which STEP would need escaped) replaced by '_'.
std::string header_file_name(const std::string& path);

/// Most bytes the plots' sources take in a header, escaped, in all.
constexpr std::size_t kMaxHeaderSourceBytes = 16384;

/// Turns a line of raw bytes into the format's own text.
using HeaderEscape = std::function<std::string(const std::string&)>;

/// The header lines that tell where the geometry came from, escaped by `escape`: for each plot in
/// order "plot 1 of 2: helix.eqn, entities 1 to 3", "settings: step_var1 = t; ...; origin = 0, 0, 0",
/// "text: 9 lines" (or "text: its first 200 lines, cut there"), then each line of the text after
/// "| ". At most kMaxHeaderSourceBytes bytes in all: what does not fit is left out, and a last line
/// says how much ("not listed, for want of room: 40 more lines of text and 2 more plots").
std::vector<std::string> source_header_lines(const std::vector<PlotSource>& plots, const HeaderEscape& escape);

/// A line as a STEP string's contents holds it: printable ASCII as it is (a quote doubled, a
/// backslash as "\\"), every other character as \X\HH (up to U+00FF) or \X2\HHHH\X0\ and
/// \X4\HHHHHHHH\X0\ beyond, read as UTF-8 where it is and as Latin-1 where it is not.
std::string step_escaped(const std::string& line);
/// A line as IGES's start section holds it (printable ASCII only): a backslash as "\\", every
/// other character as \xHH (up to U+00FF), \uHHHH or \UHHHHHHHH.
std::string iges_escaped(const std::string& line);

/// The STEP product's name: the plots' equation file (the names joined by ", " when they are
/// several, at most 255 bytes), with every character header_file_name() would not keep as '_'; or
/// "geometry" when no plot names a file.
std::string product_name(const std::vector<PlotSource>& plots);

}  // namespace orv::exchange::detail
