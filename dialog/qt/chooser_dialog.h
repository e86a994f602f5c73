// The Qt file dialog behind choose_file, configured from a FileRequest.
#pragma once

#include "dialog/file_chooser.h"

#include <QFileDialog>
#include <QStringList>

namespace zirel {

// "All Files", "Cellex" (*.abs), "SHELX hkl" (*.hkl), in this order.
QStringList file_filters();

// The dialog, configured for the request but not shown: our own, not the
// desktop's, so the title, filters and suffix are always ours. Its accept()
// refuses an output file that is read-only, with a message, and stays open.
class ChooserDialog : public QFileDialog {
  Q_OBJECT
public:
  explicit ChooserDialog(const FileRequest& request);
  void accept() override;

private:
  FileRole role_;
};

}  // namespace zirel
