#pragma once
// An editable combo box whose text refuses any edit past its limit of UTF-16 units
// (the dialogs' user fields). It stays editable with the line edit it made; pressing
// Return never adds the text to the list, which holds only what the program puts in it.

#include <QComboBox>
#include <QString>

namespace zelvo {

class Utf16LengthValidator;

class NSCustomComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit NSCustomComboBox(QWidget* parent = nullptr);

  // 0 until set, which refuses every non-empty text. Never negative.
  qint64 maxStringCount() const;
  void setMaxStringCount(qint64 count);

  // A text of the program's own, accepted as it is (see NSCustomTextField::setStoredText).
  void setStoredText(const QString& text);

 private:
  Utf16LengthValidator* validator_ = nullptr;
};

}  // namespace zelvo
