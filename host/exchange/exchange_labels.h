// What the exchange writers share without OpenCASCADE: names of entities and levels, the B-spline
// form of a record, and the replacement of a file. Private to the exchange folder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/entity.h"

namespace orv::exchange::detail {

/// How an entity is named in messages and in the exchange files: its kind and database id
/// ("nurbs_surface 7").
std::string entity_label(const Entity& e);

/// The B-spline form of a curve or surface record, fitted from its points when it carries none.
/// False with a message when it has no sound one.
bool geometry_of(const Entity& e, bool surface, nb_type& nb, std::string& err);

/// Layer name of a host level; numeric so that IGES writes it as the level number.
std::string layer_name(int32_t level);

/// Runs `write(temp)` through the host's write_file_whole: the file beside `path` replaces `path`
/// only when `write` returns true; otherwise (and on an exception, whose message goes into `err`)
/// `path` is left as it was. `err` gets "path: message".
bool write_atomically(const std::string& path, const std::function<bool(const std::string&, std::string&)>& write,
                      std::string& err);

}  // namespace orv::exchange::detail
