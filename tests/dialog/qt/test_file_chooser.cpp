// The Qt file dialog behind choose_file: how a request configures it, and the
// refusal of a read-only output file over the dialog.
#include "dialog/qt/chooser_dialog.h"
#include "tests/file_bytes.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace zirel;

namespace {

std::string folder(const QTemporaryDir& dir) { return dir.path().toStdString() + "/"; }

std::string read_file(const std::string& path) { return zirel::test::file_bytes(path); }

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

class FileChooserTest : public QObject {
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
                        folder(scratch), "prev.abs"};
    ChooserDialog chooser(request);
    QCOMPARE(chooser.windowTitle(), QString::fromStdString(request.title));
    QCOMPARE(chooser.nameFilters(), file_filters());
    QCOMPARE(chooser.selectedNameFilter(), filter);
    QCOMPARE(chooser.defaultSuffix(), QString("exp"));
    QCOMPARE(QDir(chooser.directory()).canonicalPath(), QDir(QString::fromStdString(folder(scratch))).canonicalPath());
    QCOMPARE(chooser.acceptMode(), role ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    QCOMPARE(chooser.fileMode(), role ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QVERIFY(!chooser.testOption(QFileDialog::DontConfirmOverwrite));
  }

  void a_read_only_output_is_refused_in_the_dialog() {
    QTemporaryDir scratch;
    write_file((folder(scratch) + "locked.hkl"), "keep\r\n");
    std::filesystem::permissions((folder(scratch) + "locked.hkl"), std::filesystem::perms::owner_read);
    ChooserDialog chooser({FileRole::output, "Open Output Data File", 1, folder(scratch), "locked.hkl"});
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
    QCOMPARE(read_file(folder(scratch) + "locked.hkl"), std::string("keep\r\n"));
  }
};

QTEST_MAIN(FileChooserTest)
#include "test_file_chooser.moc"
