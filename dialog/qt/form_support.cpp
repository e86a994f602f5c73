#include "dialog/qt/form_support.h"

#include "dialog/qt/form_window.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace zirel {
namespace {

std::function<void(DialogRecord&)> g_next_show;
MessageHook g_message_hook;

QString qstr(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

QDialog* form_widget(const DialogRecord& dlg) { return form_window(dlg); }

QWidget* control_widget(const DialogRecord& dlg, int id) {
  std::optional<std::size_t> i = find_entry(dlg, id);
  return dlg.window && i ? form_window(dlg)->widget_at(*i) : nullptr;
}

QWidget* control_widget_at(const DialogRecord& dlg, std::size_t index) {
  return dlg.window ? form_window(dlg)->widget_at(index) : nullptr;
}

void at_next_show(std::function<void(DialogRecord&)> script) { g_next_show = std::move(script); }

void schedule_show_hooks(DialogRecord& dlg, FormWindow& form) {
  if (g_next_show) {
    auto script = std::move(g_next_show);
    g_next_show = nullptr;
    QTimer::singleShot(0, &form, [&dlg, script = std::move(script)] {
      if (dlg.window) script(dlg);
    });
  }
}

void set_message_hook(MessageHook hook) { g_message_hook = std::move(hook); }

void show_message_box(std::string_view text, std::string_view title) { show_message_box(text, title, nullptr); }

void show_message_box(std::string_view text, std::string_view title, QWidget* over) {
  if (g_message_hook) {
    g_message_hook(title, text);
    return;
  }
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::fprintf(stderr, "%.*s: %.*s\n", int(title.size()), title.data(), int(text.size()), text.data());
    return;
  }
  DialogRecord* shown = modal_record();
  if (!over && shown) over = form_widget(*shown);
  QMessageBox box(QMessageBox::Critical, qstr(title), qstr(text), QMessageBox::Ok, over);
  box.exec();
}

void dialog_runtime_error(std::string_view message) {
  show_message_box("Error in Dialog Procedures - " + std::string(message), "Zirel", nullptr);
  std::exit(EXIT_FAILURE);
}

}  // namespace zirel
