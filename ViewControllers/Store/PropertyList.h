#pragma once
// XML property lists: the preferences file and its shipped defaults. A value is an
// integer, a real, a boolean, a string, a date, data, an array or a dictionary;
// dictionaries keep their keys in file order, so a file read and written back keeps
// every key, its place and its type. Files come from the user's folder and may be
// anything: a damaged or hostile file reads as none, never a crash or an allocation
// beyond the limits below.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace zelvo {

class PropertyListValue {
 public:
  enum class Type { Integer, Real, Boolean, String, Date, Data, Array, Dictionary };

  PropertyListValue() = default;  // an empty dictionary
  static PropertyListValue integer(qint64 value);
  static PropertyListValue real(double value);
  static PropertyListValue boolean(bool value);
  static PropertyListValue string(QString text);
  static PropertyListValue date(QString isoText);  // kept as written
  static PropertyListValue data(QByteArray bytes);
  static PropertyListValue array(std::vector<PropertyListValue> items = {});
  static PropertyListValue dictionary() { return PropertyListValue(); }

  Type type() const { return type_; }
  bool isDictionary() const { return type_ == Type::Dictionary; }

  // The value read as a number, as a number object would give it: integers and reals
  // (an integer from a real is cut toward zero and saturates), booleans as 1 or 0.
  // None for strings, dates, data, arrays, dictionaries and a real that is NaN.
  std::optional<qint64> integerValue() const;
  std::optional<double> doubleValue() const;

  qint64 integer() const { return integer_; }
  double real() const { return real_; }
  bool boolean() const { return boolean_; }
  const QString& text() const { return text_; }  // string, date
  const QByteArray& bytes() const { return bytes_; }
  const std::vector<PropertyListValue>& items() const { return items_; }  // array elements, dictionary values

  // The value as Qt holds one: qlonglong, double, bool, QString (strings and dates),
  // QByteArray, QVariantList or QVariantMap.
  QVariant toVariant() const;

  // Arrays.
  void append(PropertyListValue value);

  // Dictionaries: keys in order, parallel to items().
  const QStringList& keys() const { return keys_; }
  const PropertyListValue* value(const QString& key) const;  // nullptr when absent
  // Replaces the value in its place, or appends the key.
  void setValue(const QString& key, PropertyListValue value);

  // Same type and same contents; a NaN equals a NaN, so that a round trip compares equal.
  bool operator==(const PropertyListValue& other) const;

 private:
  Type type_ = Type::Dictionary;
  qint64 integer_ = 0;
  double real_ = 0.0;
  bool boolean_ = false;
  QString text_;
  QByteArray bytes_;
  std::vector<PropertyListValue> items_;
  QStringList keys_;
};

// Limits on what is read: a preferences file is a few hundred bytes.
constexpr qint64 PropertyListMaxBytes = 1 << 20;
constexpr int PropertyListMaxDepth = 32;  // nested arrays and dictionaries

// The value of an XML property list ("<plist>" holding one value). None, with a reason
// in *error, when the text is not one: malformed XML, an unknown element, a number that
// does not read, a document type that declares entities, more than PropertyListMaxBytes
// or nesting deeper than PropertyListMaxDepth.
std::optional<PropertyListValue> propertyListFromXml(const QByteArray& xml, QString* error = nullptr);
QByteArray xmlFromPropertyList(const PropertyListValue& root);

// Reads a file (none when it is missing, unreadable, too long or not a property list).
std::optional<PropertyListValue> readPropertyListFile(const QString& path, QString* error = nullptr);
// Writes the file whole: the old file stays as it was until the new one is complete.
bool writePropertyListFile(const QString& path, const PropertyListValue& root, QString* error = nullptr);

}  // namespace zelvo
