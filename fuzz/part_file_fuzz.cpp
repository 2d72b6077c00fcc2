// Fuzzes the part file reader with arbitrary bytes, as a text and as a file. A read either fails,
// with a message, and leaves the database it was given exactly as it was; or it succeeds, and then
// saving that database and reading the file back gives the same database, every double bit for bit,
// ids and screen included. Anything else traps. The save goes over the input's own file through the
// real atomic writer, so its refusal to replace a file that is not a part file is exercised too.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/database.h"
#include "core/part_file.h"

namespace {

// Every field of the database in one text, doubles in hexadecimal: equal texts mean equal bits.
std::string dump(const orv::GeometryDatabase& db) {
  std::string out = "next " + std::to_string(db.next_id()) + "\n";
  char buf[64];
  auto num = [&](double v) {
    std::snprintf(buf, sizeof buf, "%a ", v);
    out += buf;
  };
  auto pts = [&](const std::vector<std::array<double, 3>>& v) {
    for (const auto& p : v) num(p[0]), num(p[1]), num(p[2]);
    out += "| ";
  };
  for (const orv::Entity* stored : db.entities()) {
    const orv::EntityData record = stored->data();
    const orv::EntityData* e = &record;
    for (int64_t i : {int64_t{e->kind}, e->id, int64_t{e->color}, int64_t{e->level},
                      int64_t{e->attrib.line_style}, int64_t{e->attrib.line_width}, int64_t{e->attrib.flags},
                      int64_t{e->rows}, int64_t{e->cols}, int64_t{e->nb.udegree}, int64_t{e->nb.vdegree},
                      int64_t{e->nb.nu}, int64_t{e->nb.nv}})
      out += std::to_string(i) + " ";
    for (int k = 0; k < 3; ++k) num(e->p1[k]), num(e->p2[k]);
    pts(e->through);
    pts(e->nb.poles);
    for (const auto* v : {&e->nb.uknots, &e->nb.vknots, &e->nb.weights}) {
      for (double d : *v) num(d);
      out += "| ";
    }
    out += "\n";
  }
  for (const orv::ScreenMark& m : db.marks()) {
    for (double c : m.at) num(c);
    out += "mark " + std::to_string(m.color) + "\n";
  }
  for (const orv::ScreenLine& l : db.lines()) {
    for (double c : l.from) num(c);
    for (double c : l.to) num(c);
    out += "line " + std::to_string(l.color) + "\n";
  }
  return out;
}

// A database that already holds something, so that a failed read which cleared or touched it shows.
void fill(orv::GeometryDatabase& db) {
  ent p;
  p.kind = ENT_POINT;
  p.p1[0] = 1.5;
  p.p1[1] = -0.0;
  p.p1[2] = 1e300;
  p.color = 3;
  p.level = 7;
  db.add(p);
  orv::EntityData l;
  l.kind = ENT_LINE;
  l.p2[0] = 0.1;
  l.id = 40;
  db.restore(l);
  db.add_mark({{0.25, 0.5, 0.75}, 12});
  db.add_line({{1, 2, 3}, {4, 5, 6}, 200});
}

// A private directory for the saved file, removed when the fuzzer ends.
struct Scratch {
  std::string dir, path;
  Scratch() {
    char name[] = "/tmp/part_file_fuzz.XXXXXX";
    if (mkdtemp(name) == nullptr) __builtin_trap();
    dir = name;
    path = dir + "/part.json";
  }
  ~Scratch() {
    unlink(path.c_str());
    rmdir(dir.c_str());
  }
};

const std::string& scratch_path() {
  static const Scratch scratch;
  return scratch.path;
}

// Puts the input bytes in the scratch file as they are.
void write_bytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
    __builtin_trap();
}

std::string read_bytes(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) __builtin_trap();
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
  std::fclose(f);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orv::GeometryDatabase db;
  fill(db);
  const std::string before = dump(db);
  std::string what;
  const bool parsed = orv::parse_part_file(text, db, what);
  if (!parsed && (what.empty() || dump(db) != before)) __builtin_trap();

  // The same bytes as a file: reading the file gives what reading the text gave, and saving over
  // the file is refused (the file kept byte for byte) exactly when they are not a part file.
  const std::string& path = scratch_path();
  write_bytes(path, text);
  orv::GeometryDatabase loaded;
  fill(loaded);
  std::string err;
  if (orv::load_part_file(path, loaded, err) != parsed) __builtin_trap();
  if (dump(loaded) != dump(db)) __builtin_trap();
  if (!parsed && err != path + ": not a part file: " + what) {
    std::fprintf(stderr, "file and text read differently: %s / %s\n", err.c_str(), what.c_str());
    __builtin_trap();
  }
  if (orv::save_part_file(path, db, err) != parsed) {
    std::fprintf(stderr, "saving over the input: %s\n", err.c_str());
    __builtin_trap();
  }
  if (!parsed) {
    if (read_bytes(path) != text) __builtin_trap();
    return 0;
  }
  const std::string read = dump(db);

  orv::GeometryDatabase back;
  fill(back);
  if (!orv::load_part_file(path, back, err)) {
    std::fprintf(stderr, "read back failed: %s\n", err.c_str());
    __builtin_trap();
  }
  if (dump(back) != read) {
    std::fprintf(stderr, "read back differs:\n%s---\n%s", read.c_str(), dump(back).c_str());
    __builtin_trap();
  }
  // Writing the database read back gives the very same text, and that is what was saved.
  if (orv::part_file_text(back) != orv::part_file_text(db) || read_bytes(path) != orv::part_file_text(db))
    __builtin_trap();
  return 0;
}
