// The open and save dialogs on Qt: Qt's own file dialog, configured from the
// request, with the refusal of a read-only output that the platform dialogs
// make themselves.
#pragma once

#include "file_chooser.h"

#include <QFileDialog>
#include <QStringList>

namespace zirel {

// FILE_FILTERS as Qt names them: "All Files (*)", "Cellex (*.abs)", ...
QStringList file_filters();

// The dialog, configured for the request but not shown. Its accept() refuses
// an output file that is read-only, with a message, and stays open.
class ChooserDialog : public QFileDialog {
  Q_OBJECT
public:
  explicit ChooserDialog(const FileRequest& request);
  void accept() override;

private:
  FileRole role_;
};

}  // namespace zirel
