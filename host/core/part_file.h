// The part file: the geometry database and the screen as one JSON document, entities in creation
// order, every number written so that it reads back as the same double. Reading checks the whole
// document before anything changes; writing replaces the file atomically and never overwrites a
// file that is not a part file. Both stream, so a part file costs what its database costs.
#pragma once
#include <cstddef>
#include <string>
#include "core/database.h"

namespace orv {

/// Deepest nesting of objects and arrays a part file may have (its own layout needs 6); a deeper
/// text is refused as "nested too deeply" while it is read.
constexpr std::size_t kMaxPartFileNesting = 64;

/// The part file's text for `db` (entities and screen); empty when `db` holds a number that is not
/// finite, which no part file can hold.
std::string part_file_text(const GeometryDatabase& db);

/// Parses a part file's text into `out` (replacing its contents). False, with `what` saying what is
/// wrong, when the text is not a well-formed part file; `out` is then unchanged.
bool parse_part_file(const std::string& text, GeometryDatabase& out, std::string& what);

/// Reads the part file at `path` into `db`, replacing its contents. An empty file is an empty part.
/// On failure `db` is unchanged and `err` is "path: cannot read: reason",
/// "path: not a regular file (...)" or "path: not a part file: what is wrong".
bool load_part_file(const std::string& path, GeometryDatabase& db, std::string& err);

/// Writes `db` to `path` atomically. Whatever is at `path` and is not a regular file, or is a file
/// that is not a part file (nor empty), is left as it is and refused ("path: not a regular file
/// (...) (left as it is)", "path: not a part file: ... (left as it is)"); with `replace_any`, any
/// regular file is replaced.
bool save_part_file(const std::string& path, const GeometryDatabase& db, std::string& err,
                    bool replace_any = false);

}  // namespace orv
