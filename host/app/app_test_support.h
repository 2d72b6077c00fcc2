// Helpers of the end-to-end tests: a scratch directory, files in and out, running the built
// orvantis as a user would (arguments, standard input, exit status, standard error), and reading
// its transcript.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

extern char** environ;

namespace orv::app::testing {

namespace fs = std::filesystem;

inline std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void write_file(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

/// A fresh directory, removed with everything in it at the end of the test. It holds a main
/// directory with ZLINKS/ and a private temporary directory.
class Scratch {
 public:
  Scratch() {
    std::string tmpl = (fs::temp_directory_path() / "orv-app-XXXXXX").string();
    root_ = ::mkdtemp(tmpl.data());
    fs::create_directories(root_ / "main" / "ZLINKS");
    fs::create_directory(root_ / "tmp");
    ::chmod((root_ / "tmp").c_str(), 0700);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& root() const { return root_; }
  fs::path main_dir() const { return root_ / "main"; }
  fs::path temp_dir() const { return root_ / "tmp"; }
  fs::path operator/(const std::string& name) const { return root_ / name; }
  /// Writes `text` as `name` in the scratch directory and returns its path.
  fs::path file(const std::string& name, const std::string& text) const {
    write_file(root_ / name, text);
    return root_ / name;
  }

 private:
  fs::path root_;
};

struct Outcome {
  int status = -1;  // exit status, or 128 + signal
  std::string out, err;
};

/// Runs `program` with `args`; standard input from `stdin_path` (/dev/null when empty).
inline Outcome run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& stdin_path = "", const fs::path& work = fs::temp_directory_path()) {
  std::string tmpl = (fs::temp_directory_path() / "orv-run-XXXXXX").string();
  fs::path dir = ::mkdtemp(tmpl.data());
  fs::path out = dir / "out", err = dir / "err";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, stdin_path.empty() ? "/dev/null" : stdin_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addchdir_np(&fa, work.c_str());
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  Outcome run;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ) == 0) {
    int st = 0;
    ::waitpid(pid, &st, 0);
    run.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  }
  posix_spawn_file_actions_destroy(&fa);
  run.out = read_file(out);
  run.err = read_file(err);
  fs::remove_all(dir);
  return run;
}

/// Runs `program` as run_program does (standard input /dev/null), with `setup` run in the child
/// just before the program starts: a lower limit, another user, another environment. A program
/// still running after `timeout` is killed (status 128 + 9), so a hang fails the test.
inline Outcome run_program_with(const std::function<void()>& setup, const std::string& program,
                                const std::vector<std::string>& args, const fs::path& work,
                                std::chrono::seconds timeout = std::chrono::seconds(60)) {
  std::string tmpl = (fs::temp_directory_path() / "orv-run-XXXXXX").string();
  fs::path dir = ::mkdtemp(tmpl.data());
  fs::path out = dir / "out", err = dir / "err";
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  Outcome run;
  pid_t pid = ::fork();
  if (pid == 0) {
    int in = ::open("/dev/null", O_RDONLY);
    int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 ||
        ::chdir(work.c_str()) != 0)
      ::_exit(126);
    setup();
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  if (pid > 0) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    int st = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &st, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
      ::kill(pid, SIGKILL);
      done = ::waitpid(pid, &st, 0);
    }
    if (done == pid) run.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  }
  run.out = read_file(out);
  run.err = read_file(err);
  fs::remove_all(dir);
  return run;
}

/// The transcript's events, one JSON object a line.
inline std::vector<nlohmann::json> read_transcript(const fs::path& p) {
  std::vector<nlohmann::json> events;
  std::ifstream in(p);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) events.push_back(nlohmann::json::parse(line));
  return events;
}

/// The events of one kind, in order.
inline std::vector<nlohmann::json> events_of(const std::vector<nlohmann::json>& all, const std::string& kind) {
  std::vector<nlohmann::json> out;
  for (const nlohmann::json& e : all)
    if (e.value("event", "") == kind) out.push_back(e);
  return out;
}

}  // namespace orv::app::testing
