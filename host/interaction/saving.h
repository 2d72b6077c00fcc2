// Whether the geometry made in the session is kept, as every interactive front end sees it: nothing
// else keeps it (no part file), so it counts as saved only when nothing was made since the session
// started or since the last export. The export command writes through the application's exporter
// and remembers the last path written to, which the next export starts from.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "core/database.h"
#include "core/frontend.h"

namespace orv::interaction {

/// What the Zlink has drawn and stored so far, as counters that only grow: the database's next id,
/// the marks drawn and the screen lines drawn.
using Made = std::array<int64_t, 3>;
Made geometry_made(const GeometryDatabase& db);

class Saving {
 public:
  /// Saved as things stand: what is there already was not made by this session.
  explicit Saving(const GeometryDatabase& db);

  /// Makes the export command available; without an exporter there is none.
  void set_exporter(Exporter exporter) { exporter_ = std::move(exporter); }
  bool can_export() const { return static_cast<bool>(exporter_); }
  /// The last path an export was asked for ("" before the first), where the next one starts.
  const std::string& last_path() const { return last_path_; }

  /// True when geometry was made since the session started or since the last export.
  bool unsaved() const { return geometry_made(db_) != saved_at_; }
  /// What the Zlink has made so far.
  Made made() const { return geometry_made(db_); }

  /// Exports to `path` (empty: cancelled); `status` gets the line the person is shown. True when
  /// the file was written, and then the geometry counts as saved.
  bool export_to(const std::string& path, std::string& status);

 private:
  const GeometryDatabase& db_;
  Exporter exporter_;
  std::string last_path_;
  Made saved_at_;
};

}  // namespace orv::interaction
