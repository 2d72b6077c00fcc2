// The floor of a 1001 x 1001 `parametric_surf` plot (bench/data/torus_surf_1000.eqn): the torus's
// grid computed natively, then the host's own surface interpolation through it (the fitting kernel
// alone, without the host), its pole count printed. With `--stl FILE`, the grid's quads written as
// binary STL triangles: what a mesh of the surface must at least write.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/kernel.h"

int main(int argc, char** argv) {
  const int n = 1001;
  const double step = 0.006283185307179586, R = 5, r = 1;
  std::vector<orv::kernel::Point> grid;
  grid.reserve(static_cast<size_t>(n) * n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const double t = i * step, v = j * step;
      grid.push_back({(R + r * std::cos(v)) * std::cos(t), (R + r * std::cos(v)) * std::sin(t), r * std::sin(v)});
    }
  nb_type nb;
  std::string err;
  if (!orv::kernel::interpolate_surface(grid, n, n, nb, err)) {
    std::fprintf(stderr, "surface_floor: %s\n", err.c_str());
    return 1;
  }
  std::printf("%zu poles\n", nb.poles.size());
  if (argc == 3 && std::strcmp(argv[1], "--stl") == 0) {
    FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) return 1;
    char header[80] = {};
    const uint32_t triangles = 2u * (n - 1) * (n - 1);
    std::fwrite(header, 1, 80, out);
    std::fwrite(&triangles, 4, 1, out);
    auto at = [&](int i, int j) { return grid[static_cast<size_t>(i) * n + j]; };
    for (int i = 0; i + 1 < n; ++i)
      for (int j = 0; j + 1 < n; ++j) {
        const orv::kernel::Point q[2][3] = {{at(i, j), at(i + 1, j), at(i + 1, j + 1)},
                                            {at(i, j), at(i + 1, j + 1), at(i, j + 1)}};
        for (const auto& tri : q) {
          float record[12] = {};
          for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 3; ++c) record[3 + k * 3 + c] = static_cast<float>(tri[k][c]);
          const uint16_t attribute = 0;
          std::fwrite(record, 4, 12, out);
          std::fwrite(&attribute, 2, 1, out);
        }
      }
    if (std::fclose(out) != 0) return 1;
  }
  return 0;
}
