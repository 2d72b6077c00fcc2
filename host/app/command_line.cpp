// Parsing of the orvantis command line. Options take their value as the next argument or after
// "=" ("--places 6", "--places=6"); the only positional words are "plot FILE.eqn".
#include "app/command_line.h"

#include "exchange/export_formats.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/number_text.h"
#include "platform/zlink_loader.h"

namespace orv::app {
namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool parse_integer(const std::string& text, long long lo, long long hi, long long& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parse_positive(const std::string& text, double& out) {
  double v = 0;
  if (!parse_real(text, v) || v <= 0) return false;  // decimal, finite, with a "." in any locale
  out = v;
  return true;
}

// Options that take a value; every other word beginning with "-" is unknown.
const char* const kValueOptions[] = {"--script", "--zlink",  "--part",      "--export", "--main-dir",
                                     "--temp-dir", "--places", "--tol",      "--chord-dev", "--color",
                                     "--level",  "--transcript", "--view", "--marks"};

bool takes_value(const std::string& name) {
  for (const char* o : kValueOptions)
    if (name == o) return true;
  return false;
}

}  // namespace

std::optional<ExportFormat> export_format_for(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string::size_type dot = base.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return std::nullopt;
  std::string ext = lower(base.substr(dot));
  if (ext == ".step" || ext == ".stp") return ExportFormat::Step;
  if (ext == ".igs" || ext == ".iges") return ExportFormat::Iges;
  if (ext == ".json") return ExportFormat::Json;
  if (ext == ".svg") return ExportFormat::Svg;
  if (ext == ".png") return ExportFormat::Png;
  if (ext == ".stl") return ExportFormat::Stl;
  if (ext == ".stla") return ExportFormat::StlAscii;
  if (ext == ".obj") return ExportFormat::Obj;
  if (ext == ".3mf") return ExportFormat::ThreeMf;
  if (ext == ".glb") return ExportFormat::Glb;
  if (ext == ".dxf") return lower(base).ends_with(".r12.dxf") ? ExportFormat::DxfR12 : ExportFormat::Dxf;
  return std::nullopt;
}

bool parse_command_line(const std::vector<std::string>& args, Options& options, std::string& err) {
  options = Options{};
  bool have_script = false;
  bool have_plot = false;
  bool options_ended = false;  // after "--" every word is a name, never an option
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--" && !options_ended) {
      options_ended = true;
      continue;
    }
    if (options_ended) {
      if (have_plot || arg != "plot") {
        err = "unexpected argument '" + arg + "' (see orvantis --help)";
        return false;
      }
    }
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--version") {
      options.version = true;
      continue;
    }
    if (arg == "--stl-ascii") {
      options.stl_ascii = true;
      continue;
    }
    if (arg == "--live") {
      options.live = true;
      continue;
    }
    if (arg == "--desktop" || arg == "--terminal") {
      const FrontEndChoice choice = arg == "--desktop" ? FrontEndChoice::Desktop : FrontEndChoice::Terminal;
      if (options.front_end != FrontEndChoice::Auto && options.front_end != choice) {
        err = "--desktop and --terminal cannot be used together";
        return false;
      }
      options.front_end = choice;
      continue;
    }
    if (arg == "plot" && !have_plot) {
      // "plot -- -x.eqn": a file whose name starts with "-".
      if (i + 1 < args.size() && args[i + 1] == "--" && !options_ended) {
        options_ended = true;
        ++i;
      }
      if (i + 1 >= args.size()) {
        err = "plot: missing the equation file (orvantis plot FILE.eqn)";
        return false;
      }
      options.plot_file = args[++i];
      if (options.plot_file.empty()) {
        err = "plot: the equation file name is empty";
        return false;
      }
      have_plot = true;
      continue;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      err = "unexpected argument '" + arg + "' (see orvantis --help)";
      return false;
    }
    std::string name = arg;
    std::string value;
    bool inline_value = false;
    if (std::string::size_type eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inline_value = true;
    }
    if (!takes_value(name)) {
      err = "unknown option '" + name + "' (see orvantis --help)";
      return false;
    }
    if (!inline_value) {
      if (i + 1 >= args.size()) {
        err = name + ": missing value";
        return false;
      }
      value = args[++i];
    }
    auto bad = [&](const std::string& why) {
      err = name + ": " + why + " (got '" + value + "')";
      return false;
    };
    long long n = 0;
    double d = 0;
    if (name == "--script") {
      if (value.empty()) return bad("needs a file, or - for standard input");
      options.script = value;
      have_script = true;
    } else if (name == "--zlink") {
      if (value.empty()) return bad("needs the path of a Zlink");
      options.zlink = value;
    } else if (name == "--part") {
      if (export_format_for(value) != ExportFormat::Json)
        return bad("the part file must be a .json file");
      if (!options.part.empty()) return bad("given twice: a run has one part file");
      options.part = value;
    } else if (name == "--export") {
      std::optional<ExportFormat> f = export_format_for(value);
      if (!f) return bad("the format is chosen by the extension: " + exchange::export_extensions(", "));
      options.exports.push_back({value, *f});
    } else if (name == "--main-dir") {
      if (value.empty()) return bad("needs a directory");
      options.main_dir = value;
    } else if (name == "--temp-dir") {
      if (value.empty()) return bad("needs a directory");
      options.temp_dir = value;
    } else if (name == "--transcript") {
      if (value.empty()) return bad("needs a file");
      options.transcript = value;
    } else if (name == "--view") {
      options.view = view::parse_view_name(value);
      if (!options.view) return bad("needs one of " + view::view_names());
    } else if (name == "--marks") {
      std::optional<view::MarksMode> m = view::parse_marks_mode(value);
      if (!m) return bad("needs on, off or auto");
      options.marks = *m;
    } else if (name == "--places") {
      if (!parse_integer(value, 0, 17, n)) return bad("needs a whole number from 0 to 17");
      options.places = static_cast<int16_t>(n);
    } else if (name == "--color") {
      if (!parse_integer(value, 0, 255, n)) return bad("needs a colour number from 0 to 255");
      options.color = static_cast<uint8_t>(n);
    } else if (name == "--level") {
      if (!parse_integer(value, 0, std::numeric_limits<int32_t>::max(), n))
        return bad("needs a whole number from 0 to 2147483647");
      options.level = static_cast<int32_t>(n);
    } else if (name == "--tol") {
      if (!parse_positive(value, d)) return bad("needs a positive number");
      options.tol = d;
    } else if (name == "--chord-dev") {
      if (!parse_positive(value, d)) return bad("needs a positive number");
      options.chord_dev = d;
    }
  }
  if (have_script && have_plot) {
    err = "--script and plot cannot be used together: plot makes its own script";
    return false;
  }
  if (options.front_end == FrontEndChoice::Terminal && (have_script || have_plot)) {
    err = "--terminal cannot be used with --script or plot: they run without a terminal";
    return false;
  }
  if (options.front_end == FrontEndChoice::Desktop && have_plot) {
    err = "--desktop cannot be used with plot: a batch plot has no window (use --desktop --script FILE)";
    return false;
  }
  options.mode = have_plot ? RunMode::Plot : have_script ? RunMode::Script : RunMode::Terminal;
  if (options.live && options.mode != RunMode::Terminal) {
    err = "--live needs a person at the terminal or the desktop window; it cannot be used with plot or --script";
    return false;
  }
  // ASCII STL under the .stl name that slicers and converters know, where it is asked for.
  if (options.stl_ascii)
    for (ExportTarget& t : options.exports)
      if (t.format == ExportFormat::Stl) t.format = ExportFormat::StlAscii;
  return true;
}

bool use_desktop(const Options& options, bool display, bool built) {
  switch (options.front_end) {
    case FrontEndChoice::Desktop: return true;
    case FrontEndChoice::Terminal: return false;
    case FrontEndChoice::Auto: break;
  }
  return options.mode == RunMode::Terminal && display && built;
}

std::string help_text() {
  return R"help(Usage:
  orvantis [OPTIONS]                 the host, running the Kuvra Zlink: in a desktop window when
                                     a display is there (DISPLAY or WAYLAND_DISPLAY), else in the
                                     terminal
  orvantis --script FILE [OPTIONS]   the same, headless, with user input taken from FILE (- for stdin)
  orvantis plot FILE.eqn [OPTIONS]   batch: plot one equation file (answer the file prompt with
                                     FILE.eqn, press "Plot it", then "Cancel"; message boxes and
                                     viewers that open are dismissed), then write the exports;
                                     FILE.eqn must be a regular file

Options (a value follows the option, or comes after "=": --places=6):
  --desktop           the desktop window, even without DISPLAY set; with --script FILE the
                      script drives the window (and may take screenshots)
  --terminal          the terminal, even where a display is there
  --zlink PATH        the Zlink to run (default: the Kuvra Zlink built or installed with the host)
  --part FILE.json    the part file: read at start if it exists, saved (atomically) at exit
  --export FILE       at exit, write the geometry (and the screen) as FILE; the format is chosen
                      by the extension: .step/.stp, .igs/.iges, .json, .svg, .png; may be repeated;
                      .stl (binary), .stla (ASCII STL) and .obj write the surfaces as triangles
                      within --chord-dev of them (points and curves have no mesh form), as do
                      .3mf (one object per surface, in its colour, millimetres) and .glb (glTF
                      binary, for viewers); .dxf writes points, lines and curves (AutoCAD 2000,
                      curves as splines), .r12.dxf the same as R12 with curves as 3D polylines
                      within --chord-dev (surfaces have no DXF form); all in millimetres
  --stl-ascii         write .stl exports as ASCII STL (default: binary STL)
  --live              live edit: when the equation file open in the Zlink is saved (from any
                      editor), plot it again in place of the last plot (the desktop's toolbar
                      turns it on and off)
  --main-dir DIR      main directory (default: the host's data directory, holding ZLINKS/kuvra.eqn);
                      at most 239 characters with its trailing "/", so its default path fits
  --temp-dir DIR      temporary directory, for the trace log kuvra.log (default: a private
                      directory of the user, mode 0700)
  --places N          number precision of the trace log, 0 to 17 (default 4)
  --tol X             least step size the Variables dialog accepts (default 0.0001)
  --chord-dev X       tolerance of the knot removal of NURB splines and of meshes, in mm (default
                      0.001); knot removal also moves a curve by at most 1e-4 of its
                      bounding-box diagonal, a mesh or polyline strays at most 1e-3 of it
  --color N           colour of new entities, 0 to 255 (default 10)
  --level N           level of new entities (default 1)
  --transcript FILE   write the run's host-side events as JSON Lines
  --view NAME         the view of .svg and .png exports: top, bottom, front, back, left, right,
                      isometric or trimetric (default: square to the plane everything lies in, top
                      for a plane parallel to XY; else trimetric)
  --marks on|off|auto screen marks in .svg and .png exports (default auto: drawn, except over a
                      surface with more than 200 of them)
  --help              this text
  --version           the host's version and the Zlink interface version (1200)

Script lines (one a line; lines starting with # and blank lines are skipped):
  prompt PATH | prompt cancel   answer the next file prompt
  click ID                      click control ID of the active window (focus first, as a mouse does)
  press CAPTION                 the same for the control captioned CAPTION (without its &)
  key NAME                      Tab, Shift+Tab, Enter, Esc, Space, Up, Down, Home, End, Backspace,
                                Delete, Alt+X, Shift+Left, Shift+Right, Shift+Home, Shift+End, Ctrl+A;
                                Ctrl+Z (undo the last plot, delete or clear) and F4 (clear), told
                                on standard error
  type TEXT                     type the rest of the line into the focused control
  select ID N                   choose item N (0-based) of drop-down list or list box ID
  doubleclick ID N              double-click item N of list box ID (opens it)
  pick X Y Z | pick cancel      answer the next point pick
  edit COMMAND                  the next time the editor is asked for, run COMMAND with $FILE set
                                to the file
  close                         the close box of the active window
  screen FILE                   write a text picture of the screen to FILE
  screenshot FILE.png           write the desktop window as it is on screen (--desktop only)
prompt, pick and edit lines answer the host's requests in the order they come; the other lines
are input to the windows (where a prompt or pick line is awaited, the prompt's window opens and
takes them). When the script ends while the Zlink waits for input, the run ends.
A line that cannot be carried out, or one still left when the Zlink has ended, fails the run
(exit status 1, naming the line).

Control ids of the Kuvra dialog: 1012 Edit equation, 1013 Open file, 1015 Set variables,
1016 Use degrees, 1017 Trace variables, 1018 Origin, 1027 geometry list, 1020 Plot it, 1 OK,
2 Cancel, 9 Help. Variables dialog edits: 1010, 1011, 1012, 1017 (variable 1: name, lower limit,
upper limit, step size) and 1019, 1021, 1023, 1025 (variable 2).

A refusal of the host (geometry it will not store, such as a spline through a point that is not
finite) is told as one line "orvantis: refused: ..." on standard error in script and batch runs,
and in the graphics window's frame in the terminal. Batch prints each message box it closes
("orvantis: message "Warning": ...") on standard error, and at the end one line on standard
output: what the plot made and the files written, e.g.
  orvantis: helix.eqn: 1 spline through 37 points, 37 marks; wrote helix.step
A plot that keeps only part of what it meant to make is told on standard error, one line for
each failing line of the file, with the reason, the step and what was kept, and the summary
counts what was kept of the steps:
  orvantis: helix.eqn:7: "y = sqrt(5 - t)": square root of a negative number at step 7 of 11:
    the spline ends there, through 6 of 11 points
  orvantis: helix.eqn: 1 spline through 6 of 11 points, 6 marks
Lines of the file that are not read are told once when the file is read ("f.eqn: 2 lines not
read: line 8 ...; line 12 ..."); the terminal and the desktop show the same words in the
graphics window's frame until the next plot. A STEP, IGES or mesh export with nothing to put in
it is not written ("e.step not written: the plot only drew on the screen ..."); a part file
(.json), pictures and the exports that have geometry still are.

Exit status:
  0  the Zlink ran (whatever it returned); for plot: the plot made something, raised no message
     box and had no refusal
  1  the run could not start (a directory, the part file, the input or the Zlink), a script line
     could not be carried out, or the part file or an export could not be written (also a STEP,
     IGES or mesh export with nothing to put in it); one line on standard error says why
  2  an argument is refused: an unknown option or unusable value, a plot file that is not a
     readable regular file, a main directory over 239 characters
  3  plot only: the plot made nothing, raised a message box or had a refusal; or it ended early
     at a failing step, skipped steps, built a surface from fewer rows than its grid, was refused
     for its size or left lines of the file not read (1 comes first)
)help";
}

std::string version_text() {
  return "orvantis " ORV_VERSION ", Zlink interface " + std::to_string(kHostInterfaceVersion) + "\n";
}

}  // namespace orv::app
