// The whole program from the form to the output file: start-up, runs in both
// directions, generation, read errors, field reading and the refused runs.
#include "app/fatal_report.h"
#include "recio/unit.h"
#include "app/run_command.h"
#include "tests/app/shell_harness.h"

#include <QFile>
#include <QProcess>

using namespace zirel;
using namespace zirel::test;

namespace {

const std::string DATA = ZIREL_APP_TEST_DATA;

const std::string DEFAULT_FILE =
    "   5.00000   5.00000   5.00000  90.00000  90.00000  90.00000\r\n"
    "   0.70930  40.00000\r\n"
    "    0   0.00000   0.00000   1.00000\r\n"
    "    1    1\r\n";

// The defaults with other layouts (and axis) in the last records.
std::string settings_with(const std::string& axis_record, const std::string& kinds) {
  return DEFAULT_FILE.substr(0, 84) + axis_record + "\r\n" + kinds + "\r\n";
}

void copy_in(const Scratch& scratch, const std::string& name) {
  QFile::copy(QString::fromStdString(DATA + name), QString::fromStdString(scratch.path(name)));
}

// Everything the console unit receives from here on.
std::string& console() {
  static std::string sink;
  static bool connected = (units().connect_memory_output(CONSOLE_UNIT, sink, "console"), true);
  (void)connected;
  return sink;
}

}  // namespace

class ProgramTest : public QObject {
  Q_OBJECT

private slots:
  void first_display_state_whatever_the_file_holds() {
    Scratch scratch;
    write_file(scratch.path("zirel.dat"), settings_with("    1   1.00000   1.00000   0.00000", "   -1    2"));
    QVERIFY(with_program([&](DialogRecord& dlg) {
      QVERIFY(!run_enabled(dlg));
      QVERIFY(checked(dlg, IDC_AXIS_UVW));
      QVERIFY(!checked(dlg, IDC_AXIS_HKL));
      QCOMPARE(label(dlg, IDC_LABEL_U) + label(dlg, IDC_LABEL_V) + label(dlg, IDC_LABEL_W), std::string("UVW"));
      QVERIFY(!checked(dlg, IDC_GENERATE));
      QCOMPARE(label(dlg, IDC_INPUT_NAME), std::string("No file selected"));
      QCOMPARE(label(dlg, IDC_OUTPUT_NAME), std::string("No file selected"));
      QCOMPARE(label(dlg, IDC_STATUS), std::string("Select Files and Set Parameters"));
      QCOMPARE(field(dlg, IDC_AXIS_U), std::string("  1"));
    }));
  }

  void start_and_exit_leaves_the_file_as_it_was() {
    Scratch scratch;
    QVERIFY(with_program([](DialogRecord&) {}));
    QCOMPARE(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
    const std::string edited = "5 5 5 90 90 90\n0.7 40\n0 0 0 1\n2 2\nfifth\n";
    write_file(scratch.path("zirel.dat"), edited);
    QVERIFY(with_program([](DialogRecord&) {}));
    QCOMPARE(read_file(scratch.path("zirel.dat")), edited);
    QVERIFY(!units().is_connected(SETTINGS_UNIT));
  }

  void a_missing_template_reports_and_ends() {
    Scratch scratch;
    console().clear();
    QVERIFY(!start_form(4711));
    run_program(4711);
    QCOMPARE(console(), std::string(" Error: dialog not found\r\n Error: dialog not found\r\n"));
    QVERIFY(!QFile::exists("zirel.dat"));
  }

  void runs_byte_for_byte_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("hkl");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("settings");
    QTest::newRow("SHELX to Cellex") << "run.hkl" << "out.abs" << "run_hkl_to_abs.abs" << false
                                     << "PROGRAM COMPLETED:    13 REFLECTIONS INPUT   10 OUTPUT"
                                     << QString::fromStdString(settings_with("    0   0.00000   0.00000   1.00000", "    2    1"));
    QTest::newRow("Cellex to SHELX, plane normal") << "run.abs" << "out.hkl" << "run_abs_to_hkl.hkl" << true
                                     << "PROGRAM COMPLETED:     8 REFLECTIONS INPUT    3 OUTPUT"
                                     << QString::fromStdString(settings_with("    1   1.00000   1.00000   0.00000", "    1    2"));
  }
  void runs_byte_for_byte() {
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, expected);
    QFETCH(bool, hkl);
    QFETCH(QString, status);
    QFETCH(QString, settings);
    Scratch scratch;
    copy_in(scratch, input.toStdString());
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, input.toStdString());
      select(dlg, IDC_SELECT_OUTPUT, output.toStdString());
      if (hkl) {
        set_field(dlg, IDC_AXIS_U, "1");
        set_field(dlg, IDC_AXIS_V, "1");
        set_field(dlg, IDC_AXIS_W, "0");
        click(dlg, IDC_AXIS_HKL);
      }
      StatusPaints paints(dlg);
      click(dlg, IDC_RUN);
      QCOMPARE(label(dlg, IDC_STATUS), status.toStdString());
      QVERIFY(paints.saw("PROCESSING REFLECTION     1"));
      QVERIFY(!run_enabled(dlg));
      QVERIFY(!units().is_connected(INPUT_UNIT));
      QVERIFY(!units().is_connected(OUTPUT_UNIT));
      QCOMPARE(label(dlg, IDC_INPUT_NAME), input.toStdString());  // until a new selection
      QCOMPARE(read_file(scratch.path("zirel.dat")), settings.toStdString());
    }));
    QCOMPARE(read_file(scratch.path(output.toStdString())), read_file(DATA + expected.toStdString()));
  }

  void a_generation_run_saves_input_kind_minus_one() {
    Scratch scratch;
    QVERIFY(with_program([&](DialogRecord& dlg) {
      click(dlg, IDC_GENERATE);
      select(dlg, IDC_SELECT_OUTPUT, "gen.hkl");
      set_field(dlg, IDC_WAVELENGTH, "2.5");
      click(dlg, IDC_RUN);
      QCOMPARE(label(dlg, IDC_STATUS).substr(0, 18), std::string("PROGRAM COMPLETED:"));
      QVERIFY(!units().is_connected(INPUT_UNIT));
    }));
    QCOMPARE(read_file(scratch.path("zirel.dat")).substr(0, 22 + 62),
             "   5.00000   5.00000   5.00000  90.00000  90.00000  90.00000\r\n   2.50000  40.00000\r\n");
    QCOMPARE(read_file(scratch.path("zirel.dat")).substr(121), std::string("   -1    2\r\n"));
    const std::string out = read_file(scratch.path("gen.hkl"));
    QVERIFY(!out.empty());
    QVERIFY(out.find("0.00000 0.00000\r\n") != std::string::npos);
  }

  void a_read_error_keeps_everything_then_a_new_selection_runs() {
    Scratch scratch;
    copy_in(scratch, "bad_record.hkl");
    copy_in(scratch, "run.hkl");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "bad_record.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.abs");
      StatusPaints paints(dlg);
      click(dlg, IDC_RUN);
      QVERIFY(paints.saw("  ERROR READING FILE AFTER LINE     4"));
      QCOMPARE(label(dlg, IDC_STATUS), std::string("PROBLEM IN RUNNING PROGRAM"));
      QVERIFY(!run_enabled(dlg));
      QCOMPARE(shell_state().run_failed, 1);
      QVERIFY(units().is_connected(INPUT_UNIT));
      QVERIFY(units().is_connected(OUTPUT_UNIT));
      QCOMPARE(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.abs");
      QVERIFY(run_enabled(dlg));
      click(dlg, IDC_RUN);
      QCOMPARE(label(dlg, IDC_STATUS), std::string("PROGRAM COMPLETED:    13 REFLECTIONS INPUT   10 OUTPUT"));
      QCOMPARE(shell_state().run_failed, 0);
      QVERIFY(!units().is_connected(OUTPUT_UNIT));
    }));
    QCOMPARE(read_file(scratch.path("out.abs")), read_file(DATA + "run_hkl_to_abs.abs"));
    QCOMPARE(read_file(scratch.path("zirel.dat")), settings_with("    0   0.00000   0.00000   1.00000", "    2    1"));
  }

  // Texts that read as the default value of their field, so the run and the
  // saved settings are those of the defaults.
  void field_texts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("leading blanks") << IDC_CELL_A << "   5.00000";
    QTest::newRow("1,2") << IDC_CELL_B << "5,2";
    QTest::newRow("blank and comma") << IDC_CELL_C << " 5 , 7";
    QTest::newRow("slash keeps the value") << IDC_PSI_MAX << "/";
    QTest::newRow("null value keeps it") << IDC_WAVELENGTH << ",3";
    QTest::newRow("first 20 characters") << IDC_CELL_ALPHA << "90.00000000000000000000E1";
    QTest::newRow("exponent") << IDC_CELL_GAMMA << "0.9E2";
    QTest::newRow("integer") << IDC_AXIS_W << "1";
  }
  void field_texts() {
    QFETCH(int, id);
    QFETCH(QString, text);
    Scratch scratch;
    copy_in(scratch, "run.hkl");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.abs");
      set_field(dlg, id, text.toStdString());
      click(dlg, IDC_RUN);
      QCOMPARE(label(dlg, IDC_STATUS), std::string("PROGRAM COMPLETED:    13 REFLECTIONS INPUT   10 OUTPUT"));
    }));
    QCOMPARE(read_file(scratch.path("out.abs")), read_file(DATA + "run_hkl_to_abs.abs"));
    QCOMPARE(read_file(scratch.path("zirel.dat")), settings_with("    0   0.00000   0.00000   1.00000", "    2    1"));
  }

  // Runs refused before anything is computed, closed or saved.
  void refused_runs_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const std::pair<int, const char*> fields[] = {
        {IDC_WAVELENGTH, "WAVELENGTH"}, {IDC_PSI_MAX, "PSI MAX"},   {IDC_CELL_A, "CELL A"},
        {IDC_CELL_B, "CELL B"},         {IDC_CELL_C, "CELL C"},     {IDC_CELL_ALPHA, "CELL ALPHA"},
        {IDC_CELL_BETA, "CELL BETA"},   {IDC_CELL_GAMMA, "CELL GAMMA"}, {IDC_AXIS_U, "AXIS U"},
        {IDC_AXIS_V, "AXIS V"},         {IDC_AXIS_W, "AXIS W"}};
    const char* texts[] = {"", "abc", "   ", "*****", "1.5.2", "x1"};
    int n = 0;
    for (const auto& [id, name] : fields) {
      const char* text = texts[n++ % 6];
      QTest::newRow((std::string(name) + " '" + text + "'").c_str())
          << id << text << QString("INVALID NUMBER IN %1 FIELD").arg(name);
    }
    QTest::newRow("singular cell") << IDC_CELL_ALPHA << "0" << "SINGULAR UNIT CELL: DETERMINANT OF METRIC TENSOR IS ZERO";
    QTest::newRow("zero axis") << IDC_AXIS_W << "0" << "AXIS DIRECTION HAS ZERO LENGTH";
  }
  void refused_runs() {
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Scratch scratch;
    copy_in(scratch, "run.hkl");
    console().clear();
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.abs");
      set_field(dlg, id, text.toStdString());
      if (message.startsWith("SINGULAR")) {
        set_field(dlg, IDC_CELL_BETA, "0");
        set_field(dlg, IDC_CELL_GAMMA, "0");
      }
      if (message.startsWith("AXIS")) set_field(dlg, IDC_AXIS_U, "0");
      click(dlg, IDC_RUN);
      QCOMPARE(label(dlg, IDC_STATUS), message.toStdString());
      QVERIFY(run_enabled(dlg));
      QVERIFY(units().is_connected(INPUT_UNIT));
      QVERIFY(units().is_connected(OUTPUT_UNIT));
      QCOMPARE(read_file(scratch.path("out.abs")), std::string());
      QCOMPARE(read_file(scratch.path("zirel.dat")), DEFAULT_FILE);
      // The run goes through once the field is mended.
      set_field(dlg, IDC_CELL_ALPHA, "90");
      set_field(dlg, IDC_CELL_BETA, "90");
      set_field(dlg, IDC_CELL_GAMMA, "90");
      set_field(dlg, id, id == IDC_AXIS_W || id == IDC_CELL_A || id == IDC_CELL_B || id == IDC_CELL_C ? "5" : "40");
      if (id == IDC_WAVELENGTH) set_field(dlg, id, "0.7093");
      if (id == IDC_AXIS_U || id == IDC_AXIS_V) set_field(dlg, id, "0");
      if (id == IDC_AXIS_W) set_field(dlg, id, "1");
      if (id == IDC_CELL_ALPHA || id == IDC_CELL_BETA || id == IDC_CELL_GAMMA) set_field(dlg, id, "90");
      click(dlg, IDC_RUN);
      QCOMPARE(label(dlg, IDC_STATUS), std::string("PROGRAM COMPLETED:    13 REFLECTIONS INPUT   10 OUTPUT"));
    }));
    const std::string expected_console =
        message.startsWith("SINGULAR") ? "   Determinant of Metric tensor =     0.0000\r\n" : "";
    QCOMPARE(console(), expected_console);
  }

  void a_second_run_needs_both_roles_again() {
    Scratch scratch;
    copy_in(scratch, "run.hkl");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "first.abs");
      click(dlg, IDC_RUN);
      select(dlg, IDC_SELECT_OUTPUT, "second.abs");
      QVERIFY(!run_enabled(dlg));
      QCOMPARE(label(dlg, IDC_STATUS), std::string("Select Files and Set Parameters"));
      QCOMPARE(label(dlg, IDC_INPUT_NAME), std::string("run.hkl"));
      click(dlg, IDC_RUN);  // a click on the disabled button does nothing
      QCOMPARE(read_file(scratch.path("second.abs")), std::string());
      select(dlg, IDC_SELECT_INPUT, "run.hkl");
      QVERIFY(run_enabled(dlg));
      click(dlg, IDC_RUN);
      QCOMPARE(label(dlg, IDC_STATUS), std::string("PROGRAM COMPLETED:    13 REFLECTIONS INPUT   10 OUTPUT"));
    }));
    QCOMPARE(read_file(scratch.path("second.abs")), read_file(DATA + "run_hkl_to_abs.abs"));
  }

  void a_fatal_report_goes_over_the_form() {
    Scratch scratch;
    std::string box;
    bool over_form = false;
    set_message_hook([&](std::string_view, std::string_view text) {
      box = text;
      over_form = modal_record() != nullptr;
    });
    QVERIFY(with_program([&](DialogRecord&) {
      report_fatal({"severe", 38, SETTINGS_UNIT, "zirel.dat", "error during write, unit 3, file zirel.dat"});
    }));
    set_message_hook(nullptr);
    QCOMPARE(box.substr(0, 55), std::string("severe (38): error during write, unit 3, file zirel.dat"));
    QVERIFY(over_form);
  }

  // The real program: a settings file that cannot be created ends it with
  // the report on standard error, while a message box waits for the user.
  void an_unwritable_settings_file_ends_the_program() {
    Scratch scratch;
    QDir().mkdir("zirel.dat");
    QProcess zirel;
    zirel.setProgram(ZIREL_PROGRAM);
    zirel.setWorkingDirectory(QString::fromStdString(scratch.path("")));
    zirel.start();
    QVERIFY(zirel.waitForStarted());
    QByteArray err;
    for (int i = 0; i < 50 && !err.contains('\n'); ++i) {
      zirel.waitForReadyRead(200);
      err += zirel.readAllStandardError();
    }
    QVERIFY2(err.contains("zirel: severe (9): permission to access file denied, unit 3, file zirel.dat"),
             err.constData());
    QCOMPARE(zirel.state(), QProcess::Running);  // the box is up
    zirel.kill();
    zirel.waitForFinished();
  }
};

QTEST_MAIN(ProgramTest)
#include "test_program.moc"
