#include "ViewControllers/Controls/NSNumbericTextField.h"

#include <algorithm>
#include <limits>

#include "Foundation/Assert.h"

namespace zelvo {

NSNumbericTextField::NSNumbericTextField(QWidget* parent) : QLineEdit(parent) {
  // Qt emits textEdited before textChanged, so while an edit is handled textBeforeEdit_
  // still holds the text from before it.
  connect(this, &QLineEdit::textEdited, this, &NSNumbericTextField::textDidChange);
  connect(this, &QLineEdit::textChanged, this, [this] { textBeforeEdit_ = text(); });
  connect(this, &QLineEdit::editingFinished, this, &NSNumbericTextField::textDidEndEditing);
}

void NSNumbericTextField::setStoredText(const QString& text) {
  editing_ = false;
  QLineEdit::setText(text);
}

void NSNumbericTextField::setMaxStringCount(int count) {
  ZELVO_PRECONDITION(count >= 0);
  maxStringCount_ = count;
}

int NSNumbericTextField::integerValue(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulated as a negative number, whose range holds both limits.
  constexpr qint64 lowest = std::numeric_limits<int>::min();
  constexpr qint64 highest = std::numeric_limits<int>::max();
  qint64 value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 - (text[i].unicode() - u'0');
    if (value < lowest) {
      value = lowest;
      break;
    }
  }
  if (negative) return static_cast<int>(value);
  return static_cast<int>(-value > highest ? highest : -value);
}

void NSNumbericTextField::setTextFieldValue() {
  QString candidate = text();
  if (candidate.size() > maxStringCount_ && lastValue_ != 0) candidate = QString::number(lastValue_);
  const int value = integerValue(candidate);
  QString shown;
  if (value != 0) {
    shown = QString::number(value);
    lastValue_ = value;
  } else {
    if (candidate.isEmpty()) lastValue_ = 0;
    shown = QString::number(lastValue_);
  }
  const QString current = text();
  if (shown == current) return;
  // The cursor stays where the edit left it, less what the rewrite took away before it.
  const qsizetype cursor = cursorPosition() - (current.size() - shown.size());
  QLineEdit::setText(shown);
  setCursorPosition(static_cast<int>(std::clamp<qsizetype>(cursor, 0, shown.size())));
}

void NSNumbericTextField::textDidChange() {
  if (!editing_) {
    editing_ = true;
    const int value = integerValue(textBeforeEdit_);
    if (value != 0) lastValue_ = value;
  }
  if (type_ == u"integer") setTextFieldValue();
}

void NSNumbericTextField::textDidEndEditing() {
  editing_ = false;
  if (type_ == u"integer") setTextFieldValue();
}

void NSNumbericTextField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  editing_ = false;
}

}  // namespace zelvo
