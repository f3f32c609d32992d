#pragma once
// A line edit that refuses any edit past its limit of UTF-16 units (the dialogs' name,
// description and password fields). A refused edit, a long paste too, leaves the last
// accepted text and emits no change signal.

#include <QLineEdit>
#include <QString>

namespace zelvo {

class Utf16LengthValidator;

class NSCustomTextField : public QLineEdit {
  Q_OBJECT
 public:
  explicit NSCustomTextField(QWidget* parent = nullptr);

  // 0 until set, which refuses every non-empty text. Never negative.
  qint64 maxStringCount() const;
  void setMaxStringCount(qint64 count);

  // A text of the program's own (a stored value), accepted as it is, over the limit too;
  // while it stays over the limit it may only shrink. Use this rather than
  // QLineEdit::setText: after that, Qt stops refusing edits of a text it found too long.
  void setStoredText(const QString& text);

 private:
  Utf16LengthValidator* validator_;
};

}  // namespace zelvo
