// 3MF packages of the surfaces' meshes, for 3D printers: one mesh object per surface, named after
// it and coloured through a base material, in millimetres. A package of triangles and colours is
// three short XML parts, so they are written here and zipped in memory by libzip rather than
// through lib3mf: that keeps every byte ours (numbers that read back exactly, one fixed time on
// every entry so that two exports are byte-identical) and the file goes through the host's
// whole-file writer like every other export.
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/file_services.h"
#include "exchange/exchange_labels.h"
#include "exchange/mesh_files.h"
#include "view/palette.h"

namespace orv::exchange::detail {

namespace {

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">\n"
    " <Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>\n"
    " <Default Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/>\n"
    "</Types>\n";
constexpr const char* kRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\n"
    " <Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
    "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/>\n"
    "</Relationships>\n";
// 1980-01-01, the earliest time a zip entry can carry.
constexpr time_t kEntryTime = 315532800;

void number(std::string& out, double x) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  out.append(buf, r.ptr);
}

std::string hex_colour(const view::Rgb& c) {
  auto byte = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", byte(c.r), byte(c.g), byte(c.b));
  return text;
}

std::string model_xml(const std::vector<const Entity*>& surfaces, const std::vector<Mesh>& meshes) {
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<model unit=\"millimeter\" xml:lang=\"en-US\" "
      "xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\">\n"
      " <metadata name=\"Application\">Orvantis</metadata>\n <resources>\n  <basematerials id=\"1\">\n";
  for (const Entity* e : surfaces)
    x += "   <base name=\"" + entity_label(*e) + "\" displaycolor=\"" + hex_colour(view::color_rgb(e->color())) + "\"/>\n";
  x += "  </basematerials>\n";
  for (size_t k = 0; k < meshes.size(); ++k) {
    x += "  <object id=\"" + std::to_string(k + 2) + "\" type=\"model\" name=\"" + entity_label(*surfaces[k]) +
         "\" pid=\"1\" pindex=\"" + std::to_string(k) + "\">\n   <mesh>\n    <vertices>\n";
    for (const auto& v : meshes[k].vertices) {
      x += "     <vertex x=\"";
      number(x, v[0]);
      x += "\" y=\"";
      number(x, v[1]);
      x += "\" z=\"";
      number(x, v[2]);
      x += "\"/>\n";
    }
    x += "    </vertices>\n    <triangles>\n";
    for (const auto& t : meshes[k].triangles)
      x += "     <triangle v1=\"" + std::to_string(t[0]) + "\" v2=\"" + std::to_string(t[1]) + "\" v3=\"" +
           std::to_string(t[2]) + "\"/>\n";
    x += "    </triangles>\n   </mesh>\n  </object>\n";
  }
  x += " </resources>\n <build>\n";
  for (size_t k = 0; k < meshes.size(); ++k) x += "  <item objectid=\"" + std::to_string(k + 2) + "\"/>\n";
  x += " </build>\n</model>\n";
  return x;
}

// The zip archive of the parts, in memory. False with `why`.
bool package(const std::vector<std::pair<const char*, std::string>>& parts, std::string& bytes, std::string& why) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (buffer == nullptr) {
    why = std::string("no zip buffer: ") + zip_error_strerror(&error);
    zip_error_fini(&error);
    return false;
  }
  zip_source_keep(buffer);
  std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> hold(buffer, zip_source_free);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    why = std::string("no zip archive: ") + zip_error_strerror(&error);
    zip_error_fini(&error);
    return false;
  }
  zip_error_fini(&error);
  for (const auto& [name, text] : parts) {
    zip_source_t* part = zip_source_buffer(archive, text.data(), text.size(), 0);
    const zip_int64_t index = part ? zip_file_add(archive, name, part, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (part) zip_source_free(part);
      why = std::string("the zip archive refused ") + name + ": " + zip_strerror(archive);
      zip_discard(archive);
      return false;
    }
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
    zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), kEntryTime, 0);
  }
  if (zip_close(archive) != 0) {
    why = std::string("the zip archive could not be made: ") + zip_strerror(archive);
    zip_discard(archive);
    return false;
  }
  zip_stat_t stat;
  if (zip_source_stat(buffer, &stat) != 0 || zip_source_open(buffer) != 0) {
    why = "the zip archive could not be read back";
    return false;
  }
  bytes.resize(static_cast<size_t>(stat.size));
  const zip_int64_t got = zip_source_read(buffer, bytes.data(), stat.size);
  zip_source_close(buffer);
  if (got != static_cast<zip_int64_t>(stat.size)) {
    why = "the zip archive could not be read back";
    return false;
  }
  return true;
}

}  // namespace

bool write_3mf(const std::string& path, const std::vector<const Entity*>& surfaces, const std::vector<Mesh>& meshes,
               std::string& err) {
  std::string bytes, why;
  if (!package({{"[Content_Types].xml", kContentTypes},
                {"_rels/.rels", kRelationships},
                {"3D/3dmodel.model", model_xml(surfaces, meshes)}},
               bytes, why)) {
    err = path + ": " + why;
    return false;
  }
  FILE* f = open_committing_stream(path);
  if (f == nullptr) {
    err = path + ": cannot be written: " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written) {
    err = path + ": could not be written";
    return false;
  }
  return true;
}

}  // namespace orv::exchange::detail
