// The whole program from the form to the output file: start-up, runs in both
// directions, generation, read errors, field reading and the refused runs.
#include "app/fatal_report.h"
#include "recio/unit.h"
#include "app/run_command.h"
#include "tests/app/shell_harness.h"

#include <functional>

using namespace zirel;
using namespace zirel::test;

namespace {

const std::string DEFAULT_FILE =
    "   5.00000   5.00000   5.00000  90.00000  90.00000  90.00000\r\n"
    "   0.70930  40.00000\r\n"
    "    0   0.00000   0.00000   1.00000\r\n"
    "    1    1\r\n";

const std::string COMPLETED_13_10 = "PROGRAM COMPLETED:    13 REFLECTIONS INPUT   10 OUTPUT";

// The defaults with other layouts (and axis) in the last records.
std::string settings_with(const std::string& axis_record, const std::string& kinds) {
  return DEFAULT_FILE.substr(0, 84) + axis_record + "\r\n" + kinds + "\r\n";
}

// Ticks "Generate data", chooses the output, sets the wavelength and presses Run.
void generate(const DialogRecord& dlg, const std::string& output, const std::string& wavelength) {
  click(dlg, IDC_GENERATE);
  select(dlg, IDC_SELECT_OUTPUT, output);
  set_field(dlg, IDC_WAVELENGTH, wavelength);
  click(dlg, IDC_RUN);
}

// Everything the console unit receives from here on.
std::string& console() {
  static std::string sink;
  static bool connected = (units().connect_memory_output(CONSOLE_UNIT, sink, "console"), true);
  (void)connected;
  return sink;
}

}  // namespace

TEST(Program, FirstDisplayStateWhateverTheFileHolds) {
  Scratch scratch;
  write_file(scratch.path("zirel.dat"), settings_with("    1   1.00000   1.00000   0.00000", "   -1    2"));
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_FALSE(run_enabled(dlg));
    EXPECT_TRUE(checked(dlg, IDC_AXIS_UVW));
    EXPECT_FALSE(checked(dlg, IDC_AXIS_HKL));
    EXPECT_EQ(label(dlg, IDC_LABEL_U) + label(dlg, IDC_LABEL_V) + label(dlg, IDC_LABEL_W), "UVW");
    EXPECT_FALSE(checked(dlg, IDC_GENERATE));
    EXPECT_EQ(label(dlg, IDC_INPUT_NAME), "No file selected");
    EXPECT_EQ(label(dlg, IDC_OUTPUT_NAME), "No file selected");
    EXPECT_EQ(label(dlg, IDC_STATUS), "Select Files and Set Parameters");
    EXPECT_EQ(field(dlg, IDC_AXIS_U), "  1");
  }));
}

TEST(Program, StartAndExitLeavesTheFileAsItWas) {
  Scratch scratch;
  EXPECT_TRUE(with_program([](DialogRecord&) {}));
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
  const std::string edited = "5 5 5 90 90 90\n0.7 40\n0 0 0 1\n2 2\nfifth\n";
  write_file(scratch.path("zirel.dat"), edited);
  EXPECT_TRUE(with_program([](DialogRecord&) {}));
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), edited);
  EXPECT_FALSE(units().is_connected(SETTINGS_UNIT));
}

TEST(Program, AMissingTemplateReportsAndEnds) {
  Scratch scratch;
  console().clear();
  EXPECT_FALSE(start_form(4711));
  run_program(4711);
  EXPECT_EQ(console(), " Error: dialog not found\r\n Error: dialog not found\r\n");
  EXPECT_FALSE(exists(scratch.path("zirel.dat")));
}

TEST(Program, RunsByteForByte) {
  struct Case {
    std::string input, output, expected;
    bool hkl;
    std::string status, settings;
  };
  const Case cases[] = {
      {"run.hkl", "out.abs", "run_hkl_to_abs.abs", false, COMPLETED_13_10,
       settings_with("    0   0.00000   0.00000   1.00000", "    2    1")},
      {"run.abs", "out.hkl", "run_abs_to_hkl.hkl", true, "PROGRAM COMPLETED:     8 REFLECTIONS INPUT    3 OUTPUT",
       settings_with("    1   1.00000   1.00000   0.00000", "    1    2")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + " to " + c.output);
    Scratch scratch;
    copy_in(scratch, c.input);
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, c.input);
      select(dlg, IDC_SELECT_OUTPUT, c.output);
      if (c.hkl) {
        set_field(dlg, IDC_AXIS_U, "1");
        set_field(dlg, IDC_AXIS_V, "1");
        set_field(dlg, IDC_AXIS_W, "0");
        click(dlg, IDC_AXIS_HKL);
      }
      StatusWatch shown(dlg);
      click(dlg, IDC_RUN);
      EXPECT_EQ(label(dlg, IDC_STATUS), c.status);
      EXPECT_TRUE(shown.saw("PROCESSING REFLECTION     1"));
      EXPECT_FALSE(run_enabled(dlg));
      EXPECT_FALSE(units().is_connected(INPUT_UNIT));
      EXPECT_FALSE(units().is_connected(OUTPUT_UNIT));
      EXPECT_EQ(label(dlg, IDC_INPUT_NAME), c.input);  // until a new selection
      EXPECT_EQ(read_file(scratch.path("zirel.dat")), c.settings);
    }));
    EXPECT_EQ(read_file(scratch.path(c.output)), read_file(TEST_DATA + c.expected));
  }
}

TEST(Program, AGenerationRunSavesInputKindMinusOne) {
  Scratch scratch;
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    generate(dlg, "gen.hkl", "2.5");
    EXPECT_EQ(label(dlg, IDC_STATUS).substr(0, 18), "PROGRAM COMPLETED:");
    EXPECT_FALSE(units().is_connected(INPUT_UNIT));
  }));
  EXPECT_EQ(read_file(scratch.path("zirel.dat")).substr(0, 22 + 62),
            "   5.00000   5.00000   5.00000  90.00000  90.00000  90.00000\r\n   2.50000  40.00000\r\n");
  EXPECT_EQ(read_file(scratch.path("zirel.dat")).substr(121), "   -1    2\r\n");
  const std::string out = read_file(scratch.path("gen.hkl"));
  EXPECT_FALSE(out.empty());
  EXPECT_NE(out.find("0.00000 0.00000\r\n"), std::string::npos);
}

TEST(Program, AReadErrorKeepsEverythingThenANewSelectionRuns) {
  Scratch scratch;
  copy_in(scratch, "bad_record.hkl");
  copy_in(scratch, "run.hkl");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    select(dlg, IDC_SELECT_INPUT, "bad_record.hkl");
    select(dlg, IDC_SELECT_OUTPUT, "out.abs");
    StatusWatch shown(dlg);
    click(dlg, IDC_RUN);
    EXPECT_TRUE(shown.saw("  ERROR READING FILE AFTER LINE     4"));
    // Both texts stay in sight, and the reflections before the bad record are on disk
    // while the output is still open.
    EXPECT_EQ(label(dlg, IDC_STATUS), "PROBLEM IN RUNNING PROGRAM:  ERROR READING FILE AFTER LINE     4");
    EXPECT_FALSE(run_enabled(dlg));
    EXPECT_EQ(shell_state().run_failed, 1);
    EXPECT_TRUE(units().is_connected(INPUT_UNIT));
    EXPECT_TRUE(units().is_connected(OUTPUT_UNIT));
    EXPECT_EQ(read_file(scratch.path("out.abs")),
              "  1  0  0 35.135452 0.175   0.00000    0\r\n  1  1  0 15.811388 0.079   0.00000    0\r\n"
              "  2  1  1 9.4233751 0.058   0.00000    0\r\n  1  2  1 3.1622777 0.158   0.00000    0\r\n");
    EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
    select(dlg, IDC_SELECT_INPUT, "run.hkl");
    select(dlg, IDC_SELECT_OUTPUT, "out.abs");
    EXPECT_TRUE(run_enabled(dlg));
    click(dlg, IDC_RUN);
    EXPECT_EQ(label(dlg, IDC_STATUS), COMPLETED_13_10);
    EXPECT_EQ(shell_state().run_failed, 0);
    EXPECT_FALSE(units().is_connected(OUTPUT_UNIT));
  }));
  EXPECT_EQ(read_file(scratch.path("out.abs")), read_file(TEST_DATA + "run_hkl_to_abs.abs"));
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), settings_with("    0   0.00000   0.00000   1.00000", "    2    1"));
}

// Texts that read as the default value of their field, so the run and the
// saved settings are those of the defaults. A slash after a refused attempt
// gives the last run's value (the defaults), not the value just refused.
TEST(Program, FieldTexts) {
  struct Case {
    int id;
    const char* text;
    const char* refused_first = nullptr;  // tried first, and refused with `refusal`
    const char* refusal = nullptr;
  };
  const Case cases[] = {
      {IDC_CELL_A, "   5.00000"},   // leading blanks
      {IDC_CELL_B, "5.0   "},       // trailing blanks
      {IDC_PSI_MAX, "/"},           // a slash keeps the value
      {IDC_WAVELENGTH, "  /  "},    // a slash between blanks
      {IDC_CELL_ALPHA, "90.00000000000000000000E1"},  // the first 20 characters
      {IDC_CELL_GAMMA, "0.9E2"},    // exponent
      {IDC_AXIS_W, "1"},            // integer
      {IDC_PSI_MAX, "/", "91", "PSI MAX MUST LIE BETWEEN 0 AND 90 DEGREES"},
      {IDC_WAVELENGTH, "/", "-1", "WAVELENGTH MUST BE POSITIVE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.refused_first ? std::string(" after ") + c.refused_first : ""));
    Scratch scratch;
    copy_in(scratch, "run.hkl");
    EXPECT_TRUE(with_program([&, id = c.id, text = c.text](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.abs");
      if (c.refused_first) {
        set_field(dlg, id, c.refused_first);
        click(dlg, IDC_RUN);
        EXPECT_EQ(label(dlg, IDC_STATUS), c.refusal);
      }
      set_field(dlg, id, text);
      click(dlg, IDC_RUN);
      EXPECT_EQ(label(dlg, IDC_STATUS), COMPLETED_13_10);
    }));
    EXPECT_EQ(read_file(scratch.path("out.abs")), read_file(TEST_DATA + "run_hkl_to_abs.abs"));
    EXPECT_EQ(read_file(scratch.path("zirel.dat")), settings_with("    0   0.00000   0.00000   1.00000", "    2    1"));
  }
}

// A field holds one number: a second value after a comma or a blank (a decimal
// comma, a unit typed after the number) is refused with the field's message,
// before anything is computed, closed or saved. Accepted texts are read as before.
TEST(Program, OneValuePerField) {
  struct Case {
    int id;
    std::string text, outcome;  // the refusal, or the first settings record saved
  };
  const std::string cell_a = "   7.51200   5.00000   5.00000  90.00000  90.00000  90.00000";
  const std::string defaults = "   5.00000   5.00000   5.00000  90.00000  90.00000  90.00000";
  const Case cases[] = {
      {IDC_CELL_A, "7,512", "INVALID NUMBER IN CELL A FIELD"},
      {IDC_WAVELENGTH, "0,7093", "INVALID NUMBER IN WAVELENGTH FIELD"},
      {IDC_PSI_MAX, "35,5", "INVALID NUMBER IN PSI MAX FIELD"},
      {IDC_CELL_A, "7 512", "INVALID NUMBER IN CELL A FIELD"},
      {IDC_PSI_MAX, "40 deg", "INVALID NUMBER IN PSI MAX FIELD"},
      {IDC_CELL_GAMMA, ",90", "INVALID NUMBER IN CELL GAMMA FIELD"},   // a comma first
      {IDC_AXIS_W, " 1 ,", "INVALID NUMBER IN AXIS W FIELD"},          // a comma after
      {IDC_CELL_B, "5/", "INVALID NUMBER IN CELL B FIELD"},            // a slash after
      {IDC_CELL_A, "7.512", cell_a},
      {IDC_CELL_A, "  7.512  ", cell_a},
      {IDC_CELL_A, "7.512E0", cell_a},
      {IDC_CELL_A, "/", defaults},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("'" + c.text + "'");
    Scratch scratch;
    copy_in(scratch, "run.hkl");
    const bool refused = c.outcome.starts_with("INVALID");
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.abs");
      set_field(dlg, c.id, c.text);
      click(dlg, IDC_RUN);
      if (refused) {
        EXPECT_EQ(label(dlg, IDC_STATUS), c.outcome);
        EXPECT_TRUE(run_enabled(dlg));
        EXPECT_TRUE(units().is_connected(INPUT_UNIT));
        EXPECT_TRUE(units().is_connected(OUTPUT_UNIT));
        EXPECT_EQ(read_file(scratch.path("out.abs")), "");
      } else {
        EXPECT_EQ(label(dlg, IDC_STATUS).substr(0, 19), "PROGRAM COMPLETED: ");
      }
    }));
    const std::string saved = read_file(scratch.path("zirel.dat"));
    EXPECT_EQ(refused ? saved : saved.substr(0, 60), refused ? DEFAULT_FILE : c.outcome);
  }
}

// Runs refused before anything is computed, closed or saved.
TEST(Program, RefusedRuns) {
  struct Case {
    int id;
    std::string text, message;
  };
  std::vector<Case> cases;
  const std::pair<int, const char*> fields[] = {
      {IDC_WAVELENGTH, "WAVELENGTH"}, {IDC_PSI_MAX, "PSI MAX"},       {IDC_CELL_A, "CELL A"},
      {IDC_CELL_B, "CELL B"},         {IDC_CELL_C, "CELL C"},         {IDC_CELL_ALPHA, "CELL ALPHA"},
      {IDC_CELL_BETA, "CELL BETA"},   {IDC_CELL_GAMMA, "CELL GAMMA"}, {IDC_AXIS_U, "AXIS U"},
      {IDC_AXIS_V, "AXIS V"},         {IDC_AXIS_W, "AXIS W"}};
  const char* texts[] = {"", "abc", "   ", "*****", "1.5.2", "x1"};
  int n = 0;
  for (const auto& [id, name] : fields) {
    cases.push_back({id, texts[n++ % 6], "INVALID NUMBER IN " + std::string(name) + " FIELD"});
  }
  cases.push_back({IDC_CELL_ALPHA, "0", "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO"});
  cases.push_back({IDC_AXIS_W, "0", "AXIS DIRECTION HAS ZERO LENGTH"});
  cases.push_back({IDC_WAVELENGTH, "0", "WAVELENGTH MUST BE POSITIVE"});
  cases.push_back({IDC_PSI_MAX, "180", "PSI MAX MUST LIE BETWEEN 0 AND 90 DEGREES"});
  cases.push_back({IDC_CELL_B, "-5", "UNIT CELL EDGES MUST BE POSITIVE"});
  cases.push_back({IDC_CELL_GAMMA, "200", "UNIT CELL ANGLES DO NOT FORM A CELL"});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.message + " '" + c.text + "'");
    const bool singular = c.message.starts_with("SINGULAR");
    Scratch scratch;
    copy_in(scratch, "run.hkl");
    console().clear();
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.abs");
      set_field(dlg, c.id, c.text);
      if (singular) {
        set_field(dlg, IDC_CELL_BETA, "0");
        set_field(dlg, IDC_CELL_GAMMA, "0");
      }
      if (c.message.starts_with("AXIS")) set_field(dlg, IDC_AXIS_U, "0");
      click(dlg, IDC_RUN);
      EXPECT_EQ(label(dlg, IDC_STATUS), c.message);
      EXPECT_TRUE(run_enabled(dlg));
      EXPECT_TRUE(units().is_connected(INPUT_UNIT));
      EXPECT_TRUE(units().is_connected(OUTPUT_UNIT));
      EXPECT_EQ(read_file(scratch.path("out.abs")), "");
      EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
      // The run goes through once the field is mended.
      const int id = c.id;
      set_field(dlg, IDC_CELL_ALPHA, "90");
      set_field(dlg, IDC_CELL_BETA, "90");
      set_field(dlg, IDC_CELL_GAMMA, "90");
      set_field(dlg, id, id == IDC_AXIS_W || id == IDC_CELL_A || id == IDC_CELL_B || id == IDC_CELL_C ? "5" : "40");
      if (id == IDC_WAVELENGTH) set_field(dlg, id, "0.7093");
      if (id == IDC_AXIS_U || id == IDC_AXIS_V) set_field(dlg, id, "0");
      if (id == IDC_AXIS_W) set_field(dlg, id, "1");
      if (id == IDC_CELL_ALPHA || id == IDC_CELL_BETA || id == IDC_CELL_GAMMA) set_field(dlg, id, "90");
      click(dlg, IDC_RUN);
      EXPECT_EQ(label(dlg, IDC_STATUS), COMPLETED_13_10);
    }));
    EXPECT_EQ(console(), singular ? "   Determinant of Metric tensor =     0.0000\r\n" : "");
  }
}

// A generation that would run for hours is refused like any impossible run.
TEST(Program, ARunawayGenerationIsRefused) {
  Scratch scratch;
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    generate(dlg, "all.hkl", "1e-6");
    EXPECT_EQ(label(dlg, IDC_STATUS), "INDICES TOO LARGE TO GENERATE (LIMIT 999)");
    EXPECT_TRUE(run_enabled(dlg));
    EXPECT_EQ(read_file(scratch.path("all.hkl")), "");
    EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
  }));
}

TEST(Program, ASecondRunNeedsBothRolesAgain) {
  Scratch scratch;
  copy_in(scratch, "run.hkl");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    select(dlg, IDC_SELECT_INPUT, "run.hkl");
    select(dlg, IDC_SELECT_OUTPUT, "first.abs");
    click(dlg, IDC_RUN);
    select(dlg, IDC_SELECT_OUTPUT, "second.abs");
    EXPECT_FALSE(run_enabled(dlg));
    EXPECT_EQ(label(dlg, IDC_STATUS), "Select Files and Set Parameters");
    EXPECT_EQ(label(dlg, IDC_INPUT_NAME), "run.hkl");
    click(dlg, IDC_RUN);  // a click on the disabled button does nothing
    EXPECT_EQ(read_file(scratch.path("second.abs")), "");
    select(dlg, IDC_SELECT_INPUT, "run.hkl");
    EXPECT_TRUE(run_enabled(dlg));
    click(dlg, IDC_RUN);
    EXPECT_EQ(label(dlg, IDC_STATUS), COMPLETED_13_10);
  }));
  EXPECT_EQ(read_file(scratch.path("second.abs")), read_file(TEST_DATA + "run_hkl_to_abs.abs"));
}

// A fatal I/O report and an unexpected failure both end the program with a
// message box over the form, which is still on screen.
TEST(Program, AnEndingIsSaidOverTheForm) {
  struct Case {
    const char* name;
    std::function<void()> fail;
    std::string box;  // how the box's text begins
  };
  const Case cases[] = {
      {"fatal I/O error",
       [] { report_fatal({"severe", 38, SETTINGS_UNIT, "zirel.dat", "error during write, unit 3, file zirel.dat"}); },
       "severe (38): error during write, unit 3, file zirel.dat"},
      {"unexpected failure", [] { report_unexpected_failure("out of memory"); },
       "unexpected failure: out of memory\n\nThe program will end."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    std::string box;
    bool over_form = false;
    set_message_hook([&](std::string_view, std::string_view text) {
      box = text;
      over_form = modal_record() != nullptr;
    });
    EXPECT_TRUE(with_program([&](DialogRecord&) { c.fail(); }));
    set_message_hook(nullptr);
    EXPECT_EQ(box.substr(0, c.box.size()), c.box);
    EXPECT_TRUE(over_form);
  }
}

// A run whose settings cannot be saved is complete all the same: it says so,
// and the program goes on.
TEST(Program, SettingsThatCannotBeSavedAreSaid) {
  Scratch scratch;
  copy_in(scratch, "run.hkl");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    // As a read-only zirel.dat leaves it: connected for reading only.
    units().close(SETTINGS_UNIT);
    EXPECT_EQ(units().open(SETTINGS_UNIT, "zirel.dat", "old", "read"), IO_OK);
    select(dlg, IDC_SELECT_INPUT, "run.hkl");
    select(dlg, IDC_SELECT_OUTPUT, "out.abs");
    set_field(dlg, IDC_PSI_MAX, "39");
    click(dlg, IDC_RUN);
    EXPECT_EQ(label(dlg, IDC_STATUS), COMPLETED_13_10 + "  SETTINGS NOT SAVED");
    EXPECT_FALSE(units().is_connected(OUTPUT_UNIT));
    select(dlg, IDC_SELECT_INPUT, "run.hkl");
    select(dlg, IDC_SELECT_OUTPUT, "again.abs");
    EXPECT_TRUE(run_enabled(dlg));
  }));
  EXPECT_EQ(read_file(scratch.path("out.abs")), read_file(TEST_DATA + "run_hkl_to_abs.abs"));
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
}
