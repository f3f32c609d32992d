#include "ViewControllers/Controls/Utf16LengthValidator.h"

#include <QLineEdit>

#include "Foundation/Assert.h"

namespace zelvo {

Utf16LengthValidator::Utf16LengthValidator(QLineEdit* field) : QValidator(field) {
  ZELVO_PRECONDITION(field != nullptr);
  acceptedSize_ = field->text().size();
  field->setValidator(this);
  // Emitted only once an edit was taken, so until then the size is the one before it.
  connect(field, &QLineEdit::textChanged, this, [this, field] {
    acceptedSize_ = field->text().size();
    if (field->text() != allowed_) allowed_.clear();
  });
}

void Utf16LengthValidator::setLimit(qint64 limit) {
  ZELVO_PRECONDITION(limit >= 0);
  limit_ = limit;
}

QValidator::State Utf16LengthValidator::validate(QString& input, int&) const {
  if (input.size() <= limit_ || input.size() < acceptedSize_) return Acceptable;
  if (!allowed_.isEmpty() && input == allowed_) return Acceptable;
  return Invalid;
}

}  // namespace zelvo
