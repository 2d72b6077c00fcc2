// The part file's text as a stream, both ways: the reader builds a database while the JSON parser
// walks the text, the writer hands the text on a piece at a time. Neither holds the whole document
// in memory, so a part file costs what its database costs. part_file.cpp puts them on files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <streambuf>
#include <string>

#include "core/database.h"
#include "core/entity_kinds.h"

namespace orv::part_file {

/// Reads a part file's text from `in`. True when it is a well-formed part file (only white space is
/// an empty part); then, when `out` is not null, `out` holds what it describes (its contents
/// replaced). False with `what` saying what is wrong, `out` unchanged. A null `out` only checks.
/// When `in` stops early (a read error), the result is a syntax error: the caller asks its source.
bool read_part_text(std::streambuf& in, GeometryDatabase* out, std::string& what);

/// Takes the next piece of the text; false when it could not (the writer then stops).
using TextSink = std::function<bool(const char* data, std::size_t size)>;

/// Empty when `db` can be written so that it reads back; else why not ("entity 3: a number is not
/// finite", or a surface with fewer poles than its grid).
std::string unwritable(const GeometryDatabase& db);

/// Writes the part file's text for `db` (which unwritable() accepts) to `sink`; false when `sink`
/// failed.
bool write_part_text(const GeometryDatabase& db, const TextSink& sink);

}  // namespace orv::part_file
