// STEP AP214 output of the database, with colours and layers, through OpenCASCADE's XCAF writer.
// That writer puts free points into a geometric set with no layer and no colour (a point colour
// would need a point style, which OpenCASCADE neither writes nor reads back), so only the first two
// points go through it; the others are made as cartesian points in their set, and every point joins
// its level's layer, in the translated model.
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

#include <algorithm>
#include <map>

#include "exchange/exchange.h"
#include "exchange/file_header.h"
#include "exchange/occt_module.h"
#include "exchange/xcaf_document.h"

namespace orv::exchange::occt {

namespace {

// The points beside the anchors (the first points, translated through the document), made directly
// as cartesian points in the last anchor's geometric set, in order after it; then every point joins
// its level's layer. False when an anchor is not in the model.
bool add_points(const Handle(StepData_StepModel)& model, const std::vector<const Entity*>& points) {
  if (points.empty()) return true;
  const std::size_t anchors = std::min(points.size(), detail::kAnchorPoints);
  std::map<std::string, Handle(StepVisual_PresentationLayerAssignment)> layers;
  std::vector<Handle(StepGeom_CartesianPoint)> anchor(anchors);
  Handle(StepShape_GeometricSet) set;  // the last anchor's
  int anchor_at = 0;
  for (int i = 1; i <= model->NbEntities(); ++i) {
    const Handle(Standard_Transient) item = model->Value(i);
    if (auto layer = Handle(StepVisual_PresentationLayerAssignment)::DownCast(item); !layer.IsNull()) {
      if (!layer->Name().IsNull()) layers[layer->Name()->ToCString()] = layer;
      continue;
    }
    const auto candidate = Handle(StepShape_GeometricSet)::DownCast(item);
    if (candidate.IsNull() || candidate->Elements().IsNull()) continue;
    for (int k = 1; k <= candidate->NbElements(); ++k) {
      const auto p = Handle(StepGeom_CartesianPoint)::DownCast(candidate->ElementsValue(k).Value());
      if (p.IsNull() || p->NbCoordinates() != 3) continue;
      const double at[3] = {p->CoordinatesValue(1), p->CoordinatesValue(2), p->CoordinatesValue(3)};
      for (std::size_t a = 0; a < anchors; ++a) {
        if (!anchor[a].IsNull() || !detail::same_point(at, *points[a])) continue;
        anchor[a] = p;
        if (a + 1 == anchors) {
          set = candidate;
          anchor_at = k;
        }
        break;
      }
    }
  }
  for (const auto& a : anchor)
    if (a.IsNull()) return false;

  const int old = set->NbElements(), added = static_cast<int>(points.size() - anchors);
  Handle(StepShape_HArray1OfGeometricSetSelect) elements = new StepShape_HArray1OfGeometricSetSelect(1, old + added);
  for (int k = 1; k <= anchor_at; ++k) elements->SetValue(k, set->ElementsValue(k));
  for (int k = anchor_at + 1; k <= old; ++k) elements->SetValue(k + added, set->ElementsValue(k));
  const Handle(TCollection_HAsciiString) no_name = new TCollection_HAsciiString("");
  std::map<std::string, std::vector<Handle(StepGeom_CartesianPoint)>> members;
  for (std::size_t a = 0; a < anchors; ++a) members[detail::layer_name(points[a]->level())].push_back(anchor[a]);
  for (int k = 1; k <= added; ++k) {
    const Entity& e = *points[anchors - 1 + static_cast<std::size_t>(k)];
    Handle(StepGeom_CartesianPoint) p = new StepGeom_CartesianPoint;
    p->Init3D(no_name, e.p1()[0], e.p1()[1], e.p1()[2]);
    model->AddEntity(p);
    StepShape_GeometricSetSelect select;
    select.SetValue(p);
    elements->SetValue(anchor_at + k, select);
    members[detail::layer_name(e.level())].push_back(p);
  }
  set->SetElements(elements);

  for (const auto& [name, joining] : members) {
    Handle(StepVisual_PresentationLayerAssignment)& layer = layers[name];
    const bool fresh = layer.IsNull();
    if (fresh) layer = new StepVisual_PresentationLayerAssignment;
    const int before = fresh ? 0 : layer->NbAssignedItems();
    Handle(StepVisual_HArray1OfLayeredItem) items =
        new StepVisual_HArray1OfLayeredItem(1, before + static_cast<int>(joining.size()));
    for (int k = 1; k <= before; ++k) items->SetValue(k, layer->AssignedItemsValue(k));
    for (size_t k = 0; k < joining.size(); ++k) {
      StepVisual_LayeredItem item;
      item.SetValue(joining[k]);
      items->SetValue(before + 1 + static_cast<int>(k), item);
    }
    if (fresh) {
      layer->Init(new TCollection_HAsciiString(name.c_str()), new TCollection_HAsciiString("visible"), items);
      model->AddEntity(layer);
    } else {
      layer->SetAssignedItems(items);
    }
  }
  return true;
}

// The header names the file (its final name, not the temporary one it is written as), the system and
// the unit, in place of OpenCASCADE's placeholders; the author and organisation are left empty.
void name_header(const Handle(StepData_StepModel)& model, const std::string& path) {
  APIHeaderSection_MakeHeader header(model);
  const std::string system = detail::system_name();
  header.SetName(new TCollection_HAsciiString(detail::header_file_name(path).c_str()));
  header.SetTimeStamp(new TCollection_HAsciiString(detail::file_time().c_str()));
  header.SetAuthorValue(1, new TCollection_HAsciiString(""));
  header.SetOrganizationValue(1, new TCollection_HAsciiString(""));
  header.SetOriginatingSystem(new TCollection_HAsciiString(system.c_str()));
  header.SetPreprocessorVersion(new TCollection_HAsciiString((system + " with Open CASCADE " OCC_VERSION_STRING).c_str()));
  header.SetDescriptionValue(1, new TCollection_HAsciiString((system + " geometry, " + detail::kLengthUnitText).c_str()));
}

}  // namespace

bool write_step(const std::string& path, const std::vector<const Entity*>& entities, std::string& err) {
  Handle(TDocStd_Document) doc;
  const bool ok = detail::write_occt_atomically(path, [&](const std::string& temp, std::string& why) {
    std::vector<const Entity*> shaped, points;
    if (!detail::split_points(entities, shaped, points, why)) return false;
    if (!detail::build_document(shaped, doc, why)) return false;
    Interface_Static::SetCVal("write.step.schema", "AP214IS");
    STEPCAFControl_Writer writer;
    writer.SetColorMode(true);
    writer.SetLayerMode(true);
    writer.SetNameMode(true);
    if (!writer.Transfer(doc, STEPControl_AsIs)) {
      why = "the entities could not be translated to STEP";
      return false;
    }
    if (!add_points(writer.ChangeWriter().Model(), points)) {
      why = "the points could not be placed in the STEP model";
      return false;
    }
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

}  // namespace orv::exchange::occt
