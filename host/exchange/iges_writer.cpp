// IGES output of the database, with colours and levels, through OpenCASCADE's XCAF writer. That
// writer gives colours and levels to edges and faces only, so only the first two points go through
// it; the others are made as IGES points (entity 116) beside them, and every point gets its colour
// and level, in the translated model.
#include <IGESCAFControl_Writer.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESData_IGESWriter.hxx>
#include <IGESSelect_WorkLibrary.hxx>
#include <IGESBasic_Group.hxx>
#include <IGESBasic_Name.hxx>
#include <Interface_EntityIterator.hxx>
#include <IGESBasic_SubfigureDef.hxx>
#include <IGESData_HArray1OfIGESEntity.hxx>
#include <IGESData_IGESModel.hxx>
#include <IGESData_LevelListEntity.hxx>
#include <IGESGeom_Point.hxx>
#include <IGESGraph_Color.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TColStd_HSequenceOfHAsciiString.hxx>

#include <Standard_Version.hxx>

#include <algorithm>
#include <fstream>
#include <map>

#include "exchange/exchange.h"
#include "exchange/file_header.h"
#include "exchange/xcaf_document.h"
#include "view/palette.h"

namespace orv::exchange {

namespace {

// The points beside the anchors (the first points, translated through the document), made directly
// as IGES points, in order after the last anchor in the group that holds it; every point gets its
// colour and level. False when an anchor is not in the model.
bool add_points(const Handle(IGESData_IGESModel)& model, const std::vector<const Entity*>& points) {
  if (points.empty()) return true;
  const std::size_t anchors = std::min(points.size(), detail::kAnchorPoints);
  std::vector<Handle(IGESGeom_Point)> anchor(anchors);
  for (int i = 1; i <= model->NbEntities(); ++i) {
    Handle(IGESGeom_Point) p = Handle(IGESGeom_Point)::DownCast(model->Value(i));
    if (p.IsNull()) continue;
    const gp_XYZ at = p->Value().XYZ();
    const double xyz[3] = {at.X(), at.Y(), at.Z()};
    for (std::size_t a = 0; a < anchors; ++a) {
      if (!anchor[a].IsNull() || !detail::same_point(xyz, *points[a])) continue;
      anchor[a] = p;
      break;
    }
  }
  for (const auto& a : anchor)
    if (a.IsNull()) return false;
  Handle(IGESBasic_Group) group;
  int anchor_at = 0;
  for (int i = 1; i <= model->NbEntities() && group.IsNull(); ++i) {
    Handle(IGESBasic_Group) g = Handle(IGESBasic_Group)::DownCast(model->Value(i));
    if (g.IsNull()) continue;
    for (int k = 1; k <= g->NbEntities() && group.IsNull(); ++k) {
      if (g->Entity(k) != anchor.back()) continue;
      group = g;
      anchor_at = k;
    }
  }

  std::map<int, Handle(IGESGraph_Color)> colors;
  auto style = [&](const Handle(IGESGeom_Point)& p, const Entity& e) {
    Handle(IGESGraph_Color)& color = colors[e.color()];
    if (color.IsNull()) {
      const view::Rgb rgb = view::color_rgb(e.color());
      color = new IGESGraph_Color;
      color->Init(rgb.r * 100.0, rgb.g * 100.0, rgb.b * 100.0,
                  new TCollection_HAsciiString(("color " + std::to_string(e.color())).c_str()));
      model->AddEntity(color);
    }
    p->InitColor(color);
    p->InitLevel(Handle(IGESData_LevelListEntity)(), e.level());
    // Named as the other entities are ("point 7"): the label holds 8 characters, the id goes in
    // the subscript, so a point costs no name entity of its own.
    p->SetLabel(new TCollection_HAsciiString("point"), static_cast<int>(std::min<int64_t>(e.id(), 99999999)));
  };
  for (std::size_t a = 0; a < anchors; ++a) style(anchor[a], *points[a]);
  const int added = static_cast<int>(points.size() - anchors);
  Handle(IGESData_HArray1OfIGESEntity) members;
  if (!group.IsNull()) {
    const int old = group->NbEntities();
    members = new IGESData_HArray1OfIGESEntity(1, old + added);
    for (int k = 1; k <= anchor_at; ++k) members->SetValue(k, group->Entity(k));
    for (int k = anchor_at + 1; k <= old; ++k) members->SetValue(k + added, group->Entity(k));
  }
  for (int k = 1; k <= added; ++k) {
    const Entity& e = *points[anchors - 1 + static_cast<std::size_t>(k)];
    Handle(IGESGeom_Point) p = new IGESGeom_Point;
    p->Init(gp_XYZ(e.p1()[0], e.p1()[1], e.p1()[2]), Handle(IGESBasic_SubfigureDef)());
    style(p, e);
    // A group's member is its dependant, as the translated anchor is, so readers take it once.
    const Handle(IGESGeom_Point)& last = anchor.back();
    p->InitStatus(last->BlankStatus(), last->SubordinateStatus(), last->UseFlag(), last->HierarchyStatus());
    model->AddEntity(p);
    if (!members.IsNull()) members->SetValue(anchor_at + k, p);
  }
  if (!group.IsNull()) group->Init(members);
  return true;
}

// The global section names the file (its final name), the system and the unit (millimetres, which
// OpenCASCADE writes already), in place of OpenCASCADE's placeholders.
void name_global_section(const Handle(IGESData_IGESModel)& model, const std::string& path) {
  IGESData_GlobalSection global = model->GlobalSection();
  const std::string system = detail::system_name();
  const std::string name = detail::header_file_name(path);
  global.SetFileName(new TCollection_HAsciiString(name.c_str()));
  global.SetSendName(new TCollection_HAsciiString(name.c_str()));
  global.SetSystemId(new TCollection_HAsciiString(system.c_str()));
  global.SetInterfaceVersion(new TCollection_HAsciiString((system + " with Open CASCADE " OCC_VERSION_STRING).c_str()));
  const Handle(TCollection_HAsciiString) when = new TCollection_HAsciiString(detail::iges_file_time().c_str());
  global.SetDate(when);
  global.SetLastChangeDate(when);
  global.SetUnitFlag(2);
  global.SetUnitName(new TCollection_HAsciiString("MM"));
  model->SetGlobalSection(global);
}

// Most characters of a start section line (columns 1 to 72).
constexpr std::size_t kStartLineWidth = 72;

// The length of the character or escape (\\, \xHH, \uHHHH, \UHHHHHHHH) at `at` of an escaped line.
std::size_t escape_length(const std::string& s, std::size_t at) {
  if (s[at] != '\\' || at + 1 >= s.size()) return 1;
  switch (s[at + 1]) {
    case 'x': return 4;
    case 'u': return 6;
    case 'U': return 10;
    default: return 2;
  }
}

// The start section says what the file holds and where it came from. A line longer than the
// section's 72 columns goes on over the next ones, each piece but the last ending in a single
// backslash (a backslash of the text is doubled, so the two never meet); no escape is broken.
void write_start_section(const Handle(IGESData_IGESModel)& model, const std::vector<PlotSource>& plots) {
  std::vector<std::string> lines{detail::iges_escaped(detail::system_name() + " geometry, " + detail::kLengthUnitText)};
  for (std::string& line : detail::source_header_lines(plots, detail::iges_escaped)) lines.push_back(std::move(line));
  Handle(TColStd_HSequenceOfHAsciiString) section = new TColStd_HSequenceOfHAsciiString;
  for (const std::string& line : lines) {
    std::size_t at = 0;
    do {
      std::size_t end = line.size();
      if (end - at > kStartLineWidth) {
        // At most 71 characters and the backslash that says the line goes on.
        end = at;
        while (end < line.size() && end + escape_length(line, end) - at <= kStartLineWidth - 1)
          end += escape_length(line, end);
      }
      std::string piece = line.substr(at, end - at);
      if (end < line.size()) piece += '\\';
      section->Append(new TCollection_HAsciiString(piece.c_str()));
      at = end;
    } while (at < line.size());
  }
  model->SetStartSection(section, false);
}

// OpenCASCADE makes the name entities (406, form 15) in the order of a table keyed by memory
// addresses, so they change places from run to run; the file is made the same every time by
// putting them back in the slots they took in the order of the entities they name.
void order_names(const Handle(IGESData_IGESModel)& model) {
  std::vector<int> slots;                                   // where the names are, ascending
  std::vector<std::pair<int, Handle(IGESBasic_Name)>> names;  // owner's number, name
  for (int i = 1; i <= model->NbEntities(); ++i) {
    if (!Handle(IGESBasic_Name)::DownCast(model->Value(i)).IsNull()) slots.push_back(i);
    const Handle(IGESData_IGESEntity) owner = Handle(IGESData_IGESEntity)::DownCast(model->Value(i));
    if (owner.IsNull() || !owner->ArePresentProperties()) continue;
    for (Interface_EntityIterator p = owner->Properties(); p.More(); p.Next())
      if (auto name = Handle(IGESBasic_Name)::DownCast(p.Value()); !name.IsNull()) names.emplace_back(i, name);
  }
  if (names.size() != slots.size()) return;  // a name without one owner: leave the model as it is
  std::stable_sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  // A model holds each entity once: the slots are cleared first, then filled.
  for (const int slot : slots) model->ReplaceEntity(slot, new IGESBasic_Name);
  for (size_t k = 0; k < slots.size(); ++k) model->ReplaceEntity(slots[k], names[k].second);
}

// Writes the computed model to `temp` with every real in 16 significant digits (OpenCASCADE's default
// keeps 7, which puts a circle at 1e6 mm a third of a micrometre off). Trailing zeros are kept: the
// writer's zero suppression looks for the exponent within the first 16 characters only, and drops
// it from a longer number; 16 digits also keep the longest real (23 characters) within its buffer.
bool print_model(const Handle(IGESData_IGESModel)& model, const std::string& temp) {
  IGESData_IGESWriter printer(model);
  printer.FloatWriter().SetFormat("%.15E");
  printer.SendModel(IGESSelect_WorkLibrary::DefineProtocol());
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  if (!printer.Print(out)) return false;
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace

bool write_iges(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err) {
  Handle(TDocStd_Document) doc;
  const bool ok = detail::write_atomically(path, [&](const std::string& temp, std::string& why) {
    std::vector<const Entity*> shaped, points;
    if (!detail::split_points(entities, shaped, points, why)) return false;
    if (!detail::build_document(shaped, detail::product_name(plots), doc, why)) return false;
    IGESControl_Controller::Init();
    IGESCAFControl_Writer writer;
    writer.SetColorMode(true);
    writer.SetLayerMode(true);
    writer.SetNameMode(true);
    if (!writer.Transfer(doc)) {
      why = "the entities could not be translated to IGES";
      return false;
    }
    if (!add_points(writer.Model(), points)) {
      why = "the points could not be placed in the IGES model";
      return false;
    }
    name_global_section(writer.Model(), path);
    write_start_section(writer.Model(), plots);
    order_names(writer.Model());
    writer.ComputeModel();
    if (!print_model(writer.Model(), temp)) {
      why = "the IGES file could not be written";
      return false;
    }
    return true;
  }, err);
  detail::close_document(doc);
  return ok;
}

}  // namespace orv::exchange
