// The database's entities as one OpenCASCADE XCAF document, the common input of the STEP and IGES
// writers: one compound shape holding a vertex per point, an edge per line or curve and a face per
// surface, each a labelled sub-shape with its colour, its level as a layer, and its name.
// Private to the exchange folder.
#pragma once
#include <TDocStd_Document.hxx>

#include <functional>
#include <string>
#include <vector>

#include "core/entity.h"

namespace orv::exchange::detail {

/// How an entity is named in messages and in the exchange files: its kind and database id
/// ("nurbs_surface 7").
std::string entity_label(const Entity& e);

/// The B-spline form of a curve or surface record, fitted from its points when it carries none.
/// False with a message when it has no sound one.
bool geometry_of(const Entity& e, bool surface, nb_type& nb, std::string& err);

/// Layer name of a host level; numeric so that IGES writes it as the level number.
std::string layer_name(int32_t level);

/// A fresh XCAF document holding the entities, its root shape named `product`. False with a message
/// naming the entity (by id) that has no sound geometry; nothing is written in that case.
bool build_document(const std::vector<const Entity*>& entities, const std::string& product,
                    Handle(TDocStd_Document)& doc, std::string& err);

/// How many of the first points go through the document as anchors: two, so that the translated
/// points sit in a group (IGES) or set (STEP) as a document of many points makes them.
constexpr std::size_t kAnchorPoints = 2;

/// Splits the entities for the writers: a document of a million points costs gigabytes and most of
/// a minute in labels, colours and shape translation that a free point does not need, so `shaped`
/// gets every entity but the points, in order, plus the first kAnchorPoints points as anchors, and
/// `points` every point in order (the anchors first); the writers add the others to the translated
/// model themselves, after the last anchor. False with a message naming the point whose coordinate
/// is not finite.
bool split_points(const std::vector<const Entity*>& entities, std::vector<const Entity*>& shaped,
                  std::vector<const Entity*>& points, std::string& err);

/// True when the translated point at `at` is `e`'s point (to the precision the writers keep).
bool same_point(const double at[3], const Entity& e);

/// Closes a document made by build_document.
void close_document(Handle(TDocStd_Document)& doc);

/// Runs `write(temp)` through the host's write_file_whole: the file beside `path` replaces `path`
/// only when `write` returns true; otherwise (and on any OpenCASCADE exception, whose message goes
/// into `err`) `path` is left as it was. `err` gets "path: message".
bool write_atomically(const std::string& path, const std::function<bool(const std::string&, std::string&)>& write,
                      std::string& err);

}  // namespace orv::exchange::detail
