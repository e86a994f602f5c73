// Times one run through the form, offscreen: the program's own start-up,
// the files chosen through the chooser seam, the fields typed in, Run
// clicked. Prints the run's final status and the seconds the Run click took.
//   bench_form_run [--screenshot PNG] INPUT OUTPUT A B C ALPHA BETA GAMMA U V W WAVELENGTH PSI_MAX
//   bench_form_run --screenshot PNG
// With --screenshot the form is saved as it stands after the run; without a
// run, as the program shows it at start-up (from a scratch settings file).
#include "app/startup.h"
#include "dialog/dialog.h"
#include "dialog/qt/form_support.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <chrono>
#include <cstdio>
#include <string_view>

using namespace zirel;

namespace {

bool save_form(const DialogRecord& dlg, const QString& path) {
  QTest::qWait(300);  // let the window manager-less screen settle
  if (form_widget(dlg)->grab().save(path, "PNG")) return true;
  std::fprintf(stderr, "bench_form_run: cannot write the screenshot %s\n", path.toLocal8Bit().constData());
  return false;
}

// The form as the program starts it, saved, then closed like Exit.
int start_screenshot(const QString& path) {
  QTemporaryDir scratch;  // for the settings file
  QDir::setCurrent(scratch.path());
  bool saved = false;
  at_next_show([&](DialogRecord& dlg) {
    saved = QTest::qWaitForWindowExposed(form_widget(dlg)) && save_form(dlg, path);
    QTest::mouseClick(control_widget(dlg, IDCANCEL), Qt::LeftButton);
  });
  run_program();
  return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString screenshot;
  if (argc > 2 && std::string_view(argv[1]) == "--screenshot") {
    screenshot = QFileInfo(argv[2]).absoluteFilePath();
    argv += 2;
    argc -= 2;
  }
  if (argc == 1 && !screenshot.isEmpty()) return start_screenshot(screenshot);
  if (argc != 14) {
    std::fprintf(stderr, "usage: bench_form_run [--screenshot PNG] INPUT OUTPUT A B C ALPHA BETA GAMMA U V W WAVELENGTH PSI_MAX\n");
    return 2;
  }
  const QString input = QFileInfo(argv[1]).absoluteFilePath();
  const QString output = QFileInfo(argv[2]).absoluteFilePath();
  // The settings file goes to a scratch folder, never the caller's.
  QTemporaryDir scratch;
  QDir::setCurrent(scratch.path());
  const std::array<int, 11> ids{IDC_CELL_A, IDC_CELL_B, IDC_CELL_C, IDC_CELL_ALPHA, IDC_CELL_BETA,
                                IDC_CELL_GAMMA, IDC_AXIS_U, IDC_AXIS_V, IDC_AXIS_W, IDC_WAVELENGTH,
                                IDC_PSI_MAX};
  double seconds = -1;
  QString status;
  at_next_show([&](DialogRecord& dlg) {
    if (!QTest::qWaitForWindowExposed(form_widget(dlg))) std::fprintf(stderr, "bench_form_run: form not exposed\n");
    auto click = [&](int id) { QTest::mouseClick(control_widget(dlg, id), Qt::LeftButton); };
    set_next_file_name(input.toStdString());
    click(IDC_SELECT_INPUT);
    set_next_file_name(output.toStdString());
    click(IDC_SELECT_OUTPUT);
    for (std::size_t i = 0; i < ids.size(); ++i)
      qobject_cast<QLineEdit*>(control_widget(dlg, ids[i]))->setText(argv[3 + i]);
    const auto start = std::chrono::steady_clock::now();
    click(IDC_RUN);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    status = qobject_cast<QLabel*>(control_widget(dlg, IDC_STATUS))->text();
    if (!screenshot.isEmpty() && !save_form(dlg, screenshot)) seconds = -1;
    click(IDCANCEL);
  });
  run_program();
  std::printf("%s\n%.3f\n", status.toUtf8().constData(), seconds);
  return seconds < 0 ? 1 : 0;
}
