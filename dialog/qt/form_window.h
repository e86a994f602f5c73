// The form on screen: one Qt widget per template control, placed at its
// template rectangle scaled by the font's dialog base units. The window only
// mirrors the record; every rule about values lives in dialog.cpp.
#pragma once

#include "dialog/dialog_record.h"
#include "dialog/form_screen.h"
#include "dialog/form_template.h"
#include "dialog/qt/dialog_units.h"

#include <QDialog>
#include <cstddef>
#include <optional>
#include <vector>

class QButtonGroup;

namespace zirel {

class FormWindow : public QDialog, public FormScreen {
  Q_OBJECT
 public:
  FormWindow(DialogRecord& dlg, const DialogTemplate& tmpl, QWidget* owner);

  // Widget of the control at this index of the record's table (nullptr for
  // the form's own entry).
  QWidget* widget_at(std::size_t index) const;
  BaseUnits base_units() const { return units_; }

  void push(std::size_t index) override;
  void read_back(std::size_t index) override;
  void end(int result) override;
  bool ended() const { return ended_; }

 protected:
  void reject() override;  // Escape
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* make_control(std::size_t index, const ControlTemplate& c);
  void click_cancel();

  DialogRecord& dlg_;
  BaseUnits units_;
  std::vector<QWidget*> widgets_;
  std::vector<QButtonGroup*> groups_;  // per index: the radio group, if any
  bool ended_ = false;
};

// The form window of a record on screen, else nullptr.
FormWindow* form_window(const DialogRecord& dlg);

// Queues the show hook of at_next_show to run once `form`'s event loop
// runs (form_support.cpp).
void schedule_show_hooks(DialogRecord& dlg, FormWindow& form);

}  // namespace zirel
