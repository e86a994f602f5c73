// The Qt back end's own dialogs and drawing: the file dialog configured from
// a request, its refusal of a read-only output, and the status line taking
// a second row for the longest message.
#include "chooser_dialog.h"
#include "dialog.h"
#include "form_support.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

using namespace zirel;

class ChooserDialogTest : public QObject {
  Q_OBJECT

private slots:
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
    QTemporaryDir scratch;
    FileRequest request{FileRole(role), role ? "Open Output Data File" : "Open Input Data File", index,
                        scratch.path().toStdString(), "prev.abs"};
    ChooserDialog chooser(request);
    QCOMPARE(chooser.windowTitle(), QString::fromStdString(request.title));
    QCOMPARE(chooser.nameFilters(), QStringList({"All Files (*)", "Cellex (*.abs)", "SHELX hkl (*.hkl)"}));
    QCOMPARE(chooser.selectedNameFilter(), filter);
    QCOMPARE(chooser.defaultSuffix(), QString("exp"));
    QCOMPARE(QDir(chooser.directory()).canonicalPath(), QDir(scratch.path()).canonicalPath());
    QCOMPARE(chooser.acceptMode(), role ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QCOMPARE(chooser.fileMode(), role ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QVERIFY(!chooser.testOption(QFileDialog::DontConfirmOverwrite));
  }

  void a_read_only_output_is_refused_in_the_dialog() {
    QTemporaryDir scratch;
    const std::string locked = (scratch.path() + "/locked.hkl").toStdString();
    std::ofstream(locked, std::ios::binary) << "keep\r\n";
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    ChooserDialog chooser({FileRole::output, "Open Output Data File", 1, scratch.path().toStdString(), "locked.hkl"});
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
    std::ifstream in(locked, std::ios::binary);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QCOMPARE(kept, std::string("keep\r\n"));
  }

  // The longest message takes a second row instead of being cut.
  void the_longest_status_takes_a_second_row() {
    DialogRecord dlg;
    QVERIFY(DLGLOAD(MAIN_DIALOG_ID, dlg));
    at_next_show([](DialogRecord& d) {
      DLGPUTCHAR(d, IDC_STATUS, "PROGRAM COMPLETED: 99999 REFLECTIONS INPUT99999 OUTPUT99999 TOO LARGE TO WRITE",
                 ATTR_TEXT);
      auto* status = qobject_cast<QLabel*>(control_widget(d, IDC_STATUS));
      const QRect rows =
          status->fontMetrics().boundingRect(status->contentsRect(), Qt::TextWordWrap, status->text());
      QVERIFY(rows.width() <= status->contentsRect().width());
      QVERIFY(rows.height() < 3 * status->fontMetrics().height());
      DLGEXIT(d);
    });
    DLGMODAL(dlg);
    DLGRELEASE(dlg);
  }
};

QTEST_MAIN(ChooserDialogTest)
#include "test_chooser_dialog.moc"
