// STEP AP214 output of the database, with colours and layers, through OpenCASCADE's XCAF writer.
// The file is an assembly named after the equation files with one part (a product) per entity, so
// that a CAD program's model tree shows one object per entity, named as the entity ("spline 3").
// Points and lines, which a plot makes by the thousand, are parts of up to 1024 each. That writer puts points into a geometric
// set with no layer and no colour (a point colour would need a point style, which OpenCASCADE
// neither writes nor reads back), so only each set's first two points go through it; the others
// are made as cartesian points in the translated model, and each set joins its level's layer there.
// The header's file description carries where the geometry came from (see file_header.h); since
// OpenCASCADE's printer doubles every backslash, the escapes STEP gives other characters are put
// in as the file is printed.
#include <APIHeaderSection_MakeHeader.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_StepModelType.hxx>
#include <HeaderSection_FileDescription.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepWriter.hxx>
#include <StepBasic_Product.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepBasic_ProductDefinitionFormation.hxx>
#include <StepGeom_Axis2Placement3d.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <StepVisual_MechanicalDesignGeometricPresentationRepresentation.hxx>
#include <StepVisual_StyledItem.hxx>
#include <Interface_EntityIterator.hxx>
#include <Interface_GeneralLib.hxx>
#include <Interface_GeneralModule.hxx>
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
#include <set>
#include <streambuf>

#include "exchange/exchange.h"
#include "exchange/file_header.h"
#include "exchange/occt_module.h"
#include "exchange/xcaf_document.h"

namespace orv::exchange::occt {

namespace {

// Points and lines come in sets of at most this many: a plot makes thousands of them, and a
// product each would make the file several times larger and much slower to write and to read
// (32000 lines: 83 MB written in 41 s, against 24 MB in 3.4 s). A reader also takes a long list
// in time that grows faster than its length, so the sets are kept short.
constexpr std::size_t kPerSet = 1024;

// A point set: a run of points on one level, one part of the assembly.
struct PointSet {
  std::vector<const Entity*> points;
  std::size_t part = 0;  // its part in the assembly
};

// A run of points or of lines on one level, one part of the assembly.
struct Run {
  std::size_t part;
  const Entity* first;
  const Entity* last;
  std::size_t count;
};

// The name of a run's part: its entity's own name, or the kind, the ids of its first and last
// entities and their level ("points 1-1024 (level 1)").
std::string run_name(const Run& run) {
  if (run.count == 1) return detail::entity_label(*run.first);
  std::string name = run.first->kind() == ENT_POINT ? "points " : "lines ";
  name += std::to_string(run.first->id());
  name += '-';
  name += std::to_string(run.last->id());
  name += " (level ";
  name += std::to_string(run.first->level());
  name += ')';
  return name;
}

// The assembly's parts, in the entities' order: every curve and surface a part of its own; points
// and lines in runs of at most kPerSet of one kind on one level (broken by any other entity), each
// run a part. A line set holds its lines as named, coloured sub-shapes; a point set holds its first
// points as anchors (the writer translates them into a geometric set, which add_points fills with
// the others). False with a message naming a point whose coordinate is not finite.
bool make_parts(const std::vector<const Entity*>& entities, std::vector<detail::Part>& parts,
                std::vector<PointSet>& sets, std::string& err) {
  std::vector<const Entity*> shaped, points;
  if (!detail::split_points(entities, shaped, points, err)) return false;
  std::vector<Run> runs;
  bool open = false;  // the last part is a run that may go on
  for (const Entity* e : entities) {
    const bool point = e->kind() == ENT_POINT;
    if (!point && e->kind() != ENT_LINE) {
      parts.push_back({detail::entity_label(*e), {e}});
      open = false;
      continue;
    }
    if (!open || runs.back().first->kind() != e->kind() || runs.back().first->level() != e->level() ||
        runs.back().count == kPerSet) {
      runs.push_back({parts.size(), e, e, 0});
      parts.emplace_back();
      if (point) sets.push_back({{}, parts.size() - 1});
      open = true;
    }
    Run& run = runs.back();
    detail::Part& part = parts[run.part];
    run.last = e;
    ++run.count;
    if (point) {
      sets.back().points.push_back(e);
      if (part.members.size() < detail::kAnchorPoints) part.members.push_back(e);
    } else {
      part.members.push_back(e);
      part.labelled_members = run.count > 1;
    }
  }
  for (const Run& run : runs) parts[run.part].name = run_name(run);
  return true;
}

// The representation item of each part's product, in the parts' order (null for a part of several
// items): the parts are the assembly's components, whose usages (NEXT_ASSEMBLY_USAGE_OCCURRENCE)
// the writer makes in their order, each naming its part. Empty when the model is not made that way.
std::vector<Handle(StepRepr_RepresentationItem)> part_items(const Handle(StepData_StepModel)& model,
                                                            const std::vector<detail::Part>& parts) {
  std::vector<Handle(StepBasic_ProductDefinition)> definitions;
  std::map<const Standard_Transient*, Handle(StepRepr_Representation)> shape_of;
  for (int i = 1; i <= model->NbEntities(); ++i) {
    const Handle(Standard_Transient) item = model->Value(i);
    if (auto usage = Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(item); !usage.IsNull()) {
      definitions.push_back(usage->RelatedProductDefinition());
      continue;
    }
    const auto sdr = Handle(StepShape_ShapeDefinitionRepresentation)::DownCast(item);
    if (sdr.IsNull() || sdr->Definition().PropertyDefinition().IsNull()) continue;
    const Handle(StepBasic_ProductDefinition) pd = sdr->Definition().PropertyDefinition()->Definition().ProductDefinition();
    if (!pd.IsNull()) shape_of[pd.get()] = sdr->UsedRepresentation();
  }
  std::vector<Handle(StepRepr_RepresentationItem)> items;
  if (definitions.size() != parts.size()) return items;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const Handle(StepBasic_ProductDefinition)& pd = definitions[k];
    if (pd.IsNull() || pd->Formation().IsNull() || pd->Formation()->OfProduct().IsNull() ||
        pd->Formation()->OfProduct()->Name().IsNull() || parts[k].name != pd->Formation()->OfProduct()->Name()->ToCString())
      return {};
    const auto found = shape_of.find(pd.get());
    if (found == shape_of.end() || found->second.IsNull() || found->second->Items().IsNull()) return {};
    // The representation holds the part's placement and its items: a point set's is one.
    Handle(StepRepr_RepresentationItem) only;
    int count = 0;
    for (int j = 1; j <= found->second->NbItems(); ++j) {
      const Handle(StepRepr_RepresentationItem) it = found->second->ItemsValue(j);
      if (it.IsNull() || it->IsKind(STANDARD_TYPE(StepGeom_Axis2Placement3d))) continue;
      only = it;
      ++count;
    }
    items.push_back(count == 1 ? only : Handle(StepRepr_RepresentationItem)());
  }
  return items;
}

// Each point set's points beside its anchors, made directly as cartesian points named after their
// entities, after the anchors in the geometric set the writer made of them; the set is named as its
// part and joins its level's layer (the writer gives points none): a reader then finds a few
// products and layered sets instead of one item a point, which made a large point set slow to
// open. False when a set is not in the model as the writer makes it.
bool add_points(const Handle(StepData_StepModel)& model, const std::vector<detail::Part>& parts,
                const std::vector<PointSet>& sets) {
  if (sets.empty()) return true;
  const std::vector<Handle(StepRepr_RepresentationItem)> items = part_items(model, parts);
  if (items.size() != parts.size()) return false;
  std::map<std::string, Handle(StepVisual_PresentationLayerAssignment)> layers;
  for (int i = 1; i <= model->NbEntities(); ++i)
    if (auto layer = Handle(StepVisual_PresentationLayerAssignment)::DownCast(model->Value(i));
        !layer.IsNull() && !layer->Name().IsNull())
      layers[layer->Name()->ToCString()] = layer;
  std::map<std::string, std::vector<Handle(StepRepr_RepresentationItem)>> members;
  for (const PointSet& set : sets) {
    const auto holder = Handle(StepShape_GeometricSet)::DownCast(items[set.part]);
    const std::size_t anchors = std::min(set.points.size(), detail::kAnchorPoints);
    if (holder.IsNull() || holder->Elements().IsNull() || holder->NbElements() != static_cast<int>(anchors)) return false;
    Handle(StepShape_HArray1OfGeometricSetSelect) elements =
        new StepShape_HArray1OfGeometricSetSelect(1, static_cast<int>(set.points.size()));
    for (std::size_t k = 0; k < set.points.size(); ++k) {
      const Entity& e = *set.points[k];
      const Handle(TCollection_HAsciiString) name = new TCollection_HAsciiString(detail::entity_label(e).c_str());
      Handle(StepGeom_CartesianPoint) p;
      if (k < anchors) {
        p = Handle(StepGeom_CartesianPoint)::DownCast(holder->ElementsValue(static_cast<int>(k + 1)).Value());
        if (p.IsNull() || p->NbCoordinates() != 3) return false;
        const double at[3] = {p->CoordinatesValue(1), p->CoordinatesValue(2), p->CoordinatesValue(3)};
        if (!detail::same_point(at, e)) return false;
        p->SetName(name);
      } else {
        p = new StepGeom_CartesianPoint;
        p->Init3D(name, e.p1()[0], e.p1()[1], e.p1()[2]);
        model->AddEntity(p);
      }
      StepShape_GeometricSetSelect select;
      select.SetValue(p);
      elements->SetValue(static_cast<int>(k + 1), select);
    }
    holder->SetElements(elements);
    holder->SetName(new TCollection_HAsciiString(parts[set.part].name.c_str()));
    members[detail::layer_name(set.points[0]->level())].push_back(holder);
  }

  for (const auto& [name, joining] : members) {
    Handle(StepVisual_PresentationLayerAssignment)& layer = layers[name];
    const bool fresh = layer.IsNull();
    if (fresh) layer = new StepVisual_PresentationLayerAssignment;
    const int before = fresh ? 0 : layer->NbAssignedItems();
    Handle(StepVisual_HArray1OfLayeredItem) assigned =
        new StepVisual_HArray1OfLayeredItem(1, before + static_cast<int>(joining.size()));
    for (int k = 1; k <= before; ++k) assigned->SetValue(k, layer->AssignedItemsValue(k));
    for (size_t k = 0; k < joining.size(); ++k) {
      StepVisual_LayeredItem item;
      item.SetValue(joining[k]);
      assigned->SetValue(before + 1 + static_cast<int>(k), item);
    }
    if (fresh) {
      layer->Init(new TCollection_HAsciiString(name.c_str()), new TCollection_HAsciiString("visible"), assigned);
      model->AddEntity(layer);
    } else {
      layer->SetAssignedItems(assigned);
    }
  }
  return true;
}

// The writer makes some things differently from run to run: the usages' ids count every usage the
// process has made, and the colours (one presentation a part) follow a table keyed by memory
// addresses. The usages are numbered as the components, 1 up; the presentations and what only
// they reference are put back into their slots in the order of the items they colour, each
// followed by what it references, depth first. False when the model holds no usage a part.
bool make_repeatable(const Handle(StepData_StepModel)& model, std::size_t parts) {
  std::size_t usages = 0;
  std::vector<std::pair<int, Handle(StepVisual_MechanicalDesignGeometricPresentationRepresentation)>> styles;
  int first_style = 0;
  for (int i = 1; i <= model->NbEntities(); ++i) {
    const Handle(Standard_Transient) item = model->Value(i);
    if (auto usage = Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(item); !usage.IsNull()) {
      usage->SetId(new TCollection_HAsciiString(static_cast<int>(++usages)));
      continue;
    }
    const auto style = Handle(StepVisual_MechanicalDesignGeometricPresentationRepresentation)::DownCast(item);
    if (style.IsNull()) continue;
    if (first_style == 0) first_style = i;
    int key = model->NbEntities() + 1;  // the first item it colours
    for (int k = 1; !style->Items().IsNull() && k <= style->NbItems(); ++k)
      if (auto styled = Handle(StepVisual_StyledItem)::DownCast(style->ItemsValue(k)); !styled.IsNull())
        key = std::min(key, model->Number(styled->Item()));
    styles.emplace_back(key, style);
  }
  if (usages != parts) return false;
  if (styles.empty()) return true;
  std::stable_sort(styles.begin(), styles.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  // What the presentations reference and nothing made before them: each presentation's share.
  const Interface_GeneralLib lib(model->Protocol());
  std::vector<Handle(Standard_Transient)> order;
  std::set<const Standard_Transient*> placed;
  std::vector<Handle(Standard_Transient)> stack;
  for (auto it = styles.rbegin(); it != styles.rend(); ++it) {
    stack.push_back(it->second);
    while (!stack.empty()) {
      const Handle(Standard_Transient) e = stack.back();
      stack.pop_back();
      if (!placed.insert(e.get()).second) continue;
      order.push_back(e);
      Handle(Interface_GeneralModule) module;
      Standard_Integer number = 0;
      if (!lib.Select(e, module, number)) continue;
      Interface_EntityIterator shared;
      module->FillShared(model, number, e, shared);
      std::vector<Handle(Standard_Transient)> refs;
      for (shared.Start(); shared.More(); shared.Next())
        if (model->Number(shared.Value()) >= first_style && !placed.count(shared.Value().get())) refs.push_back(shared.Value());
      stack.insert(stack.end(), refs.rbegin(), refs.rend());
    }
  }
  std::vector<int> slots;
  for (const auto& e : order) slots.push_back(model->Number(e));
  std::sort(slots.begin(), slots.end());
  // A model holds each entity once: the slots are cleared first, then filled.
  for (const int slot : slots) model->ReplaceEntity(slot, new StepRepr_RepresentationItem);
  for (std::size_t k = 0; k < slots.size(); ++k) model->ReplaceEntity(slots[k], order[k]);
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
  const bool ok = detail::write_occt_atomically(path, [&](const std::string& temp, std::string& why) {
    std::vector<detail::Part> parts;
    std::vector<PointSet> sets;
    if (!make_parts(entities, parts, sets, why)) return false;
    if (!detail::build_assembly(parts, detail::product_name(plots), doc, why)) return false;
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
    if (!make_repeatable(writer.ChangeWriter().Model(), parts.size())) {
      why = "the STEP model is not made as expected";
      return false;
    }
    if (!add_points(writer.ChangeWriter().Model(), parts, sets)) {
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

}  // namespace orv::exchange::occt
