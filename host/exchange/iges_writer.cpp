// IGES output of the database, with colours and levels, through OpenCASCADE's XCAF writer. That
// writer gives colours and levels to edges and faces only, so the points (IGES entity 116) get
// theirs afterwards in the translated model, matched to the database's points by position.
#include <IGESCAFControl_Writer.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESData_IGESModel.hxx>
#include <IGESData_LevelListEntity.hxx>
#include <IGESGeom_Point.hxx>
#include <IGESGraph_Color.hxx>
#include <TCollection_HAsciiString.hxx>

#include <Standard_Version.hxx>

#include <map>

#include "exchange/exchange.h"
#include "exchange/file_header.h"
#include "exchange/xcaf_document.h"
#include "view/palette.h"

namespace orv::exchange {

namespace {

void style_points(const Handle(IGESData_IGESModel)& model, const std::vector<const Entity*>& entities) {
  std::vector<const Entity*> points;
  for (const Entity* e : entities)
    if (e->kind() == ENT_POINT) points.push_back(e);
  std::vector<char> used(points.size(), 0);
  std::vector<Handle(IGESGeom_Point)> found;
  for (int i = 1; i <= model->NbEntities(); ++i) {
    Handle(IGESGeom_Point) p = Handle(IGESGeom_Point)::DownCast(model->Value(i));
    if (!p.IsNull()) found.push_back(p);
  }
  std::map<int, Handle(IGESGraph_Color)> colors;
  size_t next = 0;  // points are translated in database order; search on from the last match
  for (const Handle(IGESGeom_Point)& p : found) {
    const gp_XYZ at = p->Value().XYZ();
    for (size_t k = 0; k < points.size(); ++k) {
      const size_t i = (next + k) % points.size();
      const Entity& e = *points[i];
      const gp_XYZ want(e.p1()[0], e.p1()[1], e.p1()[2]);
      if (used[i] || (at - want).Modulus() > 1e-9 * (1.0 + want.Modulus())) continue;
      used[i] = 1;
      next = i + 1;
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
      break;
    }
  }
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
  global.SetUnitFlag(2);
  global.SetUnitName(new TCollection_HAsciiString("MM"));
  model->SetGlobalSection(global);
}

}  // namespace

bool write_iges(const std::string& path, const std::vector<const Entity*>& entities, std::string& err) {
  Handle(TDocStd_Document) doc;
  const bool ok = detail::write_atomically(path, [&](const std::string& temp, std::string& why) {
    if (!detail::build_document(entities, doc, why)) return false;
    IGESControl_Controller::Init();
    IGESCAFControl_Writer writer;
    writer.SetColorMode(true);
    writer.SetLayerMode(true);
    writer.SetNameMode(true);
    if (!writer.Transfer(doc)) {
      why = "the entities could not be translated to IGES";
      return false;
    }
    style_points(writer.Model(), entities);
    name_global_section(writer.Model(), path);
    if (!writer.Write(temp.c_str())) {
      why = "the IGES file could not be written";
      return false;
    }
    return true;
  }, err);
  detail::close_document(doc);
  return ok;
}

}  // namespace orv::exchange
