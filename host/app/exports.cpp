// The export targets, dispatched to the exchange, part file and picture writers.
#include "app/exports.h"

#include <cstdio>

#include "core/file_services.h"
#include "core/part_file.h"
#include "core/plot_history.h"
#include "exchange/exchange.h"
#include "exchange/mesh.h"
#include "orvantis/host_geometry.h"
#include "view/picture.h"

namespace orv::app {

namespace {

// Why a STEP, IGES or mesh file would hold nothing: the words after "PATH not written: ".
std::string nothing_stored(const GeometryDatabase& db) {
  if (!db.lines().empty())
    return "the plot only drew on the screen (geometry = draw stores nothing); use lines, spline or nurbs to store "
           "geometry";
  if (!db.marks().empty())
    return "the plot only drew on the screen (geometry = draw and draw_surf store nothing); use lines, spline or "
           "nurbs, or points_surf, parametric_surf or nurbs_surf, to store geometry";
  if (plot_history().changes() > 0)
    return "there is no geometry to put in it: what was plotted was undone, deleted or cleared (Ctrl+Z brings "
           "it back)";
  return "there is no geometry to put in it: the plot made nothing";
}

// A mesh file holds the surfaces only: the points and curves left out are told on standard error,
// and a database with no surface at all writes no (empty) file.
bool write_mesh_export(const ExportTarget& target, const GeometryDatabase& db, double chord_deviation,
                       std::string& err) {
  const auto entities = db.entities();
  size_t surfaces = 0;
  for (const Entity* e : entities) surfaces += e->kind() == ENT_SURFACE || e->kind() == ENT_NURBS_SURFACE;
  if (surfaces == 0) {
    err = target.path + " not written: " +
          (entities.empty() ? nothing_stored(db)
                            : "only surfaces have a mesh form, and the plot stored none; use parametric_surf or "
                              "nurbs_surf");
    return false;
  }
  const exchange::MeshFormat format = target.format == ExportFormat::Obj        ? exchange::MeshFormat::Obj
                                      : target.format == ExportFormat::StlAscii ? exchange::MeshFormat::StlAscii
                                      : target.format == ExportFormat::ThreeMf  ? exchange::MeshFormat::ThreeMf
                                      : target.format == ExportFormat::Glb      ? exchange::MeshFormat::Glb
                                                                                : exchange::MeshFormat::StlBinary;
  int skipped = 0;
  std::vector<std::string> notes;
  if (!exchange::write_mesh(target.path, format, entities, chord_deviation, skipped, err, &notes)) return false;
  for (const std::string& note : notes)
    std::fprintf(stderr, "orvantis: --export: %s: %s\n", target.path.c_str(), note.c_str());
  if (skipped > 0)
    std::fprintf(stderr, "orvantis: --export: %s: %d points and curves have no mesh form; only the surfaces were written\n",
                 target.path.c_str(), skipped);
  return true;
}

// A DXF file holds the points, lines and curves: the surfaces left out are told on standard error.
bool write_dxf_export(const ExportTarget& target, const GeometryDatabase& db, double chord_deviation,
                      std::string& err) {
  const exchange::DxfVersion version =
      target.format == ExportFormat::DxfR12 ? exchange::DxfVersion::R12 : exchange::DxfVersion::R2000;
  int skipped = 0;
  if (!exchange::write_dxf(target.path, version, db.entities(), chord_deviation, skipped, err)) return false;
  if (skipped > 0)
    std::fprintf(stderr, "orvantis: --export: %s: %d surfaces have no DXF form; only the points, lines and curves were written\n",
                 target.path.c_str(), skipped);
  return true;
}

}  // namespace

view::PictureOptions picture_options(const Options& options, const std::string& title, uint8_t back_color) {
  view::PictureOptions o;
  o.background = back_color;
  o.view = options.view;
  o.marks = options.marks;
  o.title = title;
  return o;
}

ExportOptions export_options(const Options& options, const std::string& title, const HostGlobals& globals) {
  ExportOptions o;
  o.chord_deviation = globals.chord_deviation;
  o.picture = picture_options(options, title, globals.back_color);
  return o;
}

bool write_export(const ExportTarget& target, const GeometryDatabase& db, std::string& err,
                  const ExportOptions& options) {
  // Checked again when writing: a device or FIFO may have taken the target's place during the run.
  if (!regular_or_absent(target.path, err)) return false;
  switch (target.format) {
    case ExportFormat::Step:
    case ExportFormat::Iges:
      // A file with no geometry in it would open as an empty document, as if the plot had made one.
      if (db.size() == 0) {
        err = target.path + " not written: " + nothing_stored(db);
        return false;
      }
      return target.format == ExportFormat::Step ? exchange::write_step(target.path, db.entities(), db.plots(), err)
                                                 : exchange::write_iges(target.path, db.entities(), db.plots(), err);
    case ExportFormat::Json:
      // A JSON file that is not a part file is somebody's data: refused, not overwritten.
      return save_part_file(target.path, db, err);
    case ExportFormat::Svg:
    case ExportFormat::Png:
    {
      view::PictureOptions o = options.picture;
      if (o.title.empty()) o.title = target.path.substr(target.path.find_last_of('/') + 1);
      return view::write_picture(target.path, db, kPictureWidth, kPictureHeight, o, err);
    }
    case ExportFormat::Stl:
    case ExportFormat::StlAscii:
    case ExportFormat::Obj:
    case ExportFormat::ThreeMf:
    case ExportFormat::Glb:
      return write_mesh_export(target, db, options.chord_deviation, err);
    case ExportFormat::Dxf:
    case ExportFormat::DxfR12:
      return write_dxf_export(target, db, options.chord_deviation, err);
  }
  err = target.path + ": unknown export format";
  return false;
}

std::vector<std::string> write_exports(const std::vector<ExportTarget>& targets, const GeometryDatabase& db,
                                       std::vector<std::string>* written, const ExportOptions& options) {
  std::vector<std::string> failures;
  for (const ExportTarget& t : targets) {
    std::string err;
    if (!write_export(t, db, err, options)) {
      failures.push_back(err.empty() ? t.path + ": could not be written" : err);
    } else if (written != nullptr) {
      written->push_back(t.path);
    }
  }
  return failures;
}

}  // namespace orv::app
