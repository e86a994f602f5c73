#include "dialog/qt/chooser_dialog.h"

#include "dialog/qt/form_support.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>

namespace zirel {
namespace {

struct NextAnswer {
  bool pending = false;
  std::optional<std::string> name;  // nothing: cancel
};

NextAnswer g_next;
FileRequest g_last;

QString qstr(const std::string& s) { return QString::fromStdString(s); }

// A file nobody may write, whatever the caller's privileges.
bool is_read_only(const QString& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::file_status st = fs::status(path.toStdString(), ec);
  if (ec || !fs::is_regular_file(st)) return false;
  constexpr fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  return (st.permissions() & write) == fs::perms::none;
}

std::string answer_as_typed(const FileRequest& request, const std::string& typed) {
  QFileInfo info(QDir(qstr(request.folder)), qstr(typed));
  QString path = info.absoluteFilePath();
  if (info.suffix().isEmpty()) path += QString(".") + DEFAULT_SUFFIX;
  return path.toStdString();
}

}  // namespace

QStringList file_filters() { return {"All Files (*)", "Cellex (*.abs)", "SHELX hkl (*.hkl)"}; }

ChooserDialog::ChooserDialog(const FileRequest& request) : role_(request.role) {
  setOption(QFileDialog::DontUseNativeDialog);
  setWindowTitle(qstr(request.title));
  const QStringList filters = file_filters();
  setNameFilters(filters);
  int index = request.filter_index >= 1 && request.filter_index <= filters.size()
                  ? request.filter_index : 1;
  selectNameFilter(filters[index - 1]);
  setDefaultSuffix(DEFAULT_SUFFIX);
  setDirectory(qstr(request.folder));
  if (role_ == FileRole::input) {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
  } else {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
  }
  if (!request.proposed_name.empty()) selectFile(qstr(request.proposed_name));
}

void ChooserDialog::accept() {
  if (role_ == FileRole::output) {
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty() && is_read_only(chosen.first())) {
      show_message_box(QString("%1\nThis file is set read-only.\nTry again with a different file name.")
                           .arg(QDir::toNativeSeparators(chosen.first()))
                           .toStdString(),
                       windowTitle().toStdString(), this);  // over the dialog, which stays open
      return;
    }
  }
  QFileDialog::accept();  // confirms before an existing output file is replaced
}

std::optional<std::string> choose_file(const FileRequest& request) {
  g_last = request;
  if (g_next.pending) {
    NextAnswer answer = std::exchange(g_next, NextAnswer{});
    if (!answer.name) return std::nullopt;
    return answer_as_typed(request, *answer.name);
  }
  ChooserDialog dialog(request);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void set_next_file_name(std::string name) { g_next = {true, std::move(name)}; }
void set_next_cancel() { g_next = {true, std::nullopt}; }
void clear_next_answer() { g_next = {}; }
const FileRequest& last_file_request() { return g_last; }

}  // namespace zirel
