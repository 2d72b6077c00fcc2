// STEP AP214 output of the database, with colours and layers, through OpenCASCADE's XCAF writer.
// That writer puts free points into a geometric set with no layer and no colour (a point colour
// would need a point style, which OpenCASCADE neither writes nor reads back), so only the first two
// points go through it; the others are made as cartesian points, in sets of a level each, which
// join their level's layer, in the translated model. The header's file description carries where the
// geometry came from (see file_header.h); since OpenCASCADE's printer doubles every backslash, the
// escapes STEP gives other characters are put in as the file is printed.
#include <APIHeaderSection_MakeHeader.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <HeaderSection_FileDescription.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepWriter.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_Representation.hxx>
#include <StepShape_GeometricSet.hxx>
#include <StepShape_HArray1OfGeometricSetSelect.hxx>
#include <StepVisual_HArray1OfLayeredItem.hxx>
#include <StepVisual_PresentationLayerAssignment.hxx>
#include <TCollection_HAsciiString.hxx>

#include <Standard_Version.hxx>

#include <algorithm>
#include <fstream>
#include <map>
#include <streambuf>

#include "exchange/exchange.h"
#include "exchange/file_header.h"
#include "exchange/xcaf_document.h"

namespace orv::exchange {

namespace {

// The points beside the anchors (the first points, translated through the document), made directly
// as cartesian points named after their entities. Each run of points on one level is one geometric
// set of its own, placed after the last anchor's set in the representation that holds it, and the
// set (not each point) joins its level's layer: a reader then looks up a few layered items instead
// of one item a point, which made a large point set slow to open. False when an anchor or the
// representation that holds it is not in the model.
bool add_points(const Handle(StepData_StepModel)& model, const std::vector<const Entity*>& points) {
  if (points.empty()) return true;
  // A reader takes a long list in time that grows faster than its length: sets are kept short.
  constexpr std::size_t kPointsPerSet = 1024;
  const std::size_t anchors = std::min(points.size(), detail::kAnchorPoints);
  std::map<std::string, Handle(StepVisual_PresentationLayerAssignment)> layers;
  std::vector<Handle(StepGeom_CartesianPoint)> anchor(anchors);
  Handle(StepShape_GeometricSet) set;  // the last anchor's
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
        if (a + 1 == anchors) set = candidate;
        break;
      }
    }
  }
  for (const auto& a : anchor)
    if (a.IsNull()) return false;

  std::map<std::string, std::vector<Handle(StepRepr_RepresentationItem)>> members;
  for (std::size_t a = 0; a < anchors; ++a) {
    anchor[a]->SetName(new TCollection_HAsciiString(detail::entity_label(*points[a]).c_str()));
    members[detail::layer_name(points[a]->level())].push_back(anchor[a]);
  }
  std::vector<Handle(StepRepr_RepresentationItem)> runs;
  for (std::size_t first = anchors; first < points.size();) {
    std::size_t end = first;
    while (end < points.size() && end - first < kPointsPerSet && points[end]->level() == points[first]->level()) ++end;
    Handle(StepShape_HArray1OfGeometricSetSelect) elements =
        new StepShape_HArray1OfGeometricSetSelect(1, static_cast<int>(end - first));
    for (std::size_t k = first; k < end; ++k) {
      const Entity& e = *points[k];
      Handle(StepGeom_CartesianPoint) p = new StepGeom_CartesianPoint;
      p->Init3D(new TCollection_HAsciiString(detail::entity_label(e).c_str()), e.p1()[0], e.p1()[1], e.p1()[2]);
      model->AddEntity(p);
      StepShape_GeometricSetSelect select;
      select.SetValue(p);
      elements->SetValue(static_cast<int>(k - first + 1), select);
    }
    std::string name = "points ";
    name += std::to_string(points[first]->id());
    name += " to ";
    name += std::to_string(points[end - 1]->id());
    Handle(StepShape_GeometricSet) run = new StepShape_GeometricSet;
    run->Init(new TCollection_HAsciiString(name.c_str()), elements);
    model->AddEntity(run);
    runs.push_back(run);
    members[detail::layer_name(points[first]->level())].push_back(run);
    first = end;
  }
  if (!runs.empty()) {
    // The runs follow the last anchor's set among the items of the representation that holds it.
    Handle(StepRepr_Representation) holder;
    int set_at = 0;
    for (int i = 1; i <= model->NbEntities() && holder.IsNull(); ++i) {
      const auto r = Handle(StepRepr_Representation)::DownCast(model->Value(i));
      if (r.IsNull() || r->Items().IsNull()) continue;
      for (int k = 1; k <= r->NbItems() && holder.IsNull(); ++k)
        if (r->ItemsValue(k) == set) holder = r, set_at = k;
    }
    if (holder.IsNull()) return false;
    const int old = holder->NbItems(), added = static_cast<int>(runs.size());
    Handle(StepRepr_HArray1OfRepresentationItem) items = new StepRepr_HArray1OfRepresentationItem(1, old + added);
    for (int k = 1; k <= set_at; ++k) items->SetValue(k, holder->ItemsValue(k));
    for (int k = 1; k <= added; ++k) items->SetValue(set_at + k, runs[static_cast<std::size_t>(k - 1)]);
    for (int k = set_at + 1; k <= old; ++k) items->SetValue(k + added, holder->ItemsValue(k));
    holder->SetItems(items);
  }

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

// Width of the lines a long string is broken into; STEP ignores the line ends inside a string.
constexpr std::size_t kStepLineWidth = 72;

// The length of the character (or escape) that starts at `at` of an escaped string.
std::size_t atom_length(const std::string& s, std::size_t at) {
  if (s[at] == '\'') return 2;                          // a quote, doubled
  if (s[at] != '\\') return 1;
  if (s.compare(at, 2, "\\\\") == 0) return 2;          // a backslash, doubled
  if (s.compare(at, 3, "\\X\\") == 0) return 5;          // \X\HH
  const std::size_t end = s.find("\\X0\\", at + 1);  // \X2\ and \X4\ runs end at \X0\ too
  return end == std::string::npos ? s.size() - at : end + 4 - at;
}

// The file description entity, with the strings already escaped, each on lines of its own.
std::string description_entity(const std::vector<std::string>& strings, const std::string& level) {
  std::string out = "FILE_DESCRIPTION((";
  for (std::size_t i = 0; i < strings.size(); ++i) {
    const std::string& s = strings[i];
    if (i > 0) out += ",\n  ";
    out += '\'';
    std::size_t column = 3;
    for (std::size_t at = 0; at < s.size();) {
      const std::size_t n = atom_length(s, at);
      if (column + n > kStepLineWidth) {
        out += '\n';
        column = 0;
      }
      out.append(s, at, n);
      column += n;
      at += n;
    }
    out += '\'';
  }
  out += "),'";
  out += level;
  out += "');\n";
  return out;
}

// Hands the printed file on to `out`, holding its start until the header's FILE_DESCRIPTION has
// been printed whole, and puts `description` in its place.
class DescriptionSwap : public std::streambuf {
 public:
  DescriptionSwap(std::ostream& out, std::string description) : out_(out), description_(std::move(description)) {}
  /// Hands on what is held; true when the description was put in place and `out` took everything.
  bool finish() {
    if (!swapped_) out_ << head_;
    head_.clear();
    out_.flush();
    return swapped_ && static_cast<bool>(out_);
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (passing_) {
      out_.write(s, n);
      return out_ ? n : 0;
    }
    head_.append(s, static_cast<std::size_t>(n));
    const std::size_t from = head_.find("FILE_DESCRIPTION(");
    const std::size_t to = from == std::string::npos ? from : head_.find("FILE_NAME(", from);
    if (to != std::string::npos) {
      out_.write(head_.data(), static_cast<std::streamsize>(from));
      out_ << description_;
      out_.write(head_.data() + to, static_cast<std::streamsize>(head_.size() - to));
      swapped_ = passing_ = true;
      head_.clear();
    } else if (head_.size() > kHeldBytes) {
      passing_ = true;  // no header where one belongs: finish() says so
      out_ << head_;
      head_.clear();
    }
    return out_ ? n : 0;
  }

 private:
  static constexpr std::size_t kHeldBytes = std::size_t{1} << 20;
  std::ostream& out_;
  const std::string description_;
  std::string head_;
  bool passing_ = false, swapped_ = false;
};

// Prints the model to `temp` with the file description made of `strings` (escaped).
bool print_model(const Handle(StepData_StepModel)& model, const std::vector<std::string>& strings,
                 const std::string& temp) {
  APIHeaderSection_MakeHeader header(model);
  const Handle(TCollection_HAsciiString) level = header.FdValue()->ImplementationLevel();
  StepData_StepWriter printer(model);
  printer.SendModel(Handle(StepData_Protocol)::DownCast(model->Protocol()));
  std::ofstream file(temp, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  DescriptionSwap swap(file, description_entity(strings, level.IsNull() ? "2;1" : level->ToCString()));
  std::ostream out(&swap);
  if (!printer.Print(out)) return false;
  out.flush();
  return swap.finish();
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

bool write_step(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err) {
  Handle(TDocStd_Document) doc;
  const bool ok = detail::write_atomically(path, [&](const std::string& temp, std::string& why) {
    std::vector<const Entity*> shaped, points;
    if (!detail::split_points(entities, shaped, points, why)) return false;
    if (!detail::build_document(shaped, detail::product_name(plots), doc, why)) return false;
    Interface_Static::SetCVal("write.step.schema", "AP214IS");
    STEPCAFControl_Writer writer;
    // Each entity's name goes on its shape's item (the edge, the face), where readers find the
    // sub-shapes' names; the writer defines the setting, so it is set once the writer is made.
    Interface_Static::SetIVal("write.stepcaf.subshapes.name", 1);
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
    std::vector<std::string> description{
        detail::step_escaped(detail::system_name() + " geometry, " + detail::kLengthUnitText)};
    for (std::string& line : detail::source_header_lines(plots, detail::step_escaped))
      description.push_back(std::move(line));
    if (!print_model(writer.ChangeWriter().Model(), description, temp)) {
      why = "the STEP file could not be written";
      return false;
    }
    return true;
  }, err);
  detail::close_document(doc);
  return ok;
}

}  // namespace orv::exchange
