// The saved state of the session's geometry and the export command's path.
#include "interaction/saving.h"

#include "core/geometry_services.h"

namespace orv::interaction {

Made geometry_made(const GeometryDatabase& db) { return {db.next_id(), marks_drawn(), screen_lines_drawn()}; }

Saving::Saving(const GeometryDatabase& db) : db_(db), saved_at_(geometry_made(db)) {}

bool Saving::export_to(const std::string& path, std::string& status) {
  if (!path.empty()) last_path_ = path;  // a cancelled export keeps the path to start from
  if (!export_for_person(exporter_, path, status)) return false;
  saved_at_ = geometry_made(db_);
  return true;
}

}  // namespace orv::interaction
