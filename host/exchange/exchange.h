// Writing the host's geometry database out as STEP (AP214) and IGES files through OpenCASCADE:
// points, lines, curves and surfaces, with their colours (and levels as IGES levels or STEP layers).
// The whole file is written or nothing: a failure leaves no partial file under `path`.
#pragma once
#include <string>
#include <vector>
#include "core/entity.h"
#include "core/plot_source.h"

namespace orv::exchange {

/// Writes the entities as a STEP AP214 file: an assembly named after the plots' equation files
/// with one product per curve and surface and per set of up to 1024 points or lines of a level,
/// and a file description telling where they came from (`plots`, may be empty). Each entity is
/// named by its kind and id ("spline 3"), a set by its kind, ids and level ("points 1-1024
/// (level 1)"). False with a message (naming the path) on failure.
bool write_step(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err);
/// Writes the entities as an IGES 5.3 file, its start section telling where they came from. False
/// with a message on failure.
bool write_iges(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err);

/// DXF flavours: AutoCAD 2000 with curves as splines, or R12 with curves as 3D polylines.
enum class DxfVersion { R2000, R12 };

/// Writes the points, lines and curves as a DXF file in millimetres (R12 polylines within
/// `chord_dev`, as mesh.h's polyline_of_curve makes them); layers are the levels, colours the
/// nearest AutoCAD colour. Surfaces have no DXF form: their number goes into `skipped`. False with
/// "path: reason" when there is nothing else to write or the file cannot be written.
bool write_dxf(const std::string& path, DxfVersion version, const std::vector<const Entity*>& entities,
               double chord_dev, int& skipped, std::string& err);

/// The AutoCAD Colour Index (1 to 255) nearest to an RGB colour (components 0 to 1).
int nearest_aci(double r, double g, double b);

}  // namespace orv::exchange
