// Writing the geometry out at exit: every --export target in its format (STEP, IGES, the part
// file's JSON, an SVG or PNG picture of the graphics window). Each file is written whole or not at
// all by the writer behind it.
#pragma once
#include <string>
#include <vector>
#include "app/command_line.h"
#include "core/database.h"
#include "view/picture.h"

namespace orv::app {

/// Size of exported pictures, in pixels (SVG: points).
constexpr int kPictureWidth = 1200;
constexpr int kPictureHeight = 900;

/// The picture options the command line asks for: its view and marks, the graphics window's
/// background, and `title` (the name of the file plotted) in the legend.
view::PictureOptions picture_options(const Options& options, const std::string& title);

/// Writes one target; pictures as `picture` asks, titled with the picture's own file name when
/// `picture` has no title. False with `err` ("path: reason") when it could
/// not be written.
bool write_export(const ExportTarget& target, const GeometryDatabase& db, std::string& err,
                  const view::PictureOptions& picture = picture_options({}, ""));

/// Writes every target, going on after a failure; the messages of the failures, one a line. The
/// paths written are appended to `written` when it is given.
std::vector<std::string> write_exports(const std::vector<ExportTarget>& targets, const GeometryDatabase& db,
                                       std::vector<std::string>* written = nullptr,
                                       const view::PictureOptions& picture = picture_options({}, ""));

}  // namespace orv::app
