// End to end: a batch or script run stopped by SIGINT, SIGTERM or SIGHUP ends promptly with exit status 130,
// saves the part file and writes the exports of what was made, and runs none of the script's
// remaining lines; a plot that would never end takes bounded memory until it is stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <sstream>
#include <thread>

#include "app/app_test_support.h"

namespace orv::app::testing {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kOrvantis = ORV_TEST_ORVANTIS;

// Two billion steps: hours of plotting, and gigabytes of screen, if nothing bounded or stopped it.
const char kEndless[] =
    "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 2000000000\nstep_size1 = 1\ngeometry = points\n"
    "x = cos(t)\ny = sin(t)\nz = t / 1000000\n";

struct Stopped {
  int status = -1;
  double seconds_after_signal = 0;  // from the signal to the exit
  long max_rss_kb = 0;
  std::string err;
};

class AppStop : public ::testing::Test {
 protected:
  Scratch s;

  // Starts orvantis with `args`, waits until its transcript shows `event` and then until `ready`
  // says so of the process, sends `signal` (0: none, the run signals itself) and waits for the exit.
  Stopped run_and_signal(std::vector<std::string> args, const std::string& event, int signal,
                         const std::function<bool(pid_t)>& ready = {}) {
    fs::path transcript = s / "transcript.jsonl", err = s / "err";
    fs::remove(transcript);  // an earlier run's events must not pass for this run's
    std::vector<std::string> all{kOrvantis};
    all.insert(all.end(), args.begin(), args.end());
    for (const std::string& a : {std::string("--main-dir"), s.main_dir().string(), std::string("--temp-dir"),
                                 s.temp_dir().string(), std::string("--transcript"), transcript.string()})
      all.push_back(a);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    Stopped out;
    int rc = posix_spawn(&pid, kOrvantis.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) {
      ADD_FAILURE() << "orvantis cannot be started";
      return out;
    }
    // Polled for a state, never slept for a time: a loaded machine only makes it come later.
    for (int waited = 0; waited < 20000; waited += 20) {
      if (read_file(transcript).find("\"event\":\"" + event + "\"") != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (int waited = 0; ready && waited < 60000 && !ready(pid); waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (signal != 0) ::kill(pid, signal);
    Clock::time_point sent = Clock::now();
    int st = 0;
    struct rusage usage {};
    // Waits at most a minute, so that a run that ignores the signal fails the test instead of hanging.
    while (::wait4(pid, &st, WNOHANG, &usage) == 0) {
      if (Clock::now() - sent > std::chrono::seconds(60)) {
        ::kill(pid, SIGKILL);
        ::wait4(pid, &st, 0, &usage);
        ADD_FAILURE() << "orvantis did not end within a minute of the signal";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    out.seconds_after_signal = std::chrono::duration<double>(Clock::now() - sent).count();
    out.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    out.max_rss_kb = usage.ru_maxrss;
    out.err = read_file(err);
    return out;
  }

  // Bytes of memory the process holds (its resident set), 0 when it cannot be read.
  static size_t resident_bytes(pid_t pid) {
    std::istringstream statm(read_file("/proc/" + std::to_string(pid) + "/statm"));
    size_t size = 0, resident = 0;
    return statm >> size >> resident ? resident * static_cast<size_t>(::sysconf(_SC_PAGESIZE)) : 0;
  }

  static size_t points_in(const fs::path& part) {
    nlohmann::json doc = nlohmann::json::parse(read_file(part));
    size_t n = 0;
    for (const auto& e : doc["entities"]) n += e["kind"] == "point" ? 1 : 0;
    EXPECT_EQ(n, doc["entities"].size());
    return n;
  }
};

// The endless plot, as a batch plot stopped by SIGINT or SIGHUP (its terminal closed) and as a
// script stopped by SIGTERM.
TEST_F(AppStop, EndlessPlotStoppedSavesWhatWasMadeAndExits130) {
  fs::path eqn = s.file("endless.eqn", kEndless);
  struct Case {
    bool batch;
    int signal;
    const char* name;
  } cases[] = {{true, SIGINT, "SIGINT"}, {false, SIGTERM, "SIGTERM"}, {true, SIGHUP, "SIGHUP"}};
  for (const Case& c : cases) {
    fs::path part = s / "part.json", exported = s / "export.json";
    fs::remove(part);
    fs::remove(exported);
    std::vector<std::string> args;
    if (c.batch) {
      args = {"plot", eqn.string()};
    } else {
      fs::path script = s.file("script.txt", "prompt " + eqn.string() + "\npress Plot it\npress OK\n");
      args = {"--script", script.string()};
    }
    for (const std::string& a : {std::string("--part"), part.string(), std::string("--export"), exported.string()})
      args.push_back(a);
    // Signalled once the plot has made some hundred thousand points (a point and its mark take
    // some 40 bytes), whatever the speed of the machine; more would only make the saving and the
    // reading back slower under the sanitizers.
    size_t at_prompt = 0;
    Stopped r = run_and_signal(args, "prompt", c.signal, [&](pid_t pid) {
      const size_t now = resident_bytes(pid);
      if (at_prompt == 0) at_prompt = now;
      return now >= at_prompt + (size_t{4} << 20);
    });
    EXPECT_EQ(r.status, 130) << c.name << ": " << r.err;
    // The plot's report tells where it stopped and what it kept, then the run's end is told.
    const std::string told = "orvantis: " + eqn.string() + ": stopped before step ";
    EXPECT_EQ(r.err.rfind(told, 0), 0u) << r.err;
    EXPECT_NE(r.err.find(" of 2,000,000,001 points kept\n"), std::string::npos) << r.err;
    const std::string last = std::string("orvantis: stopped by ") + c.name + "; saved what was made\n";
    EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), last.size())), last);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    EXPECT_LT(r.max_rss_kb, 1024L * 1024) << c.name;  // a gigabyte, loosely
    ASSERT_TRUE(fs::is_regular_file(part)) << c.name;
    ASSERT_TRUE(fs::is_regular_file(exported)) << c.name;
    size_t made = points_in(part);
    EXPECT_GT(made, 0u) << c.name;
    EXPECT_LT(made, 2000000001u) << c.name;
    EXPECT_EQ(points_in(exported), made) << c.name;
    // The script's OK was never clicked: the equation file was not written back.
    EXPECT_EQ(read_file(eqn), kEndless) << c.name;
    std::printf("[ stopped  ] %s after %zu points, %.2f s after the signal, max RSS %ld MB\n", c.name, made,
                r.seconds_after_signal, r.max_rss_kb / 1024);
  }
}

// Outside a plot (here while an edit command runs, which sends it), a signal ends the run the same
// way: what was made before is saved, and the lines after are not run.
TEST_F(AppStop, SignalOutsideAPlotEndsTheRunTheSameWay) {
  fs::path eqn = s.file("helix.eqn",
                        "step_var1 = t\nupper_limit1 = 6\nstep_size1 = 0.5\ngeometry = spline\nx = cos(t)\n"
                        "y = sin(t)\n");
  const std::string before = read_file(eqn);
  fs::path part = s / "part.json";
  fs::path script = s.file("script.txt", "prompt " + eqn.string() +
                                             "\npress Plot it\nedit kill -INT $PPID\npress Edit equation\npress OK\n");
  Stopped r = run_and_signal({"--script", script.string(), "--part", part.string()}, "edit", 0);
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_EQ(r.err, "orvantis: stopped by SIGINT; saved what was made\n");
  nlohmann::json doc = nlohmann::json::parse(read_file(part));
  ASSERT_EQ(doc["entities"].size(), 1u);
  EXPECT_EQ(doc["entities"][0]["kind"], "spline");
  EXPECT_EQ(read_file(eqn), before);  // OK was not clicked
}

}  // namespace
}  // namespace orv::app::testing
