// End to end: the ways a run could still lose data or a file, each met as a user meets it: export
// names that are not UTF-8, a closed pipe on standard output, two runs on one part file, outputs
// named after the run's own files, memory running out, and arguments that must be refused.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>

#include "app/app_test_support.h"
#include "core/database.h"
#include "core/part_file.h"

namespace orv::app::testing {
namespace {

const std::string kOrvantis = ORV_TEST_ORVANTIS;
const fs::path kExamples = ORV_TEST_EXAMPLES;

const char kHelix[] =
    "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = spline\n"
    "angles = degrees\nx = cos(t)\ny = sin(t)\nz = t/360\n";

// A points plot whose first point is not finite (ln 0): the batch run prints one refusal line.
const char kOneRefusal[] =
    "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 2\nstep_size1 = 1\ngeometry = points\n"
    "x = t\ny = ln(t)\n";

class AppKeepsData : public ::testing::Test {
 protected:
  Scratch s;

  std::vector<std::string> common_args() const {
    return {"--main-dir", s.main_dir().string(), "--temp-dir", s.temp_dir().string()};
  }
  Outcome plot(const fs::path& eqn, std::vector<std::string> extra) const {
    std::vector<std::string> args{"plot", eqn.string()};
    for (const std::string& a : common_args()) args.push_back(a);
    args.insert(args.end(), extra.begin(), extra.end());
    return run_program(kOrvantis, args, "", s.root());
  }
  // Starts orvantis with `args` and the common ones; `in_child` sets up its standard streams.
  pid_t start(std::vector<std::string> args, const std::function<void()>& in_child) const {
    std::vector<std::string> all{kOrvantis};
    all.insert(all.end(), args.begin(), args.end());
    for (const std::string& a : common_args()) all.push_back(a);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
      in_child();
      ::execv(kOrvantis.c_str(), argv.data());
      ::_exit(127);
    }
    return pid;
  }
  // The hidden temporaries left in the scratch directory.
  std::vector<std::string> temporaries() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(s.root()))
      if (e.path().filename().string().find(".tmp-") != std::string::npos) out.push_back(e.path().filename());
    return out;
  }
};

// OpenCASCADE re-encodes a name that is not UTF-8; the file it writes must still be the one that
// replaces the target.
TEST_F(AppKeepsData, StepAndIgesExportsToNamesThatAreNotUtf8) {
  fs::path eqn = s.file("helix.eqn", kHelix);
  struct Case {
    std::string name;
    const char* starts;
  } cases[] = {{"p\xff.step", "ISO-10303-21;"}, {"q\xff\xfe.igs", ""}, {"r\xc3\xa9.stp", "ISO-10303-21;"}};
  for (const Case& c : cases) {
    fs::path target = s / c.name;
    write_file(target, "precious");
    Outcome r = plot(eqn, {"--export", target.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string text = read_file(target);
    EXPECT_GT(text.size(), 1000u) << c.name;
    EXPECT_EQ(text.rfind(c.starts, 0), 0u) << c.name;
    if (std::string(c.starts).empty()) {  // IGES: the first line is the start section's first
      const std::string first = text.substr(0, text.find('\n'));
      ASSERT_GE(first.size(), 80u) << c.name;
      EXPECT_EQ(first[72], 'S') << c.name;
      EXPECT_EQ(std::stoi(first.substr(73, 7)), 1) << c.name;
    }
    EXPECT_EQ(temporaries(), std::vector<std::string>{}) << c.name;
  }
}

// A reader that goes away (`| head -1`) must not cost the part file: SIGPIPE is ignored and the
// failed writes of the run's own messages are harmless.
TEST_F(AppKeepsData, ClosedPipeOnOutputAndErrorStillSaves) {
  fs::path eqn = s.file("r.eqn", kOneRefusal);
  fs::path part = s / "r.json";
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  pid_t pid = start({"plot", eqn.string(), "--part", part.string()}, [&] {
    ::close(pipe_fds[0]);
    ::dup2(pipe_fds[1], 1);
    ::dup2(pipe_fds[1], 2);
    ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
  });
  ASSERT_GT(pid, 0);
  ::close(pipe_fds[1]);
  ::close(pipe_fds[0]);  // the reader is gone before the first line
  int st = 0;
  ASSERT_EQ(::waitpid(pid, &st, 0), pid);
  ASSERT_TRUE(WIFEXITED(st)) << "ended by signal " << WTERMSIG(st);
  EXPECT_EQ(WEXITSTATUS(st), 3);  // the refusal, as with a reader
  nlohmann::json doc = nlohmann::json::parse(read_file(part));
  ASSERT_EQ(doc["entities"].size(), 2u);
  EXPECT_EQ(doc["entities"][0]["kind"], "point");
}

// The part file is held from reading to saving: a second run on it, whether the file is there or
// not yet, is refused before it changes anything.
TEST_F(AppKeepsData, SecondRunOnALockedPartFileIsRefused) {
  fs::path eqn = s.file("helix.eqn", kHelix);
  for (bool exists : {true, false}) {
    fs::path part = s / (exists ? "held.json" : "new.json");
    if (exists) {
      ASSERT_EQ(plot(eqn, {"--part", part.string()}).status, 0);
    }
    const std::string before = exists ? read_file(part) : "";
    // The first run waits on a script read from a pipe, holding the lock.
    int in[2];
    ASSERT_EQ(::pipe(in), 0);
    fs::path transcript = s / "first.jsonl";
    fs::remove(transcript);
    pid_t first = start({"--script", "-", "--part", part.string(), "--transcript", transcript.string()}, [&] {
      ::dup2(in[0], 0);
      ::close(in[1]);
      int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
    });
    ASSERT_GT(first, 0);
    ::close(in[0]);
    // The first run holds the lock once it has opened its transcript.
    for (int waited = 0; waited < 20000 && !fs::exists(transcript); waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));

    Outcome second = plot(eqn, {"--part", part.string(), "--export", (s / "second.step").string()});
    EXPECT_EQ(second.status, 1) << second.err;
    EXPECT_EQ(second.err, "orvantis: --part: " + part.string() +
                              ": in use by another run of orvantis (it holds the part file's lock); nothing was changed\n");
    EXPECT_FALSE(fs::exists(s / "second.step"));
    EXPECT_EQ(exists ? read_file(part) : std::string(), before);

    const std::string script = "prompt " + eqn.string() + "\npress Plot it\npress Cancel\n";
    ASSERT_EQ(::write(in[1], script.data(), script.size()), static_cast<ssize_t>(script.size()));
    ::close(in[1]);
    int st = 0;
    ASSERT_EQ(::waitpid(first, &st, 0), first);
    EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -1, 0);
    // Both plots of the first run (one before, when the file was there) are in the file.
    nlohmann::json doc = nlohmann::json::parse(read_file(part));
    EXPECT_EQ(doc["entities"].size(), exists ? 2u : 1u);
    // Once the first run has ended, the file is free.
    EXPECT_EQ(plot(eqn, {"--part", part.string()}).status, 0);
  }
}

// A transcript or screen picture never goes over the part file, an export target, the equation
// file, a device or a file that is not a transcript; each is refused and the file stays.
TEST_F(AppKeepsData, TranscriptAndScreenNeverGoOverTheRunsFiles) {
  fs::path eqn = s.file("torus.eqn", kHelix);
  fs::path part = s / "p.json", step = s / "t.step", notes = s.file("notes.txt", "my notes\n");
  ASSERT_EQ(plot(eqn, {"--part", part.string()}).status, 0);
  const std::string part_text = read_file(part);
  ASSERT_EQ(::symlink(part.c_str(), (s / "link.json").c_str()), 0);
  struct Case {
    fs::path transcript;
    std::string why;
  } cases[] = {
      {part, part.string() + ": is the part file; not written over"},
      {s / "link.json", (s / "link.json").string() + ": is the part file; not written over"},
      {step, step.string() + ": is an export target; not written over"},
      {eqn, eqn.string() + ": is the equation file; not written over"},
      {notes, notes.string() + ": not a transcript; not written over"},
      {"/dev/null", "/dev/null: not a regular file (a character device)"},
  };
  for (const Case& c : cases) {
    Outcome r = plot(eqn, {"--part", part.string(), "--export", step.string(), "--transcript", c.transcript.string()});
    EXPECT_EQ(r.status, 2) << c.transcript;
    EXPECT_EQ(r.err, "orvantis: --transcript: " + c.why + "\n");
    EXPECT_EQ(read_file(part), part_text);
    EXPECT_EQ(read_file(eqn), kHelix);
    EXPECT_EQ(read_file(notes), "my notes\n");
    EXPECT_FALSE(fs::exists(step));
  }

  // A transcript of an earlier run is replaced.
  fs::path transcript = s / "run.jsonl";
  for (int run = 0; run < 2; ++run) {
    Outcome again = plot(eqn, {"--transcript", transcript.string()});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(read_file(transcript).rfind("{\"event\":\"zlink\"", 0), 0u);
  }

  // The script's screen line: refused over the part file, which is still saved whole.
  fs::path script = s.file("s.txt", "prompt " + eqn.string() + "\npress Plot it\nscreen " + part.string() + "\n");
  std::vector<std::string> args{"--script", script.string(), "--part", part.string()};
  for (const std::string& a : common_args()) args.push_back(a);
  Outcome r = run_program(kOrvantis, args, "", s.root());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("s.txt:3: cannot write the screen: " + part.string() + ": is the part file; not written over"),
            std::string::npos) << r.err;
  nlohmann::json doc = nlohmann::json::parse(read_file(part));
  EXPECT_EQ(doc["entities"].size(), 2u);  // the first plot and this one
}

// A file that cannot be written says why, whichever writer made it: here the file-size limit,
// which every export of the torus passes.
TEST_F(AppKeepsData, WritesThatFailSayWhy) {
  const fs::path torus = kExamples / "torus.eqn";
  const std::vector<std::string> names{"t.step", "t.igs", "t.stl", "t.json", "p.json"};
  std::vector<std::string> args{"plot", torus.string(), "--main-dir", s.main_dir().string(), "--temp-dir",
                                s.temp_dir().string(), "--part", (s / "p.json").string()};
  for (size_t i = 0; i + 1 < names.size(); ++i) {
    args.push_back("--export");
    args.push_back((s / names[i]).string());
  }
  Outcome r = run_program_with([] {
    struct rlimit lim {4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }, kOrvantis, args, s.root());
  EXPECT_EQ(r.status, 1) << r.err;
  for (const std::string& name : names) {
    const std::string path = (s / name).string();
    const size_t at = r.err.find(path + ": ");
    ASSERT_NE(at, std::string::npos) << name << ": " << r.err;
    const std::string line = r.err.substr(at, r.err.find('\n', at) - at);
    EXPECT_NE(line.find("File too large"), std::string::npos) << line;
    EXPECT_FALSE(fs::exists(s / name)) << name;
  }
  EXPECT_EQ(temporaries(), std::vector<std::string>{});

  // Too little can be written for a trace log (the limit leaves room for the messages on standard
  // error, a file here): told at start.
  r = run_program_with([] {
    struct rlimit lim {1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }, kOrvantis, {"plot", (kExamples / "helix.eqn").string(), "--main-dir", s.main_dir().string(), "--temp-dir",
                 s.temp_dir().string()}, s.root());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "orvantis: " + s.temp_dir().string() +
                       "/: cannot be written (File too large); a trace log cannot be written there\n");
}

// Refusals of the command line, each with the README's status and one line.
TEST_F(AppKeepsData, ArgumentsThatMustBeRefusedOrTaken) {
  fs::path dashed = s.file("-x.eqn", kHelix);
  Outcome r = run_program(kOrvantis, {"plot", "--", "-x.eqn", "--main-dir", s.main_dir().string()}, "", s.root());
  EXPECT_EQ(r.status, 2) << r.err;  // options after the file name are names too
  r = run_program(kOrvantis, {"--main-dir", s.main_dir().string(), "--temp-dir", s.temp_dir().string(), "plot", "--",
                              "-x.eqn"}, "", s.root());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("1 spline through 37 points"), std::string::npos) << r.out;

  fs::path newline = s.file("a\nb.eqn", kHelix);
  r = plot(newline, {});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "orvantis: plot: the file name holds a line break\n");

  r = plot(dashed, {"--part", (s / "a.json").string(), "--part", (s / "b.json").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "orvantis: --part: given twice: a run has one part file (got '" + (s / "b.json").string() + "')\n");

  r = run_program(kOrvantis, {"plot", dashed.string(), "--temp-dir", (s / "nonexistent").string()}, "", s.root());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "orvantis: --temp-dir: " + (s / "nonexistent").string() + ": No such file or directory\n");
  EXPECT_FALSE(fs::exists(s / "nonexistent"));
}

// Memory that runs out during a plot stops the plot once, as a stop request does; what was made
// is saved and exported, and the run ends with a status and a reason instead of an abort.
TEST_F(AppKeepsData, RunningOutOfMemoryStopsThePlotAndSavesWhatWasMade) {
  fs::path eqn = s.file("endless.eqn",
                        "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 2000000000\nstep_size1 = 1\n"
                        "geometry = points\nx = cos(t)\ny = sin(t)\nz = t / 1000000\n");
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#endif
  fs::path part = s / "p.json", exported = s / "e.json";
  // Enough address space to start (some 120 MiB, mostly shared libraries), and for about a million
  // points more.
  const rlim_t limit = 180ull << 20;
  Outcome r = run_program_with([limit] {
    struct rlimit rl {limit, limit};
    ::setrlimit(RLIMIT_AS, &rl);
  }, kOrvantis, {"plot", eqn.string(), "--part", part.string(), "--export", exported.string(), "--main-dir",
                 s.main_dir().string(), "--temp-dir", s.temp_dir().string()}, s.root(), std::chrono::seconds(120));
  EXPECT_TRUE(r.status == 1 || r.status == 3) << r.status << ": " << r.err;
  // Told once (with the count of the refusals that followed), not once a step.
  const size_t told = std::count(r.err.begin(), r.err.end(), '\n');
  EXPECT_LE(told, 6u) << r.err;
  EXPECT_NE(r.err.find("ran out of memory"), std::string::npos) << r.err;
  std::printf("[ memory   ] %s", r.err.c_str());
  // Read back as the next run reads them (a JSON tree of a million points would take a minute).
  GeometryDatabase saved, again;
  std::string err;
  ASSERT_TRUE(load_part_file(part.string(), saved, err)) << err;
  ASSERT_TRUE(load_part_file(exported.string(), again, err)) << err;
  EXPECT_GT(saved.size(), 100000u);
  EXPECT_EQ(again.size(), saved.size());
}

}  // namespace
}  // namespace orv::app::testing
