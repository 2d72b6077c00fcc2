// What every exchange writer shares, without OpenCASCADE: how entities and levels are named in the
// files, the B-spline form of a record, and the replacement of the file through the host's writer.
#include <exception>
#include <string>

#include "core/entity_kinds.h"
#include "core/file_services.h"
#include "exchange/exchange_labels.h"
#include "kernel/kernel.h"

namespace orv::exchange::detail {

std::string entity_label(const Entity& e) {
  const char* kind = kind_name(e.kind());
  return std::string(kind ? kind : "entity") + " " + std::to_string(e.id());
}

bool geometry_of(const Entity& e, bool surface, nb_type& nb, std::string& err) {
  if (e.nb().nu > 0) {
    nb = e.nb();
    return surface ? kernel::check_surface(nb, err) : kernel::check_curve(nb, err);
  }
  if (surface) return kernel::interpolate_surface(e.through(), e.rows(), e.cols(), nb, err);
  return kernel::interpolate_curve(e.through(), nb, err);
}

std::string layer_name(int32_t level) { return std::to_string(level); }

bool write_atomically(const std::string& path, const std::function<bool(const std::string&, std::string&)>& write,
                      std::string& err) {
  return write_file_whole(path, [&](const std::string& temp, std::string& why) {
    try {
      return write(temp, why);
    } catch (const std::exception& x) {
      why = x.what();
    }
    return false;
  }, err);
}

}  // namespace orv::exchange::detail
