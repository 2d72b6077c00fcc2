// Reading a part file as a stream. nlohmann::json's SAX parser walks the text and this handler
// builds the database as it goes: marks and lines straight from their numbers, each entity from a
// small tree of its own that is checked as a whole (its B-spline form needs every field), so the
// document is never held as one tree. Reading is strict, because a file that is only half
// understood would be overwritten at the next save with less than it held; and nesting is limited,
// so that no file can make a tree (or the parser's own state) as deep as it likes. The plots'
// sources are read the same way, each a small tree, held to the bounds a plot's record keeps.
#include "core/part_file_stream.h"

#include <array>
#include <cmath>
#include <istream>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/id_set.h"
#include "core/part_file.h"
#include "kernel/kernel.h"

namespace orv::part_file {
namespace {

using Json = nlohmann::json;

// New ids follow the largest one read, so a file's ids stop well short of the int64 limit: at the
// largest integer that every JSON reader holds exactly.
constexpr int64_t kLargestId = (int64_t{1} << 53) - 1;

// A mark is [x,y,z,color], a line [x1,y1,z1,x2,y2,z2,color].
constexpr std::size_t kMarkValues = 4;
constexpr std::size_t kLineValues = 7;

struct Bad : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ---- Checking one entity's tree --------------------------------------------------------------

const Json& field(const Json& obj, const char* name, const std::string& where) {
  auto it = obj.find(name);
  if (it == obj.end()) throw Bad(where + ": no \"" + name + "\"");
  return *it;
}

double number(const Json& j, const std::string& where) {
  if (!j.is_number()) throw Bad(where + ": expected a number");
  double v = j.get<double>();
  if (!std::isfinite(v)) throw Bad(where + ": number out of range");
  return v;
}

int64_t integer(const Json& j, const std::string& where, int64_t lo, int64_t hi) {
  if (!j.is_number_integer()) throw Bad(where + ": expected an integer");
  if (j.is_number_unsigned() && j.get<uint64_t>() > static_cast<uint64_t>(hi))
    throw Bad(where + ": out of range");
  int64_t v = j.get<int64_t>();
  if (v < lo || v > hi) throw Bad(where + ": out of range");
  return v;
}

const Json& array(const Json& j, const std::string& where) {
  if (!j.is_array()) throw Bad(where + ": expected an array");
  return j;
}

std::array<double, 3> point(const Json& j, const std::string& where) {
  if (!j.is_array() || j.size() != 3) throw Bad(where + ": expected [x,y,z]");
  return {number(j[0], where), number(j[1], where), number(j[2], where)};
}

std::vector<std::array<double, 3>> points(const Json& j, const std::string& where) {
  std::vector<std::array<double, 3>> out;
  out.reserve(array(j, where).size());
  for (size_t i = 0; i < j.size(); ++i) out.push_back(point(j[i], where + "[" + std::to_string(i) + "]"));
  return out;
}

std::vector<double> numbers(const Json& j, const std::string& where) {
  std::vector<double> out;
  out.reserve(array(j, where).size());
  for (size_t i = 0; i < j.size(); ++i) out.push_back(number(j[i], where));
  return out;
}

int32_t as_int32(const Json& j, const std::string& where) {
  return static_cast<int32_t>(
      integer(j, where, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A plot never stores a curve whose points all coincide or a surface without extent, and the
// exports cannot render one (an empty mesh, a curve of no length); a part file's entity is held to
// the same rules, so that what a file holds exports as a plot's geometry does.
void check_shape(const EntityData& e, const std::string& where) {
  const bool surface = e.kind == ENT_SURFACE || e.kind == ENT_NURBS_SURFACE;
  const char* shape = surface ? "surface" : "curve";
  const std::string refused = where + " (id " + std::to_string(e.id) + "): " + shape + " refused: ";
  const double size = kernel::model_size(e.nb.poles);
  if (!std::isfinite(size) || !std::isfinite(kernel::model_size(e.through)))
    throw Bad(refused + "its points lie further apart than a double can measure");
  if (size == 0.0)
    throw Bad(refused + "all its poles coincide; a " + shape + (surface ? " needs an area" : " needs a length"));
  if (!e.through.empty() && kernel::model_size(e.through) == 0.0)
    throw Bad(refused + "all the points it passes through coincide");
}

EntityData entity_from(const Json& j, const std::string& where) {
  if (!j.is_object()) throw Bad(where + ": expected an object");
  EntityData e;
  e.id = integer(field(j, "id", where), where + ": id", 1, kLargestId);
  const Json& kind = field(j, "kind", where);
  if (!kind.is_string()) throw Bad(where + ": kind: expected a text");
  for (const auto& k : kKindNames)
    if (kind.get<std::string>() == k.name) e.kind = k.kind;
  if (e.kind == 0) throw Bad(where + ": unknown kind \"" + kind.get<std::string>() + "\"");
  e.color = static_cast<uint8_t>(integer(field(j, "color", where), where + ": color", 0, 255));
  e.level = as_int32(field(j, "level", where), where + ": level");
  if (auto it = j.find("attrib"); it != j.end()) {
    if (!it->is_array() || it->size() != 3) throw Bad(where + ": attrib: expected [style,width,flags]");
    e.attrib.line_style = as_int32((*it)[0], where + ": attrib");
    e.attrib.line_width = as_int32((*it)[1], where + ": attrib");
    e.attrib.flags = as_int32((*it)[2], where + ": attrib");
  }
  std::string err;
  auto copy_point = [](double* to, const std::array<double, 3>& p) {
    for (int k = 0; k < 3; ++k) to[k] = p[k];
  };
  switch (e.kind) {
    case ENT_POINT:
      copy_point(e.p1, point(field(j, "at", where), where + ": at"));
      break;
    case ENT_LINE:
      copy_point(e.p1, point(field(j, "from", where), where + ": from"));
      copy_point(e.p2, point(field(j, "to", where), where + ": to"));
      break;
    case ENT_SPLINE:
    case ENT_NURBS_CURVE:
      e.through = points(field(j, "through", where), where + ": through");
      e.nb.udegree = as_int32(field(j, "degree", where), where + ": degree");
      e.nb.uknots = numbers(field(j, "knots", where), where + ": knots");
      e.nb.poles = points(field(j, "poles", where), where + ": poles");
      e.nb.weights = numbers(field(j, "weights", where), where + ": weights");
      e.nb.nu = static_cast<int32_t>(e.nb.poles.size());
      if (!kernel::check_curve(e.nb, err)) throw Bad(where + ": " + err);
      check_shape(e, where);
      break;
    default: {
      e.through = points(field(j, "through", where), where + ": through");
      e.rows = as_int32(field(j, "rows", where), where + ": rows");
      e.cols = as_int32(field(j, "cols", where), where + ": cols");
      if (e.rows < 0 || e.cols < 0 ||
          static_cast<int64_t>(e.rows) * e.cols != static_cast<int64_t>(e.through.size()))
        throw Bad(where + ": through does not hold rows x cols points");
      e.nb.udegree = as_int32(field(j, "udegree", where), where + ": udegree");
      e.nb.vdegree = as_int32(field(j, "vdegree", where), where + ": vdegree");
      e.nb.uknots = numbers(field(j, "uknots", where), where + ": uknots");
      e.nb.vknots = numbers(field(j, "vknots", where), where + ": vknots");
      const Json& poles = array(field(j, "poles", where), where + ": poles");
      const Json& weights = array(field(j, "weights", where), where + ": weights");
      if (poles.empty() || weights.size() != poles.size())
        throw Bad(where + ": poles and weights differ in shape");
      e.nb.nu = static_cast<int32_t>(poles.size());
      e.nb.nv = static_cast<int32_t>(array(poles[0], where + ": poles").size());
      for (size_t i = 0; i < poles.size(); ++i) {
        std::string w = where + ": poles[" + std::to_string(i) + "]";
        auto row = points(poles[i], w);
        auto wrow = numbers(weights[i], where + ": weights");
        if (row.size() != static_cast<size_t>(e.nb.nv) || wrow.size() != row.size())
          throw Bad(w + ": rows of poles and weights differ in length");
        e.nb.poles.insert(e.nb.poles.end(), row.begin(), row.end());
        e.nb.weights.insert(e.nb.weights.end(), wrow.begin(), wrow.end());
      }
      if (!kernel::check_surface(e.nb, err)) throw Bad(where + ": " + err);
      check_shape(e, where);
      break;
    }
  }
  return e;
}

// ---- Checking one plot's source ------------------------------------------------------------

// Most values (texts, numbers and containers) one plot's tree may hold: its layout needs 17.
constexpr std::size_t kMaxPlotValues = 64;

std::string text_of(const Json& j, const std::string& where, std::size_t limit) {
  if (!j.is_string()) throw Bad(where + ": expected a text");
  if (j.get_ref<const std::string&>().size() > limit)
    throw Bad(where + ": longer than " + std::to_string(limit) + " bytes");
  return j.get<std::string>();
}

PlotSource plot_from(const Json& j, const std::string& where) {
  if (!j.is_object()) throw Bad(where + ": expected an object");
  for (const auto& [name, value] : j.items())
    if (name != "file" && name != "text" && name != "cut" && name != "settings" && name != "entities")
      throw Bad(where + ": unknown key \"" + name + "\"; a rewrite would lose it");
  PlotSource p;
  p.file = text_of(field(j, "file", where), where + ": file", kMaxSourceNameBytes);
  p.text = text_of(field(j, "text", where), where + ": text", kMaxSourceBytes);
  if (auto it = j.find("cut"); it != j.end()) {
    if (!it->is_boolean()) throw Bad(where + ": cut: expected true or false");
    p.cut = it->get<bool>();
  }
  const std::string at = where + ": settings";
  const Json& settings = field(j, "settings", where);
  if (!settings.is_object()) throw Bad(at + ": expected an object");
  static const char* const kKnown[] = {"step_var1",    "step_size1",   "lower_limit1", "upper_limit1",
                                       "step_var2",    "step_size2",   "lower_limit2", "upper_limit2",
                                       "geometry",     "angles",       "origin"};
  for (const auto& [name, value] : settings.items()) {
    bool known = false;
    for (const char* k : kKnown) known = known || name == k;
    if (!known) throw Bad(at + ": unknown key \"" + name + "\"; a rewrite would lose it");
  }
  for (int k = 1; k <= 2; ++k) {
    const std::string n = std::to_string(k);
    if (settings.find("step_var" + n) == settings.end()) break;
    SourceStep step;
    step.var = text_of(settings["step_var" + n], at + ": step_var" + n, kMaxSourceWordBytes);
    step.size = number(field(settings, ("step_size" + n).c_str(), at), at + ": step_size" + n);
    step.lower = number(field(settings, ("lower_limit" + n).c_str(), at), at + ": lower_limit" + n);
    step.upper = number(field(settings, ("upper_limit" + n).c_str(), at), at + ": upper_limit" + n);
    p.steps.push_back(std::move(step));
  }
  if (p.steps.size() < 2 && settings.find("step_var2") != settings.end())
    throw Bad(at + ": step_var2 without step_var1");
  p.geometry = text_of(field(settings, "geometry", at), at + ": geometry", kMaxSourceWordBytes);
  const std::string angles = text_of(field(settings, "angles", at), at + ": angles", kMaxSourceWordBytes);
  if (angles != "degrees" && angles != "radians") throw Bad(at + ": angles: expected \"degrees\" or \"radians\"");
  p.degrees = angles == "degrees";
  p.origin = point(field(settings, "origin", at), at + ": origin");
  const Json& ids = field(j, "entities", where);
  if (!ids.is_array() || ids.size() != 2) throw Bad(where + ": entities: expected [first id, last id]");
  p.first_id = integer(ids[0], where + ": entities", 1, kLargestId);
  p.last_id = integer(ids[1], where + ": entities", p.first_id, kLargestId);
  const std::string why = source_refusal(p);
  if (!why.empty()) throw Bad(where + ": " + why);
  return p;
}

// ---- The SAX handler -------------------------------------------------------------------------

// What the innermost open container is, seen from the part file's layout.
enum class Frame : uint8_t {
  Document,  // the top object
  Entities,  // the array of entities
  Entity,    // a container inside one entity or plot, whose tree is being built
  Plots,     // the array of plots' sources
  Screen,    // the screen object
  Marks,     // the screen's array of marks
  Lines,     // the screen's array of lines
  Tuple,     // one mark or line
  Skip,      // a value this reader does not use (under a key it does not know)
};

// The member whose value comes next, in the document or the screen object.
enum class Member : uint8_t { Entities, Screen, Marks, Lines, Plots, Other };

// The ids met while a file is only checked, in as little memory as the database would take for
// them: ids that rise (as every written file has them) need only the last one; the first that does
// not makes the others needed, so the rising ones are kept in a list (8 bytes an id) until then and
// moved into a flat set.
class SeenIds {
 public:
  /// Records `id` (positive); false when it was met before.
  bool add(int64_t id) {
    if (rising_) {
      if (list_.empty() || id > list_.back()) {
        list_.push_back(id);
        return true;
      }
      for (int64_t seen : list_) set_.insert(seen);
      std::vector<int64_t>().swap(list_);
      rising_ = false;
    }
    return set_.insert(id);
  }

 private:
  bool rising_ = true;
  std::vector<int64_t> list_;  // while rising: every id so far, in order
  IdSet set_;                  // after: every id so far
};

class Reader {
 public:
  Reader(bool keep, std::size_t offset) : keep_(keep), offset_(offset) {}

  // The parser's events. Each returns true to go on; a file that is not a part file throws Bad.
  bool null() { return scalar(Json()); }
  bool boolean(bool v) { return scalar(Json(v)); }
  bool number_integer(Json::number_integer_t v) { return scalar(Json(v)); }
  bool number_unsigned(Json::number_unsigned_t v) { return scalar(Json(v)); }
  bool number_float(Json::number_float_t v, const std::string&) { return scalar(Json(v)); }
  bool string(std::string& v) { return scalar(Json(std::move(v))); }
  bool binary(Json::binary_t&) { throw Bad("unexpected binary value"); }  // never in JSON text
  bool start_object(std::size_t) { return open(true); }
  bool start_array(std::size_t) { return open(false); }
  bool key(std::string& name);
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  bool parse_error(std::size_t position, const std::string&, const Json::exception&) {
    throw Bad("JSON syntax error at byte " + std::to_string(position + offset_));
  }

  /// After the parser accepted the whole text: what could only be judged at its end.
  void finish() const {
    if (!root_error_.empty()) throw Bad(root_error_);
    if (!unknown_error_.empty()) throw Bad(unknown_error_);
  }
  GeometryDatabase& database() { return db_; }

 private:
  bool open(bool object);
  bool scalar(Json value);
  bool close();
  Json* insert(Json value);
  void finish_entity();
  void finish_plot();
  void finish_tuple(Frame list);
  std::string entity_where() const { return "entity " + std::to_string(index_); }
  std::string plot_where() const { return "plots[" + std::to_string(index_ - 1) + "]"; }
  std::string tree_where() const { return tree_is_plot_ ? plot_where() : entity_where(); }
  std::string tuple_where(Frame list) const {
    return std::string(list == Frame::Marks ? "screen: marks[" : "screen: lines[") +
           std::to_string(index_ - 1) + "]";
  }
  [[noreturn]] void bad_tuple(Frame list) const {
    throw Bad(tuple_where(list) + (list == Frame::Marks ? ": expected [x,y,z,color]"
                                                        : ": expected [x1,y1,z1,x2,y2,z2,color]"));
  }
  // The first key this reader does not know, told once the text is read whole (so that a syntax
  // error or deep nesting under it is what is told first).
  void unknown_key(const char* holder, const std::string& name) {
    member_ = Member::Other;
    if (unknown_error_.empty())
      unknown_error_ = std::string(holder) + ": unknown key \"" + name + "\"; a rewrite would lose it";
  }
  void pick_member(Member m, bool& seen, const char* holder, const char* name) {
    if (seen) throw Bad(std::string(holder) + ": \"" + name + "\" given twice");
    seen = true;
    member_ = m;
  }

  const bool keep_;            // build the database, or only check
  const std::size_t offset_;   // bytes before the parser's first, for its error positions
  std::vector<Frame> stack_;   // the open containers, outermost first
  Member member_ = Member::Other;
  bool seen_entities_ = false, seen_screen_ = false, seen_marks_ = false, seen_lines_ = false, seen_plots_ = false;
  std::size_t index_ = 0;      // elements begun in the open entities, marks or lines array
  std::string root_error_;     // a document that is not an object, told once the text is checked
  std::string unknown_error_;  // a key that a rewrite would drop, told once the text is checked

  Json tree_;                  // the entity being read
  std::vector<Json*> trees_;   // its open containers, outermost first
  std::string tree_key_;       // the key whose value comes next in the innermost one
  bool tree_is_plot_ = false;  // the tree is a plot's source, not an entity
  std::size_t tree_values_ = 0;  // values in a plot's tree so far

  std::array<Json, kLineValues> tuple_;  // the values of the mark or line being read
  std::size_t tuple_size_ = 0;

  GeometryDatabase db_;
  SeenIds ids_;                // only when checking: building, the database refuses an id twice
};

bool Reader::key(std::string& name) {
  switch (stack_.back()) {
    case Frame::Document:
      // A key this reader does not know would be dropped by the next save: such a file is not
      // taken for a part file, and so never rewritten with less than it held.
      if (name == "entities") pick_member(Member::Entities, seen_entities_, "document", "entities");
      else if (name == "screen") pick_member(Member::Screen, seen_screen_, "document", "screen");
      else if (name == "plots") pick_member(Member::Plots, seen_plots_, "document", "plots");
      else unknown_key("document", name);
      break;
    case Frame::Screen:
      if (name == "marks") pick_member(Member::Marks, seen_marks_, "screen", "marks");
      else if (name == "lines") pick_member(Member::Lines, seen_lines_, "screen", "lines");
      else unknown_key("screen", name);
      break;
    case Frame::Entity:
      tree_key_ = std::move(name);
      break;
    default:  // Skip: no other frame is an object
      break;
  }
  return true;
}

bool Reader::open(bool object) {
  if (stack_.size() >= kMaxPartFileNesting)
    throw Bad("nested too deeply (more than " + std::to_string(kMaxPartFileNesting) + " levels)");
  if (stack_.empty()) {
    // Not an object: still read to the end, so that a syntax error or deep nesting is what is told.
    if (!object) root_error_ = "expected a JSON object";
    stack_.push_back(object ? Frame::Document : Frame::Skip);
    return true;
  }
  Frame next = Frame::Skip;
  switch (stack_.back()) {
    case Frame::Document:
      if (member_ == Member::Entities) {
        if (object) throw Bad("entities: expected an array");
        next = Frame::Entities;
        index_ = 0;
      } else if (member_ == Member::Screen) {
        if (!object) throw Bad("screen: expected an object");
        next = Frame::Screen;
      } else if (member_ == Member::Plots) {
        if (object) throw Bad("plots: expected an array");
        next = Frame::Plots;
        index_ = 0;
      }
      break;
    case Frame::Screen:
      if (member_ == Member::Marks || member_ == Member::Lines) {
        if (object) throw Bad(member_ == Member::Marks ? "screen: marks: expected an array"
                                                       : "screen: lines: expected an array");
        next = member_ == Member::Marks ? Frame::Marks : Frame::Lines;
        index_ = 0;
      }
      break;
    case Frame::Entities:
      ++index_;
      if (!object) throw Bad(entity_where() + ": expected an object");
      tree_ = Json::object();
      trees_.assign(1, &tree_);
      tree_is_plot_ = false;
      next = Frame::Entity;
      break;
    case Frame::Plots:
      ++index_;
      if (index_ > kMaxPlotSources)
        throw Bad("plots: more than " + std::to_string(kMaxPlotSources) + ", the most a part keeps");
      if (!object) throw Bad(plot_where() + ": expected an object");
      tree_ = Json::object();
      trees_.assign(1, &tree_);
      tree_is_plot_ = true;
      tree_values_ = 0;
      next = Frame::Entity;
      break;
    case Frame::Entity:
      trees_.push_back(insert(object ? Json::object() : Json::array()));
      next = Frame::Entity;
      break;
    case Frame::Marks:
    case Frame::Lines:
      ++index_;
      if (object) bad_tuple(stack_.back());
      tuple_size_ = 0;
      next = Frame::Tuple;
      break;
    case Frame::Tuple:
      bad_tuple(stack_[stack_.size() - 2]);
    case Frame::Skip:
      break;
  }
  stack_.push_back(next);
  return true;
}

bool Reader::scalar(Json value) {
  if (stack_.empty()) {  // the whole text is one number, text, true, false or null
    root_error_ = "expected a JSON object";
    return true;
  }
  switch (stack_.back()) {
    case Frame::Document:
      if (member_ == Member::Entities) throw Bad("entities: expected an array");
      if (member_ == Member::Screen) throw Bad("screen: expected an object");
      if (member_ == Member::Plots) throw Bad("plots: expected an array");
      break;
    case Frame::Screen:
      if (member_ == Member::Marks) throw Bad("screen: marks: expected an array");
      if (member_ == Member::Lines) throw Bad("screen: lines: expected an array");
      break;
    case Frame::Entities:
      ++index_;
      throw Bad(entity_where() + ": expected an object");
    case Frame::Plots:
      ++index_;
      throw Bad(plot_where() + ": expected an object");
    case Frame::Entity:
      insert(std::move(value));
      break;
    case Frame::Marks:
    case Frame::Lines:
      ++index_;
      bad_tuple(stack_.back());
    case Frame::Tuple: {
      Frame list = stack_[stack_.size() - 2];
      if (tuple_size_ == (list == Frame::Marks ? kMarkValues : kLineValues)) bad_tuple(list);
      tuple_[tuple_size_++] = std::move(value);
      break;
    }
    case Frame::Skip:
      break;
  }
  return true;
}

Json* Reader::insert(Json value) {
  // A plot's tree is small: its values are counted and its texts bounded as they come.
  if (tree_is_plot_) {
    if (++tree_values_ > kMaxPlotValues)
      throw Bad(plot_where() + ": more values than a plot's source holds (" + std::to_string(kMaxPlotValues) + ")");
    if (value.is_string() && value.get_ref<const std::string&>().size() > kMaxSourceBytes)
      throw Bad(plot_where() + ": a text longer than " + std::to_string(kMaxSourceBytes) + " bytes");
  }
  Json& parent = *trees_.back();
  if (parent.is_array()) {
    parent.push_back(std::move(value));
    return &parent.back();
  }
  auto [at, fresh] = parent.emplace(tree_key_, std::move(value));
  if (!fresh) throw Bad(tree_where() + ": \"" + tree_key_ + "\" given twice");
  return &at.value();
}

bool Reader::close() {
  Frame done = stack_.back();
  stack_.pop_back();
  switch (done) {
    case Frame::Entity:
      trees_.pop_back();
      if (trees_.empty()) tree_is_plot_ ? finish_plot() : finish_entity();
      break;
    case Frame::Tuple:
      finish_tuple(stack_.back());
      break;
    case Frame::Document:
      if (!seen_entities_) throw Bad("document: no \"entities\"");
      break;
    default:
      break;
  }
  return true;
}

void Reader::finish_entity() {
  std::string where = entity_where();
  EntityData e = entity_from(tree_, where);
  tree_ = Json();
  if (keep_ ? db_.restore(std::move(e)) == nullptr : !ids_.add(e.id)) throw Bad(where + ": id used twice");
}

void Reader::finish_plot() {
  PlotSource p = plot_from(tree_, plot_where());
  tree_ = Json();
  tree_is_plot_ = false;
  if (keep_) db_.plots().push_back(std::move(p));
}

void Reader::finish_tuple(Frame list) {
  const std::size_t want = list == Frame::Marks ? kMarkValues : kLineValues;
  if (tuple_size_ != want) bad_tuple(list);
  // The message's text is made only when a value is wrong: there may be millions of marks.
  double v[kLineValues - 1];
  for (std::size_t i = 0; i + 1 < want; ++i) {
    const Json& j = tuple_[i];
    v[i] = j.is_number() ? j.get<double>() : 0.0;
    if (!j.is_number() || !std::isfinite(v[i])) number(j, tuple_where(list));
  }
  const Json& c = tuple_[want - 1];
  if (!c.is_number_integer() || c.get<int64_t>() < 0 || c.get<int64_t>() > 255 ||
      (c.is_number_unsigned() && c.get<uint64_t>() > 255))
    integer(c, tuple_where(list) + ": color", 0, 255);
  const auto color = static_cast<uint8_t>(c.get<int64_t>());
  if (!keep_) return;
  if (list == Frame::Marks)
    db_.add_mark({{v[0], v[1], v[2]}, color});
  else
    db_.add_line({{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, color});
}

}  // namespace

bool read_part_text(std::streambuf& in, GeometryDatabase* out, std::string& what) {
  try {
    // Only white space is an empty part; the parser would call it a syntax error.
    std::size_t skipped = 0;
    int c = in.sgetc();
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      in.sbumpc();
      ++skipped;
      c = in.sgetc();
    }
    Reader reader(out != nullptr, skipped);
    if (c != std::streambuf::traits_type::eof()) {
      std::istream text(&in);
      if (!Json::sax_parse(text, &reader)) throw Bad("JSON syntax error");
      reader.finish();
    }
    if (out != nullptr) out->swap(reader.database());
    return true;
  } catch (const std::exception& ex) {
    what = ex.what();
  }
  return false;
}

}  // namespace orv::part_file
