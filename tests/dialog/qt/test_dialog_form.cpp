// The form on screen: modal runs driven from the test, the deferred-update
// rule, closing, keyboard and the geometry of every control.
#include "dialog/dialog.h"
#include "dialog/qt/dialog_units.h"
#include "dialog/qt/form_support.h"

#include <QCheckBox>
#include <QDialog>
#include <QFontInfo>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>
#include <vector>

using namespace zirel;

namespace {

QString label_text(const DialogRecord& dlg, int id) { return qobject_cast<QLabel*>(control_widget(dlg, id))->text(); }

void click(const DialogRecord& dlg, int id) { QTest::mouseClick(control_widget(dlg, id), Qt::LeftButton); }

std::string fetch20(DialogRecord& dlg, int id) {
  std::string out(20, '#');
  DLGFETCHCHAR(dlg, id, out);
  return out;
}

// Counts paint events, to tell a repaint done now from one merely scheduled.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    paints += e->type() == QEvent::Paint;
    return false;
  }
};

}  // namespace

class FormTest : public QObject {
  Q_OBJECT
  DialogRecord dlg;

 private slots:
  void init() { QVERIFY(DLGLOAD(MAIN_DIALOG_ID, dlg)); }
  void cleanup() { DLGRELEASE(dlg); }

  void values_set_before_the_form_is_shown_are_on_screen() {
    DLGPUTLOG(dlg, IDC_GENERATE, 0);
    DLGPUTCHAR(dlg, IDC_CELL_A, "    5.4310");
    DLGPUTCHAR(dlg, IDC_STATUS, "Select Files and Set Parameters ", ATTR_TEXT);
    bool seen = false;
    at_next_show([&](DialogRecord& d) {
      seen = true;
      QCOMPARE(form_widget(d)->windowTitle(), QString("Zirel"));
      QCOMPARE(label_text(d, IDC_STATUS), QString("Select Files and Set Parameters"));
      QCOMPARE(label_text(d, IDC_INPUT_NAME), QString("No file selected"));
      QCOMPARE(qobject_cast<QLineEdit*>(control_widget(d, IDC_CELL_A))->text(), QString("    5.4310"));
      QVERIFY(!qobject_cast<QCheckBox*>(control_widget(d, IDC_GENERATE))->isChecked());
      QVERIFY(qobject_cast<QRadioButton*>(control_widget(d, IDC_AXIS_UVW))->isChecked());
      QVERIFY(!qobject_cast<QRadioButton*>(control_widget(d, IDC_AXIS_HKL))->isChecked());
      QVERIFY(!control_widget(d, IDC_RUN)->isEnabled());
      QVERIFY(control_widget(d, IDC_NONE) == nullptr);
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
    QVERIFY(seen);
    QVERIFY(form_widget(dlg) == nullptr);
  }

  void exit_escape_and_close_box_end_with_2_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("Exit") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
  }
  void exit_escape_and_close_box_end_with_2() {
    QFETCH(int, how);
    at_next_show([how](DialogRecord& d) {
      if (how == 0) click(d, IDCANCEL);
      if (how == 1) QTest::keyClick(control_widget(d, IDC_CELL_A), Qt::Key_Escape);
      if (how == 2) form_widget(d)->close();
    });
    QCOMPARE(DLGMODAL(dlg), 2);
  }

  void close_box_runs_the_bound_exit_handler_instead() {
    int calls = 0;
    DLGBINDSUB(dlg, IDCANCEL, [&](DialogRecord&, int id, int event) {
      QCOMPARE(id, IDCANCEL);
      QCOMPARE(event, EVENT_CLICKED);
      ++calls;
    });
    DLGBINDSUB(dlg, IDC_RUN, [](DialogRecord& d, int, int) {
      d.return_value = 7;
      DLGEXIT(d);
    });
    DLGPUTLOG(dlg, IDC_RUN, 1, ATTR_ENABLED);
    at_next_show([](DialogRecord& d) {
      form_widget(d)->close();
      QVERIFY(form_widget(d) != nullptr);  // the replaced handler does not close
      click(d, IDC_RUN);
    });
    QCOMPARE(DLGMODAL(dlg), 7);
    QCOMPARE(calls, 1);
  }

  void handler_changes_wait_for_return_unless_refreshed() {
    PaintCounter counter;
    QString during_plain, during_refreshed;
    int paints_plain = -1, paints_refreshed = -1;
    DLGBINDSUB(dlg, IDC_SELECT_INPUT, [&](DialogRecord& d, int, int) {
      int before = counter.paints;
      DLGPUTCHAR(d, IDC_STATUS, "PROCESSING REFLECTION     1", ATTR_TEXT);
      during_plain = label_text(d, IDC_STATUS);
      paints_plain = counter.paints - before;
    });
    DLGBINDSUB(dlg, IDC_SELECT_OUTPUT, [&](DialogRecord& d, int, int) {
      int before = counter.paints;
      DLGPUTCHAR(d, IDC_STATUS, "PROCESSING REFLECTION     2", ATTR_TEXT);
      DLGREFRESH(d);
      during_refreshed = label_text(d, IDC_STATUS);
      paints_refreshed = counter.paints - before;
    });
    at_next_show([&](DialogRecord& d) {
      QVERIFY(QTest::qWaitForWindowExposed(form_widget(d)));
      control_widget(d, IDC_STATUS)->installEventFilter(&counter);
      click(d, IDC_SELECT_INPUT);
      QCOMPARE(label_text(d, IDC_STATUS), QString("PROCESSING REFLECTION     1"));
      click(d, IDC_SELECT_OUTPUT);
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
    QCOMPARE(during_plain, QString());
    QCOMPARE(paints_plain, 0);
    QCOMPARE(during_refreshed, QString("PROCESSING REFLECTION     2"));
    QVERIFY(paints_refreshed > 0);
  }

  void clicks_reach_handlers_and_read_back_the_screen() {
    std::vector<int> clicked;
    std::vector<bool> generate_seen;
    std::string typed_in_handler;
    auto record_id = [&](DialogRecord&, int id, int) { clicked.push_back(id); };
    DLGBINDSUB(dlg, IDC_AXIS_UVW, record_id);
    DLGBINDSUB(dlg, IDC_AXIS_HKL, record_id);
    DLGBINDSUB(dlg, IDC_GENERATE, [&](DialogRecord& d, int, int) {
      bool on = false;
      DLGFETCHLOG(d, IDC_GENERATE, on);
      generate_seen.push_back(on);
    });
    DLGBINDSUB(dlg, IDC_RUN, [&](DialogRecord& d, int, int) {
      typed_in_handler = fetch20(d, IDC_WAVELENGTH);
      DLGPUTCHAR(d, IDC_STATUS, "PROGRAM COMPLETED:", ATTR_TEXT);  // pending when the form ends
      d.return_value = IDC_RUN;
      DLGEXIT(d);
    });
    DLGPUTLOG(dlg, IDC_GENERATE, 0);
    DLGPUTLOG(dlg, IDC_RUN, 1, ATTR_ENABLED);
    at_next_show([](DialogRecord& d) {
      click(d, IDC_AXIS_HKL);
      click(d, IDC_AXIS_HKL);  // the checked button reports every click
      click(d, IDC_AXIS_UVW);
      click(d, IDC_GENERATE);
      click(d, IDC_GENERATE);
      QTest::keyClicks(control_widget(d, IDC_WAVELENGTH), "0.7107300000000000000001");
      click(d, IDC_RUN);
    });
    QCOMPARE(DLGMODAL(dlg), IDC_RUN);
    QCOMPARE(clicked, (std::vector<int>{IDC_AXIS_HKL, IDC_AXIS_HKL, IDC_AXIS_UVW}));
    QCOMPARE(generate_seen, (std::vector<bool>{true, false}));
    QCOMPARE(typed_in_handler, std::string("0.710730000000000000"));
    // Values stay readable after the form has gone, until DLGRELEASE.
    QCOMPARE(fetch20(dlg, IDC_WAVELENGTH), std::string("0.710730000000000000"));
    QCOMPARE(fetch20(dlg, IDC_STATUS), std::string("PROGRAM COMPLETED:  "));
    bool uvw = false;
    QVERIFY(DLGFETCHLOG(dlg, IDC_AXIS_UVW, uvw));
    QVERIFY(uvw);
  }

  void setting_from_outside_a_handler_shows_at_once() {
    at_next_show([](DialogRecord& d) {
      DLGPUTCHAR(d, IDC_LABEL_U, "h", ATTR_TEXT);
      QCOMPARE(label_text(d, IDC_LABEL_U), QString("h"));
      DLGPUTLOG(d, IDC_AXIS_HKL, 1);
      QVERIFY(!qobject_cast<QRadioButton*>(control_widget(d, IDC_AXIS_UVW))->isChecked());
      DLGPUTLOG(d, IDC_AXIS_HKL, 0);  // a group with none checked is shown as such
      QVERIFY(!qobject_cast<QRadioButton*>(control_widget(d, IDC_AXIS_HKL))->isChecked());
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
  }

  void enter_activates_run_only_when_enabled() {
    int runs = 0;
    DLGBINDSUB(dlg, IDC_RUN, [&](DialogRecord&, int, int) { ++runs; });
    at_next_show([&](DialogRecord& d) {
      QWidget* edit = control_widget(d, IDC_PSI_MAX);
      edit->setFocus();
      QTest::keyClick(edit, Qt::Key_Return);
      QCOMPARE(runs, 0);
      DLGPUTLOG(d, IDC_RUN, 1, ATTR_ENABLED);
      QTest::keyClick(edit, Qt::Key_Return);
      QCOMPARE(runs, 1);
      // Run clicked and disabling itself, as a run does: the focus must not
      // pass to Exit, or the next Enter would close the form.
      DLGBINDSUB(d, IDC_RUN, [&](DialogRecord& r, int, int) {
        ++runs;
        DLGPUTLOG(r, IDC_RUN, 0, ATTR_ENABLED);
        DLGREFRESH(r);
      });
      form_widget(d)->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(form_widget(d)));
      control_widget(d, IDC_RUN)->setFocus();
      QTest::keyClick(control_widget(d, IDC_RUN), Qt::Key_Space);
      QCOMPARE(runs, 2);
      QVERIFY(QApplication::focusWidget() != control_widget(d, IDCANCEL));
      QTest::keyClick(form_widget(d), Qt::Key_Return);
      QVERIFY(form_widget(d));
      QCOMPARE(runs, 2);
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
  }

  // As the Win32 dialog manager does it: the checked button of the radio
  // group is its tab stop, and the arrow keys move the check within it.
  void tab_order_follows_the_template_and_enters_the_radio_group_at_its_checked_button() {
    at_next_show([](DialogRecord& d) {
      QVERIFY(QTest::qWaitForWindowExposed(form_widget(d)));
      const std::vector<int> order{IDCANCEL, IDC_AXIS_U, IDC_AXIS_V, IDC_AXIS_W, IDC_SELECT_INPUT,
                                   IDC_SELECT_OUTPUT, IDC_CELL_A, IDC_CELL_B, IDC_CELL_C, IDC_CELL_ALPHA,
                                   IDC_CELL_BETA, IDC_CELL_GAMMA, IDC_WAVELENGTH, IDC_PSI_MAX, IDC_AXIS_UVW,
                                   IDC_GENERATE, IDCANCEL};  // Run is disabled and skipped; hkl is unchecked
      form_widget(d)->activateWindow();
      control_widget(d, order.front())->setFocus();
      for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control_widget(d, order[i]));
      }
      auto* uvw = qobject_cast<QRadioButton*>(control_widget(d, IDC_AXIS_UVW));
      auto* hkl = qobject_cast<QRadioButton*>(control_widget(d, IDC_AXIS_HKL));
      struct Step {
        Qt::Key key;
        QRadioButton* focused;
      };
      const Step steps[] = {{Qt::Key_Down, hkl}, {Qt::Key_Down, uvw}, {Qt::Key_Right, hkl},
                            {Qt::Key_Up, uvw}, {Qt::Key_Left, hkl}};
      uvw->setFocus();
      for (const Step& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), step.key);
        QCOMPARE(QApplication::focusWidget(), step.focused);
        QVERIFY(step.focused->isChecked());
        QCOMPARE(uvw->isChecked(), step.focused == uvw);
      }
      // hkl checked now: Tab enters the group at hkl, from either side.
      control_widget(d, IDC_PSI_MAX)->setFocus();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), hkl);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), control_widget(d, IDC_GENERATE));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
      QCOMPARE(QApplication::focusWidget(), hkl);
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
  }

  // A modal frame: the window cannot be resized or maximised, so the form
  // never ends up in a corner of an empty area.
  void the_window_keeps_its_size() {
    QSize size, minimum, maximum, after_resize;
    bool maximise_button = true;
    at_next_show([&](DialogRecord& d) {
      QDialog* form = form_widget(d);
      size = form->size();
      minimum = form->minimumSize();
      maximum = form->maximumSize();
      maximise_button = form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
      form->resize(size * 2);
      after_resize = form->size();
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
    QVERIFY(!size.isEmpty());
    QCOMPARE(minimum, size);
    QCOMPARE(maximum, size);
    QCOMPARE(after_resize, size);
    QVERIFY(!maximise_button);
  }

  void every_control_sits_at_its_scaled_template_rectangle() {
    const DialogTemplate* t = find_dialog_template(MAIN_DIALOG_ID);
    QVERIFY(t);
    at_next_show([t](DialogRecord& d) {
      QDialog* form = form_widget(d);
      QCOMPARE(QFontInfo(form->font()).family(), QString("Liberation Sans"));
      // Base units measured here, independently of the layer.
      QFontMetrics m(form->font());
      int cx = (m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
      int cy = m.height();
      auto sx = [cx](int v) { return (v * cx + 2) / 4; };
      auto sy = [cy](int v) { return (v * cy + 4) / 8; };
      QCOMPARE(form->size(), QSize(sx(t->width), sy(t->height)));
      for (std::size_t i = 0; i < t->controls.size(); ++i) {
        const ControlTemplate& c = t->controls[i];
        QWidget* w = control_widget_at(d, i);
        QVERIFY(w);
        QCOMPARE(w->geometry(), QRect(sx(c.x), sy(c.y), sx(c.width), sy(c.height)));
      }
      QVERIFY(control_widget_at(d, t->controls.size()) == nullptr);  // the form's own entry
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
  }

  // The longest status message takes a second row instead of being cut.
  void the_longest_status_takes_a_second_row() {
    at_next_show([](DialogRecord& d) {
      DLGPUTCHAR(d, IDC_STATUS, "PROGRAM COMPLETED: 99999 REFLECTIONS INPUT99999 OUTPUT99999 TOO LARGE TO WRITE",
                 ATTR_TEXT);
      auto* status = qobject_cast<QLabel*>(control_widget(d, IDC_STATUS));
      const QRect rows =
          status->fontMetrics().boundingRect(status->contentsRect(), Qt::TextWordWrap, status->text());
      QVERIFY(rows.width() <= status->contentsRect().width());
      QVERIFY(rows.height() < 3 * status->fontMetrics().height());
      click(d, IDCANCEL);
    });
    QCOMPARE(DLGMODAL(dlg), 2);
  }
};

QTEST_MAIN(FormTest)
#include "test_dialog_form.moc"
