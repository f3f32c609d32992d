#pragma once
// Refuses any edit that would make a field's text longer than a limit counted in UTF-16
// units (a character outside the basic plane counts two). A refused edit leaves the
// field as it was and emits no change signal; QLineEdit::setMaxLength would instead cut
// a long paste to its first characters.
//
// A text already over the limit (a stored value longer than the field allows) may only
// shrink: Qt cannot take back a deletion in a password field, so refusing deletions
// there would change the text behind the field's back.

#include <QString>
#include <QValidator>

class QLineEdit;

namespace zelvo {

class Utf16LengthValidator : public QValidator {
  Q_OBJECT
 public:
  // Becomes the field's validator, owned by the field.
  explicit Utf16LengthValidator(QLineEdit* field);

  // 0 until set: every non-empty text is refused.
  qint64 limit() const { return limit_; }
  void setLimit(qint64 limit);

  // A text the program itself is about to put into the field is accepted even when it is
  // over the limit (Qt refuses no edit at all of a text it found invalid), until the
  // field holds another.
  void allow(const QString& text) { allowed_ = text; }

  State validate(QString& input, int& pos) const override;

 private:
  qint64 limit_ = 0;
  QString allowed_;
  qsizetype acceptedSize_ = 0;  // the size of the field's text before the edit
};

}  // namespace zelvo
