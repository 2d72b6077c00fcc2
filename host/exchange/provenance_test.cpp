// Where the geometry came from, read back from the exchange files by OpenCASCADE's readers: STEP's
// file description and IGES's start section hold each plot's equation file, settings and text
// (odd bytes escaped the way each format allows, long texts cut within the bound), the STEP product
// is named after the equation files and the entities by kind and id.
#include <gtest/gtest.h>

#include <HeaderSection_FileDescription.hxx>
#include <IGESCAFControl_Reader.hxx>
#include <IGESControl_Reader.hxx>
#include <IGESData_IGESModel.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <STEPControl_Reader.hxx>
#include <StepData_StepModel.hxx>
#include <TColStd_HSequenceOfHAsciiString.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/database.h"
#include "exchange/exchange.h"
#include "kernel/kernel.h"
#include "kernel/test_shapes.h"

namespace orv::exchange {
namespace {

namespace fs = std::filesystem;

// A file of four lines: a Latin-1 byte, a quote, a backslash and a tab, UTF-8 beyond U+00FF, and a
// line of escapes long enough to be broken over lines of the header, wherever the breaks fall.
const std::string kOddText = "# caf\xe9 = 0\nx = 'a' \\ b\tc\n# \xce\xb1\xe2\x82\xac\xf0\x9f\x98\x80 = 0\n# " +
                             std::string(23, '\xe9') + "\xce\xb1\\\xce\xb1'\xf0\x9f\x98\x80" + std::string(41, '\xe9') + " = 0\n";

PlotSource helix_plot() {
  PlotSource p;
  p.file = "h\xe9lix.eqn";
  p.text = kOddText;
  p.geometry = "spline";
  p.steps = {{"t", 0, 360, 10}};
  p.origin = {0, 0, 1e6};
  p.first_id = 1;
  p.last_id = 2;
  return p;
}

PlotSource torus_plot() {
  PlotSource p;
  p.file = "torus.eqn";
  p.text = "x = u\ny = v\n";
  p.geometry = "nurbs_surf";
  p.degrees = false;
  p.steps = {{"u", 0, 6.283185307179586, 0.5}, {"v", 0, 1, 0.25}};
  p.first_id = 3;
  p.last_id = 3;
  return p;
}

// The header lines a plot should give, as UTF-8 (which is how both readers hand the escapes back).
std::vector<std::string> expected_lines(const std::vector<PlotSource>& plots) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < plots.size(); ++i) {
    const PlotSource& p = plots[i];
    std::vector<std::string> text;
    std::istringstream in(p.text);
    for (std::string line; std::getline(in, line);) text.push_back(line);
    std::ostringstream head;
    head << "plot " << i + 1 << " of " << plots.size() << ": " << utf8_of(source_code_points(p.file));
    if (p.first_id == p.last_id) head << ", entity " << p.last_id;
    else head << ", entities " << p.first_id << " to " << p.last_id;
    out.push_back(head.str());
    std::ostringstream settings;
    settings << "settings: ";
    const std::vector<std::string> lines = source_settings_lines(p);
    for (std::size_t k = 0; k < lines.size(); ++k) settings << (k ? "; " : "") << lines[k];
    out.push_back(settings.str());
    std::ostringstream count;
    count << "text: " << text.size() << (text.size() == 1 ? " line" : " lines");
    out.push_back(count.str());
    for (const std::string& line : text) {
      std::string shown = "| ";
      shown += utf8_of(source_code_points(line));
      out.push_back(shown);
    }
  }
  return out;
}

// The file description's strings as OpenCASCADE's STEP reader hands them back.
std::vector<std::string> step_description(const std::string& path) {
  STEPControl_Reader reader;
  std::vector<std::string> out;
  if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) return out;
  const auto fd = Handle(HeaderSection_FileDescription)::DownCast(
      reader.StepModel()->HeaderEntity(STANDARD_TYPE(HeaderSection_FileDescription)));
  if (fd.IsNull()) return out;
  for (int i = 1; i <= fd->NbDescription(); ++i) out.push_back(fd->DescriptionValue(i)->ToCString());
  return out;
}

// The start section as OpenCASCADE's IGES reader hands it back, its lines joined where one ends in a
// lone backslash and its escapes undone (written here from the start section's rules, not the
// writer's code).
std::vector<std::string> iges_start(const std::string& path, std::vector<std::string>* raw = nullptr) {
  IGESControl_Reader reader;
  std::vector<std::string> out;
  if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) return out;
  const Handle(TColStd_HSequenceOfHAsciiString) start = reader.IGESModel()->StartSection();
  std::string joined;
  for (int i = 1; i <= start->Length(); ++i) {
    std::string line = start->Value(i)->ToCString();
    while (!line.empty() && line.back() == ' ') line.pop_back();  // the reader pads to 72 columns
    if (raw) raw->push_back(line);
    std::vector<uint32_t> cps;
    bool goes_on = false;
    for (std::size_t k = 0; k < line.size(); ++k) {
      if (line[k] != '\\') {
        cps.push_back(static_cast<unsigned char>(line[k]));
        continue;
      }
      if (k + 1 == line.size()) {
        goes_on = true;
        break;
      }
      const char e = line[++k];
      const int digits = e == 'x' ? 2 : e == 'u' ? 4 : e == 'U' ? 8 : 0;
      if (digits == 0) {
        cps.push_back(static_cast<unsigned char>(e));
        continue;
      }
      cps.push_back(static_cast<uint32_t>(std::stoul(line.substr(k + 1, static_cast<std::size_t>(digits)), nullptr, 16)));
      k += static_cast<std::size_t>(digits);
    }
    joined += utf8_of(cps);
    if (goes_on) continue;
    out.push_back(joined);
    joined.clear();
  }
  return out;
}

struct Provenance : ::testing::Test {
  fs::path dir;
  GeometryDatabase db;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("orv_provenance_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    std::string err;
    EntityData p;
    p.kind = ENT_POINT, p.p1[0] = 1, p.color = 10, p.level = 1;
    EntityData helix = p;
    helix.kind = ENT_SPLINE;
    EXPECT_TRUE(kernel::interpolate_curve(kernel::testing::helix(37, 1), helix.nb, err)) << err;
    EntityData torus = p;
    torus.kind = ENT_NURBS_SURFACE;
    EXPECT_TRUE(kernel::interpolate_surface(kernel::testing::torus(13, 9), 13, 9, torus.nb, err)) << err;
    db.add(p);
    db.add(helix);
    db.add(torus);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(Provenance, BothHeadersCarryEachPlotsFileSettingsAndText) {
  const std::vector<PlotSource> plots = {helix_plot(), torus_plot()};
  const std::vector<std::string> want = expected_lines(plots);
  std::string err;
  ASSERT_TRUE(write_step(path("p.step"), db.entities(), plots, err)) << err;
  ASSERT_TRUE(write_iges(path("p.igs"), db.entities(), plots, err)) << err;
  for (const bool step : {true, false}) {
    SCOPED_TRACE(step ? "STEP" : "IGES");
    std::vector<std::string> got = step ? step_description(path("p.step")) : iges_start(path("p.igs"));
    ASSERT_EQ(got.size(), want.size() + 1);
    EXPECT_EQ(got[0].substr(0, 9), "Orvantis ");
    EXPECT_NE(got[0].find("lengths in millimetres"), std::string::npos);
    got.erase(got.begin());
    EXPECT_EQ(got, want);
  }
  // Only printable ASCII is in the header itself: the odd bytes are escaped, not written.
  std::ifstream in(path("p.step"), std::ios::binary);
  std::string head((std::istreambuf_iterator<char>(in)), {});
  head.resize(head.find("ENDSEC;"));
  for (const char c : head) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << static_cast<int>(c);
  EXPECT_NE(head.find("'| # caf\\X\\E9 = 0'"), std::string::npos) << head;
  EXPECT_NE(head.find("\\X2\\03B1\\X0\\\\X2\\20AC\\X0\\\\X4\\0001F600\\X0\\"), std::string::npos) << head;
  std::vector<std::string> raw;
  iges_start(path("p.igs"), &raw);
  for (const std::string& line : raw) {
    EXPECT_LE(line.size(), 72u) << line;
    for (const char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << line;
  }
}

// Three plots of a full text each: the headers keep to their bound, keep whole plots' settings, and
// say what they left out; a plot whose file was cut says so.
TEST_F(Provenance, LongSourcesAreCutWithinTheBoundAndSaySo) {
  PlotSource full = torus_plot();
  full.text.clear();
  for (std::size_t i = 0; i < kMaxSourceLines; ++i) {
    full.text += 'x';
    full.text += std::to_string(i);
    full.text += " = ";
    full.text += std::string(50, 'u');
    full.text += '\n';
  }
  full.cut = true;
  const std::vector<PlotSource> plots = {full, full, full};
  std::string err;
  ASSERT_TRUE(write_step(path("long.step"), db.entities(), plots, err)) << err;
  ASSERT_TRUE(write_iges(path("long.igs"), db.entities(), plots, err)) << err;
  for (const bool step : {true, false}) {
    SCOPED_TRACE(step ? "STEP" : "IGES");
    const std::vector<std::string> got = step ? step_description(path("long.step")) : iges_start(path("long.igs"));
    ASSERT_GT(got.size(), 3u);
    std::size_t bytes = 0;
    for (std::size_t i = 1; i < got.size(); ++i) bytes += got[i].size();
    EXPECT_LE(bytes, 16384u);
    EXPECT_GT(bytes, 16000u) << "the room is used";
    EXPECT_EQ(got[1], "plot 1 of 3: torus.eqn, entity 3");
    EXPECT_EQ(got[3], "text: its first 200 lines, cut there");
    EXPECT_EQ(got[4], std::string("| x0 = ") + std::string(50, 'u'));
    // Plot 2 is listed with part of its text; plot 3 is not listed at all.
    EXPECT_EQ(std::count(got.begin(), got.end(), "plot 2 of 3: torus.eqn, entity 3"), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), "plot 3 of 3: torus.eqn, entity 3"), 0);
    const std::string& last = got.back();
    EXPECT_EQ(last.substr(0, 29), "not listed, for want of room:") << last;
    EXPECT_NE(last.find("more lines of text and 1 more plot"), std::string::npos) << last;
  }
}

// The product is named after the equation files (or "geometry"), the entities by kind and id; the
// names come back through OpenCASCADE's XCAF readers.
TEST_F(Provenance, TheProductAndTheEntitiesAreNamed) {
  struct Case {
    std::vector<PlotSource> plots;
    std::string product;
  } cases[] = {{{}, "geometry"},
               {{helix_plot(), torus_plot(), torus_plot()}, "h_lix.eqn, torus.eqn"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.product);
    std::string err;
    ASSERT_TRUE(write_step(path("n.step"), db.entities(), c.plots, err)) << err;
    ASSERT_TRUE(write_iges(path("n.igs"), db.entities(), c.plots, err)) << err;
    for (const bool step : {true, false}) {
      SCOPED_TRACE(step ? "STEP" : "IGES");
      Handle(TDocStd_Document) doc;
      XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
      STEPCAFControl_Reader step_reader;
      IGESCAFControl_Reader iges_reader;
      bool read = false;
      if (step) {
        step_reader.SetNameMode(true);
        Interface_Static::SetIVal("read.stepcaf.subshapes.name", 1);
        read = step_reader.ReadFile(path("n.step").c_str()) == IFSelect_RetDone && step_reader.Transfer(doc);
      } else {
        iges_reader.SetNameMode(true);
        read = iges_reader.ReadFile(path("n.igs").c_str()) == IFSelect_RetDone && iges_reader.Transfer(doc);
      }
      ASSERT_TRUE(read);
      std::set<std::string> names;
      std::string root;
      TDF_LabelSequence free;
      XCAFDoc_DocumentTool::ShapeTool(doc->Main())->GetFreeShapes(free);
      auto name_of = [](const TDF_Label& l) {
        Handle(TDataStd_Name) n;
        if (!l.FindAttribute(TDataStd_Name::GetID(), n)) return std::string();
        std::ostringstream out;
        out << n->Get();
        return out.str();
      };
      TDF_LabelSequence all;
      XCAFDoc_DocumentTool::ShapeTool(doc->Main())->GetShapes(all);
      for (int i = 1; i <= all.Length(); ++i) {
        names.insert(name_of(all.Value(i)));
        TDF_LabelSequence subs;
        XCAFDoc_ShapeTool::GetSubShapes(all.Value(i), subs);
        for (int k = 1; k <= subs.Length(); ++k) names.insert(name_of(subs.Value(k)));
      }
      if (step) {
        ASSERT_EQ(free.Length(), 1);
        EXPECT_EQ(name_of(free.Value(1)), c.product);
        // Each entity is a product of the assembly, named as the entity.
        std::string seen;
        for (const std::string& n : names) seen += "[" + n + "]";
        for (const char* entity : {"point 1", "spline 2", "nurbs_surface 3"}) EXPECT_EQ(names.count(entity), 1u) << entity << seen;
      } else {
        std::string seen;
        for (const std::string& n : names) seen += "[" + n + "]";
        for (const char* entity : {"spline 2", "nurbs_surface 3"}) EXPECT_EQ(names.count(entity), 1u) << entity << seen;
        // A point is named by its label and subscript (the id), which the reader shows as
        // "point   (1)", so that a point costs no name entity of its own.
        EXPECT_EQ(names.count("point   (1)"), 1u) << seen;
      }
      XCAFApp_Application::GetApplication()->Close(doc);
    }
    std::ifstream in(path("n.step"));
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    for (const char* item : {"CARTESIAN_POINT('point 1'", "GEOMETRIC_CURVE_SET('spline 2'", "ADVANCED_FACE('nurbs_surface 3'"})
      EXPECT_NE(text.find(item), std::string::npos) << item;
  }
}

}  // namespace
}  // namespace orv::exchange
