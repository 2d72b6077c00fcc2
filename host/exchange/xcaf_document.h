// The database's entities as an OpenCASCADE XCAF document, the input of the STEP and IGES writers:
// a vertex per point, an edge per line or curve and a face per surface, each labelled with its
// colour, its level as a layer, and its name. IGES takes them as one compound with a labelled
// sub-shape per entity; STEP as an assembly with one part (a product) per entity or point set.
// Private to the exchange folder; built into the OpenCASCADE module (occt_module.h).
#pragma once
#include <TDocStd_Document.hxx>

#include <functional>
#include <string>
#include <vector>

#include "core/entity.h"
#include "exchange/exchange_labels.h"

namespace orv::exchange::detail {

/// A fresh XCAF document holding the entities, its root shape named `product`. False with a message
/// naming the entity (by id) that has no sound geometry; nothing is written in that case.
bool build_document(const std::vector<const Entity*>& entities, const std::string& product,
                    Handle(TDocStd_Document)& doc, std::string& err);

/// A part of an assembly: its name and the entities its shape is made of (one entity, the lines of
/// a line set, or the points of a point set that go through the document).
struct Part {
  std::string name;
  std::vector<const Entity*> members;
  /// Each member a labelled sub-shape with its own name and colour, the part only named and on the
  /// members' layer (a line set); otherwise the part takes its first member's colour and layer.
  bool labelled_members = false;
};

/// A fresh XCAF document holding an assembly named `product` with one component per part, in
/// order: a part of one entity is that entity's shape, a part of several (or of one vertex) a
/// compound of theirs; each part and its component are named `part.name`. False with a message
/// naming the entity (by id) that has no sound geometry.
bool build_assembly(const std::vector<Part>& parts, const std::string& product, Handle(TDocStd_Document)& doc,
                    std::string& err);

/// How many of the first points (in STEP: of each point set) go through the document as anchors:
/// two, so that the translated points sit in a group (IGES) or set (STEP) as a document of many
/// points makes them.
constexpr std::size_t kAnchorPoints = 2;

/// Splits the entities for the writers: a document of a million points costs gigabytes and most of
/// a minute in labels, colours and shape translation that a free point does not need, so `shaped`
/// gets every entity but the points, in order, plus the first kAnchorPoints points as anchors, and
/// `points` every point in order (the anchors first); the writers add the others to the translated
/// model themselves, after the last anchor (STEP makes its own anchors, a set's first points, and
/// uses this for the check). False with a message naming the point whose coordinate is not finite.
bool split_points(const std::vector<const Entity*>& entities, std::vector<const Entity*>& shaped,
                  std::vector<const Entity*>& points, std::string& err);

/// True when the translated point at `at` is `e`'s point (to the precision the writers keep).
bool same_point(const double at[3], const Entity& e);

/// Closes a document made by build_document.
void close_document(Handle(TDocStd_Document)& doc);

/// write_atomically() for a writer that runs OpenCASCADE: its exceptions, too, leave `path` as it
/// was, with their message in `err`.
bool write_occt_atomically(const std::string& path,
                           const std::function<bool(const std::string&, std::string&)>& write, std::string& err);


}  // namespace orv::exchange::detail
