// Times one run through the form, offscreen: the program's own start-up,
// the files chosen through the chooser seam, the fields typed in, Run
// clicked. Prints the run's final status and the seconds the Run click took.
//   bench_form_run [--screenshot PNG] INPUT OUTPUT A B C ALPHA BETA GAMMA U V W WAVELENGTH PSI_MAX
// With --screenshot the form is saved as it stands after the run.
#include "dialog.h"
#include "file_chooser.h"
#include "form_support.h"
#include "startup.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <chrono>
#include <cstdio>
#include <string_view>

using namespace zirel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString screenshot;
  if (argc > 2 && std::string_view(argv[1]) == "--screenshot") {
    screenshot = QFileInfo(argv[2]).absoluteFilePath();
    argv += 2;
    argc -= 2;
  }
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
    if (!screenshot.isEmpty()) {
      QTest::qWait(200);  // let the window manager-less screen settle
      if (!form_widget(dlg)->grab().save(screenshot, "PNG")) seconds = -1;
    }
    click(IDCANCEL);
  });
  run_program();
  std::printf("%s\n%.3f\n", status.toUtf8().constData(), seconds);
  return seconds < 0 ? 1 : 0;
}
