// The program: exit statuses for clean files, failing lines, failing steps, warnings with and
// without --strict, and files it must refuse at once (a device, a directory, a FIFO, binary bytes).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "check_test_support.h"

namespace {

class CheckProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kuvra-check-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

  std::string write(const std::string& name, const std::string& content) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  std::string dir_;
};

constexpr const char* header = "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 1\nstep_size1 = 0.25\ngeometry = spline\n";

TEST_F(CheckProgram, LinesThatFailWhenPlottedExitWithOne) {
  // Each of these reads without error, yet fails at the first step of every plot.
  const char* lines[] = {"x = cos t", "3 + 4", "x = ", "= 5", "pi = 3", "y = sin-t", "# a bare note"};
  for (const char* line : lines) {
    std::string path = write("f.eqn", std::string(header) + "x = t\n" + line + "\n");
    std::string out;
    EXPECT_EQ(run_checker(path, &out), 1) << line << "\n" << out;
    EXPECT_NE(out.find(":7: point 1 (t = 0): "), std::string::npos) << line << "\n" << out;
  }
}

TEST_F(CheckProgram, ExitStatuses) {
  std::string out;
  std::string clean = write("clean.eqn", std::string(header) + "x = t\ny = t*t\n");
  EXPECT_EQ(run_checker(clean, &out), 0) << out;
  std::string failing_line = write("bad.eqn", std::string(header) + "x = (t\n");
  EXPECT_EQ(run_checker(failing_line, &out), 1) << out;
  EXPECT_NE(out.find("bad.eqn:6: failed: the parentheses do not balance (status -9) | x = (t"), std::string::npos) << out;
  EXPECT_EQ(run_checker(clean + " " + failing_line, &out), 1);
  std::string refused = write("refused.eqn", std::string(header) + "x = 1\n");  // all points coincide
  EXPECT_EQ(run_checker(refused, &out), 1) << out;
  std::string warned = write("warned.eqn", std::string(header) + "x = t\ny = 1e+5\n");
  EXPECT_EQ(run_checker(warned, &out), 0) << out;
  EXPECT_EQ(run_checker("--strict " + warned, &out), 1) << out;
  EXPECT_EQ(run_checker("--strict " + clean, &out), 0) << out;
  EXPECT_EQ(run_checker("--json " + failing_line, &out), 1);
  nlohmann::json r = nlohmann::json::parse(out);
  EXPECT_EQ(r["lines"][5]["status"], -9);
  EXPECT_EQ(r["lines"][5]["message"], "the parentheses do not balance");
  EXPECT_EQ(run_checker("- < " + clean, &out), 0) << out;
  EXPECT_EQ(run_checker("--no-dry-run " + refused, &out), 0) << out;
  EXPECT_EQ(out.find("dry run"), std::string::npos) << out;

  EXPECT_EQ(run_checker("--frobnicate " + clean, &out), 2);
  EXPECT_EQ(run_checker("", &out), 2);
  EXPECT_EQ(run_checker("--help", &out), 0);
  EXPECT_NE(out.find("--strict"), std::string::npos);
  EXPECT_EQ(run_checker("--version", &out), 0);
  EXPECT_EQ(out.rfind("kuvra-check ", 0), 0u) << out;
}

TEST_F(CheckProgram, RefusesWhatIsNotARegularTextFileAtOnce) {
  std::string fifo = dir_ + "/fifo.eqn";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string binary(4096, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919) % 256);
  std::string noise(4096, '\x01');  // no NUL, but nothing printable either
  const struct {
    std::string argument;
    const char* message;
  } cases[] = {
      {"/dev/zero", "/dev/zero: not a regular file"},
      {dir_, ": is a directory"},
      {fifo, "fifo.eqn: not a regular file"},
      {write("binary.eqn", binary), "binary.eqn: not a text file"},
      {write("noise.eqn", noise), "noise.eqn: not a text file"},
      {"- < /dev/zero", "(stdin): not a text file"},
      {dir_ + "/missing.eqn", "missing.eqn: No such file or directory"},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(run_command("timeout 10 " + std::string(KUVRA_CHECK_BINARY) + " " + c.argument, &out), 2)
        << c.argument << "\n" << out;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.argument << "\n" << out;
  }
}

TEST_F(CheckProgram, JsonReportIsValidWhateverBytesTheFileAndItsNameHold) {
  // Bytes that are not UTF-8 in a line, in a warning's token and message, and in the file's name.
  const struct {
    std::string name, content;
  } cases[] = {
      {"m.eqn", "u = cos \xff\xf9 = sin(t)"},
      {"w.eqn", std::string(header) + "x = t\ny = t\xff\n"},
      {"n\xff\xfe.eqn", std::string(header) + "x = t\ny = t*t\n"},
      {"c.eqn", std::string(header) + "x = t\n# \xc3\n"},
  };
  for (const auto& c : cases) {
    std::string out;
    const int status = run_checker("--json '" + write(c.name, c.content) + "'", &out);
    EXPECT_TRUE(status == 0 || status == 1) << c.content << "\n" << out;
    nlohmann::json report;
    ASSERT_NO_THROW(report = nlohmann::json::parse(out)) << out;  // the parser refuses bad UTF-8
    EXPECT_TRUE(report.contains("warnings")) << out;
    EXPECT_NE(report["file"].get<std::string>().find(".eqn"), std::string::npos) << out;
  }
}

}  // namespace
