// The session's geometry counts as saved until something is made, and again after an export that
// wrote; the question before leaving ends only on an answer that settles it.
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "core/stop_request.h"
#include "interaction/leave_question.h"
#include "interaction/saving.h"
#include "view/test_shapes.h"

namespace orv::interaction {
namespace {

TEST(Saving, MadeGeometryIsUnsavedUntilAnExportWrites) {
  GeometryDatabase db;
  db.add(view::shapes::helix());  // there before the session's front end: not the session's
  Saving saving(db);
  EXPECT_FALSE(saving.unsaved());
  EXPECT_FALSE(saving.can_export());

  std::vector<std::string> asked;
  bool writes = false;
  saving.set_exporter([&](const std::string& path, std::string& err) {
    asked.push_back(path);
    if (!writes) err = path + ": cannot write: disk full";
    return writes;
  });
  EXPECT_TRUE(saving.can_export());
  db.add(view::shapes::helix());
  EXPECT_TRUE(saving.unsaved());

  std::string status;
  EXPECT_FALSE(saving.export_to("/w/a.step", status));
  EXPECT_EQ(status, "/w/a.step: cannot write: disk full");
  EXPECT_TRUE(saving.unsaved());
  EXPECT_EQ(saving.last_path(), "/w/a.step");

  EXPECT_FALSE(saving.export_to("", status));  // cancelled: the exporter is not asked
  EXPECT_EQ(status, "Export cancelled: no path given");
  EXPECT_EQ(saving.last_path(), "/w/a.step");  // the next export still starts from the last path
  EXPECT_EQ(asked.size(), 1u);

  writes = true;
  EXPECT_TRUE(saving.export_to("/w/b.igs", status));
  EXPECT_EQ(status, "Wrote /w/b.igs");
  EXPECT_FALSE(saving.unsaved());
  db.add(view::shapes::helix());
  EXPECT_TRUE(saving.unsaved());  // made after the export
}

TEST(LeaveQuestion, EachRunOfAnswersEndsInItsChoice) {
  using A = LeaveAnswer;
  using S = SaveOutcome;
  struct Case {
    std::vector<A> answers;
    std::vector<S> saves;
    LeaveChoice choice;
    std::size_t asked;  // questions asked until the choice
  } cases[] = {
      {{A::Discard}, {}, LeaveChoice::Discard, 1},
      {{A::Back}, {}, LeaveChoice::Back, 1},
      {{A::Gone}, {}, LeaveChoice::Discard, 1},
      {{A::None, A::None, A::Back}, {}, LeaveChoice::Back, 3},  // no answer yet: asked again
      {{A::Save}, {S::Written}, LeaveChoice::Saved, 1},
      {{A::Save, A::Save}, {S::NotWritten, S::Written}, LeaveChoice::Saved, 2},  // asked again after a failure
      {{A::Save, A::Back}, {S::NotWritten}, LeaveChoice::Back, 2},
      {{A::Save}, {S::Gone}, LeaveChoice::Discard, 1},  // the window went away during the export
  };
  for (const Case& c : cases) {
    std::size_t asked = 0, saved = 0;
    const LeaveChoice choice = decide_leaving([&] { return c.answers.at(asked++); },
                                              [&] { return c.saves.at(saved++); });
    EXPECT_EQ(choice, c.choice) << asked;
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(saved, c.saves.size());
  }
}

TEST(LeaveQuestion, AStopSignalDiscardsWithoutAsking) {
  note_stop_signal(SIGTERM);
  int asked = 0;
  const LeaveChoice choice = decide_leaving([&] { ++asked; return LeaveAnswer::Back; },
                                            [] { return SaveOutcome::Written; });
  clear_stop_signal();
  EXPECT_EQ(choice, LeaveChoice::Discard);
  EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace orv::interaction
