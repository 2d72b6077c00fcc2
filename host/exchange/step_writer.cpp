// STEP AP214 output of the database, with colours and layers, through OpenCASCADE's XCAF writer.
// That writer puts free points into a geometric set with no layer, so each point is added to its
// level's layer afterwards in the translated model, matched to the database's points by position.
// (Point colours would need a point style, which OpenCASCADE neither writes nor reads back.)
#include <APIHeaderSection_MakeHeader.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <StepData_StepModel.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepShape_GeometricSet.hxx>
#include <StepShape_HArray1OfGeometricSetSelect.hxx>
#include <StepVisual_HArray1OfLayeredItem.hxx>
#include <StepVisual_PresentationLayerAssignment.hxx>
#include <TCollection_HAsciiString.hxx>

#include <Standard_Version.hxx>

#include <map>

#include "exchange/exchange.h"
#include "exchange/file_header.h"
#include "exchange/xcaf_document.h"

namespace orv::exchange {

namespace {

void layer_points(const Handle(StepData_StepModel)& model, const std::vector<const Entity*>& entities) {
  std::vector<const Entity*> points;
  for (const Entity* e : entities)
    if (e->kind() == ENT_POINT) points.push_back(e);
  if (points.empty()) return;
  std::map<std::string, Handle(StepVisual_PresentationLayerAssignment)> layers;
  std::vector<Handle(StepGeom_CartesianPoint)> found;
  for (int i = 1; i <= model->NbEntities(); ++i) {
    const Handle(Standard_Transient) item = model->Value(i);
    if (auto layer = Handle(StepVisual_PresentationLayerAssignment)::DownCast(item); !layer.IsNull()) {
      if (!layer->Name().IsNull()) layers[layer->Name()->ToCString()] = layer;
      continue;
    }
    const auto set = Handle(StepShape_GeometricSet)::DownCast(item);
    if (set.IsNull() || set->Elements().IsNull()) continue;
    for (int k = 1; k <= set->NbElements(); ++k) {
      const auto p = Handle(StepGeom_CartesianPoint)::DownCast(set->ElementsValue(k).Value());
      if (!p.IsNull() && p->NbCoordinates() == 3) found.push_back(p);
    }
  }
  std::map<std::string, std::vector<Handle(StepGeom_CartesianPoint)>> members;
  std::vector<char> used(points.size(), 0);
  size_t next = 0;  // points are translated in database order; search on from the last match
  for (const auto& p : found) {
    const double at[3] = {p->CoordinatesValue(1), p->CoordinatesValue(2), p->CoordinatesValue(3)};
    for (size_t k = 0; k < points.size(); ++k) {
      const size_t i = (next + k) % points.size();
      const Entity& e = *points[i];
      double d2 = 0, m2 = 0;
      for (int c = 0; c < 3; ++c) {
        d2 += (at[c] - e.p1()[c]) * (at[c] - e.p1()[c]);
        m2 += e.p1()[c] * e.p1()[c];
      }
      if (used[i] || d2 > 1e-18 * (1.0 + m2)) continue;
      used[i] = 1;
      next = i + 1;
      members[detail::layer_name(e.level())].push_back(p);
      break;
    }
  }
  for (const auto& [name, added] : members) {
    Handle(StepVisual_PresentationLayerAssignment)& layer = layers[name];
    const bool fresh = layer.IsNull();
    if (fresh) layer = new StepVisual_PresentationLayerAssignment;
    const int old = fresh ? 0 : layer->NbAssignedItems();
    Handle(StepVisual_HArray1OfLayeredItem) items =
        new StepVisual_HArray1OfLayeredItem(1, old + static_cast<int>(added.size()));
    for (int k = 1; k <= old; ++k) items->SetValue(k, layer->AssignedItemsValue(k));
    for (size_t k = 0; k < added.size(); ++k) {
      StepVisual_LayeredItem item;
      item.SetValue(added[k]);
      items->SetValue(old + 1 + static_cast<int>(k), item);
    }
    if (fresh) {
      layer->Init(new TCollection_HAsciiString(name.c_str()), new TCollection_HAsciiString("visible"), items);
      model->AddEntity(layer);
    } else {
      layer->SetAssignedItems(items);
    }
  }
}

// The header names the file (its final name, not the temporary one it is written as), the system and
// the unit, in place of OpenCASCADE's placeholders; the author and organisation are left empty.
void name_header(const Handle(StepData_StepModel)& model, const std::string& path) {
  APIHeaderSection_MakeHeader header(model);
  const std::string system = detail::system_name();
  header.SetName(new TCollection_HAsciiString(detail::header_file_name(path).c_str()));
  header.SetAuthorValue(1, new TCollection_HAsciiString(""));
  header.SetOrganizationValue(1, new TCollection_HAsciiString(""));
  header.SetOriginatingSystem(new TCollection_HAsciiString(system.c_str()));
  header.SetPreprocessorVersion(new TCollection_HAsciiString((system + " with Open CASCADE " OCC_VERSION_STRING).c_str()));
  header.SetDescriptionValue(1, new TCollection_HAsciiString((system + " geometry, " + detail::kLengthUnitText).c_str()));
}

}  // namespace

bool write_step(const std::string& path, const std::vector<const Entity*>& entities, std::string& err) {
  Handle(TDocStd_Document) doc;
  const bool ok = detail::write_atomically(path, [&](const std::string& temp, std::string& why) {
    if (!detail::build_document(entities, doc, why)) return false;
    Interface_Static::SetCVal("write.step.schema", "AP214IS");
    STEPCAFControl_Writer writer;
    writer.SetColorMode(true);
    writer.SetLayerMode(true);
    writer.SetNameMode(true);
    if (!writer.Transfer(doc, STEPControl_AsIs)) {
      why = "the entities could not be translated to STEP";
      return false;
    }
    layer_points(writer.ChangeWriter().Model(), entities);
    name_header(writer.ChangeWriter().Model(), path);
    if (writer.Write(temp.c_str()) != IFSelect_RetDone) {
      why = "the STEP file could not be written";
      return false;
    }
    return true;
  }, err);
  detail::close_document(doc);
  return ok;
}

}  // namespace orv::exchange
