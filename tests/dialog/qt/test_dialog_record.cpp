// The stored side of the dialog layer: what DLGLOAD builds and what the set,
// get and bind operations do while no form is on screen.
#include "dialog/dialog.h"

#include <QTest>
#include <array>
#include <string>

using namespace zirel;

namespace {

std::string fetch(DialogRecord& dlg, int id, std::size_t length, int selector = ATTR_DEFAULT) {
  std::string out(length, '#');
  if (!DLGFETCHCHAR(dlg, id, out, selector)) return "<failed>";
  return out;
}

}  // namespace

class RecordTest : public QObject {
  Q_OBJECT
  DialogRecord dlg;

 private slots:
  void init() { QVERIFY(DLGLOAD(MAIN_DIALOG_ID, dlg)); }
  void cleanup() { DLGRELEASE(dlg); }

  void unknown_template_is_refused() {
    DialogRecord other;
    QVERIFY(!DLGLOAD(102, other));
    QVERIFY(other.controls.empty());
  }

  void state_after_load_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("selector");
    QTest::addColumn<bool>("expected");
    QTest::newRow("generate checked") << IDC_GENERATE << ATTR_DEFAULT << true;
    QTest::newRow("UVW checked") << IDC_AXIS_UVW << ATTR_DEFAULT << true;
    QTest::newRow("hkl unchecked") << IDC_AXIS_HKL << ATTR_DEFAULT << false;
    QTest::newRow("run disabled") << IDC_RUN << ATTR_DEFAULT << false;
    QTest::newRow("run disabled, explicit") << IDC_RUN << ATTR_ENABLED << false;
    QTest::newRow("exit enabled") << IDCANCEL << ATTR_DEFAULT << true;
    QTest::newRow("edit enabled") << IDC_CELL_A << ATTR_DEFAULT << true;
    QTest::newRow("radio enabled") << IDC_AXIS_HKL << ATTR_ENABLED << true;
  }
  void state_after_load() {
    QFETCH(int, id);
    QFETCH(int, selector);
    QFETCH(bool, expected);
    bool value = !expected;
    QVERIFY(DLGFETCHLOG(dlg, id, value, selector));
    QCOMPARE(value, expected);
  }

  void texts_after_load() {
    QCOMPARE(dlg.controls.size(), std::size_t(35));
    QCOMPARE(dlg.controls.back().text, std::string("Zirel"));
    QCOMPARE(dlg.return_value, 1);
    QCOMPARE(fetch(dlg, IDC_INPUT_NAME, 20), std::string("No file selected    "));
    QCOMPARE(fetch(dlg, IDC_LABEL_W, 1, ATTR_TEXT), std::string("W"));
    QCOMPARE(fetch(dlg, IDC_RUN, 3, ATTR_TEXT), std::string("Run"));
    QCOMPARE(fetch(dlg, IDC_WAVELENGTH, 20), std::string(20, ' '));
    QCOMPARE(fetch(dlg, IDC_STATUS, 5), std::string(5, ' '));
  }

  void unnamed_controls_are_shared_and_alone() {
    int shared = 0;
    for (const ControlEntry& e : dlg.controls) {
      QCOMPARE(e.shared_id, e.id == IDC_NONE);
      shared += e.shared_id;
    }
    QCOMPARE(shared, 10);
  }

  void radio_group_is_the_two_axis_buttons() {
    const ControlEntry& uvw = dlg.controls[27];
    QCOMPARE(uvw.id, IDC_AXIS_UVW);
    QCOMPARE(uvw.group_first, 27);
    QCOMPARE(uvw.group_last, 28);  // IDC_LABEL_U starts the next group
    QCOMPARE(dlg.controls[28].group_first, 27);
  }

  void text_rules_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    QTest::newRow("trailing blank dropped") << "Select Files and Set Parameters " << "Select Files and Set Parameters";
    QTest::newRow("leading blanks kept") << "  ERROR READING FILE AFTER LINE    4" << "  ERROR READING FILE AFTER LINE    4";
    QTest::newRow("blanks only") << "          " << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("inner blanks kept") << "a  b   " << "a  b";
  }
  void text_rules() {
    QFETCH(QString, input);
    QFETCH(QString, stored);
    for (int id : {IDC_STATUS, IDC_CELL_A}) {
      int selector = id == IDC_STATUS ? ATTR_TEXT : ATTR_DEFAULT;
      QVERIFY(DLGPUTCHAR(dlg, id, input.toStdString(), selector));
      std::string padded = stored.toStdString();
      padded.resize(40, ' ');
      QCOMPARE(fetch(dlg, id, 40, selector), padded);
    }
  }

  void fetch_cuts_or_pads_to_the_variable() {
    QVERIFY(DLGPUTCHAR(dlg, IDC_CELL_B, "12345678901234567890123456"));
    QCOMPARE(fetch(dlg, IDC_CELL_B, 20), std::string("12345678901234567890"));
    QCOMPARE(fetch(dlg, IDC_CELL_C, 20), std::string(20, ' '));
    QCOMPARE(fetch(dlg, IDC_CELL_B, 0), std::string());
  }

  void selectors_a_kind_lacks_change_nothing_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("selector");
    QTest::addColumn<bool>("is_text");
    QTest::newRow("caption of an edit box") << IDC_CELL_A << ATTR_TEXT << true;
    QTest::newRow("text as enabled state") << IDC_STATUS << ATTR_ENABLED << true;
    QTest::newRow("logical as text") << IDC_GENERATE << ATTR_TEXT << false;
    QTest::newRow("unknown selector") << IDC_RUN << -7 << false;
  }
  void selectors_a_kind_lacks_change_nothing() {
    QFETCH(int, id);
    QFETCH(int, selector);
    QFETCH(bool, is_text);
    DialogRecord before = dlg;
    if (is_text) {
      QVERIFY(!DLGPUTCHAR(dlg, id, "x", selector));
      QCOMPARE(fetch(dlg, id, 1, selector), std::string("<failed>"));
    } else {
      bool out = true;
      QVERIFY(!DLGPUTLOG(dlg, id, 0, selector));
      QVERIFY(!DLGFETCHLOG(dlg, id, out, selector));
      QVERIFY(out);
    }
    for (std::size_t i = 0; i < dlg.controls.size(); ++i) {
      QCOMPARE(dlg.controls[i].text, before.controls[i].text);
      QCOMPARE(dlg.controls[i].enabled, before.controls[i].enabled);
      QCOMPARE(dlg.controls[i].pending, before.controls[i].pending);
    }
  }

  void unknown_and_shared_ids_leave_the_out_value_alone() {
    for (int id : {4242, IDC_NONE, 1 /* the platform's OK: no control here */}) {
      bool flag = true;
      std::array<char, 4> text{'k', 'e', 'e', 'p'};
      QVERIFY(!DLGPUTLOG(dlg, id, 0));
      QVERIFY(!DLGPUTCHAR(dlg, id, "x"));
      QVERIFY(!DLGFETCHLOG(dlg, id, flag));
      QVERIFY(!DLGFETCHCHAR(dlg, id, text));
      QVERIFY(!DLGBINDSUB(dlg, id, [](DialogRecord&, int, int) {}));
      QVERIFY(flag);
      QCOMPARE(std::string(text.begin(), text.end()), std::string("keep"));
    }
  }

  void logical_values_take_the_lowest_bit() {
    QVERIFY(DLGPUTLOG(dlg, IDC_RUN, 3, ATTR_ENABLED));
    bool on = false;
    QVERIFY(DLGFETCHLOG(dlg, IDC_RUN, on));
    QVERIFY(on);
    QVERIFY(DLGPUTLOG(dlg, IDC_RUN, 2, ATTR_ENABLED));
    QVERIFY(DLGFETCHLOG(dlg, IDC_RUN, on));
    QVERIFY(!on);
  }

  void checking_a_radio_unchecks_its_group() {
    bool uvw = true, hkl = false;
    QVERIFY(DLGPUTLOG(dlg, IDC_AXIS_HKL, 1));
    QVERIFY(DLGFETCHLOG(dlg, IDC_AXIS_UVW, uvw));
    QVERIFY(DLGFETCHLOG(dlg, IDC_AXIS_HKL, hkl));
    QVERIFY(!uvw && hkl);
    QVERIFY(dlg.controls[27].pending);  // the unchecked one is pushed too
    QVERIFY(DLGPUTLOG(dlg, IDC_AXIS_HKL, 0));  // unchecking checks nothing else
    QVERIFY(DLGFETCHLOG(dlg, IDC_AXIS_UVW, uvw));
    QVERIFY(!uvw);
    bool generate = true;
    QVERIFY(DLGPUTLOG(dlg, IDC_GENERATE, 0));
    QVERIFY(DLGFETCHLOG(dlg, IDC_GENERATE, generate));
    QVERIFY(!generate);
    QVERIFY(DLGFETCHLOG(dlg, IDC_GENERATE, generate, ATTR_ENABLED));
    QVERIFY(generate);
  }

  void bind_accepts_only_controls_that_raise_clicks_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("event");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("push button") << IDC_RUN << EVENT_CLICKED << true;
    QTest::newRow("push button, event absent") << IDC_SELECT_INPUT << 1 << true;
    QTest::newRow("check box") << IDC_GENERATE << EVENT_CLICKED << true;
    QTest::newRow("radio button") << IDC_AXIS_HKL << EVENT_CLICKED << true;
    QTest::newRow("static") << IDC_STATUS << EVENT_CLICKED << false;
    QTest::newRow("static, event absent") << IDC_LABEL_U << 1 << false;
    QTest::newRow("edit box") << IDC_CELL_A << EVENT_CLICKED << false;
    QTest::newRow("button, other event") << IDC_RUN << EVENT_INIT << false;
    QTest::newRow("the form itself") << MAIN_DIALOG_ID << EVENT_INIT << true;
  }
  void bind_accepts_only_controls_that_raise_clicks() {
    QFETCH(int, id);
    QFETCH(int, event);
    QFETCH(bool, accepted);
    auto handler = [](DialogRecord&, int, int) {};
    bool result = event == 1 ? DLGBINDSUB(dlg, id, handler) : DLGBINDSUB(dlg, id, handler, event);
    QCOMPARE(result, accepted);
  }

  void refresh_and_exit_without_a_form_change_nothing() {
    QVERIFY(DLGPUTCHAR(dlg, IDC_STATUS, "waiting", ATTR_TEXT));
    DLGREFRESH(dlg, true);
    DLGEXIT(dlg);
    QVERIFY(dlg.controls[24].pending);
    QCOMPARE(fetch(dlg, IDC_STATUS, 7), std::string("waiting"));
  }

  void release_forgets_everything() {
    DLGRELEASE(dlg);
    bool out = true;
    QVERIFY(!DLGFETCHLOG(dlg, IDC_GENERATE, out));
    QCOMPARE(DLGMODAL(dlg), -1);
  }

  void unsupported_styles_are_named_data() {
    QTest::addColumn<QString>("window_class");
    QTest::addColumn<uint>("style");
    QTest::addColumn<QString>("message");
    QTest::newRow("owner-drawn") << "BUTTON" << uint(BS_OWNERDRAW | WS_TABSTOP)
                                 << "Invalid style BS_OWNERDRAW used for control 1019";
    QTest::newRow("user button") << "BUTTON" << uint(BS_USERBUTTON) << "Invalid style BS_USERBUTTON used for control 1019";
    QTest::newRow("manual check box") << "BUTTON" << uint(BS_CHECKBOX) << "Invalid style BS_CHECKBOX used for control 1019";
    QTest::newRow("split button") << "BUTTON" << uint(0xC) << "Invalid style <unknown> used for control 1019";
    QTest::newRow("other class") << "LISTBOX" << uint(0) << "Invalid style <unknown> used for control 1019";
    QTest::newRow("3-state is a radio") << "BUTTON" << uint(BS_AUTO3STATE) << "";
    QTest::newRow("static icon") << "STATIC" << uint(SS_ICON) << "";
  }
  void unsupported_styles_are_named() {
    QFETCH(QString, window_class);
    QFETCH(uint, style);
    QFETCH(QString, message);
    std::string cls = window_class.toStdString();
    ControlTemplate c{IDC_RUN, cls, "Run", 0, 0, 10, 10, style};
    QCOMPARE(QString::fromStdString(invalid_style_message(c)), message);
  }
};

QTEST_MAIN(RecordTest)
#include "test_dialog_record.moc"
