// The requests that pass through the host to the installed front end: each is recorded in the
// transcript once, by the host, whatever front end answers it, and before that front end acts on it,
// and the Zlink's buffers get only what fits them.
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "core/frontend.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"
#include "platform/transcript.h"

namespace {

using Strings = std::vector<std::string>;

std::vector<std::string> read_lines(const std::string& path) {
  Strings out;
  std::ifstream in(path);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Answers from queues and records nothing; notes how many transcript lines were written when each
// request reached it.
class QuietFrontEnd : public orv::FrontEnd {
 public:
  explicit QuietFrontEnd(std::string transcript_path) : transcript_path_(std::move(transcript_path)) {}
  std::deque<std::optional<std::string>> prompts;
  std::deque<std::optional<std::array<double, 3>>> picks;
  Strings requests;              // "edit PATH", "show PATH", "prompt DEFAULT", "pick"
  std::vector<size_t> lines_seen;  // transcript lines already written at each request

  bool PromptForFileToOpen(std::string& path, const std::string&, const std::string&, HWND) override {
    note("prompt " + path);
    std::optional<std::string> answer = take(prompts);
    if (answer) path = *answer;
    return answer.has_value();
  }
  void edit_filename(const std::string& path) override { note("edit " + path); }
  void list_filename(const std::string& path) override { note("show " + path); }
  bool point_proc(const std::string&, std::array<double, 3>& point) override {
    note("pick");
    std::optional<std::array<double, 3>> answer = take(picks);
    if (answer) point = *answer;
    return answer.has_value();
  }

 private:
  template <class T>
  static std::optional<T> take(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) return std::nullopt;
    std::optional<T> front = queue.front();
    queue.pop_front();
    return front;
  }
  void note(const std::string& request) {
    requests.push_back(request);
    lines_seen.push_back(read_lines(transcript_path_).size());
  }
  std::string transcript_path_;
};

class FrontEndRequests : public ::testing::Test {
 protected:
  // One file a test and a process: ctest runs the tests of this fixture side by side.
  std::string path = ::testing::TempDir() + "frontend_requests_" + std::to_string(::getpid()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".jsonl";
  orv::Transcript transcript;
  QuietFrontEnd fe{path};
  orv::Transcript* old_transcript = nullptr;
  orv::FrontEnd* old_front_end = nullptr;

  void SetUp() override {
    std::string err;
    ASSERT_TRUE(transcript.open(path, err)) << err;
    old_transcript = orv::install_transcript(&transcript);
    old_front_end = orv::install_front_end(&fe);
  }
  void TearDown() override {
    orv::install_front_end(old_front_end);
    orv::install_transcript(old_transcript);
    std::remove(path.c_str());
  }
};

TEST_F(FrontEndRequests, EachIsRecordedOnceBeforeTheFrontEndActs) {
  fe.prompts = {std::string("/data/a.eqn"), std::nullopt};
  fe.picks = {std::array<double, 3>{1, 2.5, -3}, std::nullopt};
  char buffer[256] = "C:\\main\\kuvra.eqn";
  EXPECT_EQ(PromptForFileToOpen(buffer, "r", ".EQN", 0, 0, nullptr, nullptr), 1);
  EXPECT_STREQ(buffer, "/data/a.eqn");
  EXPECT_EQ(PromptForFileToOpen(buffer, "r", ".EQN", 0, 0, nullptr, nullptr), 0);
  EXPECT_STREQ(buffer, "/data/a.eqn");  // a cancelled prompt leaves the buffer alone
  double point[3] = {0, 0, 0};
  char code = 0, ok = 0;
  point_proc("Origin", &code, point, &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(point[1], 2.5);
  point_proc("Origin", &code, point, &ok);
  EXPECT_EQ(ok, 0);
  edit_filename("C:\\main\\a.eqn", 1);
  list_filename("/tmp/trace.txt", nullptr, nullptr);

  EXPECT_EQ(read_lines(path),
            (Strings{R"({"event":"prompt","default":"C:\\main\\kuvra.eqn","chosen":"/data/a.eqn"})",
                     R"({"event":"prompt","default":"/data/a.eqn","chosen":null})",
                     R"({"event":"pick","point":[1.0,2.5,-3.0]})", R"({"event":"pick","point":null})",
                     R"({"event":"edit","path":"C:/main/a.eqn"})", R"({"event":"show","path":"/tmp/trace.txt"})"}));
  EXPECT_EQ(fe.requests, (Strings{"prompt C:\\main\\kuvra.eqn", "prompt /data/a.eqn", "pick", "pick",
                                  "edit C:/main/a.eqn", "show /tmp/trace.txt"}));
  // Prompts and picks are recorded with their answer, edits and views before the front end opens
  // them, so whatever happens inside (a message box) follows them in the transcript.
  EXPECT_EQ(fe.lines_seen, (std::vector<size_t>{0, 1, 2, 3, 5, 6}));
}

TEST_F(FrontEndRequests, AnswersTheBuffersCannotTakeAreRecordedButNotHandedOn) {
  const std::string too_long = "/" + std::string(300, 'a');
  fe.prompts = {too_long, std::string()};
  fe.picks = {std::array<double, 3>{NAN, 0, 0}};
  char buffer[256] = "/main/kuvra.eqn";
  EXPECT_EQ(PromptForFileToOpen(buffer, "r", ".EQN", 0, 0, nullptr, nullptr), 0);
  EXPECT_EQ(PromptForFileToOpen(buffer, "r", ".EQN", 0, 0, nullptr, nullptr), 0);
  EXPECT_STREQ(buffer, "/main/kuvra.eqn");
  double point[3] = {7, 8, 9};
  char code = 0, ok = 1;
  point_proc("", &code, point, &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(point[0], 7.0);

  const Strings lines = read_lines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"({"event":"prompt","default":"/main/kuvra.eqn","chosen":")" + too_long + "\"}");
  EXPECT_EQ(lines[1], R"({"event":"prompt","default":"/main/kuvra.eqn","chosen":""})");
}

TEST_F(FrontEndRequests, WithoutAFrontEndNothingIsAskedNorRecorded) {
  orv::install_front_end(nullptr);
  char buffer[256] = "/main/kuvra.eqn";
  EXPECT_EQ(PromptForFileToOpen(buffer, "r", ".EQN", 0, 0, nullptr, nullptr), 0);
  double point[3] = {0, 0, 0};
  char code = 0, ok = 1;
  point_proc("", &code, point, &ok);
  EXPECT_EQ(ok, 0);
  edit_filename("/a.eqn", 1);
  list_filename("/a.txt", nullptr, nullptr);
  EXPECT_TRUE(read_lines(path).empty());
  EXPECT_TRUE(fe.requests.empty());
}

// The person's export command: what they are told for each outcome, and no export without a path.
TEST(ExportForPerson, TellsWhatHappened) {
  struct Case {
    std::string path;
    bool writes;
    std::string why;  // the exporter's reason when it fails
    bool written;
    std::string status;
    int calls;
  } cases[] = {
      {"", true, "", false, "Export cancelled: no path given", 0},
      {"/w/a.step", true, "", true, "Wrote /w/a.step", 1},
      {"/w/a.step", false, "/w/a.step: no such folder", false, "/w/a.step: no such folder", 1},
      {"/w/a.step", false, "", false, "/w/a.step: could not be written", 1},
  };
  for (const Case& c : cases) {
    int calls = 0;
    const orv::Exporter exporter = [&](const std::string& path, std::string& err) {
      ++calls;
      EXPECT_EQ(path, c.path);
      err = c.why;
      return c.writes;
    };
    std::string status = "before";
    EXPECT_EQ(orv::export_for_person(exporter, c.path, status), c.written) << c.path << c.why;
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(calls, c.calls);
  }
}

}  // namespace
