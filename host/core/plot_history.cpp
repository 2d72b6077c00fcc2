// The plots' history; see plot_history.h. A plot is remembered by where the database stood when it
// started (the next id, the marks and lines made so far), so remembering one costs nothing, however
// much it draws; its geometry is found again by those bounds when it is taken back. A clear swaps
// the whole database out into the history, which costs no copy and gives it back whole.
#include "core/plot_history.h"

#include <charconv>
#include <limits>
#include <utility>

#include "core/host.h"
#include "core/plot_report.h"
#include "orvantis/host_geometry.h"
#include "platform/transcript.h"

namespace orv {

PlotHistory::PlotHistory(GeometryDatabase& db) : db_(&db) {}
namespace {

std::string counted(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

db_list_ent_type* entry_of(const Entity& e) {
  // An entry is the address of its record (database.h).
  return reinterpret_cast<db_list_ent_type*>(const_cast<Entity*>(&e));
}

}  // namespace

void GeometryCount::add(const Entity& e) {
  switch (e.kind()) {
    case ENT_POINT: ++points; break;
    case ENT_LINE: ++lines; break;
    case ENT_SPLINE: ++splines; break;
    case ENT_NURBS_CURVE: ++nurbs_curves; break;
    case ENT_SURFACE: ++surfaces; break;
    case ENT_NURBS_SURFACE: ++nurbs_surfaces; break;
    default: ++others; break;
  }
}

std::string count_words(const GeometryCount& c) {
  std::string out;
  auto part = [&out](int64_t n, const char* one, const char* many) {
    if (n <= 0) return;
    if (!out.empty()) out += ", ";
    out += counted(n, one, many);
  };
  part(c.points, "point", "points");
  part(c.lines, "line", "lines");
  part(c.splines, "spline", "splines");
  part(c.nurbs_curves, "NURB curve", "NURB curves");
  part(c.surfaces, "surface", "surfaces");
  part(c.nurbs_surfaces, "NURB surface", "NURB surfaces");
  part(c.others, "other entity", "other entities");
  part(static_cast<int64_t>(c.screen_lines), "screen line", "screen lines");
  part(static_cast<int64_t>(c.marks), "mark", "marks");
  return out.empty() ? "nothing" : out;
}

std::string entity_words(int32_t kind, int64_t id) {
  const char* name = "entity";
  switch (kind) {
    case ENT_POINT: name = "point"; break;
    case ENT_LINE: name = "line"; break;
    case ENT_SPLINE: name = "spline"; break;
    case ENT_NURBS_CURVE: name = "NURB curve"; break;
    case ENT_SURFACE: name = "surface"; break;
    case ENT_NURBS_SURFACE: name = "NURB surface"; break;
    default: break;
  }
  std::string out = "the ";
  out += name;
  out += " (entity " + std::to_string(id) + ")";
  return out;
}

void PlotHistory::push(Action action) {
  actions_.push_back(std::move(action));
  if (actions_.size() > kMaxUndo) actions_.erase(actions_.begin());
}

void PlotHistory::plot_started() {
  ++plots_started_;
  Action a;
  a.kind = Action::Kind::Plot;
  a.first_id = db_->next_id();
  a.marks_from = db_->marks_made();
  a.lines_from = db_->lines_made();
  // A plot that added nothing before this one started is forgotten in its favour.
  if (!actions_.empty()) {
    const Action& top = actions_.back();
    if (top.kind == Action::Kind::Plot && top.first_id == a.first_id && top.marks_from == a.marks_from &&
        top.lines_from == a.lines_from) {
      actions_.back() = std::move(a);
      return;
    }
  }
  push(std::move(a));
}

GeometryCount PlotHistory::take_away(int64_t id_from, int64_t id_to, uint64_t marks_from, uint64_t marks_to,
                                     uint64_t lines_from, uint64_t lines_to) {
  GeometryCount c;
  // Removed as they are visited: a removal only marks its record, so the walk goes on unchanged
  // and a plot of a million points costs no list of them.
  db_->for_each_entity([&](const Entity& e) {
    if (e.id() < id_from || e.id() >= id_to) return;
    c.add(e);
    db_->remove(entry_of(e));
  });
  marks_to = std::min<uint64_t>(marks_to, db_->marks_made());
  lines_to = std::min<uint64_t>(lines_to, db_->lines_made());
  c.marks = marks_to > marks_from ? marks_to - marks_from : 0;
  c.screen_lines = lines_to > lines_from ? lines_to - lines_from : 0;
  if (c.marks > 0 || c.screen_lines > 0) db_->remove_screen(marks_from, marks_to, lines_from, lines_to);
  return c;
}

GeometryCount PlotHistory::last_plot_count() const {
  GeometryCount c;
  if (actions_.empty() || actions_.back().kind != Action::Kind::Plot) return c;
  const Action& a = actions_.back();
  db_->for_each_entity([&](const Entity& e) {
    if (e.id() >= a.first_id) c.add(e);
  });
  c.marks = db_->marks_made() > a.marks_from ? db_->marks_made() - a.marks_from : 0;
  c.screen_lines = db_->lines_made() > a.lines_from ? db_->lines_made() - a.lines_from : 0;
  return c;
}

bool PlotHistory::drop_last_plot(GeometryCount* removed) {
  if (actions_.empty() || actions_.back().kind != Action::Kind::Plot) return false;
  Action a = std::move(actions_.back());
  actions_.pop_back();
  GeometryCount c = take_away(a.first_id, std::numeric_limits<int64_t>::max(), a.marks_from,
                              std::numeric_limits<uint64_t>::max(), a.lines_from,
                              std::numeric_limits<uint64_t>::max());
  ++changes_;
  if (removed) *removed = c;
  return true;
}

bool PlotHistory::replace_previous(GeometryCount* removed) {
  if (actions_.empty() || actions_.back().kind != Action::Kind::Plot) return false;
  // The plot before the last one, passing over deletes (of which nothing will be left to bring back).
  std::size_t i = actions_.size() - 1;
  while (i > 0 && actions_[i - 1].kind == Action::Kind::Delete) --i;
  if (i == 0 || actions_[i - 1].kind != Action::Kind::Plot) return false;
  Action& last = actions_.back();
  const Action& previous = actions_[i - 1];
  GeometryCount c = take_away(previous.first_id, last.first_id, previous.marks_from, last.marks_from,
                              previous.lines_from, last.lines_from);
  // The last plot's marks and lines now start where the previous plot's did.
  last.marks_from = previous.marks_from;
  last.lines_from = previous.lines_from;
  actions_.erase(actions_.begin() + static_cast<std::ptrdiff_t>(i - 1), actions_.end() - 1);
  ++changes_;
  if (removed) *removed = c;
  return true;
}

std::string PlotHistory::undo() {
  while (!actions_.empty()) {
    Action a = std::move(actions_.back());
    actions_.pop_back();
    switch (a.kind) {
      case Action::Kind::Plot: {
        GeometryCount c = take_away(a.first_id, std::numeric_limits<int64_t>::max(), a.marks_from,
                                    std::numeric_limits<uint64_t>::max(), a.lines_from,
                                    std::numeric_limits<uint64_t>::max());
        if (c.empty()) continue;  // nothing of it was left: the change before it is meant
        forget_frame_words();  // the frame spoke of the plot now gone
        ++changes_;
        return "Undid the last plot: " + count_words(c);
      }
      case Action::Kind::Delete: {
        const int32_t kind = a.deleted.kind;
        const int64_t id = a.deleted.id;
        ++changes_;
        if (db_->restore(std::move(a.deleted)) == nullptr)
          return "Could not undo the delete: entity " + std::to_string(id) + " is taken by another entity";
        return "Undid the delete: " + entity_words(kind, id) + " is back";
      }
      case Action::Kind::Clear: {
        GeometryDatabase& back = *a.cleared;
        GeometryCount c;
        back.for_each_entity([&](const Entity& e) { c.add(e); });
        c.marks = back.marks_made();
        c.screen_lines = back.lines_made();
        // What came after the clear and belongs to no change still there joins what comes back.
        db_->for_each_entity([&](const Entity& e) { back.add(e.data()); });
        for (const ScreenMark& m : db_->marks()) back.add_mark(m);
        for (const ScreenLine& l : db_->lines()) back.add_line(l);
        db_->swap(back);
        actions_ = std::move(a.before);
        ++changes_;
        return "Undid the clear: " + count_words(c) + " back";
      }
    }
  }
  return "Nothing to undo";
}

std::string PlotHistory::remove(int64_t id) {
  const Entity* found = nullptr;
  db_->for_each_entity([&](const Entity& e) {
    if (e.id() == id) found = &e;
  });
  if (found == nullptr) return "Nothing deleted: entity " + std::to_string(id) + " is not in the database";
  Action a;
  a.kind = Action::Kind::Delete;
  a.deleted = found->data();
  const std::string what = entity_words(found->kind(), id);
  db_->remove(entry_of(*found));
  push(std::move(a));
  ++changes_;
  return "Deleted " + what + "; Ctrl+Z brings it back";
}

std::string PlotHistory::clear() {
  GeometryCount c;
  db_->for_each_entity([&](const Entity& e) { c.add(e); });
  c.marks = db_->marks_made();
  c.screen_lines = db_->lines_made();
  if (c.empty()) return "Nothing to clear";
  Action a;
  a.kind = Action::Kind::Clear;
  a.cleared = std::make_shared<GeometryDatabase>();
  db_->swap(*a.cleared);
  forget_frame_words();
  a.before = std::move(actions_);
  actions_.clear();
  push(std::move(a));
  ++changes_;
  return "Cleared " + count_words(c) + "; Ctrl+Z brings it back";
}

void PlotHistory::reset() {
  actions_.clear();
  changes_ = 0;
}

void PlotHistory::bind(GeometryDatabase& db) {
  if (db_ == &db) return;
  db_ = &db;
  actions_.clear();  // the changes were another database's
}

PlotHistory& plot_history() {
  static PlotHistory history(host().database);
  history.bind(host().database);  // a Host installed since has a history of its own, empty at first
  return history;
}

bool history_key(const std::string& key, std::string& words) {
  if (key == "Ctrl+Z") {
    words = plot_history().undo();
  } else if (key == "F4") {
    words = plot_history().clear();
  } else if (int64_t id = 0; key.rfind("Delete ", 0) == 0 &&
                              std::from_chars(key.data() + 7, key.data() + key.size(), id).ec == std::errc()) {
    words = plot_history().remove(id);
  } else {
    return false;
  }
  if (Transcript* t = transcript()) t->record({{"event", "history"}, {"key", key}, {"words", words}});
  return true;
}

}  // namespace orv
