// Sessions run inside the test process, for what one orvantis run cannot show from outside: two
// uses of the Zlink in one process, and a write-back whose writes fail.
#include "app/session.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "app/app_test_support.h"
#include "core/database.h"
#include "core/file_services.h"

namespace orv::app::testing {
namespace {

class Session : public ::testing::Test {
 protected:
  Host host_;
  UseHost use_host_{host_};
  Scratch s;
  std::vector<nlohmann::json> events;

  void SetUp() override {
    std::string err;
    ASSERT_TRUE(set_main_dir(s.main_dir().string(), err)) << err;
    ASSERT_TRUE(set_temp_dir(s.temp_dir().string(), err)) << err;
  }
  void TearDown() override { set_committing_write_hook({}); }

  SessionResult run(const std::string& script_text, int runs = 1) {
    SessionConfig c;
    c.mode = RunMode::Script;
    c.script = s.file("script.txt", script_text).string();
    c.zlink = ORV_TEST_ZLINK;
    c.transcript = (s / "t.jsonl").string();
    c.runs = runs;
    SessionResult r = run_session(host_, c);
    events = read_transcript(s / "t.jsonl");
    return r;
  }
};

TEST_F(Session, SecondUseKeepsWhatACancelledRunChanged) {
  // No angles and no origin line: what the file is written with comes from memory.
  const std::string text = "step_var1 = t\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = spline\n"
                           "x = cos(t)\ny = sin(t)\n";
  fs::path f = s.file("c.eqn", text);
  // First use: uncheck degrees, pick an origin, choose Lines, Cancel. Second use: OK at once.
  SessionResult r = run("prompt " + f.string() + "\nclick 1016\nclick 1018\npick 4 5 6\nselect 1027 2\nclick 2\n"
                        "prompt " + f.string() + "\nclick 1\n",
                        2);
  ASSERT_TRUE(r.ran) << r.error;
  EXPECT_EQ(r.error, "");
  std::vector<nlohmann::json> q = events_of(events, "q_main");
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[0]["result"], 1);
  EXPECT_EQ(q[1]["result"], 1);
  // Both uses start from the default path.
  std::vector<nlohmann::json> prompts = events_of(events, "prompt");
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0]["default"], prompts[1]["default"]);
  // The file names the geometry, so the read puts spline back; the rest stayed from the first use.
  EXPECT_EQ(read_file(f),
            "step_var1 = t\nstep_size1 = 10\nlower_limit1 = 0\nupper_limit1 = 360\ngeometry = spline\n"
            "angles = radians\norigin = 4, 5, 6\nx = cos(t)\ny = sin(t)\n");
}

TEST_F(Session, WriteBackThatFailsWarnsAndKeepsTheOriginal) {
  const std::string text = "step_var1 = t\nupper_limit1 = 90\nstep_size1 = 10\nx = t\n";
  fs::path f = s.file("w.eqn", text);
  // Every write of the write-back fails as on a full device.
  set_committing_write_hook([](int, const void*, std::size_t) -> long {
    errno = ENOSPC;
    return -1;
  });
  SessionResult r = run("prompt " + f.string() + "\nclick 1\nkey Enter\n");
  ASSERT_TRUE(r.ran) << r.error;
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(read_file(f), text);
  std::vector<nlohmann::json> messages = events_of(events, "message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["text"], f.string() + " could not be written");
  EXPECT_EQ(messages[0]["caption"], "Warning");
  EXPECT_EQ(r.q_main, 1);
  // Nothing was left beside the file.
  std::size_t files = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(s.root()))
    if (e.is_regular_file()) ++files;
  EXPECT_EQ(files, 3u);  // w.eqn, script.txt, t.jsonl
}

TEST_F(Session, ScriptLeftWithAMessageBoxOpenIsAnError) {
  fs::path f = s.file("m.eqn", "step_var1 = t\nx = t\n");
  // The warning box of a plot with a missing step variable, never dismissed.
  SessionResult r = run("prompt " + f.string() + "\nclick 1015\nclick 1010\ntype nosuch\nclick 1\nclick 1020\n");
  EXPECT_TRUE(r.ran);
  EXPECT_NE(r.error, "");
  EXPECT_EQ(events_of(events, "message").size(), 1u);
}

}  // namespace
}  // namespace orv::app::testing
