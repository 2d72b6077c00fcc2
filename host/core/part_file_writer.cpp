// Writing a part file as a stream: the text is made a piece at a time into a small buffer that goes
// to the sink whenever it fills, so saving costs the buffer, whatever the database holds. Doubles
// are written in the shortest form that reads back as the same double (std::to_chars, which never
// looks at the locale), with ".0" after a whole number so that it still reads as a real number.
#include "core/part_file_stream.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include <nlohmann/json.hpp>

namespace orv::part_file {
namespace {

// The buffer is handed on when it holds this much.
constexpr std::size_t kFlushBytes = std::size_t{1} << 16;

}  // namespace

std::string unwritable(const GeometryDatabase& db) {
  auto finite = [](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
      if (!std::isfinite(v[i])) return false;
    return true;
  };
  auto all_finite = [&](const auto& points) {
    for (const auto& p : points)
      if (!finite(p.data(), p.size())) return false;
    return true;
  };
  std::size_t n = 0;
  std::string found;
  db.for_each_entity([&](const Entity& entity) {
    const Entity* e = &entity;
    if (!found.empty() || kind_name(e->kind()) == nullptr) return;  // not a part file's kind: left out
    std::string where = "entity " + std::to_string(++n);
    if (!finite(e->p1(), 3) || !finite(e->p2(), 3) || !all_finite(e->through()) || !all_finite(e->nb().poles) ||
        !finite(e->nb().uknots.data(), e->nb().uknots.size()) || !finite(e->nb().vknots.data(), e->nb().vknots.size()) ||
        !finite(e->nb().weights.data(), e->nb().weights.size()))
      found = where + ": a number is not finite";
    else if ((e->kind() == ENT_SURFACE || e->kind() == ENT_NURBS_SURFACE) &&
             (e->nb().nu < 0 || e->nb().nv < 0 ||
              e->nb().poles.size() < static_cast<std::size_t>(e->nb().nu) * static_cast<std::size_t>(e->nb().nv)))
      found = where + ": fewer poles than its grid";
  });
  if (!found.empty()) return found;
  for (const ScreenMark& m : db.marks())
    if (!finite(m.at, 3)) return "screen: a mark is not finite";
  for (const ScreenLine& l : db.lines())
    if (!finite(l.from, 3) || !finite(l.to, 3)) return "screen: a line is not finite";
  for (std::size_t i = 0; i < db.plots().size(); ++i) {
    const std::string why = source_refusal(db.plots()[i]);
    if (why.empty()) continue;
    std::string where = "plots[";
    where += std::to_string(i);
    where += "]: ";
    return where + why;
  }
  return {};
}

namespace {

class Writer {
 public:
  explicit Writer(const TextSink& sink) : sink_(sink) { text_.reserve(kFlushBytes + 256); }

  /// False once the sink has refused a piece; nothing more is handed on then.
  bool flush() {
    if (ok_ && !text_.empty()) ok_ = sink_(text_.data(), text_.size());
    text_.clear();
    return ok_;
  }

  void raw(std::string_view s) {
    text_.append(s);
    if (text_.size() >= kFlushBytes) flush();
  }
  void integer(int64_t v) {
    char buf[24];
    raw({buf, static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf)});
  }
  void number(double v) {
    char buf[40];
    char* end = std::to_chars(buf, buf + sizeof buf - 2, v).ptr;
    if (std::string_view(buf, end - buf).find_first_of(".e") == std::string_view::npos) {
      *end++ = '.';
      *end++ = '0';
    }
    raw({buf, static_cast<std::size_t>(end - buf)});
  }
  void numbers(const double* v, std::size_t n) {
    raw("[");
    for (std::size_t i = 0; i < n; ++i) {
      if (i) raw(",");
      number(v[i]);
    }
    raw("]");
  }
  void numbers(const std::vector<double>& v) { numbers(v.data(), v.size()); }
  void points(const std::array<double, 3>* p, std::size_t n) {
    raw("[");
    for (std::size_t i = 0; i < n; ++i) {
      if (i) raw(",");
      numbers(p[i].data(), 3);
    }
    raw("]");
  }
  void points(const std::vector<std::array<double, 3>>& p) { points(p.data(), p.size()); }
  void key(std::string_view name) {
    raw(",\"");
    raw(name);
    raw("\":");
  }

  /// A JSON string of the text: UTF-8 where it is, other bytes read as Latin-1, written in ASCII.
  void text(const std::string& s) {
    raw(nlohmann::json(utf8_of(source_code_points(s))).dump(-1, ' ', true));
  }

  void entity(const Entity& e);
  void plot(const PlotSource& p);

 private:
  const TextSink& sink_;
  std::string text_;
  bool ok_ = true;
};

void Writer::entity(const Entity& e) {
  raw("{\"id\":");
  integer(e.id());
  key("kind");
  raw("\"");
  raw(kind_name(e.kind()));
  raw("\"");
  key("color");
  integer(e.color());
  key("level");
  integer(e.level());
  const attributes plain{};
  if (e.attrib().line_style != plain.line_style || e.attrib().line_width != plain.line_width ||
      e.attrib().flags != plain.flags) {
    key("attrib");
    raw("[");
    integer(e.attrib().line_style);
    raw(",");
    integer(e.attrib().line_width);
    raw(",");
    integer(e.attrib().flags);
    raw("]");
  }
  switch (e.kind()) {
    case ENT_POINT:
      key("at");
      numbers(e.p1(), 3);
      break;
    case ENT_LINE:
      key("from");
      numbers(e.p1(), 3);
      key("to");
      numbers(e.p2(), 3);
      break;
    case ENT_SPLINE:
    case ENT_NURBS_CURVE:
      key("through");
      points(e.through());
      key("degree");
      integer(e.nb().udegree);
      key("knots");
      numbers(e.nb().uknots);
      key("poles");
      points(e.nb().poles);
      key("weights");
      numbers(e.nb().weights);
      break;
    default: {  // surfaces: poles and weights as rows of the grid
      key("through");
      points(e.through());
      key("rows");
      integer(e.rows());
      key("cols");
      integer(e.cols());
      key("udegree");
      integer(e.nb().udegree);
      key("vdegree");
      integer(e.nb().vdegree);
      key("uknots");
      numbers(e.nb().uknots);
      key("vknots");
      numbers(e.nb().vknots);
      const std::size_t nu = static_cast<std::size_t>(e.nb().nu), nv = static_cast<std::size_t>(e.nb().nv);
      key("poles");
      raw("[");
      for (std::size_t i = 0; i < nu; ++i) {
        if (i) raw(",");
        points(e.nb().poles.data() + i * nv, nv);
      }
      raw("]");
      key("weights");
      raw("[");
      for (std::size_t i = 0; i < nu; ++i) {
        if (i) raw(",");
        raw("[");
        for (std::size_t k = 0; k < nv; ++k) {
          if (k) raw(",");
          std::size_t at = i * nv + k;
          number(at < e.nb().weights.size() ? e.nb().weights[at] : 1.0);
        }
        raw("]");
      }
      raw("]");
      break;
    }
  }
  raw("}");
}

void Writer::plot(const PlotSource& p) {
  raw("{\"file\":");
  text(p.file);
  key("text");
  text(p.text);
  key("cut");
  raw(p.cut ? "true" : "false");
  raw(",\"settings\":{");
  for (std::size_t k = 0; k < p.steps.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    const SourceStep& step = p.steps[k];
    raw(k == 0 ? "\"step_var" : ",\"step_var");
    raw(n);
    raw("\":");
    text(step.var);
    for (const auto& [word, value] : {std::pair<const char*, double>{"step_size", step.size},
                                      {"lower_limit", step.lower}, {"upper_limit", step.upper}}) {
      raw(",\"");
      raw(word);
      raw(n);
      raw("\":");
      number(value);
    }
  }
  raw(p.steps.empty() ? "\"geometry\":" : ",\"geometry\":");
  text(p.geometry);
  key("angles");
  raw(p.degrees ? "\"degrees\"" : "\"radians\"");
  key("origin");
  numbers(p.origin.data(), 3);
  raw("}");
  key("entities");
  raw("[");
  integer(p.first_id);
  raw(",");
  integer(p.last_id);
  raw("]}");
}

}  // namespace

bool write_part_text(const GeometryDatabase& db, const TextSink& sink) {
  Writer out(sink);
  out.raw("{\"entities\":[");
  bool first = true;
  db.for_each_entity([&](const Entity& e) {
    if (kind_name(e.kind()) == nullptr) return;
    if (!first) out.raw(",");
    first = false;
    out.entity(e);
  });
  out.raw("],\"screen\":{\"marks\":[");
  first = true;
  for (const ScreenMark& m : db.marks()) {
    out.raw(first ? "[" : ",[");
    first = false;
    for (double c : m.at) {
      out.number(c);
      out.raw(",");
    }
    out.integer(m.color);
    out.raw("]");
  }
  out.raw("],\"lines\":[");
  first = true;
  for (const ScreenLine& l : db.lines()) {
    out.raw(first ? "[" : ",[");
    first = false;
    for (double c : l.from) {
      out.number(c);
      out.raw(",");
    }
    for (double c : l.to) {
      out.number(c);
      out.raw(",");
    }
    out.integer(l.color);
    out.raw("]");
  }
  out.raw("]}");
  // Where the geometry came from; a database without plots writes the file as it always was.
  if (!db.plots().empty()) {
    out.raw(",\"plots\":[");
    for (std::size_t i = 0; i < db.plots().size(); ++i) {
      if (i) out.raw(",");
      out.plot(db.plots()[i]);
    }
    out.raw("]");
  }
  out.raw("}\n");
  return out.flush();
}

}  // namespace orv::part_file
