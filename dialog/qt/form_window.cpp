#include "dialog/qt/form_window.h"

#include "dialog/qt/form_support.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QKeyEvent>
#include <QRadioButton>
#include <QStyle>
#include <limits>

static void init_dialog_resources() { Q_INIT_RESOURCE(zirel_icons); }

namespace zirel {
namespace {

QString qstr(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QIcon program_icon() { return QIcon(QStringLiteral(":/zirel/zirel.png")); }

// A radio button of a group as the Win32 dialog manager keeps one: only the
// checked button is a tab stop, and the arrow keys check and focus the next
// or previous button of the group, which counts as a click on it.
class GroupRadio : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    QButtonGroup* g = group();
    const int key = event->key();
    const bool next = key == Qt::Key_Down || key == Qt::Key_Right;
    if (!g || !(next || key == Qt::Key_Up || key == Qt::Key_Left)) return QRadioButton::keyPressEvent(event);
    const QList<QAbstractButton*> buttons = g->buttons();
    const qsizetype n = buttons.size();
    const qsizetype at = buttons.indexOf(this);
    for (qsizetype step = 1; step < n; ++step) {
      QAbstractButton* b = buttons[(at + (next ? step : n - step)) % n];
      if (!b->isEnabled()) continue;
      b->setFocus(Qt::TabFocusReason);
      b->click();
      return;
    }
  }
};

// The checked button of the group takes the tab stop; with none checked the
// first one keeps it, so that the group stays reachable.
void give_tab_stop(QButtonGroup* group) {
  if (!group) return;
  const QList<QAbstractButton*> buttons = group->buttons();
  QAbstractButton* stop = group->checkedButton();
  if (!stop && !buttons.isEmpty()) stop = buttons.front();
  for (QAbstractButton* b : buttons) b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

// A group box as the template format draws it: an etched frame whose top
// edge runs through the middle of the title, and a transparent inside.
class GroupFrame : public QWidget {
 public:
  GroupFrame(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    setAttribute(Qt::WA_TransparentForMouseEvents);  // the controls inside stay clickable
  }
  void set_title(const QString& t) {
    title_ = t;
    update();
  }
  QString title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QFontMetrics m = fontMetrics();
    int top = m.height() / 2;
    QRect r = rect().adjusted(0, top, -2, -2);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(r);
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(r.translated(1, 1));
    if (title_.isEmpty()) return;
    int indent = m.averageCharWidth();
    QRect text(indent, 0, m.horizontalAdvance(title_) + 4, m.height());
    p.fillRect(text, palette().color(QPalette::Window));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(text, Qt::AlignCenter, title_);
  }

 private:
  QString title_;
};

Qt::Alignment static_alignment(std::uint32_t style) {
  Qt::Alignment v = (style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: return v | Qt::AlignHCenter;
    case SS_RIGHT: return v | Qt::AlignRight;
    default: return v | Qt::AlignLeft;
  }
}

QWidget* make_static(const ControlTemplate& c, const BaseUnits& u, QWidget* parent) {
  auto* label = new QLabel(parent);
  if ((c.style & SS_TYPEMASK) == SS_ICON) {
    int side = std::min(mul_div(c.width, u.cx, 4), mul_div(c.height, u.cy, 8));
    label->setPixmap(program_icon().pixmap(side, side));
    label->setAlignment(Qt::AlignCenter);
    return label;
  }
  label->setTextFormat(Qt::PlainText);  // file names are shown as they are
  label->setText(qstr(c.text));
  label->setAlignment(static_alignment(c.style));
  // Centred texts wrap too, so that a status message longer than the line
  // takes its second row instead of being cut at both ends.
  label->setWordWrap(true);
  if ((c.style & SS_SUNKEN) || (c.ex_style & WS_EX_STATICEDGE)) {
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
  }
  return label;
}

}  // namespace

FormWindow::FormWindow(DialogRecord& dlg, const DialogTemplate& tmpl, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      dlg_(dlg) {
  init_dialog_resources();
  setFont(template_font(tmpl.font));
  units_ = measure_base_units(font());
  setWindowIcon(program_icon());
  setWindowTitle(qstr(tmpl.title));

  // Controls keep their places: no layout manager. A modal frame has the
  // template's size and keeps it; resized or maximised, the form would sit in
  // a corner of an empty grey area.
  QRect frame = scale_rect(tmpl.x, tmpl.y, tmpl.width, tmpl.height, units_);
  setFixedSize(frame.size());
  if (!owner) move(frame.topLeft());

  widgets_.assign(dlg.controls.size(), nullptr);
  groups_.assign(dlg.controls.size(), nullptr);
  QWidget* previous = nullptr;
  for (std::size_t i = 0; i < tmpl.controls.size() && i < dlg.controls.size(); ++i) {
    const ControlTemplate& c = tmpl.controls[i];
    QWidget* w = make_control(i, c);
    w->setGeometry(scale_rect(c.x, c.y, c.width, c.height, units_));
    w->setEnabled(!(c.style & WS_DISABLED));
    widgets_[i] = w;
    if (w->focusPolicy() != Qt::NoFocus) {
      if (previous) setTabOrder(previous, w);
      previous = w;
    }
  }
}

QWidget* FormWindow::make_control(std::size_t i, const ControlTemplate& c) {
  const ControlEntry& e = dlg_.controls[i];
  bool tab_stop = c.style & WS_TABSTOP;
  QWidget* w = nullptr;
  switch (e.kind) {
    case ControlKind::static_text: w = make_static(c, units_, this); break;
    case ControlKind::group_box: w = new GroupFrame(qstr(c.text), this); break;
    case ControlKind::edit_box: {
      auto* edit = new QLineEdit(this);
      edit->setMaxLength(std::numeric_limits<int>::max());
      edit->setFrame(c.style & WS_BORDER);
      w = edit;
      break;
    }
    case ControlKind::push_button: {
      auto* b = new QPushButton(qstr(c.text), this);
      b->setDefault((c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
      w = b;
      break;
    }
    case ControlKind::check_box: w = new QCheckBox(qstr(c.text), this); break;
    case ControlKind::radio_button: {
      auto* r = new GroupRadio(qstr(c.text), this);
      r->setAutoExclusive(false);
      if (std::size_t(e.group_first) == i || !groups_[std::size_t(e.group_first)]) {
        groups_[std::size_t(e.group_first)] = new QButtonGroup(this);
      }
      groups_[i] = groups_[std::size_t(e.group_first)];
      groups_[i]->addButton(r);
      QButtonGroup* group = groups_[i];
      connect(r, &QAbstractButton::toggled, this, [group] { give_tab_stop(group); });
      w = r;
      break;
    }
    case ControlKind::form: break;
  }
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    connect(b, &QAbstractButton::clicked, this, [this, i] { dispatch_click(dlg_, i); });
  }
  if (e.kind == ControlKind::static_text || e.kind == ControlKind::group_box) {
    w->setFocusPolicy(Qt::NoFocus);
  } else {
    w->setFocusPolicy(tab_stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
  if (e.kind == ControlKind::radio_button) give_tab_stop(groups_[i]);
  return w;
}

QWidget* FormWindow::widget_at(std::size_t index) const {
  return index < widgets_.size() ? widgets_[index] : nullptr;
}

void FormWindow::push(std::size_t i) {
  const ControlEntry& e = dlg_.controls[i];
  QWidget* w = widget_at(i);
  if (e.kind == ControlKind::form) {
    setWindowTitle(qstr(e.text));
    return;
  }
  if (!w) return;
  QString text = qstr(e.text);
  // A control disabled while it has the focus leaves the form without one.
  // Qt would hand the focus on to the next control, and after a run that is
  // Exit, the default button while focused: Enter would then close the form.
  if (!e.enabled && w->hasFocus()) w->clearFocus();
  w->setEnabled(e.enabled);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (edit->text() != text) edit->setText(text);
    edit->setCursorPosition(std::min(e.insertion_point, int(text.size())));
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(text);
    if (e.kind == ControlKind::check_box || e.kind == ControlKind::radio_button) {
      QButtonGroup* group = groups_[i];
      if (group) group->setExclusive(false);  // the record may hold a group with none checked
      button->setChecked(e.checked);
      if (group) group->setExclusive(true);
      give_tab_stop(group);
    }
  } else if (auto* frame = dynamic_cast<GroupFrame*>(w)) {
    frame->set_title(text);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->pixmap().isNull()) label->setText(text);
  }
  if (w->isVisible()) w->repaint();
}

void FormWindow::read_back(std::size_t i) {
  ControlEntry& e = dlg_.controls[i];
  QWidget* w = widget_at(i);
  if (!w) return;
  // Only edit boxes change their text on screen; the other captions are
  // exactly what was pushed, so the stored bytes are kept as they are.
  e.enabled = w->isEnabledTo(this);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    e.text = edit->text().toStdString();
    e.insertion_point = edit->cursorPosition();
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (e.kind == ControlKind::check_box || e.kind == ControlKind::radio_button) e.checked = button->isChecked();
  }
}

void FormWindow::end(int result) {
  ended_ = true;
  done(result);
}

void FormWindow::click_cancel() {
  for (std::size_t i = 0; i < dlg_.controls.size(); ++i) {
    const ControlEntry& e = dlg_.controls[i];
    if (e.id != IDCANCEL || e.kind == ControlKind::form) continue;
    if (widgets_[i] && !widgets_[i]->isEnabled()) return;  // a disabled Exit closes nothing
    dispatch_click(dlg_, i);
    return;
  }
}

void FormWindow::reject() {
  if (!ended_) click_cancel();
}

void FormWindow::closeEvent(QCloseEvent* event) {
  if (ended_) {
    event->accept();
    return;
  }
  event->ignore();
  click_cancel();
}

FormWindow* form_window(const DialogRecord& dlg) { return static_cast<FormWindow*>(dlg.window); }

int DLGMODAL(DialogRecord& dlg, QWidget* owner) {
  if (!can_show(dlg) || !qobject_cast<QApplication*>(QCoreApplication::instance())) return -1;
  if (!owner) {
    if (DialogRecord* r = owner_record()) owner = form_window(*r);
  }
  FormWindow form(dlg, *find_dialog_template(dlg.template_id), owner);
  ModalScope modal(dlg);
  form_shown(dlg, form);
  schedule_show_hooks(dlg, form);
  if (!form.ended()) form.exec();
  form_closed(dlg);
  return dlg.return_value;
}

int DLGMODAL(DialogRecord& dlg) { return DLGMODAL(dlg, nullptr); }

}  // namespace zirel
