// Fuzzes the headless front end's script reader with arbitrary bytes as a script. Nothing is run:
// screen lines would write files and edit lines run commands, so only the parsing is exercised.
// The reader must agree with the line parser line by line (the same lines kept, or the first bad
// line named with the parser's reason), every parsed line must be well-formed, and a line written
// back in its plain form must parse to the same line. The whole input is also given to the line
// parser as one line, line feeds and NUL bytes included. Anything else traps.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "frontend/script_front_end.h"

namespace {

using orv::frontend::ScriptLine;
using K = ScriptLine::Kind;

bool same(const ScriptLine& a, const ScriptLine& b) {
  for (int k = 0; k < 3; ++k)
    if (std::bit_cast<uint64_t>(a.point[k]) != std::bit_cast<uint64_t>(b.point[k])) return false;
  return a.kind == b.kind && a.number == b.number && a.text == b.text && a.cancel == b.cancel && a.id == b.id &&
         a.index == b.index;
}

// The line in its plain form: the keyword, one blank, the argument. The final carriage return
// stands for the one the parser drops, so that a text that itself ends in one survives.
std::string plain(const ScriptLine& l) {
  char buf[128];
  switch (l.kind) {
    case K::Prompt: return l.cancel ? "prompt cancel" : "prompt " + l.text + "\r";
    case K::Pick:
      if (l.cancel) return "pick cancel";
      std::snprintf(buf, sizeof buf, "pick %.17g %.17g %.17g", l.point[0], l.point[1], l.point[2]);
      return buf;
    case K::Click: return "click " + std::to_string(l.id);
    case K::Select: return "select " + std::to_string(l.id) + " " + std::to_string(l.index);
    case K::DoubleClick: return "doubleclick " + std::to_string(l.id) + " " + std::to_string(l.index);
    case K::Key: return "key " + l.text;
    case K::Type: return "type " + l.text + "\r";
    case K::Edit: return "edit " + l.text + "\r";
    case K::Close: return "close";
    case K::Screen: return "screen " + l.text + "\r";
    case K::Press: return "press " + l.text + "\r";
    case K::Screenshot: return "screenshot " + l.text + "\r";
  }
  __builtin_trap();
}

bool well_formed(const ScriptLine& l) {
  switch (l.kind) {
    case K::Pick:
      return l.cancel || (std::isfinite(l.point[0]) && std::isfinite(l.point[1]) && std::isfinite(l.point[2]));
    case K::Select:
    case K::DoubleClick: return l.index >= 0;
    case K::Prompt: return l.cancel || !l.text.empty();
    case K::Key:
    case K::Edit:
    case K::Press:
    case K::Screen:
    case K::Screenshot: return !l.text.empty();
    default: return true;
  }
}

// Parses one line and checks what comes out; false (with `why`) when the line is not a script line.
bool parse_checked(const std::string& raw, int number, ScriptLine& out, bool& skip, std::string& why) {
  if (!orv::frontend::parse_script_line(raw, number, out, skip, why)) {
    if (why.empty()) __builtin_trap();  // a refusal always says why
    return false;
  }
  if (skip) return true;
  if (out.number != number || !well_formed(out)) __builtin_trap();
  ScriptLine again;
  bool again_skip = true;
  std::string again_why;
  if (!orv::frontend::parse_script_line(plain(out), number, again, again_skip, again_why) || again_skip ||
      !same(out, again)) {
    std::fprintf(stderr, "line does not read back in its plain form: %s\n", plain(out).c_str());
    __builtin_trap();
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The reader's verdict, worked out line by line: lines end at a line feed, the last one may not.
  std::string expected_err;
  size_t kept = 0;
  int number = 0;
  for (size_t at = 0; at < text.size() && expected_err.empty();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string raw = text.substr(at, end - at);
    at = end + 1;
    ++number;
    if (raw.size() > orv::frontend::kMaxScriptLineBytes) {
      expected_err = "fuzz:" + std::to_string(number) + ": the line is longer than " +
                     std::to_string(orv::frontend::kMaxScriptLineBytes) + " bytes";
      break;
    }
    if (raw.find('\0') != std::string::npos) {
      expected_err = "fuzz:" + std::to_string(number) + ": a NUL byte in the line";
      break;
    }
    ScriptLine line;
    bool skip = false;
    std::string why;
    if (!parse_checked(raw, number, line, skip, why))
      expected_err = "fuzz:" + std::to_string(number) + ": " + why;
    else if (!skip)
      ++kept;
  }

  orv::WindowSystem windows;
  orv::frontend::ScriptFrontEnd script(windows);
  std::string err;
  const bool loaded = script.load_text(text, "fuzz", err);
  if (loaded != expected_err.empty()) __builtin_trap();
  if (!loaded && err != expected_err) {
    std::fprintf(stderr, "reader said \"%s\", the lines say \"%s\"\n", err.c_str(), expected_err.c_str());
    __builtin_trap();
  }
  if (loaded && (script.lines_left() != kept || script.failed())) __builtin_trap();

  // The whole input as one line: whatever it holds, the parser answers and what it keeps is sound.
  ScriptLine whole;
  bool skip = false;
  std::string why;
  parse_checked(text, 1, whole, skip, why);
  return 0;
}
