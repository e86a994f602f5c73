// Drives the real program in a test: a scratch working directory per test,
// the form started through the program's own start-up, a script run while it
// is on screen, and small readers for what the form and the files show.
#pragma once

#include "dialog.h"
#include "file_chooser.h"
#include "form_support.h"
#include "shell_state.h"
#include "startup.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace zirel::test {

// A fresh working directory and shell for each test; the old directory comes
// back afterwards.
class Scratch {
public:
  Scratch() : previous_(QDir::currentPath()) {
    reset_shell_state();
    clear_next_answer();
    QDir::setCurrent(dir_.path());
  }
  ~Scratch() {
    QDir::setCurrent(previous_);
    reset_shell_state();
  }
  std::string path(const std::string& name) const { return (dir_.path() + "/").toStdString() + name; }

private:
  QTemporaryDir dir_;
  QString previous_;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline void click(const DialogRecord& dlg, int id) { QTest::mouseClick(control_widget(dlg, id), Qt::LeftButton); }

inline std::string label(const DialogRecord& dlg, int id) {
  return qobject_cast<QLabel*>(control_widget(dlg, id))->text().toStdString();
}
inline std::string field(const DialogRecord& dlg, int id) {
  return qobject_cast<QLineEdit*>(control_widget(dlg, id))->text().toStdString();
}
inline void set_field(const DialogRecord& dlg, int id, const std::string& text) {
  qobject_cast<QLineEdit*>(control_widget(dlg, id))->setText(QString::fromStdString(text));
}
inline bool checked(const DialogRecord& dlg, int id) {
  return qobject_cast<QAbstractButton*>(control_widget(dlg, id))->isChecked();
}
inline bool run_enabled(const DialogRecord& dlg) { return control_widget(dlg, IDC_RUN)->isEnabled(); }

// Selects a file through the chooser seam; an empty name cancels.
inline void select(const DialogRecord& dlg, int button, const std::string& name) {
  if (name.empty()) set_next_cancel(); else set_next_file_name(name);
  click(dlg, button);
}

// Starts the program, runs `script` on the form on screen, then presses Exit.
// False when the script did not run (the form never came up).
inline bool with_program(const std::function<void(DialogRecord&)>& script) {
  bool ran = false;
  at_next_show([&](DialogRecord& dlg) {
    ran = true;
    QVERIFY(QTest::qWaitForWindowExposed(form_widget(dlg)));
    script(dlg);
    if (form_widget(dlg)) click(dlg, IDCANCEL);
  });
  run_program();
  return ran;
}

// Every text the status line was painted with, in order: tells a message
// shown at once from one that only reached the record.
class StatusPaints : public QObject {
public:
  explicit StatusPaints(const DialogRecord& dlg) : label_(qobject_cast<QLabel*>(control_widget(dlg, IDC_STATUS))) {
    label_->installEventFilter(this);
  }
  ~StatusPaints() override { label_->removeEventFilter(this); }
  std::vector<std::string> texts;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) texts.push_back(label_->text().toStdString());
    return false;
  }
  bool saw(const std::string& text) const {
    for (const auto& t : texts) if (t == text) return true;
    return false;
  }

private:
  QLabel* label_;
};

}  // namespace zirel::test
