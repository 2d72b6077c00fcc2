// Test support for the equation file, plotting and trace log tests: fresh state for every test
// (settings, language tables, pool, and a Host of its own with its database and globals), the Zlink's module
// as the current resource module (its string table), a private temporary directory, a transcript
// of the message boxes shown, a front end that records what the host was asked to show or edit and
// the progress it was told (answering stop from a chosen step on), and helpers that read an equation
// text through the host's real file services. It stands beside the reader, since the plotting tests
// read their files through it.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <deque>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/database.h"
#include "core/file_services.h"
#include "core/frontend.h"
#include "core/host.h"
#include "orvantis/afx.h"
#include "orvantis/resource_format.h"
#include "platform/modules.h"
#include "platform/transcript.h"
#include "platform/window_system.h"
#include "eqfile/equation_file.h"
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/evaluator.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"

extern "C" const ResourceTable zlink_resources;

struct ShownMessage {
  std::string text, caption;
};

class RecordingFrontEnd : public orv::FrontEnd {
 public:
  bool PromptForFileToOpen(std::string&, const std::string&, const std::string&, HWND) override { return false; }
  void edit_filename(const std::string& path) override {
    edited.push_back(path);
    if (on_edit) on_edit(path);
  }
  void list_filename(const std::string& path) override {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    listed.push_back(path);
    listed_text.push_back(text.str());
  }
  bool point_proc(const std::string&, std::array<double, 3>&) override { return false; }
  bool plot_progress(int64_t step, int64_t count) override {
    progress.push_back({step, count});
    return stop_from >= 0 && step >= stop_from;
  }

  std::vector<std::string> edited, listed, listed_text;
  std::vector<std::pair<int64_t, int64_t>> progress;  // (step, count) of each progress call
  int64_t stop_from = -1;                             // the first step answered with stop; -1 never
  std::function<void(const std::string&)> on_edit;
};

class PlotTest : public ::testing::Test {
 protected:
  // The host of the test, made afresh: an empty database and window system, the globals at the
  // host's start values.
  orv::Host host_;
  orv::UseHost use_host_{host_};

  void SetUp() override {
    PlotSettings = initial_plot_settings;
    deg_to_rad = 1.0;
    rad_to_deg = 1.0;
    reset_equation_tables();
    previous_front_end_ = orv::install_front_end(&front_end_);
    char pattern[] = "/tmp/kuvra_plot_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::string err;
    ASSERT_TRUE(orv::set_temp_dir(dir_ + "/tmp", err)) << err;
    module_ = orv::register_module("kuvra", &zlink_resources);
    AfxSetResourceHandle(module_);
    ASSERT_TRUE(transcript_.open(dir_ + "/transcript.jsonl", err)) << err;
    previous_transcript_ = orv::install_transcript(&transcript_);
  }
  void TearDown() override {
    orv::install_transcript(previous_transcript_);
    AfxSetResourceHandle(orv::host_module());
    orv::unregister_module(module_);
    host_.windows.reset();
    orv::install_front_end(previous_front_end_);
    pool_fail_block(0);
    pool_release();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Writes `text` to a file of the test directory and returns its path.
  std::string write_file(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Reads `text` as an equation file through the host's q_fopen and freadln.
  Statement* read_text(const std::string& text) {
    std::string path = write_file("read.eqn", text);
    FILE* stream = q_fopen(kuvra_source_tag, 1, path.c_str(), "r");
    EXPECT_NE(stream, nullptr);
    Statement* head = reinterpret_cast<Statement*>(1);  // the reader must overwrite it
    if (stream != nullptr) {
      read_equation_file(stream, &head);
      q_fclose(kuvra_source_tag, 2, stream);
    }
    return head;
  }

  // What write_equation_file produces for the current settings and `head`.
  static std::string written_text(Statement* head) {
    char* data = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&data, &size);
    write_equation_file(stream, head);
    std::fclose(stream);
    std::string text(data, size);
    std::free(data);
    return text;
  }

  static std::vector<std::string> texts(const Statement* head) {
    std::vector<std::string> out;
    for (const Statement* s = head; s != nullptr; s = s->next) out.push_back(s->text);
    return out;
  }

  // The message boxes shown so far, from the transcript.
  std::vector<ShownMessage> shown_messages() const {
    std::vector<ShownMessage> out;
    std::ifstream in(dir_ + "/transcript.jsonl");
    std::string line;
    while (std::getline(in, line)) {
      nlohmann::json event = nlohmann::json::parse(line);
      if (event["event"] == "message") out.push_back({event["text"], event["caption"]});
    }
    return out;
  }

  // The stored entities as the host keeps them; they stay valid until the test ends.
  std::vector<const orv::EntityData*> stored() {
    std::vector<const orv::EntityData*> out;
    for (const orv::Entity* e : host_.database.entities()) {
      records_.push_back(e->data());
      out.push_back(&records_.back());
    }
    return out;
  }
  const std::vector<orv::ScreenMark>& marks() const { return host_.database.marks(); }
  const std::vector<orv::ScreenLine>& lines() const { return host_.database.lines(); }

  RecordingFrontEnd front_end_;
  orv::FrontEnd* previous_front_end_ = nullptr;
  orv::Transcript transcript_;
  orv::Transcript* previous_transcript_ = nullptr;
  HINSTANCE module_ = nullptr;
  std::string dir_;
  std::deque<orv::EntityData> records_;  // what stored() handed out
};
