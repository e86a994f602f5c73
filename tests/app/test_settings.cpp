// The settings file at start-up: creation, hand-edited files, the fallback
// to the defaults, and what the form shows.
#include "app/settings_file.h"
#include "tests/app/shell_harness.h"
#include "tests/filtering/settings_fixtures.h"

#include <QFile>

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
  }
  void unusable_files_fall_back() {
    QFETCH(QString, file);
    QFETCH(int, axis_kind);
    Scratch scratch;
    write_file(scratch.path("zirel.dat"), file.toStdString());
    QVERIFY(with_program([&](DialogRecord& dlg) { QCOMPARE(shown_fields(dlg), DEFAULT_FIELDS); }));
    std::string expected = DEFAULT_FILE;
    expected[62 + 22 + 4] = char('0' + axis_kind);
    QCOMPARE(read_file(scratch.path("zirel.dat")), expected);
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
