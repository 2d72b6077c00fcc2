// Part file reading and writing with nlohmann::json. Doubles are written in the shortest form that
// reads back exactly (the library's round-trip formatting); reading is strict, because a file that
// is only half understood would be overwritten at the next save with less than it held.
#include "core/part_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "core/file_services.h"
#include "kernel/kernel.h"

namespace orv {
namespace {

using Json = nlohmann::ordered_json;

struct KindName {
  int32_t kind;
  const char* name;
};
constexpr KindName kKindNames[] = {
    {ENT_POINT, "point"},     {ENT_LINE, "line"},       {ENT_SPLINE, "spline"},
    {ENT_NURBS_CURVE, "nurbs_curve"}, {ENT_SURFACE, "surface"}, {ENT_NURBS_SURFACE, "nurbs_surface"},
};

const char* kind_name(int32_t kind) {
  for (const auto& k : kKindNames)
    if (k.kind == kind) return k.name;
  return nullptr;
}

// ---- Writing ---------------------------------------------------------------------------------

Json point_json(const double* p) { return Json::array({p[0], p[1], p[2]}); }
Json point_json(const std::array<double, 3>& p) { return Json::array({p[0], p[1], p[2]}); }

Json points_json(const std::vector<std::array<double, 3>>& pts) {
  Json a = Json::array();
  for (const auto& p : pts) a.push_back(point_json(p));
  return a;
}

Json entity_json(const ent& e) {
  Json j;
  j["id"] = e.id;
  j["kind"] = kind_name(e.kind);
  j["color"] = e.color;
  j["level"] = e.level;
  const attributes plain{};
  if (e.attrib.line_style != plain.line_style || e.attrib.line_width != plain.line_width ||
      e.attrib.flags != plain.flags)
    j["attrib"] = Json::array({e.attrib.line_style, e.attrib.line_width, e.attrib.flags});
  switch (e.kind) {
    case ENT_POINT:
      j["at"] = point_json(e.p1);
      break;
    case ENT_LINE:
      j["from"] = point_json(e.p1);
      j["to"] = point_json(e.p2);
      break;
    case ENT_SPLINE:
    case ENT_NURBS_CURVE:
      j["through"] = points_json(e.through);
      j["degree"] = e.nb.udegree;
      j["knots"] = e.nb.uknots;
      j["poles"] = points_json(e.nb.poles);
      j["weights"] = e.nb.weights;
      break;
    default: {  // surfaces
      j["through"] = points_json(e.through);
      j["rows"] = e.rows;
      j["cols"] = e.cols;
      j["udegree"] = e.nb.udegree;
      j["vdegree"] = e.nb.vdegree;
      j["uknots"] = e.nb.uknots;
      j["vknots"] = e.nb.vknots;
      Json poles = Json::array(), weights = Json::array();
      for (int32_t i = 0; i < e.nb.nu; ++i) {
        Json prow = Json::array(), wrow = Json::array();
        for (int32_t k = 0; k < e.nb.nv; ++k) {
          size_t at = static_cast<size_t>(i) * e.nb.nv + k;
          prow.push_back(point_json(e.nb.poles.at(at)));
          wrow.push_back(at < e.nb.weights.size() ? e.nb.weights[at] : 1.0);
        }
        poles.push_back(std::move(prow));
        weights.push_back(std::move(wrow));
      }
      j["poles"] = std::move(poles);
      j["weights"] = std::move(weights);
      break;
    }
  }
  return j;
}

// ---- Reading ---------------------------------------------------------------------------------

// New ids follow the largest one read, so a file's ids stop well short of the int64 limit: at the
// largest integer that every JSON reader holds exactly.
constexpr int64_t kLargestId = (int64_t{1} << 53) - 1;

struct Bad : std::runtime_error {
  using std::runtime_error::runtime_error;
};

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

ent entity_from(const Json& j, const std::string& where) {
  if (!j.is_object()) throw Bad(where + ": expected an object");
  ent e;
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
      break;
    }
  }
  return e;
}

void screen_from(const Json& screen, GeometryDatabase& db) {
  if (!screen.is_object()) throw Bad("screen: expected an object");
  if (auto it = screen.find("marks"); it != screen.end()) {
    const Json& marks = array(*it, "screen: marks");
    for (size_t i = 0; i < marks.size(); ++i) {
      std::string w = "screen: marks[" + std::to_string(i) + "]";
      const Json& m = marks[i];
      if (!m.is_array() || m.size() != 4) throw Bad(w + ": expected [x,y,z,color]");
      ScreenMark mark{{number(m[0], w), number(m[1], w), number(m[2], w)},
                      static_cast<uint8_t>(integer(m[3], w + ": color", 0, 255))};
      db.add_mark(mark);
    }
  }
  if (auto it = screen.find("lines"); it != screen.end()) {
    const Json& lines = array(*it, "screen: lines");
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string w = "screen: lines[" + std::to_string(i) + "]";
      const Json& l = lines[i];
      if (!l.is_array() || l.size() != 7) throw Bad(w + ": expected [x1,y1,z1,x2,y2,z2,color]");
      ScreenLine line{{number(l[0], w), number(l[1], w), number(l[2], w)},
                      {number(l[3], w), number(l[4], w), number(l[5], w)},
                      static_cast<uint8_t>(integer(l[6], w + ": color", 0, 255))};
      db.add_line(line);
    }
  }
}

bool read_whole_file(const std::string& path, std::string& text, std::string& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err = path + ": cannot read: " + std::strerror(errno);
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) {
    err = path + ": cannot read: " + std::strerror(errno);
    return false;
  }
  text = ss.str();
  return true;
}

}  // namespace

// Written one entity (mark, line) at a time, in the layout a whole-document dump has (keys in
// written), so that a database of millions of points never needs a document tree of them all.
std::string part_file_text(const GeometryDatabase& db) {
  std::string out = "{\"entities\":[";
  const char* sep = "";
  for (const ent* e : db.entities()) {
    if (kind_name(e->kind) == nullptr) continue;
    out += sep;
    out += entity_json(*e).dump();
    sep = ",";
  }
  out += "],\"screen\":{\"marks\":[";
  sep = "";
  for (const ScreenMark& m : db.marks()) {
    out += sep;
    out += Json::array({m.at[0], m.at[1], m.at[2], m.color}).dump();
    sep = ",";
  }
  out += "],\"lines\":[";
  sep = "";
  for (const ScreenLine& l : db.lines()) {
    out += sep;
    out += Json::array({l.from[0], l.from[1], l.from[2], l.to[0], l.to[1], l.to[2], l.color}).dump();
    sep = ",";
  }
  out += "]}}\n";
  return out;
}

bool parse_part_file(const std::string& text, GeometryDatabase& out, std::string& what) {
  try {
    GeometryDatabase db;
    if (text.find_first_not_of(" \t\r\n") != std::string::npos) {
      Json doc;
      try {
        doc = Json::parse(text);
      } catch (const Json::parse_error& ex) {
        throw Bad("JSON syntax error at byte " + std::to_string(ex.byte));
      }
      if (!doc.is_object()) throw Bad("expected a JSON object");
      const Json& entities = array(field(doc, "entities", "document"), "entities");
      for (size_t i = 0; i < entities.size(); ++i) {
        std::string where = "entity " + std::to_string(i + 1);
        if (db.restore(entity_from(entities[i], where)) == nullptr) throw Bad(where + ": id used twice");
      }
      if (auto it = doc.find("screen"); it != doc.end()) screen_from(*it, db);
    }
    out.swap(db);
    return true;
  } catch (const Bad& ex) {
    what = ex.what();
  } catch (const std::exception& ex) {
    what = ex.what();
  }
  return false;
}

bool load_part_file(const std::string& path, GeometryDatabase& db, std::string& err) {
  std::string text, what;
  if (!read_whole_file(path, text, err)) return false;
  if (!parse_part_file(text, db, what)) {
    err = path + ": not a part file: " + what;
    return false;
  }
  return true;
}

bool save_part_file(const std::string& path, const GeometryDatabase& db, std::string& err,
                    bool replace_any) {
  if (!replace_any) {
    std::string existing, what;
    std::ifstream probe(path, std::ios::binary);
    if (probe) {
      probe.close();
      GeometryDatabase scratch;
      if (!read_whole_file(path, existing, err)) return false;
      if (!parse_part_file(existing, scratch, what)) {
        err = path + ": not a part file: " + what + " (left as it is)";
        return false;
      }
    }
  }
  std::string text;
  try {
    text = part_file_text(db);
  } catch (const std::exception& ex) {
    err = path + ": cannot write: " + ex.what();
    return false;
  }
  FILE* f = open_committing_stream(path);
  if (f == nullptr) {
    err = path + ": cannot write: " + std::strerror(errno);
    return false;
  }
  bool wrote = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int saved = errno;
  if (std::fclose(f) != 0 || !wrote) {
    err = path + ": cannot write: " + std::strerror(wrote ? errno : saved);
    return false;
  }
  return true;
}

}  // namespace orv
