#include "ViewControllers/SitePanel/PTZPresetLabelWindow.h"

#include <algorithm>

#include "Foundation/Assert.h"
#include "ViewControllers/Dialogs/DialogSheet.h"
#include "ui_PTZPresetLabelWindow.h"

namespace zelvo {

PTZPresetLabelWindow::PTZPresetLabelWindow(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::PTZPresetLabelWindow>()) {
  ui_->setupUi(this);
  setWindowModality(Qt::WindowModal);
  connect(ui_->presetLabelField, &QLineEdit::textChanged, this, &PTZPresetLabelWindow::textDidChange);
  connect(ui_->doneButton, &QPushButton::clicked, this, &PTZPresetLabelWindow::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &PTZPresetLabelWindow::reject);
}

PTZPresetLabelWindow::~PTZPresetLabelWindow() = default;

void PTZPresetLabelWindow::showPresetLabelWindow(QWidget* from, int tag, const std::optional<QString>& label) {
  attachSheet(*this, from);
  prepare(tag, label);
  exec();
}

void PTZPresetLabelWindow::openPresetLabelWindow(QWidget* from, int tag, const std::optional<QString>& label) {
  attachSheet(*this, from);
  prepare(tag, label);
  open();
}

void PTZPresetLabelWindow::prepare(int tag, const std::optional<QString>& label) {
  cancelled_ = true;
  ui_->presetTitle->setText(QStringLiteral("PTZ Preset %1").arg(tag));
  ui_->presetLabelField->setText(QString());
  if (label) ui_->presetLabelField->setText(*label);
  ui_->presetLabelField->selectAll();
  ui_->presetLabelField->setFocus();
}

QString PTZPresetLabelWindow::UTF8String(const QString& string, int firstBytes) {
  ZELVO_PRECONDITION(firstBytes >= 0);
  qsizetype bytes = 0;
  qsizetype end = 0;
  while (end < string.size()) {
    const QChar unit = string[end];
    char32_t codePoint = unit.unicode();
    qsizetype units = 1;
    if (unit.isHighSurrogate() && end + 1 < string.size() && string[end + 1].isLowSurrogate()) {
      codePoint = QChar::surrogateToUcs4(unit, string[end + 1]);
      units = 2;
    } else if (unit.isSurrogate() || codePoint == 0) {
      break;
    }
    const int width = codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
    if (bytes + width > firstBytes) break;
    bytes += width;
    end += units;
  }
  return string.left(end);
}

void PTZPresetLabelWindow::textDidChange() {
  QLineEdit* field = ui_->presetLabelField;
  const QString text = field->text();
  const QString cut = UTF8String(text, PresetLabelBytes);
  if (cut == text) return;
  // Typing past the limit has no effect: the cursor stays where the typing stopped.
  const int cursor = std::min(field->cursorPosition(), static_cast<int>(cut.size()));
  field->setText(cut);
  field->setCursorPosition(cursor);
}

void PTZPresetLabelWindow::accept() {
  if (!isVisible()) return;
  presetLabel_ = UTF8String(ui_->presetLabelField->text(), PresetLabelBytes);
  cancelled_ = false;
  QDialog::accept();
}

}  // namespace zelvo
