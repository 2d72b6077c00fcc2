// Building the XCAF document of the database: for IGES one compound with labelled sub-shapes, for
// STEP an assembly of one part per entity, where a plot's points come as a few sets rather than a
// part each (a point plot of 32001 points would otherwise become 32001 products). Curves and
// surfaces are written from their B-spline form; a record without one (nb.nu == 0) is fitted
// through its points here, as the database would. Most points stay out of the document (see
// split_points and the STEP writer's point sets).
#include "exchange/xcaf_document.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRep_Builder.hxx>
#include <TopLoc_Location.hxx>
#include <Quantity_Color.hxx>
#include <Standard_Failure.hxx>
#include <TDF_Label.hxx>
#include <TDataStd_Name.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Vertex.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_LayerTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "core/entity_kinds.h"
#include "core/file_services.h"
#include "kernel/kernel.h"
#include "kernel/occt_convert.h"
#include "view/palette.h"

namespace orv::exchange::detail {

namespace {

constexpr double kEdgeTolerance = 1e-7;

bool finite3(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

// The shape of one entity; false with a message when it has none.
bool shape_of(const Entity& e, TopoDS_Shape& shape, std::string& err) {
  switch (e.kind()) {
    case ENT_POINT:
      if (!finite3(e.p1())) {
        err = "a coordinate is not finite";
        return false;
      }
      shape = BRepBuilderAPI_MakeVertex(gp_Pnt(e.p1()[0], e.p1()[1], e.p1()[2]));
      return true;
    case ENT_LINE: {
      if (!finite3(e.p1()) || !finite3(e.p2())) {
        err = "a coordinate is not finite";
        return false;
      }
      const gp_Pnt a(e.p1()[0], e.p1()[1], e.p1()[2]), b(e.p2()[0], e.p2()[1], e.p2()[2]);
      // A line of zero length (a plot with equal limits makes one) has no edge; its point stays.
      if (a.Distance(b) <= kEdgeTolerance) {
        shape = BRepBuilderAPI_MakeVertex(a);
        return true;
      }
      BRepBuilderAPI_MakeEdge edge(a, b);
      if (!edge.IsDone()) {
        err = "no edge for the line";
        return false;
      }
      shape = edge.Edge();
      return true;
    }
    case ENT_SPLINE:
    case ENT_NURBS_CURVE: {
      nb_type nb;
      if (!geometry_of(e, false, nb, err)) return false;
      const Handle(Geom_BSplineCurve) curve = kernel::to_occt_curve(nb);
      if (curve.IsNull()) {
        err = "the curve is not valid for the kernel";
        return false;
      }
      BRepBuilderAPI_MakeEdge edge(curve);
      if (!edge.IsDone()) {
        err = "no edge for the curve";
        return false;
      }
      shape = edge.Edge();
      return true;
    }
    case ENT_SURFACE:
    case ENT_NURBS_SURFACE: {
      nb_type nb;
      if (!geometry_of(e, true, nb, err)) return false;
      const Handle(Geom_BSplineSurface) surface = kernel::to_occt_surface(nb);
      if (surface.IsNull()) {
        err = "the surface is not valid for the kernel";
        return false;
      }
      BRepBuilderAPI_MakeFace face(surface, kEdgeTolerance);
      if (!face.IsDone()) {
        err = "no face for the surface";
        return false;
      }
      shape = face.Face();
      return true;
    }
    default:
      err = "unknown entity kind " + std::to_string(e.kind());
      return false;
  }
}

// Colours and layers of the document's labels: a layer is made once per level.
class Styler {
 public:
  explicit Styler(const TDF_Label& main)
      : colors_(XCAFDoc_DocumentTool::ColorTool(main)), layers_(XCAFDoc_DocumentTool::LayerTool(main)) {}
  /// Names `label` and gives it `e`'s colour (as a face's, a curve's or a point's, after `shape`)
  /// and, with `layered`, the layer of `e`'s level.
  void style(const TDF_Label& label, const std::string& name, const Entity& e, const TopoDS_Shape& shape,
             bool layered = true) {
    TDataStd_Name::Set(label, name.c_str());
    const view::Rgb rgb = view::color_rgb(e.color());
    const Quantity_Color color(rgb.r, rgb.g, rgb.b, Quantity_TOC_sRGB);
    const XCAFDoc_ColorType type = shape.ShapeType() == TopAbs_FACE ? XCAFDoc_ColorSurf
                                   : shape.ShapeType() == TopAbs_EDGE ? XCAFDoc_ColorCurv
                                                                      : XCAFDoc_ColorGen;
    colors_->SetColor(label, color, type);
    if (layered) layer(label, e.level());
  }
  /// Puts `label` on the layer of `level`.
  void layer(const TDF_Label& label, int32_t level) {
    size_t k = 0;
    while (k < levels_.size() && levels_[k] != level) ++k;
    if (k == levels_.size()) {
      levels_.push_back(level);
      layer_of_level_.push_back(layers_->AddLayer(layer_name(level).c_str()));
    }
    layers_->SetLayer(label, layer_of_level_[k]);
  }

 private:
  Handle(XCAFDoc_ColorTool) colors_;
  Handle(XCAFDoc_LayerTool) layers_;
  std::vector<TDF_Label> layer_of_level_;
  std::vector<int32_t> levels_;
};

// The shapes of `entities`, in order; false with a message naming the first that has none.
bool shapes_of(const std::vector<const Entity*>& entities, std::vector<TopoDS_Shape>& shapes, std::string& err) {
  shapes.reserve(shapes.size() + entities.size());
  for (const Entity* e : entities) {
    TopoDS_Shape s;
    std::string why;
    if (!shape_of(*e, s, why)) {
      err = entity_label(*e) + ": " + why;
      return false;
    }
    shapes.push_back(s);
  }
  return true;
}

// A fresh document, its shape tool naming nothing by itself.
Handle(XCAFDoc_ShapeTool) new_document(Handle(TDocStd_Document)& doc) {
  XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
  const Handle(XCAFDoc_ShapeTool) shape_tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
  shape_tool->SetAutoNaming(false);
  return shape_tool;
}

}  // namespace

bool build_document(const std::vector<const Entity*>& entities, const std::string& product,
                    Handle(TDocStd_Document)& doc, std::string& err) {
  kernel::silence_occt_messages();
  std::vector<TopoDS_Shape> shapes;
  if (!shapes_of(entities, shapes, err)) return false;
  const Handle(XCAFDoc_ShapeTool) shape_tool = new_document(doc);
  Styler styler(doc->Main());

  TopoDS_Compound compound;
  BRep_Builder builder;
  builder.MakeCompound(compound);
  for (const TopoDS_Shape& s : shapes) builder.Add(compound, s);
  const TDF_Label root = shape_tool->AddShape(compound, false, false);
  // A compound of one shape is written as that shape, with the root's name beside its own in an
  // order that changes from run to run: the root then takes the shape's name.
  TDataStd_Name::Set(root, shapes.size() == 1 ? entity_label(*entities[0]).c_str() : product.c_str());
  for (size_t i = 0; i < shapes.size(); ++i) {
    TDF_Label sub;
    if (shape_tool->AddSubShape(root, shapes[i], sub)) styler.style(sub, entity_label(*entities[i]), *entities[i], shapes[i]);
  }
  return true;
}

bool build_assembly(const std::vector<Part>& parts, const std::string& product, Handle(TDocStd_Document)& doc,
                    std::string& err) {
  kernel::silence_occt_messages();
  std::vector<std::vector<TopoDS_Shape>> members(parts.size());
  for (size_t i = 0; i < parts.size(); ++i)
    if (!shapes_of(parts[i].members, members[i], err)) return false;
  const Handle(XCAFDoc_ShapeTool) shape_tool = new_document(doc);
  Styler styler(doc->Main());
  const TDF_Label assembly = shape_tool->NewShape();
  TDataStd_Name::Set(assembly, product.c_str());
  BRep_Builder builder;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (members[i].empty()) continue;
    const Entity& first = *parts[i].members[0];
    // A lone vertex is written inside a set the writer makes for it, which loses the part's name:
    // it goes into a compound of its own, as several members do.
    TopoDS_Shape shape = members[i][0];
    if (members[i].size() > 1 || shape.ShapeType() == TopAbs_VERTEX) {
      TopoDS_Compound compound;
      builder.MakeCompound(compound);
      for (const TopoDS_Shape& s : members[i]) builder.Add(compound, s);
      shape = compound;
    }
    const TDF_Label part = shape_tool->AddShape(shape, false, false);
    if (parts[i].labelled_members) {
      TDataStd_Name::Set(part, parts[i].name.c_str());
      styler.layer(part, first.level());
      for (size_t k = 0; k < members[i].size(); ++k) {
        TDF_Label sub;
        if (shape_tool->AddSubShape(part, members[i][k], sub))
          styler.style(sub, entity_label(*parts[i].members[k]), *parts[i].members[k], members[i][k], false);
      }
    } else {
      styler.style(part, parts[i].name, first, shape);
    }
    const TDF_Label component = shape_tool->AddComponent(assembly, part, TopLoc_Location());
    TDataStd_Name::Set(component, parts[i].name.c_str());
  }
  shape_tool->UpdateAssemblies();
  return true;
}

bool split_points(const std::vector<const Entity*>& entities, std::vector<const Entity*>& shaped,
                  std::vector<const Entity*>& points, std::string& err) {
  shaped.clear();
  points.clear();
  for (const Entity* e : entities) {
    if (e->kind() != ENT_POINT) {
      shaped.push_back(e);
      continue;
    }
    if (!finite3(e->p1())) {
      err = entity_label(*e) + ": a coordinate is not finite";
      return false;
    }
    if (points.size() < kAnchorPoints) shaped.push_back(e);
    points.push_back(e);
  }
  return true;
}

bool same_point(const double at[3], const Entity& e) {
  double d2 = 0, m2 = 0;
  for (int c = 0; c < 3; ++c) {
    d2 += (at[c] - e.p1()[c]) * (at[c] - e.p1()[c]);
    m2 += e.p1()[c] * e.p1()[c];
  }
  return d2 <= 1e-18 * (1.0 + m2);
}

void close_document(Handle(TDocStd_Document)& doc) {
  if (doc.IsNull()) return;
  try {
    XCAFApp_Application::GetApplication()->Close(doc);
  } catch (const Standard_Failure&) {
  }
  doc.Nullify();
}

bool write_occt_atomically(const std::string& path,
                           const std::function<bool(const std::string&, std::string&)>& write, std::string& err) {
  return write_atomically(path, [&](const std::string& temp, std::string& why) {
    try {
      return write(temp, why);
    } catch (const Standard_Failure& f) {
      why = std::string("the geometry kernel failed: ") + (f.GetMessageString() ? f.GetMessageString() : "");
    }
    return false;
  }, err);
}

}  // namespace orv::exchange::detail
