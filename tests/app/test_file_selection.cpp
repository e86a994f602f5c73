// File selection, the chooser layer, run gating and the axis labels, driven
// through the real form with the chooser's answers given ahead of time.
#include "chooser_dialog.h"
#include "file_selection.h"
#include "recio/unit.h"
#include "shell_harness.h"
#include "status_line.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <filesystem>

using namespace zirel;
using namespace zirel::test;

namespace {

const std::string SELECT_TEXT = "Select Files and Set Parameters";
const std::string READY = "Set Parameters or Run Program";

}  // namespace

class FileSelectionTest : public QObject {
  Q_OBJECT

private slots:
  void layouts_follow_the_names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("layout");
    QTest::newRow("run1.hkl") << "run1.hkl" << 2;
    QTest::newRow("capitals") << "RUN1.HKL" << 2;
    QTest::newRow("mixed") << "Run1.Hkl" << 2;
    QTest::newRow("inside") << "a.hkl.txt" << 2;
    QTest::newRow("abs") << "data.abs" << 1;
    QTest::newRow("hkl without dot") << "hkl.abs" << 1;
    QTest::newRow("six blanks") << "my      data.hkl" << 2;
  }
  void layouts_follow_the_names() {
    QFETCH(QString, name);
    QFETCH(int, layout);
    Scratch scratch;
    std::string file = name.toStdString();
    QDir().mkpath("data");
    write_file(scratch.path("data/" + file), "   1   0   0    10.0     1.0\r\n");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, scratch.path("data/" + file));
      QCOMPARE(label(dlg, IDC_INPUT_NAME), file);
      QCOMPARE(shell_state().input_name, file);
      QCOMPARE(shell_state().input_state, 1);
      QCOMPARE(int(shell_state().run_settings.input_kind), layout);
      QVERIFY(units().is_connected(INPUT_UNIT));
      select(dlg, IDC_SELECT_OUTPUT, "out-" + file);
      QCOMPARE(label(dlg, IDC_OUTPUT_NAME), "out-" + file);
      QCOMPARE(int(shell_state().run_settings.output_kind), layout);
      QVERIFY(run_enabled(dlg));
      QCOMPARE(label(dlg, IDC_STATUS), READY);
      // The next dialogs open in the folder of the role's file, propose its
      // name and preselect its filter.
      select(dlg, IDC_SELECT_INPUT, "");
      const FileRequest& input = last_file_request();
      QCOMPARE(input.title, std::string("Open Input Data File"));
      QCOMPARE(input.folder, scratch.path("data"));
      QCOMPARE(input.proposed_name, file);
      QCOMPARE(input.filter_index, layout + 1);
      select(dlg, IDC_SELECT_OUTPUT, "");
      QCOMPARE(last_file_request().title, std::string("Open Output Data File"));
      QCOMPARE(last_file_request().folder + "/", scratch.path(""));
    }));
  }

  void first_dialogs_open_in_the_working_directory() {
    Scratch scratch;
    write_file(scratch.path("zirel.dat"), "5 5 5 90 90 90\n0.7 40\n0 0 0 1\n-1 2\n");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "");
      QCOMPARE(last_file_request().folder + "/", scratch.path(""));
      QCOMPARE(last_file_request().proposed_name, std::string());
      QCOMPARE(last_file_request().filter_index, 0);  // after a generation run: "All Files"
      ChooserDialog chooser(last_file_request());
      QCOMPARE(chooser.selectedNameFilter(), QString("All Files (*)"));
      select(dlg, IDC_SELECT_OUTPUT, "");
      QCOMPARE(last_file_request().filter_index, 3);
    }));
  }

  void an_output_is_emptied_at_once_and_named_with_the_default_suffix() {
    Scratch scratch;
    write_file(scratch.path("old.hkl"), "   1   2   3   100.0     1.0\r\n");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_OUTPUT, "old.hkl");
      QCOMPARE(read_file(scratch.path("old.hkl")), std::string());
      QCOMPARE(shell_state().output_open, 1);
      QVERIFY(!run_enabled(dlg));  // only an output: not yet
      QCOMPARE(label(dlg, IDC_STATUS), SELECT_TEXT);
      select(dlg, IDC_SELECT_OUTPUT, "result");
      QCOMPARE(label(dlg, IDC_OUTPUT_NAME), std::string("result.exp"));
      QCOMPARE(int(shell_state().run_settings.output_kind), 1);
      QVERIFY(QFile::exists("result.exp"));
    }));
  }

  void generate_data_replaces_the_input() {
    Scratch scratch;
    write_file(scratch.path("in.hkl"), "");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      QVERIFY(!checked(dlg, IDC_GENERATE));
      select(dlg, IDC_SELECT_INPUT, "in.hkl");
      click(dlg, IDC_GENERATE);
      QVERIFY(!units().is_connected(INPUT_UNIT));
      QCOMPARE(shell_state().input_state, -1);
      QCOMPARE(int(shell_state().run_settings.input_kind), -1);
      QCOMPARE(shell_state().input_name, std::string());
      QCOMPARE(label(dlg, IDC_INPUT_NAME), std::string("Dummy file selected"));
      QVERIFY(!run_enabled(dlg));
      select(dlg, IDC_SELECT_OUTPUT, "gen.hkl");
      QVERIFY(run_enabled(dlg));
      QCOMPARE(label(dlg, IDC_STATUS), READY);
      click(dlg, IDC_GENERATE);  // untick: no input, and none reopened
      QCOMPARE(shell_state().input_state, 0);
      QCOMPARE(int(shell_state().run_settings.input_kind), -1);
      QVERIFY(!units().is_connected(INPUT_UNIT));
      QCOMPARE(label(dlg, IDC_INPUT_NAME), std::string("No file selected"));
      QVERIFY(!run_enabled(dlg));
      // Selecting an input unticks the box; a failed one leaves it ticked.
      click(dlg, IDC_GENERATE);
      select(dlg, IDC_SELECT_INPUT, "missing.hkl");
      QVERIFY(checked(dlg, IDC_GENERATE));
      QCOMPARE(shell_state().input_state, 0);
      QVERIFY(!run_enabled(dlg));
      select(dlg, IDC_SELECT_INPUT, "in.hkl");
      QVERIFY(!checked(dlg, IDC_GENERATE));
      QCOMPARE(shell_state().input_state, 1);
      QVERIFY(run_enabled(dlg));
    }));
  }

  // Each failed open shows its message at once, then the role has no file.
  void open_failures_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString in = "ERROR OPENING INPUT DATA FILE", out = "ERROR OPENING OUTPUT DATA FILE";
    QTest::newRow("input missing") << IDC_SELECT_INPUT << "missing.hkl" << in;
    QTest::newRow("input a directory") << IDC_SELECT_INPUT << "folder.hkl" << in;
    QTest::newRow("output a directory") << IDC_SELECT_OUTPUT << "folder.hkl" << out;
    QTest::newRow("output in no folder") << IDC_SELECT_OUTPUT << "nowhere/out.hkl" << out;
    QTest::newRow("input path too long") << IDC_SELECT_INPUT << QString(600, 'x') + ".hkl" << in;
    QTest::newRow("output path too long") << IDC_SELECT_OUTPUT << QString(600, 'y') + ".hkl" << out;
  }
  void open_failures() {
    QFETCH(int, button);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Scratch scratch;
    QDir().mkdir("folder.hkl");
    write_file(scratch.path("good.hkl"), "");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      int other = button == IDC_SELECT_INPUT ? IDC_SELECT_OUTPUT : IDC_SELECT_INPUT;
      select(dlg, other, other == IDC_SELECT_INPUT ? "good.hkl" : "o.abs");
      select(dlg, button, button == IDC_SELECT_INPUT ? "good.hkl" : "o2.abs");
      QVERIFY(run_enabled(dlg));
      StatusPaints paints(dlg);
      select(dlg, button, name.toStdString());
      QVERIFY(paints.saw(message.toStdString()));
      int name_label = button == IDC_SELECT_INPUT ? IDC_INPUT_NAME : IDC_OUTPUT_NAME;
      QCOMPARE(label(dlg, name_label), std::string("No file selected"));
      QCOMPARE(label(dlg, IDC_STATUS), SELECT_TEXT);
      QVERIFY(!run_enabled(dlg));
      QCOMPARE(button == IDC_SELECT_INPUT ? shell_state().input_state : shell_state().output_open, 0);
      QCOMPARE(button == IDC_SELECT_INPUT ? shell_state().input_name : shell_state().output_name, std::string());
      QVERIFY(!units().is_connected(button == IDC_SELECT_INPUT ? INPUT_UNIT : OUTPUT_UNIT));
    }));
  }

  void cancel_after_a_selection_forgets_the_closed_file() {
    Scratch scratch;
    write_file(scratch.path("in.hkl"), "");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "in.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.hkl");
      QVERIFY(run_enabled(dlg));
      select(dlg, IDC_SELECT_OUTPUT, "");
      QCOMPARE(label(dlg, IDC_OUTPUT_NAME), std::string("No file selected"));
      QCOMPARE(shell_state().output_open, 0);
      QVERIFY(!run_enabled(dlg));
      QCOMPARE(label(dlg, IDC_STATUS), SELECT_TEXT);
      select(dlg, IDC_SELECT_INPUT, "");
      QCOMPARE(label(dlg, IDC_INPUT_NAME), std::string("No file selected"));
      QVERIFY(!units().is_connected(INPUT_UNIT));
      // Cancelling with nothing selected changes nothing.
      click(dlg, IDC_GENERATE);
      select(dlg, IDC_SELECT_INPUT, "");
      QCOMPARE(shell_state().input_state, -1);
      QCOMPARE(label(dlg, IDC_INPUT_NAME), std::string("Dummy file selected"));
    }));
  }

  void a_role_counts_only_while_its_file_is_open() {
    Scratch scratch;
    write_file(scratch.path("in.hkl"), "");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "in.hkl");
      select(dlg, IDC_SELECT_OUTPUT, "out.hkl");
      // As a successful run leaves them: both closed, states and labels unchanged.
      close_unit(INPUT_UNIT);
      close_unit(OUTPUT_UNIT);
      select(dlg, IDC_SELECT_OUTPUT, "out2.hkl");
      QVERIFY(!run_enabled(dlg));
      QCOMPARE(label(dlg, IDC_INPUT_NAME), std::string("in.hkl"));
      select(dlg, IDC_SELECT_INPUT, "in.hkl");
      QVERIFY(run_enabled(dlg));
    }));
  }

  void the_output_may_not_be_the_open_input() {
    Scratch scratch;
    const std::string data = "   1   0   0  1234.5    12.3\r\n";
    write_file(scratch.path("in.hkl"), data);
    std::filesystem::create_symlink(scratch.path("in.hkl"), scratch.path("link.hkl"));
    QVERIFY(with_program([&](DialogRecord& dlg) {
      select(dlg, IDC_SELECT_INPUT, "in.hkl");
      for (const char* name : {"in.hkl", "link.hkl"}) {
        StatusPaints paints(dlg);
        select(dlg, IDC_SELECT_OUTPUT, name);
        QVERIFY(paints.saw("ERROR OPENING OUTPUT DATA FILE"));
        QCOMPARE(read_file(scratch.path("in.hkl")), data);
        QCOMPARE(label(dlg, IDC_OUTPUT_NAME), std::string("No file selected"));
        QCOMPARE(shell_state().output_open, 0);
        QVERIFY(!run_enabled(dlg));
      }
      // Nor the input the output that is open.
      select(dlg, IDC_SELECT_OUTPUT, "out.hkl");
      StatusPaints paints(dlg);
      select(dlg, IDC_SELECT_INPUT, "out.hkl");
      QVERIFY(paints.saw("ERROR OPENING INPUT DATA FILE"));
      QCOMPARE(shell_state().input_state, 0);
    }));
  }

  void gating_table() {
    Scratch scratch;
    write_file(scratch.path("in.abs"), "");
    QVERIFY(with_program([&](DialogRecord& dlg) {
      QVERIFY(!run_enabled(dlg));
      QCOMPARE(shell_state().input_state, 0);
      QCOMPARE(shell_state().output_open, 0);
      struct Step { std::function<void()> act; bool enabled; };
      const std::vector<Step> steps{
          {[&] { select(dlg, IDC_SELECT_INPUT, "in.abs"); }, false},      // 1, 0
          {[&] { select(dlg, IDC_SELECT_OUTPUT, "o.abs"); }, true},       // 1, 1
          {[&] { click(dlg, IDC_GENERATE); }, true},                      // -1, 1
          {[&] { click(dlg, IDC_GENERATE); }, false},                     // 0, 1
          {[&] { select(dlg, IDC_SELECT_OUTPUT, ""); }, false},           // 0, 0
          {[&] { click(dlg, IDC_GENERATE); }, false},                     // -1, 0
          {[&] { select(dlg, IDC_SELECT_OUTPUT, "o.abs"); }, true},       // -1, 1
      };
      for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].act();
        QVERIFY2(run_enabled(dlg) == steps[i].enabled, std::to_string(i).c_str());
        QCOMPARE(label(dlg, IDC_STATUS), steps[i].enabled ? READY : SELECT_TEXT);
      }
    }));
  }

  void axis_kind_relabels_and_keeps_the_numbers() {
    Scratch scratch;
    QVERIFY(with_program([&](DialogRecord& dlg) {
      set_field(dlg, IDC_AXIS_U, "1");
      auto labels = [&] { return label(dlg, IDC_LABEL_U) + label(dlg, IDC_LABEL_V) + label(dlg, IDC_LABEL_W); };
      for (int round = 0; round < 2; ++round) {
        click(dlg, IDC_AXIS_HKL);
        QCOMPARE(labels(), std::string("hkl"));
        click(dlg, IDC_AXIS_HKL);
        QCOMPARE(labels(), std::string("hkl"));
        click(dlg, IDC_AXIS_UVW);
        QCOMPARE(labels(), std::string("UVW"));
      }
      QCOMPARE(field(dlg, IDC_AXIS_U), std::string("1"));
      QCOMPARE(field(dlg, IDC_AXIS_W), std::string("  1"));
      QCOMPARE(int(shell_state().run_settings.axis_kind), 0);
    }));
  }

  void status_is_shown_at_once_and_progress_is_throttled() {
    Scratch scratch;
    QVERIFY(with_program([&](DialogRecord& dlg) {
      StatusPaints paints(dlg);
      show_status("PROCESSING REFLECTION     7" + std::string(53, ' '));
      QCOMPARE(paints.texts, std::vector<std::string>{"PROCESSING REFLECTION     7"});
      // The longest message takes a second row instead of being cut.
      show_status("PROGRAM COMPLETED: 99999 REFLECTIONS INPUT99999 OUTPUT99999 TOO LARGE TO WRITE");
      auto* status = qobject_cast<QLabel*>(control_widget(dlg, IDC_STATUS));
      const QRect rows = status->fontMetrics().boundingRect(status->contentsRect(), Qt::TextWordWrap,
                                                            status->text());
      QVERIFY(rows.width() <= status->contentsRect().width());
      QVERIFY(rows.height() < 3 * status->fontMetrics().height());
    }));
    ProgressThrottle throttle;
    using namespace std::chrono;
    const auto t0 = steady_clock::now();
    int due = 0;
    for (int ms = 0; ms < 1000; ++ms) due += throttle.due(t0 + milliseconds(ms));
    QVERIFY2(due >= 29 && due <= 31, std::to_string(due).c_str());
  }

  void chooser_dialogs_data() {
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("filter");
    QTest::newRow("input, Cellex") << 0 << 2 << "Cellex (*.abs)";
    QTest::newRow("input, SHELX") << 0 << 3 << "SHELX hkl (*.hkl)";
    QTest::newRow("input, none") << 0 << 0 << "All Files (*)";
    QTest::newRow("output, all") << 1 << 1 << "All Files (*)";
    QTest::newRow("output, beyond") << 1 << 9 << "All Files (*)";
  }
  void chooser_dialogs() {
    QFETCH(int, role);
    QFETCH(int, index);
    QFETCH(QString, filter);
    Scratch scratch;
    FileRequest request{FileRole(role), role ? "Open Output Data File" : "Open Input Data File", index,
                        scratch.path(""), "prev.abs"};
    ChooserDialog chooser(request);
    QCOMPARE(chooser.windowTitle(), QString::fromStdString(request.title));
    QCOMPARE(chooser.nameFilters(), file_filters());
    QCOMPARE(chooser.selectedNameFilter(), filter);
    QCOMPARE(chooser.defaultSuffix(), QString("exp"));
    QCOMPARE(QDir(chooser.directory()).canonicalPath(), QDir(QString::fromStdString(scratch.path(""))).canonicalPath());
    QCOMPARE(chooser.acceptMode(), role ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QCOMPARE(chooser.fileMode(), role ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QVERIFY(!chooser.testOption(QFileDialog::DontConfirmOverwrite));
  }

  void a_read_only_output_is_refused_in_the_dialog() {
    Scratch scratch;
    write_file(scratch.path("locked.hkl"), "keep\r\n");
    std::filesystem::permissions(scratch.path("locked.hkl"), std::filesystem::perms::owner_read);
    ChooserDialog chooser({FileRole::output, "Open Output Data File", 1, scratch.path(""), "locked.hkl"});
    chooser.show();
    // The refusal stands over the dialog it refers to.
    QString shown;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      QCOMPARE(box->parentWidget(), &chooser);
      shown = box->text();
      box->accept();
    });
    chooser.accept();
    QVERIFY(shown.contains("locked.hkl"));
    QVERIFY(chooser.isVisible());
    QVERIFY(chooser.result() != QDialog::Accepted);
    chooser.reject();
    QCOMPARE(read_file(scratch.path("locked.hkl")), std::string("keep\r\n"));
  }
};

QTEST_MAIN(FileSelectionTest)
#include "test_file_selection.moc"
