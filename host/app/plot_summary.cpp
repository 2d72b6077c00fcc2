// The batch summary line, built from the database and the counters of what was drawn.
#include "app/plot_summary.h"

#include <array>

#include "core/frontend.h"
#include "core/geometry_services.h"
#include "core/plot_report.h"

namespace orv::app {
namespace {

struct KindName {
  int32_t kind;
  const char* one;
  const char* many;
};
// In the order the line names them: the simple entities, then curves, then surfaces.
constexpr std::array<KindName, 6> kKinds = {{
    {ENT_POINT, "point", "points"},
    {ENT_LINE, "line", "lines"},
    {ENT_SPLINE, "spline", "splines"},
    {ENT_NURBS_CURVE, "NURB curve", "NURB curves"},
    {ENT_SURFACE, "surface", "surfaces"},
    {ENT_NURBS_SURFACE, "NURB surface", "NURB surfaces"},
}};

std::string counted(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// " through 37 points" or " through 13 x 19 points" for a curve or surface that keeps its points;
// " through 6 of 11 points" or " through 2 x 9 of 9 x 9 points" when the plot kept only part.
std::string through(const Entity& e) {
  if (e.through().empty()) {
    // A NURB curve keeps no points of its own; the plot's report knows what it was made through.
    const std::string of = e.kind() == ENT_NURBS_CURVE ? kept_of_steps(last_plot_report().spline_points) : "";
    return of.empty() ? std::string() : " through " + of + " points";
  }
  if (e.rows() > 0 && e.cols() > 0) {
    const PlotReport& r = last_plot_report();
    std::string grid = std::to_string(e.rows()) + " x " + std::to_string(e.cols());
    if (!r.issues.empty() && r.cols == e.cols() && r.rows > e.rows())
      grid += " of " + std::to_string(r.rows) + " x " + std::to_string(r.cols);
    return " through " + grid + " points";
  }
  const auto n = static_cast<int64_t>(e.through().size());
  const std::string of = kept_of_steps(n);
  return " through " + (of.empty() ? counted(n, "point", "points") : of + " points");
}

void append(std::string& list, const std::string& item) {
  if (!list.empty()) list += ", ";
  list += item;
}

}  // namespace

PlotStart plot_start(const GeometryDatabase& db) {
  PlotStart s;
  s.first_id = db.next_id();
  s.marks = marks_drawn();
  s.lines = screen_lines_drawn();
  s.refusals = refusal_count();
  s.counted = true;
  s.epoch = db.revision().epoch;
  s.other_changes = db.other_changes();
  for (int32_t kind = 0; kind < 7; ++kind) s.added[kind] = db.added_count(kind);
  return s;
}

std::string describe_made(const GeometryDatabase& db, const PlotStart& start, int64_t marks_now,
                          int64_t lines_now) {
  std::string made;
  constexpr std::size_t kinds = kKinds.size();
  int64_t count[kinds] = {};
  const Entity* only[kinds] = {};
  if (start.counted && db.revision().epoch == start.epoch && db.other_changes() == start.other_changes) {
    // Only additions since the start, each with an id from first_id on: their counts tell all.
    for (std::size_t k = 0; k < kinds; ++k) {
      const int32_t kind = kKinds[k].kind;
      count[k] = static_cast<int64_t>(db.added_count(kind) - start.added[kind]);
      only[k] = count[k] > 0 ? db.last_added(kind) : nullptr;
    }
  } else {
    // One pass over the records, counting by kind: the summary must not need a list of the whole
    // database, which a plot that ran out of memory could not build.
    db.for_each_entity([&](const Entity& e) {
      if (e.id() < start.first_id) return;
      for (std::size_t k = 0; k < kinds; ++k)
        if (e.kind() == kKinds[k].kind) {
          ++count[k];
          only[k] = &e;
        }
    });
  }
  for (std::size_t i = 0; i < kinds; ++i) {
    const KindName& k = kKinds[i];
    const int64_t n = count[i];
    if (n == 0) continue;
    const std::string of = k.kind == ENT_POINT ? kept_of_steps(n) : std::string();
    append(made, (of.empty() ? counted(n, k.one, k.many) : of + " " + k.many) +
                     (n == 1 ? through(*only[i]) : std::string()));
  }
  if (lines_now > start.lines) append(made, counted(lines_now - start.lines, "screen line", "screen lines"));
  if (marks_now > start.marks) append(made, counted(marks_now - start.marks, "mark", "marks"));
  return made;
}

std::string summary_line(const std::string& plot_file, const std::string& made,
                         const std::vector<std::string>& written) {
  std::string line = plot_file + ": " + (made.empty() ? std::string("made nothing") : made);
  for (std::size_t i = 0; i < written.size(); ++i) line += (i == 0 ? "; wrote " : ", ") + written[i];
  return line;
}

}  // namespace orv::app
