#pragma once
// A line edit that keeps only an integer: on every edit and at the end of editing its
// text becomes the leading integer it holds, or the last accepted one.

#include <QLineEdit>
#include <QString>

namespace zelvo {

class NSNumbericTextField : public QLineEdit {
  Q_OBJECT
 public:
  explicit NSNumbericTextField(QWidget* parent = nullptr);

  // "integer" turns the filtering on; anything else leaves the field unfiltered.
  const QString& type() const { return type_; }
  void setType(const QString& type) { type_ = type; }
  int maxStringCount() const { return maxStringCount_; }
  void setMaxStringCount(int count) { maxStringCount_ = count; }
  int lastValue() const { return lastValue_; }
  void setTextFieldValue();

 private:
  QString type_ = QStringLiteral("integer");
  int maxStringCount_ = 0;
  int lastValue_ = 0;
};

}  // namespace zelvo
