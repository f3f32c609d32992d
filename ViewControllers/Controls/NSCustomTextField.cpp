#include "ViewControllers/Controls/NSCustomTextField.h"

#include "ViewControllers/Controls/Utf16LengthValidator.h"

namespace zelvo {

NSCustomTextField::NSCustomTextField(QWidget* parent)
    : QLineEdit(parent), validator_(new Utf16LengthValidator(this)) {}

qint64 NSCustomTextField::maxStringCount() const { return validator_->limit(); }

void NSCustomTextField::setMaxStringCount(qint64 count) { validator_->setLimit(count); }

void NSCustomTextField::setStoredText(const QString& text) {
  validator_->allow(text);
  QLineEdit::setText(text);
}

}  // namespace zelvo
