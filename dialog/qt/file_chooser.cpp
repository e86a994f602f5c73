#include "dialog/qt/chooser_dialog.h"

#include "dialog/qt/form_support.h"

#include <QDir>
#include <filesystem>

namespace zirel {
namespace {

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

}  // namespace

QStringList file_filters() {
  QStringList out;
  for (const FileFilter& f : FILE_FILTERS) {
    QString pattern = f.pattern == "*.*" ? QString("*") : qstr(std::string(f.pattern));  // any name, dot or not
    out << qstr(std::string(f.label)) + " (" + pattern + ")";
  }
  return out;
}

ChooserDialog::ChooserDialog(const FileRequest& request) : role_(request.role) {
  setOption(QFileDialog::DontUseNativeDialog);
  setWindowTitle(qstr(request.title));
  const QStringList filters = file_filters();
  setNameFilters(filters);
  int index = request.filter_index >= 1 && request.filter_index <= filters.size()
                  ? request.filter_index : 1;
  selectNameFilter(filters[index - 1]);
  setDefaultSuffix(qstr(std::string(DEFAULT_SUFFIX)));
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

std::optional<std::string> show_file_dialog(const FileRequest& request) {
  ChooserDialog dialog(request);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace zirel
