// DXF output of the database through dxflib, for laser cutters, CNC and 2D CAD: points as POINT,
// lines as LINE, curves as SPLINE (AutoCAD 2000, their B-spline form exactly) or, for older
// machines, as 3D polylines within the chord deviation (R12, which has no splines). Each entity is
// on the layer of its level and in the AutoCAD colour nearest to its own; the header says
// millimetres. Surfaces have no DXF form here and are left out (counted for the caller).
#include <dxflib/dl_dxf.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>

#include "exchange/exchange.h"
#include "exchange/exchange_labels.h"
#include "exchange/mesh.h"
#include "kernel/kernel.h"
#include "view/palette.h"

namespace orv::exchange {

namespace {

// The AutoCAD Colour Index's colours 1 to 255 (0 and 256 mean "by block" and "by layer"): the
// seven named ones, two greys, 24 hues in ten shades each, and six greys.
std::array<double, 3> aci_rgb(int index) {
  static constexpr int kNamed[10][3] = {{0, 0, 0},       {255, 0, 0},     {255, 255, 0}, {0, 255, 0},    {0, 255, 255},
                                        {0, 0, 255},     {255, 0, 255},   {255, 255, 255}, {128, 128, 128}, {192, 192, 192}};
  static constexpr int kGreys[6] = {51, 91, 132, 173, 214, 255};
  if (index < 10) return {kNamed[index][0] / 255.0, kNamed[index][1] / 255.0, kNamed[index][2] / 255.0};
  if (index >= 250) return {kGreys[index - 250] / 255.0, kGreys[index - 250] / 255.0, kGreys[index - 250] / 255.0};
  // Hue in steps of 15 degrees; even shades fully saturated, odd ones half; brightness falls in pairs.
  static constexpr double kValue[5] = {255, 165, 127, 76, 38};
  const int hue = (index - 10) / 10, shade = (index - 10) % 10;
  const double v = kValue[shade / 2] / 255.0, s = shade % 2 == 0 ? 1.0 : 0.5;
  const double h = hue * 15.0 / 60.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (sector) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
  }
}

}  // namespace

int nearest_aci(double r, double g, double b) {
  int best = 1;
  double best_d = 1e300;
  for (int i = 1; i <= 255; ++i) {
    const auto c = aci_rgb(i);
    const double d = (c[0] - r) * (c[0] - r) + (c[1] - g) * (c[1] - g) + (c[2] - b) * (c[2] - b);
    if (d < best_d) {
      best_d = d;
      best = i;
    }
  }
  return best;
}

namespace {

// What goes into the file, worked out before it is opened so that a refusal writes nothing.
struct DxfItem {
  const Entity* entity;
  nb_type curve;                                // curves
  std::vector<std::array<double, 3>> polyline;  // curves, R12
};

bool plan(const std::vector<const Entity*>& entities, DxfVersion version, double chord_dev, std::vector<DxfItem>& items,
          int& skipped, std::string& why) {
  for (const Entity* e : entities) {
    DxfItem item{e, {}, {}};
    std::string err;
    switch (e->kind()) {
      case ENT_POINT:
      case ENT_LINE:
        for (const double* p : {e->p1(), e->p2()})
          if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            why = detail::entity_label(*e) + ": a coordinate is not finite";
            return false;
          }
        break;
      case ENT_SPLINE:
      case ENT_NURBS_CURVE:
        if (!detail::geometry_of(*e, false, item.curve, err) ||
            (version == DxfVersion::R12 && !polyline_of_curve(item.curve, chord_dev, item.polyline, err))) {
          why = detail::entity_label(*e) + ": " + err;
          return false;
        }
        break;
      default:
        ++skipped;
        continue;
    }
    items.push_back(std::move(item));
  }
  return true;
}

void write_tables(DL_Dxf& dxf, DL_WriterA& dw, const std::vector<std::string>& layers) {
  dw.sectionTables();
  dxf.writeVPort(dw);
  dw.tableLinetypes(3);
  dxf.writeLinetype(dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
  dxf.writeLinetype(dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
  dxf.writeLinetype(dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
  dw.tableEnd();
  dw.tableLayers(static_cast<int>(layers.size()) + 1);
  dxf.writeLayer(dw, DL_LayerData("0", 0), DL_Attributes("", 7, 0, "CONTINUOUS", 1.0));
  for (const std::string& name : layers) dxf.writeLayer(dw, DL_LayerData(name, 0), DL_Attributes("", 7, 0, "CONTINUOUS", 1.0));
  dw.tableEnd();
  dw.tableStyle(1);
  dxf.writeStyle(dw, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", ""));
  dw.tableEnd();
  dxf.writeView(dw);
  dxf.writeUcs(dw);
  dw.tableAppid(1);
  dxf.writeAppid(dw, "ACAD");
  dw.tableEnd();
  dxf.writeDimStyle(dw, 1, 1, 1, 1, 1);
  dxf.writeBlockRecord(dw);
  dw.tableEnd();
  dw.sectionEnd();
  dw.sectionBlocks();
  dxf.writeBlock(dw, DL_BlockData("*Model_Space", 0, 0.0, 0.0, 0.0));
  dxf.writeEndBlock(dw, "*Model_Space");
  dxf.writeBlock(dw, DL_BlockData("*Paper_Space", 0, 0.0, 0.0, 0.0));
  dxf.writeEndBlock(dw, "*Paper_Space");
  dw.sectionEnd();
}

void write_entity(DL_Dxf& dxf, DL_WriterA& dw, const DxfItem& item, DxfVersion version) {
  const Entity& e = *item.entity;
  const view::Rgb rgb = view::color_rgb(e.color());
  const DL_Attributes attributes(detail::layer_name(e.level()), nearest_aci(rgb.r, rgb.g, rgb.b), 0, "CONTINUOUS", 1.0);
  const double *a = e.p1(), *b = e.p2();
  switch (e.kind()) {
    case ENT_POINT:
      dxf.writePoint(dw, DL_PointData(a[0], a[1], a[2]), attributes);
      return;
    case ENT_LINE:
      dxf.writeLine(dw, DL_LineData(a[0], a[1], a[2], b[0], b[1], b[2]), attributes);
      return;
    default:
      break;
  }
  if (version == DxfVersion::R12) {
    constexpr int kPolyline3d = 8;
    dxf.writePolyline(dw, DL_PolylineData(static_cast<int>(item.polyline.size()), 0, 0, kPolyline3d), attributes);
    for (const auto& p : item.polyline) dxf.writeVertex(dw, DL_VertexData(p[0], p[1], p[2], 0.0));
    dxf.writePolylineEnd(dw);
    return;
  }
  const nb_type& c = item.curve;
  const bool rational = kernel::is_rational(c.weights);
  constexpr int kRational = 4;
  DL_SplineData spline(c.udegree, static_cast<int>(c.uknots.size()), c.nu, 0, rational ? kRational : 0);
  spline.tangentStartX = spline.tangentStartY = spline.tangentStartZ = 0.0;
  spline.tangentEndX = spline.tangentEndY = spline.tangentEndZ = 0.0;
  dxf.writeSpline(dw, spline, attributes);
  // Knots, weights, then control points, in the order AutoCAD writes them; dxflib's own control
  // point writer drops the weight, which would turn a rational curve (a circle's arc) into another.
  for (double k : c.uknots) dw.dxfReal(40, k);
  if (rational)
    for (double w : c.weights) dw.dxfReal(41, w);
  for (const auto& p : c.poles) {
    dw.dxfReal(10, p[0]);
    dw.dxfReal(20, p[1]);
    dw.dxfReal(30, p[2]);
  }
}

// dxflib's writer reports no write error; a file cut short (a full disk) lacks its closing "EOF".
bool ends_whole(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in.tellg();
  if (!in || size < 4) return false;
  char tail[4];
  in.seekg(size - 4);
  in.read(tail, 4);
  return in && std::string(tail, 4) == "EOF\n";
}

}  // namespace

bool write_dxf(const std::string& path, DxfVersion version, const std::vector<const Entity*>& entities,
               double chord_dev, int& skipped, std::string& err) {
  skipped = 0;
  return detail::write_atomically(path, [&](const std::string& temp, std::string& why) {
    std::vector<DxfItem> items;
    if (!plan(entities, version, chord_dev, items, skipped, why)) return false;
    if (items.empty()) {
      why = "nothing to write: DXF holds points, lines and curves, and there are none";
      return false;
    }
    std::map<int32_t, bool> levels;
    for (const DxfItem& item : items) levels[item.entity->level()] = true;
    std::vector<std::string> layers;
    for (const auto& [level, used] : levels) layers.push_back(detail::layer_name(level));

    DL_Dxf dxf;
    std::unique_ptr<DL_WriterA> dw(dxf.out(temp.c_str(), version == DxfVersion::R12 ? DL_Codes::AC1009 : DL_Codes::AC1015));
    if (!dw) {
      why = "cannot be opened for writing";
      return false;
    }
    dxf.writeHeader(*dw);
    constexpr int kMillimetres = 4, kMetric = 1;
    dw->dxfString(9, "$INSUNITS");
    dw->dxfInt(70, kMillimetres);
    dw->dxfString(9, "$MEASUREMENT");
    dw->dxfInt(70, kMetric);
    dw->sectionEnd();
    write_tables(dxf, *dw, layers);
    dw->sectionEntities();
    for (const DxfItem& item : items) write_entity(dxf, *dw, item, version);
    dw->sectionEnd();
    if (version != DxfVersion::R12) {
      dxf.writeObjects(*dw);
      dxf.writeObjectsEnd(*dw);
    }
    dw->dxfEOF();
    dw->close();
    if (!ends_whole(temp)) {
      why = "the DXF file could not be written whole";
      return false;
    }
    return true;
  }, err);
}

}  // namespace orv::exchange
