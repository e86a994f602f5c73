// The settings file at start-up: creation, hand-edited files, the fallback
// to the defaults, and what the form shows.
#include "app/settings_file.h"
#include "tests/app/shell_harness.h"
#include "tests/filtering/settings_fixtures.h"

#include <QFile>
#include <filesystem>
#include <sys/stat.h>

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

QStringList default_fields() {
  QStringList out;
  for (const std::string& f : DEFAULT_FIELDS) out << QString::fromStdString(f);
  return out;
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

private slots:
  void first_start_writes_the_defaults_and_shows_them() {
    Scratch scratch;
    bool ok = with_program([&](DialogRecord& dlg) {
      QCOMPARE(shown_fields(dlg), DEFAULT_FIELDS);
      QCOMPARE(label(dlg, IDC_STATUS), std::string("Select Files and Set Parameters"));
      QCOMPARE(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
    });
    QVERIFY(ok);
    QCOMPARE(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
    QCOMPARE(shell_state().run_settings.wavelength, 0.7093f);
  }

  // Files that load as they stand: the file is left as it was.
  void readable_files_load_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("axis_kind");
    QTest::addColumn<int>("input_kind");
    QTest::newRow("record 3 begins with 1")
        << "   5.43100   5.43100   5.43100  90.00000  90.00000  90.00000\r\n   0.71073  38.00000\r\n"
           "    1   1.00000   1.00000   0.00000\r\n    2    1\r\n"
        << QStringList{"0.7107", "38.000", "   5.43100", "   5.43100", "   5.43100", "  90.00000",
                       "  90.00000", "  90.00000", "  1", "  1", "  0"}
        << 1 << 2;
    QTest::newRow("everything on one line, the rest below")
        << "4 5 6 90 95 120 0.5 30\n0.71 38 9 9\n0 1 1 0\n2 2\n"
        << QStringList{"0.7100", "38.000", "   4.00000", "   5.00000", "   6.00000", "  90.00000",
                       "  95.00000", " 120.00000", "  1", "  1", "  0"}
        << 0 << 2;
    QTest::newRow("commas") << "5.1,5.2,5.3,90,95,120\n0.71,38\n0,1,-2,3\n2,2\n"
                            << QStringList{"0.7100", "38.000", "   5.10000", "   5.20000", "   5.30000",
                                           "  90.00000", "  95.00000", " 120.00000", "  1", " -2", "  3"}
                            << 0 << 2;
    QTest::newRow("a fifth line") << QString::fromStdString(DEFAULT_FILE.substr(0, DEFAULT_FILE.size() - 12) + "    2    2\r\nextra\r\n")
                                  << default_fields() << 0 << 2;
    QTest::newRow("axis 0.5 0.5 1.0, generated")
        << "5 5 5 90 90 90\n0.7093 40\n0 0.5 0.5 1.0\n-1 2\n"
        << default_fields() << 0 << -1;
    QTest::newRow("too wide to show") << "12345 5 5 90 90 90\n12.5 123\n0 1000 -99 -100\n1 1\n"
                                      << QStringList{"******", "******", "**********", "   5.00000",
                                                     "   5.00000", "  90.00000", "  90.00000", "  90.00000",
                                                     "***", "-99", "***"}
                                      << 0 << 1;
  }
  void readable_files_load() {
    QFETCH(QString, file);
    QFETCH(QStringList, fields);
    QFETCH(int, axis_kind);
    QFETCH(int, input_kind);
    Scratch scratch;
    write_file(scratch.path("zirel.dat"), file.toStdString());
    QVERIFY(with_program([&](DialogRecord& dlg) {
      std::vector<std::string> expected;
      for (const QString& f : fields) expected.push_back(f.toStdString());
      QCOMPARE(shown_fields(dlg), expected);
      // The form starts with UVW whatever the file says.
      QVERIFY(checked(dlg, IDC_AXIS_UVW));
      QCOMPARE(label(dlg, IDC_LABEL_U), std::string("U"));
      QCOMPARE(int(shell_state().run_settings.axis_kind), axis_kind);
      QCOMPARE(int(shell_state().run_settings.input_kind), input_kind);
    }));
    QCOMPARE(read_file(scratch.path("zirel.dat")), file.toStdString());
  }

  // Files replaced by the defaults, the truncated ones included: none of
  // them ends the program.
  void unusable_files_fall_back_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("axis_kind");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("cut after record 2") << "5 5 5 90 90 90\n0.7 40\n" << 0;
    QTest::newRow("cut inside record 1") << "5 5 5 90" << 0;
    QTest::newRow("cut inside record 4, axis kind kept") << "5 5 5 90 90 90\n0.7 40\n1 0 0 1\n2" << 1;
    QTest::newRow("asterisks") << "********** 5 5 90 90 90\n0.7 40\n0 0 0 1\n1 1\n" << 0;
    QTest::newRow("letters") << "5 5 5 90 90 90\nabc 40\n0 0 0 1\n1 1\n" << 0;
    QTest::newRow("a real for the axis kind") << "5 5 5 90 90 90\n0.7 40\n1.0 0 0 1\n1 1\n" << 0;
    QTest::newRow("a real for the layout") << "5 5 5 90 90 90\n0.7 40\n0 0 0 1\n1.5 1\n" << 0;
    QTest::newRow("axis kind 2") << "5 5 5 90 90 90\n0.7 40\n2 0 0 1\n1 1\n" << 0;
    QTest::newRow("output layout 3") << "5 5 5 90 90 90\n0.7 40\n1 0 0 1\n1 3\n" << 1;
    QTest::newRow("not text at all") << QString::fromLatin1("\x7f" "ELF\x02\x01\x01", 7) << 0;
  }
  // ... and the file that was there is kept beside it, with a notice.
  void unusable_files_fall_back() {
    QFETCH(QString, file);
    QFETCH(int, axis_kind);
    Scratch scratch;
    const std::string original = file.toStdString();
    write_file(scratch.path("zirel.dat"), original);
    QVERIFY(with_program([&](DialogRecord& dlg) {
      QCOMPARE(shown_fields(dlg), DEFAULT_FIELDS);
      QCOMPARE(label(dlg, IDC_STATUS),
               std::string("SETTINGS FILE UNREADABLE: DEFAULTS USED, OLD FILE KEPT AS zirel.dat.bak"));
    }));
    std::string expected = DEFAULT_FILE;
    expected[62 + 22 + 4] = char('0' + axis_kind);
    QCOMPARE(read_file(scratch.path("zirel.dat")), expected);
    QCOMPARE(read_file(scratch.path("zirel.dat.bak")), original);
  }

  // An older copy is never overwritten, and a link is moved aside, not what it
  // points to, which stays as it was.
  void what_was_there_is_never_overwritten() {
    Scratch scratch;
    write_file(scratch.path("zirel.dat.bak"), "an older copy\n");
    write_file(scratch.path("notes.txt"), "my notes\n");
    std::filesystem::create_symlink("notes.txt", scratch.path("zirel.dat"));
    QVERIFY(with_program([&](DialogRecord& dlg) {
      QCOMPARE(label(dlg, IDC_STATUS),
               std::string("SETTINGS FILE UNREADABLE: DEFAULTS USED, OLD FILE KEPT AS zirel.dat.bak2"));
    }));
    QCOMPARE(read_file(scratch.path("notes.txt")), std::string("my notes\n"));
    QCOMPARE(read_file(scratch.path("zirel.dat.bak")), std::string("an older copy\n"));
    QVERIFY(std::filesystem::is_symlink(scratch.path("zirel.dat.bak2")));
    QVERIFY(!std::filesystem::is_symlink(scratch.path("zirel.dat")));
    QCOMPARE(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
  }

  // Whatever else bears the name is not read (a FIFO would wait for a writer
  // before the window ever showed) and left as it is.
  void what_is_not_a_file_is_left_alone_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to a device") << "device";
    QTest::newRow("broken link") << "broken";
  }
  void what_is_not_a_file_is_left_alone() {
    QFETCH(QString, kind);
    Scratch scratch;
    const std::string name = scratch.path("zirel.dat");
    if (kind == "folder") QVERIFY(QDir().mkdir("zirel.dat"));
    if (kind == "fifo") QCOMPARE(mkfifo(name.c_str(), 0600), 0);
    if (kind == "device") std::filesystem::create_symlink("/dev/null", name);
    if (kind == "broken") std::filesystem::create_symlink("nowhere/settings", name);
    const auto before = std::filesystem::symlink_status(name).type();
    QVERIFY(with_program([&](DialogRecord& dlg) {
      QCOMPARE(shown_fields(dlg), DEFAULT_FIELDS);
      QCOMPARE(label(dlg, IDC_STATUS), std::string("SETTINGS FILE UNREADABLE: DEFAULTS USED"));
      QVERIFY(!save_settings());
    }));
    QCOMPARE(std::filesystem::symlink_status(name).type(), before);
    QVERIFY(!std::filesystem::exists(scratch.path("zirel.dat.bak")));
    QVERIFY(!std::filesystem::exists(scratch.path("nowhere")));
  }

  // A folder where nothing can be created (here: one that is gone) still
  // gives a form, with the defaults.
  void a_file_that_cannot_be_created_is_no_end() {
    Scratch scratch;
    QDir().mkdir("gone");
    QDir::setCurrent("gone");
    QDir(QString::fromStdString(scratch.path(""))).rmdir("gone");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      QCOMPARE(shown_fields(dlg), DEFAULT_FIELDS);
      QCOMPARE(label(dlg, IDC_STATUS), std::string("SETTINGS FILE CANNOT BE CREATED: DEFAULTS USED"));
      QVERIFY(!save_settings());
    }));
  }

  void save_replaces_the_whole_content() {
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
    QCOMPARE(read_file(scratch.path("zirel.dat")), expected);
  }
};

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"
