// STL (binary or ASCII) and OBJ files of the surfaces' meshes. OBJ keeps the shared vertices, so a
// closed surface stays visibly watertight; STL repeats each vertex per triangle with the very same
// coordinates, which is how its readers find the shared edges. Numbers are written with to_chars, so
// the file never depends on the process locale; binary STL is little-endian whatever the machine.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/file_services.h"
#include "exchange/mesh.h"
#include "exchange/mesh_files.h"
#include "kernel/kernel.h"

namespace orv::exchange {
namespace {

using Vec = std::array<double, 3>;

Vec unit_normal(const Vec& a, const Vec& b, const Vec& c) {
  const Vec u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  Vec n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const double len = std::hypot(n[0], n[1], n[2]);
  if (len > 0) for (double& x : n) x /= len;
  return n;
}

class Out {
 public:
  explicit Out(FILE* f) : f_(f) {}
  void text(const char* s) { ok_ = ok_ && std::fputs(s, f_) >= 0; }
  void number(double x) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, x);
    *r.ptr = '\0';
    text(buf);
  }
  void integer(long long x) { text(std::to_string(x).c_str()); }
  void vec(const Vec& v) {
    for (int k = 0; k < 3; ++k) {
      text(" ");
      number(v[k]);
    }
  }
  void bytes(const void* p, size_t n) { ok_ = ok_ && std::fwrite(p, 1, n, f_) == n; }
  void le32(uint32_t x) {
    unsigned char b[4] = {static_cast<unsigned char>(x), static_cast<unsigned char>(x >> 8),
                          static_cast<unsigned char>(x >> 16), static_cast<unsigned char>(x >> 24)};
    bytes(b, 4);
  }
  void f32(double x) {
    const float f = static_cast<float>(x);
    uint32_t u;
    std::memcpy(&u, &f, 4);
    le32(u);
  }
  bool ok() const { return ok_; }

 private:
  FILE* f_;
  bool ok_ = true;
};

}  // namespace

bool write_mesh(const std::string& path, MeshFormat format, const std::vector<const Entity*>& entities,
                double chord_dev, int& skipped, std::string& err, std::vector<std::string>* notes) {
  skipped = 0;
  std::vector<Mesh> meshes;
  std::vector<const Entity*> surfaces;
  size_t triangles = 0;
  for (const Entity* e : entities) {
    if (e->kind() != ENT_SURFACE && e->kind() != ENT_NURBS_SURFACE) {
      ++skipped;
      continue;
    }
    Mesh m;
    std::string why;
    if (!mesh_surface(e->nb(), chord_dev, m, why)) {
      err = path + ": surface " + std::to_string(e->id()) + " has no mesh: " + why;
      return false;
    }
    triangles += m.triangles.size();
    if (m.missed > 0 && notes != nullptr) {
      char text[200];
      std::snprintf(text, sizeof text,
                    "surface %lld: its mesh stopped at %d x %d samples (%zu triangles) within %.3g mm, not %.3g",
                    static_cast<long long>(e->id()), kMaxMeshSamples, kMaxMeshSamples, m.triangles.size(), m.missed,
                    kernel::shape_tolerance(chord_dev, e->nb().poles, kernel::kMeshShapeRel));
      notes->push_back(text);
    }
    meshes.push_back(std::move(m));
    surfaces.push_back(e);
  }
  if (format == MeshFormat::ThreeMf) return detail::write_3mf(path, surfaces, meshes, err);
  if (format == MeshFormat::Glb) return detail::write_glb(path, surfaces, meshes, err);
  if (triangles > UINT32_MAX) {
    err = path + ": " + std::to_string(triangles) + " triangles are more than an STL file can count";
    return false;
  }
  FILE* f = open_committing_stream(path);
  if (f == nullptr) {
    err = path + ": cannot be written: " + std::strerror(errno);
    return false;
  }
  Out out(f);
  if (format == MeshFormat::StlBinary) {
    char header[80] = {};
    std::snprintf(header, sizeof header, "Orvantis mesh of %zu surfaces", meshes.size());
    out.bytes(header, sizeof header);
    out.le32(static_cast<uint32_t>(triangles));
  } else if (format == MeshFormat::StlAscii) {
    out.text("solid orvantis\n");
  } else {
    out.text("# Orvantis mesh\n");
  }
  long long base = 1;  // OBJ counts vertices from 1, across the whole file
  int number = 0;
  for (const Mesh& m : meshes) {
    ++number;
    if (format == MeshFormat::Obj) {
      out.text("o surface_");
      out.integer(number);
      out.text("\n");
      for (const Vec& v : m.vertices) {
        out.text("v");
        out.vec(v);
        out.text("\n");
      }
      for (const auto& t : m.triangles) {
        out.text("f");
        for (int32_t k : t) {
          out.text(" ");
          out.integer(base + k);
        }
        out.text("\n");
      }
      base += static_cast<long long>(m.vertices.size());
      continue;
    }
    for (const auto& t : m.triangles) {
      const Vec &a = m.vertices[t[0]], &b = m.vertices[t[1]], &c = m.vertices[t[2]];
      const Vec n = unit_normal(a, b, c);
      if (format == MeshFormat::StlBinary) {
        for (const Vec* v : {&n, &a, &b, &c})
          for (double x : *v) out.f32(x);
        const unsigned char attribute[2] = {0, 0};
        out.bytes(attribute, 2);
      } else {
        out.text("facet normal");
        out.vec(n);
        out.text("\n outer loop\n");
        for (const Vec* v : {&a, &b, &c}) {
          out.text("  vertex");
          out.vec(*v);
          out.text("\n");
        }
        out.text(" endloop\nendfacet\n");
      }
    }
  }
  if (format == MeshFormat::StlAscii) out.text("endsolid orvantis\n");
  const bool written = out.ok();
  if (std::fclose(f) != 0 || !written) {
    err = path + ": could not be written: " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace orv::exchange
