#include "ViewControllers/Dialogs/DialogSheet.h"

#include <QDialog>

#include "Foundation/Assert.h"

namespace zelvo {

void attachSheet(QDialog& dialog, QWidget* from) {
  ZELVO_PRECONDITION(!dialog.isVisible());  // one run at a time
  QWidget* window = from != nullptr ? from->window() : nullptr;
  if (dialog.parentWidget() != window) dialog.setParent(window, dialog.windowFlags());
  dialog.setWindowModality(Qt::WindowModal);
}

}  // namespace zelvo
