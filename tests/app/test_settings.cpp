// The settings file at start-up: creation, hand-edited files, the fallback
// to the defaults, and what the form shows.
#include "app/settings_file.h"
#include "tests/app/shell_harness.h"
#include "recio/platform.h"
#include "tests/filtering/settings_fixtures.h"

#include <filesystem>
#include <fstream>
#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace zirel;
using namespace zirel::test;

namespace {

// The eleven fields in the order wavelength, psi max, a b c alpha beta gamma, U V W.
const int FIELDS[] = {IDC_WAVELENGTH, IDC_PSI_MAX, IDC_CELL_A, IDC_CELL_B, IDC_CELL_C, IDC_CELL_ALPHA,
                      IDC_CELL_BETA, IDC_CELL_GAMMA, IDC_AXIS_U, IDC_AXIS_V, IDC_AXIS_W};

std::vector<std::string> shown_fields(const DialogRecord& dlg) {
  std::vector<std::string> out;
  for (int id : FIELDS) out.push_back(field(dlg, id));
  return out;
}

const std::vector<std::string> DEFAULT_FIELDS{"0.7093",     "40.000",     "   5.00000", "   5.00000",
                                              "   5.00000", "  90.00000", "  90.00000", "  90.00000",
                                              "  0",        "  0",        "  1"};

}  // namespace

TEST(Settings, FirstStartWritesTheDefaultsAndShowsThem) {
  Scratch scratch;
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_EQ(shown_fields(dlg), DEFAULT_FIELDS);
    EXPECT_EQ(label(dlg, IDC_STATUS), "Select Files and Set Parameters");
    EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
  }));
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
  EXPECT_EQ(shell_state().run_settings.wavelength, 0.7093f);
}

// Files that load as they stand: the file is left as it was.
TEST(Settings, ReadableFilesLoad) {
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> fields;
    int axis_kind, input_kind;
  };
  const Case cases[] = {
      {"record 3 begins with 1",
       "   5.43100   5.43100   5.43100  90.00000  90.00000  90.00000\r\n   0.71073  38.00000\r\n"
       "    1   1.00000   1.00000   0.00000\r\n    2    1\r\n",
       {"0.7107", "38.000", "   5.43100", "   5.43100", "   5.43100", "  90.00000", "  90.00000", "  90.00000",
        "  1", "  1", "  0"},
       1, 2},
      {"everything on one line, the rest below", "4 5 6 90 95 120 0.5 30\n0.71 38 9 9\n0 1 1 0\n2 2\n",
       {"0.7100", "38.000", "   4.00000", "   5.00000", "   6.00000", "  90.00000", "  95.00000", " 120.00000",
        "  1", "  1", "  0"},
       0, 2},
      {"commas", "5.1,5.2,5.3,90,95,120\n0.71,38\n0,1,-2,3\n2,2\n",
       {"0.7100", "38.000", "   5.10000", "   5.20000", "   5.30000", "  90.00000", "  95.00000", " 120.00000",
        "  1", " -2", "  3"},
       0, 2},
      {"a fifth line", DEFAULT_FILE.substr(0, DEFAULT_FILE.size() - 12) + "    2    2\r\nextra\r\n",
       DEFAULT_FIELDS, 0, 2},
      {"axis 0.5 0.5 1.0, generated", "5 5 5 90 90 90\n0.7093 40\n0 0.5 0.5 1.0\n-1 2\n", DEFAULT_FIELDS, 0, -1},
      {"too wide to show", "12345 5 5 90 90 90\n12.5 123\n0 1000 -99 -100\n1 1\n",
       {"******", "******", "**********", "   5.00000", "   5.00000", "  90.00000", "  90.00000", "  90.00000",
        "***", "-99", "***"},
       0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    write_file(scratch.path("zirel.dat"), c.file);
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      EXPECT_EQ(shown_fields(dlg), c.fields);
      // The form starts with UVW whatever the file says.
      EXPECT_TRUE(checked(dlg, IDC_AXIS_UVW));
      EXPECT_EQ(label(dlg, IDC_LABEL_U), "U");
      EXPECT_EQ(int(shell_state().run_settings.axis_kind), c.axis_kind);
      EXPECT_EQ(int(shell_state().run_settings.input_kind), c.input_kind);
    }));
    EXPECT_EQ(read_file(scratch.path("zirel.dat")), c.file);
  }
}

// Files replaced by the defaults, the truncated ones included: none of
// them ends the program.
TEST(Settings, UnusableFilesFallBack) {
  const std::pair<std::string, int> cases[] = {
      {"", 0},
      {"5 5 5 90 90 90\n0.7 40\n", 0},                          // cut after record 2
      {"5 5 5 90", 0},                                          // cut inside record 1
      {"5 5 5 90 90 90\n0.7 40\n1 0 0 1\n2", 1},                // cut inside record 4, axis kind kept
      {"********** 5 5 90 90 90\n0.7 40\n0 0 0 1\n1 1\n", 0},   // asterisks
      {"5 5 5 90 90 90\nabc 40\n0 0 0 1\n1 1\n", 0},            // letters
      {"5 5 5 90 90 90\n0.7 40\n1.0 0 0 1\n1 1\n", 0},          // a real for the axis kind
      {"5 5 5 90 90 90\n0.7 40\n0 0 0 1\n1.5 1\n", 0},          // a real for the layout
      {"5 5 5 90 90 90\n0.7 40\n2 0 0 1\n1 1\n", 0},            // axis kind 2
      {"5 5 5 90 90 90\n0.7 40\n1 0 0 1\n1 3\n", 1},            // output layout 3
      {std::string("\x7f" "ELF\x02\x01\x01", 7), 0},            // not text at all
  };
  for (const auto& [file, axis_kind] : cases) {
    SCOPED_TRACE(file);
    Scratch scratch;
    write_file(scratch.path("zirel.dat"), file);
    // ... and the file that was there is kept beside it, with a notice.
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      EXPECT_EQ(shown_fields(dlg), DEFAULT_FIELDS);
      EXPECT_EQ(label(dlg, IDC_STATUS), "SETTINGS FILE UNREADABLE: DEFAULTS USED, OLD FILE KEPT AS zirel.dat.bak");
    }));
    std::string expected = DEFAULT_FILE;
    expected[62 + 22 + 4] = char('0' + axis_kind);
    EXPECT_EQ(read_file(scratch.path("zirel.dat")), expected);
    EXPECT_EQ(read_file(scratch.path("zirel.dat.bak")), file);
  }
}

// An older copy is never overwritten.
TEST(Settings, AnOlderCopyIsNeverOverwritten) {
  Scratch scratch;
  write_file(scratch.path("zirel.dat.bak"), "an older copy\n");
  write_file(scratch.path("zirel.dat"), "unreadable\n");
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_EQ(label(dlg, IDC_STATUS), "SETTINGS FILE UNREADABLE: DEFAULTS USED, OLD FILE KEPT AS zirel.dat.bak2");
  }));
  EXPECT_EQ(read_file(scratch.path("zirel.dat.bak")), "an older copy\n");
  EXPECT_EQ(read_file(scratch.path("zirel.dat.bak2")), "unreadable\n");
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
}

// A folder bearing the name is not read and left as it is.
TEST(Settings, AFolderIsLeftAlone) {
  Scratch scratch;
  ASSERT_TRUE(std::filesystem::create_directory(platform::utf8_path(scratch.path("zirel.dat"))));
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_EQ(shown_fields(dlg), DEFAULT_FIELDS);
    EXPECT_EQ(label(dlg, IDC_STATUS), "SETTINGS FILE UNREADABLE: DEFAULTS USED");
    EXPECT_FALSE(save_settings());
  }));
  EXPECT_TRUE(std::filesystem::is_directory(platform::utf8_path(scratch.path("zirel.dat"))));
  EXPECT_FALSE(exists(scratch.path("zirel.dat.bak")));
}

#ifndef _WIN32
// A link is moved aside, not what it points to, which stays as it was.
TEST(Settings, ALinkIsMovedAsideNotItsTarget) {
  Scratch scratch;
  write_file(scratch.path("notes.txt"), "my notes\n");
  std::filesystem::create_symlink("notes.txt", scratch.path("zirel.dat"));
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_EQ(label(dlg, IDC_STATUS), "SETTINGS FILE UNREADABLE: DEFAULTS USED, OLD FILE KEPT AS zirel.dat.bak");
  }));
  EXPECT_EQ(read_file(scratch.path("notes.txt")), "my notes\n");
  EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("zirel.dat.bak")));
  EXPECT_FALSE(std::filesystem::is_symlink(scratch.path("zirel.dat")));
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
}

// Whatever else bears the name is not read (a FIFO would wait for a writer
// before the window ever showed) and left as it is.
TEST(Settings, WhatIsNotAFileIsLeftAlone) {
  const char* kinds[] = {"FIFO", "link to a device", "broken link"};
  for (const std::string kind : kinds) {
    SCOPED_TRACE(kind);
    Scratch scratch;
    const std::string name = scratch.path("zirel.dat");
    if (kind == "FIFO") {
      ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    }
    if (kind == "link to a device") std::filesystem::create_symlink("/dev/null", name);
    if (kind == "broken link") std::filesystem::create_symlink("nowhere/settings", name);
    const auto before = std::filesystem::symlink_status(name).type();
    EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
      EXPECT_EQ(shown_fields(dlg), DEFAULT_FIELDS);
      EXPECT_EQ(label(dlg, IDC_STATUS), "SETTINGS FILE UNREADABLE: DEFAULTS USED");
      EXPECT_FALSE(save_settings());
    }));
    EXPECT_EQ(std::filesystem::symlink_status(name).type(), before);
    EXPECT_FALSE(exists(scratch.path("zirel.dat.bak")));
    EXPECT_FALSE(exists(scratch.path("nowhere")));
  }
}

// A folder where nothing can be created (here: one that is gone; Windows
// keeps the working folder from being removed) still gives a form, with the
// defaults.
TEST(Settings, AFileThatCannotBeCreatedIsNoEnd) {
  Scratch scratch;
  std::filesystem::create_directory("gone");
  std::filesystem::current_path("gone");
  std::filesystem::remove(scratch.path("gone"));
  EXPECT_TRUE(with_program([&](DialogRecord& dlg) {
    EXPECT_EQ(shown_fields(dlg), DEFAULT_FIELDS);
    EXPECT_EQ(label(dlg, IDC_STATUS), "SETTINGS FILE CANNOT BE CREATED: DEFAULTS USED");
    EXPECT_FALSE(save_settings());
  }));
}

// A disk that fills during a save (here: a limit on the size of a file the
// program writes) leaves the old file as it was, and the next save works.
TEST(Settings, AFailedSaveLeavesTheOldFile) {
  Scratch scratch;
  const std::string old_file = DEFAULT_FILE + "a fifth line, kept while the new records are written\r\n";
  write_file(scratch.path("zirel.dat"), old_file);
  load_settings();
  shell_state().run_settings.cell.a = 10.25f;
  struct rlimit before;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = before;
  small.rlim_cur = 40;  // the first record and a half
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = save_settings();
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(saved);
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), old_file);
  EXPECT_FALSE(exists(scratch.path(".zirel.dat.tmp")));
  EXPECT_TRUE(save_settings());
  EXPECT_EQ(read_file(scratch.path("zirel.dat")).substr(0, 10), "  10.25000");
}

// A settings file that is a link stays a link; the file it leads to is saved.
TEST(Settings, ASaveThroughALinkKeepsTheLink) {
  Scratch scratch;
  write_file(scratch.path("mine.dat"), DEFAULT_FILE);
  std::filesystem::create_symlink("mine.dat", scratch.path("zirel.dat"));
  load_settings();
  shell_state().run_settings.cell.a = 10.25f;
  EXPECT_TRUE(save_settings());
  EXPECT_TRUE(std::filesystem::is_symlink(scratch.path("zirel.dat")));
  EXPECT_EQ(read_file(scratch.path("mine.dat")).substr(0, 10), "  10.25000");
  EXPECT_FALSE(exists(scratch.path(".mine.dat.tmp")));
}

// A folder that takes no new file still lets a writable zirel.dat keep the
// settings: it is rewritten where it stands.
TEST(Settings, AFolderThatTakesNoNewFileStillSaves) {
  Scratch scratch;
  write_file(scratch.path("zirel.dat"), DEFAULT_FILE);
  load_settings();
  namespace fs = std::filesystem;
  const fs::path folder = fs::current_path();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  const bool folder_refuses = !std::ofstream(scratch.path("probe.txt"));
  shell_state().run_settings.cell.a = 10.25f;
  const bool saved = folder_refuses && save_settings();
  fs::permissions(folder, fs::perms::owner_all);
  if (!folder_refuses) GTEST_SKIP() << "running with the right to write in any folder";
  EXPECT_TRUE(saved);
  EXPECT_EQ(read_file(scratch.path("zirel.dat")).substr(0, 10), "  10.25000");
}

// A file the user made read-only is read and never replaced, although the
// folder would let a new file take its place.
TEST(Settings, AReadOnlyFileIsNotReplaced) {
  Scratch scratch;
  write_file(scratch.path("zirel.dat"), DEFAULT_FILE);
  std::filesystem::permissions(scratch.path("zirel.dat"), std::filesystem::perms::owner_read);
  load_settings();
  // As such a file leaves the unit also where the right to write any file
  // (root's) opens it read-write.
  units().close(SETTINGS_UNIT);
  ASSERT_EQ(units().open(SETTINGS_UNIT, "zirel.dat", "old", "read"), IO_OK);
  shell_state().run_settings.cell.a = 10.25f;
  EXPECT_FALSE(save_settings());
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
}
#endif

TEST(Settings, SaveReplacesTheWholeContent) {
  Scratch scratch;
  write_file(scratch.path("zirel.dat"), DEFAULT_FILE + "a fifth line that is longer than the rest\r\n");
  load_settings();
  RunSettings& s = shell_state().run_settings;
  s.cell.a = 10.25f;
  s.axis_kind = AxisKind::HKL;
  s.input_kind = InputKind::Generated;
  s.output_kind = OutputKind::Shelx;
  save_settings();
  save_settings();  // the unit stands at the start again
  std::string expected = DEFAULT_FILE;
  expected.replace(0, 10, "  10.25000");
  expected.replace(62 + 22 + 4, 1, "1");
  expected.replace(62 + 22 + 37, 10, "   -1    2");
  EXPECT_EQ(read_file(scratch.path("zirel.dat")), expected);
  EXPECT_FALSE(exists(scratch.path(".zirel.dat.tmp")));
}
