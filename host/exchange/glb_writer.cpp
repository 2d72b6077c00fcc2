// Binary glTF (GLB) of the surfaces' meshes through OpenCASCADE's glTF writer, for web viewers and
// previews: each surface becomes a face carrying the very triangles of the STL and 3MF exports, as a
// labelled, coloured shape of an XCAF document. glTF counts in metres with Y up; the writer converts
// from our millimetres with Z up. The writer only writes triangulated faces, so curves and points,
// which have no mesh form, are left out as in the other mesh formats.
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRep_Builder.hxx>
#include <Message_ProgressRange.hxx>
#include <Poly_Triangulation.hxx>
#include <Quantity_Color.hxx>
#include <RWGltf_CafWriter.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>
#include <TDataStd_Name.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Face.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include "exchange/mesh_files.h"
#include "exchange/occt_module.h"
#include "exchange/xcaf_document.h"
#include "kernel/kernel.h"
#include "kernel/occt_convert.h"
#include "view/palette.h"

namespace orv::exchange::occt {

using namespace detail;

namespace {

// A face of the surface with the mesh as its triangulation. False with `why`.
bool meshed_face(const Entity& e, const Mesh& mesh, TopoDS_Face& face, std::string& why) {
  nb_type nb;
  if (!geometry_of(e, true, nb, why)) return false;
  const Handle(Geom_BSplineSurface) surface = kernel::to_occt_surface(nb);
  if (surface.IsNull()) {
    why = "the surface is not valid for the kernel";
    return false;
  }
  BRepBuilderAPI_MakeFace make(surface, 1e-7);
  if (!make.IsDone()) {
    why = "no face for the surface";
    return false;
  }
  face = make.Face();
  Handle(Poly_Triangulation) triangles = new Poly_Triangulation(static_cast<int>(mesh.vertices.size()),
                                                                static_cast<int>(mesh.triangles.size()), false);
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const auto& v = mesh.vertices[i];
    triangles->SetNode(static_cast<int>(i) + 1, gp_Pnt(v[0], v[1], v[2]));
  }
  for (size_t i = 0; i < mesh.triangles.size(); ++i) {
    const auto& t = mesh.triangles[i];
    triangles->SetTriangle(static_cast<int>(i) + 1, Poly_Triangle(t[0] + 1, t[1] + 1, t[2] + 1));
  }
  BRep_Builder().UpdateFace(face, triangles);
  return true;
}

}  // namespace

bool write_glb(const std::string& path, const std::vector<const Entity*>& surfaces, const std::vector<Mesh>& meshes,
               std::string& err) {
  Handle(TDocStd_Document) doc;
  const bool ok = write_occt_atomically(path, [&](const std::string& temp, std::string& why) {
    kernel::silence_occt_messages();
    XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
    const Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
    const Handle(XCAFDoc_ColorTool) colors = XCAFDoc_DocumentTool::ColorTool(doc->Main());
    shapes->SetAutoNaming(false);
    for (size_t k = 0; k < meshes.size(); ++k) {
      TopoDS_Face face;
      if (!meshed_face(*surfaces[k], meshes[k], face, why)) {
        why = entity_label(*surfaces[k]) + ": " + why;
        return false;
      }
      const TDF_Label label = shapes->AddShape(face, false, false);
      TDataStd_Name::Set(label, entity_label(*surfaces[k]).c_str());
      const view::Rgb rgb = view::color_rgb(surfaces[k]->color());
      colors->SetColor(label, Quantity_Color(rgb.r, rgb.g, rgb.b, Quantity_TOC_sRGB), XCAFDoc_ColorSurf);
    }
    RWGltf_CafWriter writer(TCollection_AsciiString(temp.c_str()), true);
    writer.ChangeCoordinateSystemConverter().SetInputLengthUnit(0.001);
    writer.ChangeCoordinateSystemConverter().SetInputCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    writer.ChangeCoordinateSystemConverter().SetOutputCoordinateSystem(RWMesh_CoordinateSystem_glTF);
    TColStd_IndexedDataMapOfStringString info;
    if (!writer.Perform(doc, info, Message_ProgressRange())) {
      why = "the glTF writer failed";
      return false;
    }
    return true;
  }, err);
  close_document(doc);
  return ok;
}

}  // namespace orv::exchange::occt
