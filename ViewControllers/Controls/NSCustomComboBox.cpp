#include "ViewControllers/Controls/NSCustomComboBox.h"

#include <QLineEdit>

#include "ViewControllers/Controls/Utf16LengthValidator.h"

namespace zelvo {

NSCustomComboBox::NSCustomComboBox(QWidget* parent)
    : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  validator_ = new Utf16LengthValidator(lineEdit());
}

qint64 NSCustomComboBox::maxStringCount() const { return validator_->limit(); }

void NSCustomComboBox::setMaxStringCount(qint64 count) { validator_->setLimit(count); }

void NSCustomComboBox::setStoredText(const QString& text) {
  validator_->allow(text);
  QComboBox::setEditText(text);
}

}  // namespace zelvo
