#pragma once
// A line edit that keeps only an integer: on every edit and at the end of editing its
// text becomes the leading integer it holds, or the last accepted one.
//
// The rewrite happens inside the edit's textEdited signal, so a textChanged that Qt
// emits for that edit afterwards still carries the refused text; text() is always what
// the field shows.

#include <QLineEdit>
#include <QString>
#include <QStringView>

namespace zelvo {

class NSNumbericTextField : public QLineEdit {
  Q_OBJECT
 public:
  explicit NSNumbericTextField(QWidget* parent = nullptr);

  // "integer" turns the filtering on; anything else leaves the field unfiltered.
  const QString& type() const { return type_; }
  void setType(const QString& type) { type_ = type; }
  // Past this many characters an edit falls back to the last value (see setTextFieldValue).
  int maxStringCount() const { return maxStringCount_; }
  void setMaxStringCount(int count);
  // The last accepted non-zero value, or 0.
  int lastValue() const { return lastValue_; }

  // A text of the program's own; it ends any editing under way, so the next edit starts
  // from it. Shown as it is until the next edit or end of editing.
  void setStoredText(const QString& text);

  // Shows the text's leading integer, or the last value when the text holds none or has
  // grown past the limit.
  void setTextFieldValue();

  // Optional blanks, an optional sign, then digits; 0 when the text does not begin with
  // a number. Saturates at the 32-bit limits instead of wrapping.
  static int integerValue(QStringView text);

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void textDidChange();
  void textDidEndEditing();

  QString type_ = QStringLiteral("integer");
  int maxStringCount_ = 0;
  int lastValue_ = 0;
  // Editing starts with the first edit after the field was given its text or last
  // finished editing; the value it held then becomes the last value.
  bool editing_ = false;
  QString textBeforeEdit_;
};

}  // namespace zelvo
