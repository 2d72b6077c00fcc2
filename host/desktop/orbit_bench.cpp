// Frames a second of the desktop window while its view turns about a part file's geometry: opens the
// window, draws the database as the front end draws it, turns the view one step a frame, and prints
// the rate. A benchmark for the software renderer, not a test: run it under Xvfb with
// scripts/bench_desktop.sh, which makes the part files first.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/database.h"
#include "core/host.h"
#include "core/part_file.h"
#include "desktop/desktop_front_end.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orv_desktop_bench PART.json [FRAMES] [WIDTH HEIGHT]\n");
    return 2;
  }
  const int frames = argc > 2 ? std::atoi(argv[2]) : 200;
  const int width = argc > 4 ? std::atoi(argv[3]) : 1280, height = argc > 4 ? std::atoi(argv[4]) : 800;
  orv::Host host;
  orv::UseHost use_host(host);
  orv::GeometryDatabase& db = host.database;
  std::string err;
  if (!orv::load_part_file(argv[1], db, err)) {
    std::fprintf(stderr, "orv_desktop_bench: %s\n", err.c_str());
    return 1;
  }
  orv::desktop::DesktopWindow window;
  if (!window.open(width, height, "Orvantis bench", err)) {
    std::fprintf(stderr, "orv_desktop_bench: %s\n", err.c_str());
    return 1;
  }
  orv::desktop::DesktopFrontEnd desk(window, db, host.windows);
  desk.draw_frame();  // the scene goes to the GPU once, before the clock starts
  desk.take_fine_mesh(true);
  // Turning, as a drag does: the coarse level of detail. Then still frames, finely shaded.
  auto rate = [&](bool moving, int count) {
    desk.set_moving(moving);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
      desk.view_state().camera = desk.view_state().camera.turned(3, 0.5);
      desk.draw_frame();
    }
    return count / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const double turning = rate(true, frames);
  const double still = rate(false, std::max(1, frames / 4));
  std::printf("%s: %dx%d, %zu triangles when still: %.1f frames a second turning, %.1f still\n", argv[1], width,
              height, desk.triangles(), turning, still);
  return 0;
}
