// The plots' history: what each plot added to the database (its entities and screen marks and
// lines), so that the person can take back the last plot, delete one entity and clear everything,
// and take back a delete or a clear as well. A plot owns what was added from its start to the next
// plot's start, since the Zlink adds geometry only while it plots; what was there before the first
// plot (a part file read at start) belongs to no plot and only a clear takes it away. Each change is
// told in one sentence for the frame or the status line; the front ends only map keys to it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/database.h"

namespace orv {

/// Changes the history keeps; the oldest beyond them can no longer be taken back.
constexpr std::size_t kMaxUndo = 64;

/// What a change added or took away, counted by kind.
struct GeometryCount {
  int64_t points = 0, lines = 0, splines = 0, nurbs_curves = 0, surfaces = 0, nurbs_surfaces = 0, others = 0;
  uint64_t marks = 0, screen_lines = 0;
  void add(const Entity& e);
  int64_t entities() const { return points + lines + splines + nurbs_curves + surfaces + nurbs_surfaces + others; }
  bool empty() const { return entities() == 0 && marks == 0 && screen_lines == 0; }
};

/// "1 spline, 37 marks"; "nothing" when empty.
std::string count_words(const GeometryCount& count);
/// "the spline (entity 3)".
std::string entity_words(int32_t kind, int64_t id);

class PlotHistory {
 public:
  explicit PlotHistory(GeometryDatabase& db);  // out of line: Action is complete only below
  PlotHistory(const PlotHistory&) = delete;
  PlotHistory& operator=(const PlotHistory&) = delete;

  /// A plot starts: what is added from now until the next plot starts belongs to it.
  void plot_started();
  /// Takes back the last change: a plot (its entities, marks and lines), a delete or a clear.
  /// Plots of which nothing is left are passed over. Returns what was done, in words
  /// ("Undid the last plot: 1 spline, 37 marks"; "Nothing to undo").
  std::string undo();
  /// Deletes the entity with `id`; the words ("Deleted the spline (entity 3); Ctrl+Z brings it back").
  std::string remove(int64_t id);
  /// Empties the database, entities and screen, keeping all of it for undo(); the words.
  std::string clear();

  /// The last plot takes the place of the plot before it (a plot run again after its file
  /// changed): that one's entities, marks and lines go. False, with nothing changed, when the last
  /// change is not a plot or no plot comes before it since the last clear. `removed` gets what went.
  bool replace_previous(GeometryCount* removed = nullptr);
  /// Takes back the last plot when it is the last change, silently (a plot run again that failed);
  /// false otherwise. `removed` gets what went.
  bool drop_last_plot(GeometryCount* removed = nullptr);
  /// What the last plot has added so far; empty when the last change is not a plot.
  GeometryCount last_plot_count() const;

  /// Plots started since the process started.
  int64_t plots_started() const { return plots_started_; }
  /// Changes made through the history (undos, deletes, clears, replacements): the unsaved state
  /// counts them beside the geometry made.
  int64_t changes() const { return changes_; }
  /// True when something can be taken back.
  bool can_undo() const { return !actions_.empty(); }
  /// Forgets every change (tests); the database stays as it is.
  void reset();
  /// Serves `db` from now on; the changes remembered of another database are forgotten.
  void bind(GeometryDatabase& db);

  struct Action;

 private:
  /// Takes away what a plot added: entities with ids in [id_from, id_to), marks and lines made in
  /// the spans given (counted as the database counts them).
  GeometryCount take_away(int64_t id_from, int64_t id_to, uint64_t marks_from, uint64_t marks_to,
                          uint64_t lines_from, uint64_t lines_to);
  void push(Action action);

  GeometryDatabase* db_;
  std::vector<Action> actions_;  // oldest first
  int64_t plots_started_ = 0;
  int64_t changes_ = 0;
};

struct PlotHistory::Action {
  enum class Kind { Plot, Delete, Clear };
  Kind kind = Kind::Plot;
  int64_t first_id = 0;                       // Plot: the id its first entity got
  uint64_t marks_from = 0, lines_from = 0;    // Plot: marks and lines made before it
  EntityData deleted;                         // Delete: the entity as it was
  std::shared_ptr<GeometryDatabase> cleared;  // Clear: everything that was there
  std::vector<Action> before;                 // Clear: the changes up to it
};

/// The history of the installed Host's database.
PlotHistory& plot_history();

/// The history's keys, the same in every front end: "Ctrl+Z" undoes, "F4" clears, "Delete ID"
/// deletes the entity picked (ID, its id). True, with `words` saying what was done (also recorded
/// in the transcript as a "history" event), when `key` is one of them.
bool history_key(const std::string& key, std::string& words);

}  // namespace orv
