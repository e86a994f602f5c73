// The harness on the Qt back end: clicks and typing through Qt Test, the
// form on the offscreen platform.
#include "dialog/qt/form_support.h"
#include "tests/app/shell_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

namespace zirel::test {

void click(const DialogRecord& dlg, int id) { QTest::mouseClick(control_widget(dlg, id), Qt::LeftButton); }

std::string label(const DialogRecord& dlg, int id) {
  return qobject_cast<QLabel*>(control_widget(dlg, id))->text().toStdString();
}

std::string field(const DialogRecord& dlg, int id) {
  return qobject_cast<QLineEdit*>(control_widget(dlg, id))->text().toStdString();
}

void set_field(const DialogRecord& dlg, int id, const std::string& text) {
  qobject_cast<QLineEdit*>(control_widget(dlg, id))->setText(QString::fromStdString(text));
}

bool checked(const DialogRecord& dlg, int id) {
  return qobject_cast<QAbstractButton*>(control_widget(dlg, id))->isChecked();
}

bool run_enabled(const DialogRecord& dlg) { return control_widget(dlg, IDC_RUN)->isEnabled(); }

bool with_program(const std::function<void(DialogRecord&)>& script) {
  bool ran = false;
  at_next_show([&](DialogRecord& dlg) {
    ran = true;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_widget(dlg)));
    script(dlg);
    if (form_widget(dlg)) click(dlg, IDCANCEL);
  });
  run_program();
  return ran;
}

// Paint events of the status line, with the text each one painted.
struct StatusWatch::State : QObject {
  explicit State(QLabel* label) : label(label) { label->installEventFilter(this); }
  ~State() override { label->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) texts.push_back(label->text().toStdString());
    return false;
  }
  QLabel* label;
  std::vector<std::string> texts;
};

StatusWatch::StatusWatch(const DialogRecord& dlg)
    : state_(std::make_unique<State>(qobject_cast<QLabel*>(control_widget(dlg, IDC_STATUS)))) {}
StatusWatch::~StatusWatch() = default;
const std::vector<std::string>& StatusWatch::texts() const { return state_->texts; }
bool StatusWatch::saw(const std::string& text) const {
  return std::find(texts().begin(), texts().end(), text) != texts().end();
}

}  // namespace zirel::test

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
