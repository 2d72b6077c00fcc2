// The command line: modes, values, and the one-line refusals that name the argument at fault.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace orv::app {
namespace {

Options parse_ok(std::vector<std::string> args) {
  Options o;
  std::string err;
  EXPECT_TRUE(parse_command_line(args, o, err)) << err;
  return o;
}

std::string parse_err(std::vector<std::string> args) {
  Options o;
  std::string err;
  EXPECT_FALSE(parse_command_line(args, o, err));
  EXPECT_EQ(err.find('\n'), std::string::npos) << "one line: " << err;
  return err;
}

TEST(CommandLine, TheFrontEndIsChosenByWhatIsThereOrForced) {
  struct Case {
    std::vector<std::string> args;
    bool display, built, desktop;
  };
  const Case cases[] = {
      {{}, true, true, true},                        // a display: the window
      {{}, false, true, false},                      // none: the terminal
      {{}, true, false, false},                      // built without the window: the terminal
      {{"--terminal"}, true, true, false},           // forced
      {{"--desktop"}, false, true, true},            // forced, even without DISPLAY
      {{"--script", "s"}, true, true, false},        // a script runs headless unless told
      {{"--desktop", "--script", "s"}, false, true, true},
      {{"plot", "a.eqn"}, true, true, false},        // batch never opens a window
  };
  for (const Case& c : cases) {
    Options o = parse_ok(c.args);
    EXPECT_EQ(use_desktop(o, c.display, c.built), c.desktop)
        << (c.args.empty() ? "(none)" : c.args[0]) << " display " << c.display << " built " << c.built;
  }
  EXPECT_NE(parse_err({"--desktop", "--terminal"}).find("cannot be used together"), std::string::npos);
  EXPECT_NE(parse_err({"--terminal", "--script", "s"}).find("--terminal cannot be used with --script"), std::string::npos);
  EXPECT_NE(parse_err({"--desktop", "plot", "a.eqn"}).find("--desktop cannot be used with plot"), std::string::npos);
  EXPECT_EQ(parse_ok({"--desktop", "--desktop"}).front_end, FrontEndChoice::Desktop);
  // Live edit needs a person: the terminal or the window, never a batch plot or a script.
  EXPECT_TRUE(parse_ok({"--live"}).live);
  EXPECT_TRUE(parse_ok({"--desktop", "--live"}).live);
  EXPECT_FALSE(parse_ok({}).live);
  EXPECT_NE(parse_err({"--live", "plot", "a.eqn"}).find("--live needs a person"), std::string::npos);
  EXPECT_NE(parse_err({"--live", "--script", "s"}).find("--live needs a person"), std::string::npos);
}

TEST(CommandLine, ModesAndDefaults) {
  Options t = parse_ok({});
  EXPECT_EQ(t.mode, RunMode::Terminal);
  EXPECT_TRUE(t.zlink.empty());
  EXPECT_FALSE(t.places || t.tol || t.chord_dev || t.color || t.level);

  Options s = parse_ok({"--script", "-"});
  EXPECT_EQ(s.mode, RunMode::Script);
  EXPECT_EQ(s.script, "-");

  Options p = parse_ok({"plot", "a.eqn", "--export", "a.step", "--export=a.PNG"});
  EXPECT_EQ(p.mode, RunMode::Plot);
  EXPECT_EQ(p.plot_file, "a.eqn");
  ASSERT_EQ(p.exports.size(), 2u);
  EXPECT_EQ(p.exports[0].format, ExportFormat::Step);
  EXPECT_EQ(p.exports[1].path, "a.PNG");
  EXPECT_EQ(p.exports[1].format, ExportFormat::Png);

  // Options may stand before the plot words too.
  Options q = parse_ok({"--places", "6", "plot", "b.eqn"});
  EXPECT_EQ(q.mode, RunMode::Plot);
  EXPECT_EQ(*q.places, 6);
}

TEST(CommandLine, PictureViewAndMarks) {
  Options d = parse_ok({});
  EXPECT_FALSE(d.view);
  EXPECT_EQ(d.marks, view::MarksMode::Auto);
  Options o = parse_ok({"--view", "Front", "--marks=off"});
  EXPECT_EQ(o.view, view::NamedView::Front);
  EXPECT_EQ(o.marks, view::MarksMode::Off);
  EXPECT_EQ(parse_ok({"--view=isometric", "--marks", "on"}).marks, view::MarksMode::On);
  EXPECT_EQ(parse_err({"--view", "iso"}),
            "--view: needs one of top, bottom, front, back, left, right, isometric, trimetric (got 'iso')");
  EXPECT_EQ(parse_err({"--marks", "yes"}), "--marks: needs on, off or auto (got 'yes')");
  EXPECT_EQ(parse_err({"--view"}), "--view: missing value");
}

TEST(CommandLine, ValuesReachTheOptions) {
  Options o = parse_ok({"--zlink", "/z/k.so", "--part", "p.json", "--main-dir", "/m", "--temp-dir=/t",
                        "--places=0", "--tol", "1e-6", "--chord-dev", "0.01", "--color", "255",
                        "--level", "7", "--transcript", "t.jsonl"});
  EXPECT_EQ(o.zlink, "/z/k.so");
  EXPECT_EQ(o.part, "p.json");
  EXPECT_EQ(o.main_dir, "/m");
  EXPECT_EQ(o.temp_dir, "/t");
  EXPECT_EQ(*o.places, 0);
  EXPECT_DOUBLE_EQ(*o.tol, 1e-6);
  EXPECT_DOUBLE_EQ(*o.chord_dev, 0.01);
  EXPECT_EQ(*o.color, 255);
  EXPECT_EQ(*o.level, 7);
  EXPECT_EQ(o.transcript, "t.jsonl");
}

TEST(CommandLine, RefusalsNameTheArgument) {
  struct Case {
    std::vector<std::string> args;
    const char* named;  // must appear in the message
  };
  const Case cases[] = {
      {{"--frobnicate"}, "--frobnicate"},
      {{"extra"}, "extra"},
      {{"--places"}, "--places"},
      {{"--places", "18"}, "--places"},
      {{"--places", "4x"}, "4x"},
      {{"--color", "256"}, "--color"},
      {{"--color", "-1"}, "--color"},
      {{"--level", "1.5"}, "--level"},
      {{"--tol", "0"}, "--tol"},
      {{"--tol", "nan"}, "--tol"},
      {{"--chord-dev", "inf"}, "--chord-dev"},
      {{"--chord-dev", "-0.1"}, "--chord-dev"},
      {{"--export", "out.dwg"}, "out.dwg"},
      {{"--export", "noextension"}, "--export"},
      {{"--part", "part.step"}, "--part"},
      {{"--script", ""}, "--script"},
      {{"plot"}, "plot"},
      {{"plot", "a.eqn", "--script", "s.txt"}, "--script"},
  };
  for (const Case& c : cases) {
    std::string err = parse_err(c.args);
    EXPECT_NE(err.find(c.named), std::string::npos) << "message '" << err << "' should name " << c.named;
  }
}

TEST(CommandLine, ExportFormatByExtension) {
  EXPECT_EQ(export_format_for("x.stp"), ExportFormat::Step);
  EXPECT_EQ(export_format_for("dir.v1/x.STEP"), ExportFormat::Step);
  EXPECT_EQ(export_format_for("x.igs"), ExportFormat::Iges);
  EXPECT_EQ(export_format_for("x.Iges"), ExportFormat::Iges);
  EXPECT_EQ(export_format_for("x.json"), ExportFormat::Json);
  EXPECT_EQ(export_format_for("x.svg"), ExportFormat::Svg);
  EXPECT_EQ(export_format_for("x.png"), ExportFormat::Png);
  EXPECT_EQ(export_format_for("x.STL"), ExportFormat::Stl);
  EXPECT_EQ(export_format_for("x.stla"), ExportFormat::StlAscii);
  EXPECT_EQ(export_format_for("x.obj"), ExportFormat::Obj);
  EXPECT_FALSE(export_format_for("x.stlb"));
  EXPECT_FALSE(export_format_for("dir.png/x"));
  EXPECT_FALSE(export_format_for(".png"));
  EXPECT_FALSE(export_format_for("x.pngx"));
}

TEST(CommandLine, HelpExplainsEveryOptionAndScriptLine) {
  Options o = parse_ok({"--help"});
  EXPECT_TRUE(o.help);
  std::string help = help_text();
  for (const char* word : {"--script", "plot", "--zlink", "--part", "--export", "--main-dir", "--temp-dir",
                           "--places", "--tol", "--chord-dev", "--color", "--level", "--transcript",
                           "prompt PATH", "prompt cancel", "click ID", "press CAPTION", "key NAME", "type TEXT",
                           "select ID N", "pick X Y Z", "pick cancel", "edit COMMAND", "close",
                           "screen FILE", "--version", "Exit status", "orvantis: refused:"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
  EXPECT_TRUE(parse_ok({"--version"}).version);
  EXPECT_FALSE(parse_ok({"--help"}).version);
}

// "--" ends the options, so a plot file may start with "-"; a run has one part file.
TEST(CommandLine, OptionsEndAtDoubleDashAndThePartFileIsGivenOnce) {
  struct Case {
    std::vector<std::string> args;
    std::string plot_file;
  };
  const Case cases[] = {
      {{"plot", "--", "-x.eqn"}, "-x.eqn"},
      {{"--", "plot", "-x.eqn"}, "-x.eqn"},
      {{"--places", "6", "plot", "--", "--part"}, "--part"},
      {{"plot", "a.eqn", "--"}, "a.eqn"},
      {{"plot", "-x.eqn"}, "-x.eqn"},  // the word after plot is always its file
  };
  for (const Case& c : cases) {
    Options o = parse_ok(c.args);
    EXPECT_EQ(o.mode, RunMode::Plot) << c.plot_file;
    EXPECT_EQ(o.plot_file, c.plot_file);
  }
  EXPECT_EQ(parse_err({"plot", "a.eqn", "--", "--places", "6"}), "unexpected argument '--places' (see orvantis --help)");
  EXPECT_EQ(parse_err({"plot", "--"}), "plot: missing the equation file (orvantis plot FILE.eqn)");
  EXPECT_EQ(parse_err({"--part", "a.json", "--part=b.json"}),
            "--part: given twice: a run has one part file (got 'b.json')");
}

}  // namespace
}  // namespace orv::app

namespace orv::app {
namespace {

// ASCII STL under a .stl name where asked for; binary stays the default, and .stla is ASCII either way.
TEST(CommandLine, StlAsciiTurnsStlTargetsToAscii) {
  struct Case {
    std::vector<std::string> args;
    std::vector<ExportFormat> formats;
  };
  const Case cases[] = {
      {{"--export", "a.stl", "--export", "b.stla"}, {ExportFormat::Stl, ExportFormat::StlAscii}},
      {{"--export", "a.stl", "--stl-ascii", "--export", "b.step"}, {ExportFormat::StlAscii, ExportFormat::Step}},
      {{"--stl-ascii", "--export", "A.STL", "--export", "b.stla"}, {ExportFormat::StlAscii, ExportFormat::StlAscii}},
  };
  for (const Case& c : cases) {
    Options o;
    std::string err;
    ASSERT_TRUE(parse_command_line(c.args, o, err)) << err;
    ASSERT_EQ(o.exports.size(), c.formats.size());
    for (size_t k = 0; k < c.formats.size(); ++k) EXPECT_EQ(o.exports[k].format, c.formats[k]) << k;
  }
  EXPECT_EQ(export_format_for("x.r12.dxf"), ExportFormat::DxfR12);
  EXPECT_EQ(export_format_for("x.R12.DXF"), ExportFormat::DxfR12);
  EXPECT_EQ(export_format_for("r12.dxf"), ExportFormat::Dxf);
  EXPECT_EQ(export_format_for("x.3mf"), ExportFormat::ThreeMf);
  EXPECT_EQ(export_format_for("x.glb"), ExportFormat::Glb);
}

}  // namespace
}  // namespace orv::app
