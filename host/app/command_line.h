// The orvantis command line: what to run (the terminal, a script, or a batch plot), which Zlink, the
// directories, the host globals, and what to write at exit. Parsing only checks and collects; the
// application acts on the result. Every refusal is one line naming the argument at fault.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "view/picture.h"

namespace orv::app {

enum class RunMode {
  Terminal,  // a person at the terminal
  Script,    // headless, user input from a script file (or standard input)
  Plot,      // batch: one equation file plotted with a generated script
};

/// The front end a person's session uses: chosen by what is there, or forced.
enum class FrontEndChoice { Auto, Desktop, Terminal };

enum class ExportFormat { Step, Iges, Json, Svg, Png, Stl, StlAscii, Obj, ThreeMf, Glb, Dxf, DxfR12 };

struct ExportTarget {
  std::string path;
  ExportFormat format;
};

struct Options {
  RunMode mode = RunMode::Terminal;
  FrontEndChoice front_end = FrontEndChoice::Auto;  // --desktop, --terminal
  bool help = false;
  bool version = false;
  bool stl_ascii = false;  // --stl-ascii: .stl targets written as ASCII STL
  bool live = false;       // --live: the plot runs again when its equation file is saved
  std::string script;     // Script: the script path, "-" for standard input
  std::string plot_file;  // Plot: the equation file
  std::string zlink;      // empty: the Kuvra Zlink built with (or installed with) the host
  std::string part;       // empty: no part file
  std::vector<ExportTarget> exports;
  std::string main_dir;   // empty: the host's data directory
  std::string temp_dir;   // empty: a private directory of the user
  std::string transcript; // empty: no transcript
  std::optional<view::NamedView> view;      // pictures: none for the automatic choice
  view::MarksMode marks = view::MarksMode::Auto;  // pictures: whether screen marks are drawn
  // Host globals; unset ones keep the host's defaults.
  std::optional<int16_t> places;
  std::optional<double> tol;
  std::optional<double> chord_dev;
  std::optional<uint8_t> color;
  std::optional<int32_t> level;
};

/// Parses the arguments after the program name. False with `err` (one line, naming the argument)
/// when an argument is unknown, misses its value or has an unusable value.
bool parse_command_line(const std::vector<std::string>& args, Options& options, std::string& err);

/// True when the session runs in the desktop window: --desktop forces it (a script then drives the
/// window), --terminal forbids it; otherwise a session without a script or plot uses it when a
/// display is there (`display`) and the host was built with it (`built`).
bool use_desktop(const Options& options, bool display, bool built);

/// The export format a file name asks for by its extension (case-insensitive), if any.
std::optional<ExportFormat> export_format_for(const std::string& path);

/// The text of --help: every option and every script line.
std::string help_text();

/// The text of --version: the host's version and the Zlink interface version it speaks.
std::string version_text();

}  // namespace orv::app
