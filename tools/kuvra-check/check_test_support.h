// Test support for the checker: checking a text as a file in-process, and running the built program.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "check_file.h"

/// A curve file around `body` for the warning tests: t runs 0 to 1 in radians, and x, y and z are
/// assigned, so `body` (from line `body_line`) is all a warning can be about.
inline std::string with_header(const std::string& body) {
  return "step_var1 = t\ngeometry = points\nangles = radians\nx = t\ny = t\nz = t\n" + body;
}
constexpr int body_line = 7;

/// Checks `content` as the file "test.eqn"; the report's text.
inline std::string check_text(const std::string& content, CheckOptions options, CheckResult* result = nullptr) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), in);
  std::rewind(in);
  CheckResult r = check_file(in, "test.eqn", options, out);
  if (result) *result = r;
  std::string text;
  std::rewind(out);
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, out)) > 0) text.append(chunk, n);
  std::fclose(in);
  std::fclose(out);
  return text;
}

/// The JSON report of `content`.
inline nlohmann::json check_json(const std::string& content, CheckResult* result = nullptr) {
  CheckOptions options;
  options.json = true;
  return nlohmann::json::parse(check_text(content, options, result));
}

/// Runs the shell `command`; its exit status, and both streams in `output`.
inline int run_command(const std::string& command, std::string* output) {
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char chunk[4096];
  size_t n;
  output->clear();
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output->append(chunk, n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// Runs the built program with `arguments` (shell words).
inline int run_checker(const std::string& arguments, std::string* output) {
  return run_command(std::string(KUVRA_CHECK_BINARY) + " " + arguments, output);
}
