#pragma once
// What the three small dialogs share: each is one window-modal QDialog, made once and
// reused, shown over the window it is called from and run either blocking (exec(), the
// way the main window and the site panel call them) or returning at once (open(), the
// way tests drive them without a nested event loop).

class QDialog;
class QWidget;

namespace zelvo {

// Makes the dialog a window-modal child of the window that holds `from` (no parent
// when `from` is null). Called before each run, when the dialog is hidden.
void attachSheet(QDialog& dialog, QWidget* from);

}  // namespace zelvo
