// Writing the geometry out at exit: every --export target in its format (STEP, IGES, the part
// file's JSON, an SVG or PNG picture of the graphics window). Each file is written whole or not at
// all by the writer behind it.
#pragma once
#include <string>
#include <vector>
#include "app/command_line.h"
#include "core/database.h"
#include "core/host.h"
#include "view/picture.h"

namespace orv::app {

/// Size of exported pictures, in pixels (SVG: points).
constexpr int kPictureWidth = 1200;
constexpr int kPictureHeight = 900;

/// What the exports take of the host's settings and the command line. The defaults are the host's
/// start values.
struct ExportOptions {
  double chord_deviation = kStartChordDeviation;  // meshes and DXF curves: the chord tolerance
  view::PictureOptions picture;                   // pictures: view, marks, background, legend title
};

/// The picture options the command line asks for: its view and marks, the graphics window's
/// background `back_color`, and `title` (the name of the file plotted) in the legend.
view::PictureOptions picture_options(const Options& options, const std::string& title, uint8_t back_color);

/// The export options of a run: the pictures as picture_options() makes them, and the chord
/// deviation and background colour of `globals`.
ExportOptions export_options(const Options& options, const std::string& title, const HostGlobals& globals);

/// Writes one target as `options` ask; a picture is titled with its own file name when
/// `options.picture` has no title. False with `err` ("path: reason") when it could not be written.
bool write_export(const ExportTarget& target, const GeometryDatabase& db, std::string& err,
                  const ExportOptions& options = {});

/// Writes every target, going on after a failure; the messages of the failures, one a line. The
/// paths written are appended to `written` when it is given.
std::vector<std::string> write_exports(const std::vector<ExportTarget>& targets, const GeometryDatabase& db,
                                       std::vector<std::string>* written = nullptr,
                                       const ExportOptions& options = {});

}  // namespace orv::app
