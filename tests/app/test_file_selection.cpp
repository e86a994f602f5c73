// File selection, run gating and the axis labels, driven through the real
// form with the chooser's answers given ahead of time.
#include "app/file_selection.h"
#include "recio/platform.h"
#include "recio/unit.h"
#include "tests/app/shell_harness.h"
#include "app/status_line.h"

#include <chrono>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace zirel;
using namespace zirel::test;

namespace {

const std::string SELECT_TEXT = "Select Files and Set Parameters";
const std::string READY = "Set Parameters or Run Program";

}  // namespace

TEST(FileSelection, LayoutsFollowTheNames) {
  const std::pair<std::string, int> cases[] = {
      {"run1.hkl", 2}, {"RUN1.HKL", 2}, {"Run1.Hkl", 2}, {"a.hkl.txt", 2},
      {"data.abs", 1}, {"hkl.abs", 1},  {"my      data.hkl", 2},
  };
  for (const auto& [file, layout] : cases) {
    SCOPED_TRACE(file);
    Scratch scratch;
    std::filesystem::create_directory(platform::utf8_path(scratch.path("data")));
    write_file(scratch.path("data/" + file), "   1   0   0    10.0     1.0\r\n");
    EXPECT_TRUE(with_program([&, file = file, layout = layout](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, scratch.path("data/" + file));
      EXPECT_EQ(label(dlg, IDC_INPUT_NAME), file);
      EXPECT_EQ(shell_state().input_name, file);
      EXPECT_EQ(shell_state().input_state, 1);
      EXPECT_EQ(int(shell_state().run_settings.input_kind), layout);
      EXPECT_TRUE(units().is_connected(INPUT_UNIT));
      select(dlg, IDC_SELECT_OUTPUT, "out-" + file);
      EXPECT_EQ(label(dlg, IDC_OUTPUT_NAME), "out-" + file);
      EXPECT_EQ(int(shell_state().run_settings.output_kind), layout);
      EXPECT_TRUE(run_enabled(dlg));
      EXPECT_EQ(label(dlg, IDC_STATUS), READY);
      // The next dialogs open in the folder of the role's file, propose its
      // name and preselect its filter.
      select(dlg, IDC_SELECT_INPUT, "");
      const FileRequest& input = last_file_request();
      EXPECT_EQ(input.title, "Open Input Data File");
      EXPECT_EQ(input.folder, scratch.path("data"));
      EXPECT_EQ(input.proposed_name, file);
      EXPECT_EQ(input.filter_index, layout + 1);
      select(dlg, IDC_SELECT_OUTPUT, "");
      EXPECT_EQ(last_file_request().title, "Open Output Data File");
      EXPECT_EQ(last_file_request().folder, scratch.folder());
    }));
  }
}

TEST(FileSelection, FirstDialogsOpenInTheWorkingDirectory) {
  Scratch scratch;
  write_file(scratch.path("zirel.dat"), "5 5 5 90 90 90\n0.7 40\n0 0 0 1\n-1 2\n");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    select(dlg, IDC_SELECT_INPUT, "");
    EXPECT_EQ(last_file_request().folder, scratch.folder());
    EXPECT_EQ(last_file_request().proposed_name, "");
    EXPECT_EQ(last_file_request().filter_index, 0);  // after a generation run: the first, "All Files"
    select(dlg, IDC_SELECT_OUTPUT, "");
    EXPECT_EQ(last_file_request().filter_index, 3);
  }));
}

TEST(FileSelection, AnOutputIsEmptiedAtOnceAndNamedWithTheDefaultSuffix) {
  Scratch scratch;
  write_file(scratch.path("old.hkl"), "   1   2   3   100.0     1.0\r\n");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    select(dlg, IDC_SELECT_OUTPUT, "old.hkl");
    EXPECT_EQ(read_file(scratch.path("old.hkl")), "");
    EXPECT_EQ(shell_state().output_open, 1);
    EXPECT_FALSE(run_enabled(dlg));  // only an output: not yet
    EXPECT_EQ(label(dlg, IDC_STATUS), SELECT_TEXT);
    select(dlg, IDC_SELECT_OUTPUT, "result");
    EXPECT_EQ(label(dlg, IDC_OUTPUT_NAME), "result.exp");
    EXPECT_EQ(int(shell_state().run_settings.output_kind), 1);
    EXPECT_TRUE(exists(scratch.path("result.exp")));
  }));
}

TEST(FileSelection, GenerateDataReplacesTheInput) {
  Scratch scratch;
  write_file(scratch.path("in.hkl"), "");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_FALSE(checked(dlg, IDC_GENERATE));
    select(dlg, IDC_SELECT_INPUT, "in.hkl");
    click(dlg, IDC_GENERATE);
    EXPECT_FALSE(units().is_connected(INPUT_UNIT));
    EXPECT_EQ(shell_state().input_state, -1);
    EXPECT_EQ(int(shell_state().run_settings.input_kind), -1);
    EXPECT_EQ(shell_state().input_name, "");
    EXPECT_EQ(label(dlg, IDC_INPUT_NAME), "Dummy file selected");
    EXPECT_FALSE(run_enabled(dlg));
    select(dlg, IDC_SELECT_OUTPUT, "gen.hkl");
    EXPECT_TRUE(run_enabled(dlg));
    EXPECT_EQ(label(dlg, IDC_STATUS), READY);
    click(dlg, IDC_GENERATE);  // untick: no input, and none reopened
    EXPECT_EQ(shell_state().input_state, 0);
    EXPECT_EQ(int(shell_state().run_settings.input_kind), -1);
    EXPECT_FALSE(units().is_connected(INPUT_UNIT));
    EXPECT_EQ(label(dlg, IDC_INPUT_NAME), "No file selected");
    EXPECT_FALSE(run_enabled(dlg));
    // Selecting an input unticks the box; a failed one leaves it ticked.
    click(dlg, IDC_GENERATE);
    select(dlg, IDC_SELECT_INPUT, "missing.hkl");
    EXPECT_TRUE(checked(dlg, IDC_GENERATE));
    EXPECT_EQ(shell_state().input_state, 0);
    EXPECT_FALSE(run_enabled(dlg));
    select(dlg, IDC_SELECT_INPUT, "in.hkl");
    EXPECT_FALSE(checked(dlg, IDC_GENERATE));
    EXPECT_EQ(shell_state().input_state, 1);
    EXPECT_TRUE(run_enabled(dlg));
  }));
}

// Each failed open shows its message at once, and keeps it; the role has no file.
TEST(FileSelection, OpenFailures) {
  const std::string in = "ERROR OPENING INPUT DATA FILE", out = "ERROR OPENING OUTPUT DATA FILE";
  struct Case {
    int button;
    std::string name, message;
  };
  const Case cases[] = {
      {IDC_SELECT_INPUT, "missing.hkl", in},
      {IDC_SELECT_INPUT, "folder.hkl", in},
      {IDC_SELECT_OUTPUT, "folder.hkl", out},
      {IDC_SELECT_OUTPUT, "nowhere/out.hkl", out},
      {IDC_SELECT_INPUT, std::string(600, 'x') + ".hkl", in},
      {IDC_SELECT_OUTPUT, std::string(600, 'y') + ".hkl", out},
      {IDC_SELECT_INPUT, "wide.hkl", "INPUT FILE IS UTF-16 TEXT: SAVE IT AS PLAIN TEXT (ANSI OR UTF-8)"},
#ifndef _WIN32
      // A FIFO would hold the form until something wrote to it; a device
      // cannot be emptied and rewritten as a file.
      {IDC_SELECT_INPUT, "pipe.hkl", in},
      {IDC_SELECT_OUTPUT, "pipe.hkl", out},
      {IDC_SELECT_INPUT, "zero.hkl", in},   // links to /dev/zero and /dev/null
      {IDC_SELECT_OUTPUT, "null.hkl", out},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20));
    Scratch scratch;
    std::filesystem::create_directory(platform::utf8_path(scratch.path("folder.hkl")));
#ifndef _WIN32
    ASSERT_EQ(mkfifo(scratch.path("pipe.hkl").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", scratch.path("zero.hkl"));
    std::filesystem::create_symlink("/dev/null", scratch.path("null.hkl"));
#endif
    write_file(scratch.path("good.hkl"), "");
    write_file(scratch.path("wide.hkl"), std::string("\xFF\xFE \0 \0 \0""1\0\r\0\n\0", 14));
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      const bool input = c.button == IDC_SELECT_INPUT;
      const int other = input ? IDC_SELECT_OUTPUT : IDC_SELECT_INPUT;
      select(dlg, other, input ? "o.abs" : "good.hkl");
      select(dlg, c.button, input ? "good.hkl" : "o2.abs");
      EXPECT_TRUE(run_enabled(dlg));
      StatusWatch shown(dlg);
      select(dlg, c.button, c.name);
      EXPECT_TRUE(shown.saw(c.message));
      EXPECT_EQ(label(dlg, input ? IDC_INPUT_NAME : IDC_OUTPUT_NAME), "No file selected");
      EXPECT_EQ(label(dlg, IDC_STATUS), c.message);
      EXPECT_FALSE(run_enabled(dlg));
      EXPECT_EQ(input ? shell_state().input_state : shell_state().output_open, 0);
      EXPECT_EQ(input ? shell_state().input_name : shell_state().output_name, "");
      EXPECT_FALSE(units().is_connected(input ? INPUT_UNIT : OUTPUT_UNIT));
    }));
  }
}

// One slip of Cancel loses nothing: the earlier file stays open on its unit,
// its name stays shown, and Run stays enabled.
TEST(FileSelection, CancelAfterASelectionKeepsIt) {
  struct Case {
    int button, name_label, unit;
    std::string file;
  };
  const Case cases[] = {
      {IDC_SELECT_INPUT, IDC_INPUT_NAME, INPUT_UNIT, "in.hkl"},
      {IDC_SELECT_OUTPUT, IDC_OUTPUT_NAME, OUTPUT_UNIT, "out.hkl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Scratch scratch;
    write_file(scratch.path("in.hkl"), "   1   0   0    10.0     1.0\r\n");
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "in.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.hkl");
      ASSERT_TRUE(run_enabled(dlg));
      const std::string open_name(units().file_name(c.unit));
      select(dlg, c.button, "");
      select(dlg, c.button, "");  // twice: the second dialog proposes the same file
      EXPECT_EQ(last_file_request().proposed_name, c.file);
      EXPECT_EQ(label(dlg, c.name_label), c.file);
      EXPECT_EQ(shell_state().input_state, 1);
      EXPECT_EQ(shell_state().output_open, 1);
      ASSERT_TRUE(units().is_connected(c.unit));
      EXPECT_EQ(std::string(units().file_name(c.unit)), open_name);
      EXPECT_TRUE(run_enabled(dlg));
      EXPECT_EQ(label(dlg, IDC_STATUS), READY);
      EXPECT_EQ(read_file(scratch.path("in.hkl")), "   1   0   0    10.0     1.0\r\n");
    }));
  }
}

TEST(FileSelection, CancelWithNothingSelectedChangesNothing) {
  Scratch scratch;
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    select(dlg, IDC_SELECT_OUTPUT, "");
    EXPECT_EQ(label(dlg, IDC_OUTPUT_NAME), "No file selected");
    EXPECT_EQ(shell_state().output_open, 0);
    EXPECT_FALSE(run_enabled(dlg));
    EXPECT_EQ(label(dlg, IDC_STATUS), SELECT_TEXT);
    click(dlg, IDC_GENERATE);
    select(dlg, IDC_SELECT_INPUT, "");
    EXPECT_EQ(shell_state().input_state, -1);
    EXPECT_EQ(label(dlg, IDC_INPUT_NAME), "Dummy file selected");
  }));
}


TEST(FileSelection, ARoleCountsOnlyWhileItsFileIsOpen) {
  Scratch scratch;
  write_file(scratch.path("in.hkl"), "");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    select(dlg, IDC_SELECT_INPUT, "in.hkl");
    select(dlg, IDC_SELECT_OUTPUT, "out.hkl");
    // As a successful run leaves them: both closed, states and labels unchanged.
    close_unit(INPUT_UNIT);
    close_unit(OUTPUT_UNIT);
    select(dlg, IDC_SELECT_OUTPUT, "out2.hkl");
    EXPECT_FALSE(run_enabled(dlg));
    EXPECT_EQ(label(dlg, IDC_INPUT_NAME), "in.hkl");
    select(dlg, IDC_SELECT_INPUT, "in.hkl");
    EXPECT_TRUE(run_enabled(dlg));
  }));
}

TEST(FileSelection, TheOutputMayNotBeTheOpenInput) {
  Scratch scratch;
  const std::string data = "   1   0   0  1234.5    12.3\r\n";
  write_file(scratch.path("in.hkl"), data);
  // The same file under another name: a link, or on Windows, where names
  // ignore case, the name in capitals.
  std::string other_name = "IN.HKL";
#ifndef _WIN32
  std::filesystem::create_symlink(scratch.path("in.hkl"), scratch.path("link.hkl"));
  other_name = "link.hkl";
#endif
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    select(dlg, IDC_SELECT_INPUT, "in.hkl");
    for (const std::string& name : {std::string("in.hkl"), other_name}) {
      SCOPED_TRACE(name);
      StatusWatch shown(dlg);
      select(dlg, IDC_SELECT_OUTPUT, name);
      EXPECT_TRUE(shown.saw("ERROR OPENING OUTPUT DATA FILE"));
      EXPECT_EQ(label(dlg, IDC_STATUS), "ERROR OPENING OUTPUT DATA FILE");
      EXPECT_EQ(read_file(scratch.path("in.hkl")), data);
      EXPECT_EQ(label(dlg, IDC_OUTPUT_NAME), "No file selected");
      EXPECT_EQ(shell_state().output_open, 0);
      EXPECT_FALSE(run_enabled(dlg));
    }
    // Nor the input the output that is open.
    select(dlg, IDC_SELECT_OUTPUT, "out.hkl");
    StatusWatch shown(dlg);
    select(dlg, IDC_SELECT_INPUT, "out.hkl");
    EXPECT_TRUE(shown.saw("ERROR OPENING INPUT DATA FILE"));
    EXPECT_EQ(shell_state().input_state, 0);
  }));
}

TEST(FileSelection, GatingTable) {
  Scratch scratch;
  write_file(scratch.path("in.abs"), "");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_FALSE(run_enabled(dlg));
    EXPECT_EQ(shell_state().input_state, 0);
    EXPECT_EQ(shell_state().output_open, 0);
    struct Step {
      std::function<void()> act;
      bool enabled;
    };
    const std::vector<Step> steps{
        {[&] { select(dlg, IDC_SELECT_INPUT, "in.abs"); }, false},  // 1, 0
        {[&] { select(dlg, IDC_SELECT_OUTPUT, "o.abs"); }, true},   // 1, 1
        {[&] { click(dlg, IDC_GENERATE); }, true},                  // -1, 1
        {[&] { click(dlg, IDC_GENERATE); }, false},                 // 0, 1
        {[&] { select(dlg, IDC_SELECT_OUTPUT, ""); }, false},       // 0, 1 kept
        {[&] { click(dlg, IDC_GENERATE); }, true},                  // -1, 1
        {[&] { select(dlg, IDC_SELECT_INPUT, ""); }, true},         // -1, 1 kept
        {[&] { select(dlg, IDC_SELECT_OUTPUT, "o2.abs"); }, true},  // -1, 1
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
      SCOPED_TRACE(i);
      steps[i].act();
      EXPECT_EQ(run_enabled(dlg), steps[i].enabled);
      EXPECT_EQ(label(dlg, IDC_STATUS), steps[i].enabled ? READY : SELECT_TEXT);
    }
  }));
}

TEST(FileSelection, AxisKindRelabelsAndKeepsTheNumbers) {
  Scratch scratch;
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    set_field(dlg, IDC_AXIS_U, "1");
    auto labels = [&] { return label(dlg, IDC_LABEL_U) + label(dlg, IDC_LABEL_V) + label(dlg, IDC_LABEL_W); };
    for (int round = 0; round < 2; ++round) {
      click(dlg, IDC_AXIS_HKL);
      EXPECT_EQ(labels(), "hkl");
      click(dlg, IDC_AXIS_HKL);
      EXPECT_EQ(labels(), "hkl");
      click(dlg, IDC_AXIS_UVW);
      EXPECT_EQ(labels(), "UVW");
    }
    EXPECT_EQ(field(dlg, IDC_AXIS_U), "1");
    EXPECT_EQ(field(dlg, IDC_AXIS_W), "  1");
    EXPECT_EQ(int(shell_state().run_settings.axis_kind), 0);
  }));
}

TEST(FileSelection, StatusIsShownAtOnceAndProgressIsThrottled) {
  Scratch scratch;
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    StatusWatch shown(dlg);
    show_status("PROCESSING REFLECTION     7" + std::string(53, ' '));
    EXPECT_EQ(shown.texts(), std::vector<std::string>{"PROCESSING REFLECTION     7"});
  }));
  ProgressThrottle throttle;
  using namespace std::chrono;
  const auto t0 = steady_clock::now();
  int due = 0;
  for (int ms = 0; ms < 1000; ++ms) due += throttle.due(t0 + milliseconds(ms));
  EXPECT_GE(due, 29);
  EXPECT_LE(due, 31);
}
