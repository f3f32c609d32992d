#include "ViewControllers/Store/PropertyList.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>
#include <limits>

#include "Foundation/Assert.h"

namespace zelvo {

PropertyListValue PropertyListValue::integer(qint64 value) {
  PropertyListValue v;
  v.type_ = Type::Integer;
  v.integer_ = value;
  return v;
}

PropertyListValue PropertyListValue::real(double value) {
  PropertyListValue v;
  v.type_ = Type::Real;
  v.real_ = value;
  return v;
}

PropertyListValue PropertyListValue::boolean(bool value) {
  PropertyListValue v;
  v.type_ = Type::Boolean;
  v.boolean_ = value;
  return v;
}

PropertyListValue PropertyListValue::string(QString text) {
  PropertyListValue v;
  v.type_ = Type::String;
  v.text_ = std::move(text);
  return v;
}

PropertyListValue PropertyListValue::date(QString isoText) {
  PropertyListValue v;
  v.type_ = Type::Date;
  v.text_ = std::move(isoText);
  return v;
}

PropertyListValue PropertyListValue::data(QByteArray bytes) {
  PropertyListValue v;
  v.type_ = Type::Data;
  v.bytes_ = std::move(bytes);
  return v;
}

PropertyListValue PropertyListValue::array(std::vector<PropertyListValue> items) {
  PropertyListValue v;
  v.type_ = Type::Array;
  v.items_ = std::move(items);
  return v;
}

std::optional<qint64> PropertyListValue::integerValue() const {
  switch (type_) {
    case Type::Integer:
      return integer_;
    case Type::Boolean:
      return boolean_ ? 1 : 0;
    case Type::Real: {
      if (std::isnan(real_)) return std::nullopt;
      // The largest double below 2^63 converts; anything beyond saturates.
      constexpr double limit = 9223372036854775808.0;
      if (real_ >= limit) return std::numeric_limits<qint64>::max();
      if (real_ < -limit) return std::numeric_limits<qint64>::min();
      return static_cast<qint64>(real_);
    }
    default:
      return std::nullopt;
  }
}

std::optional<double> PropertyListValue::doubleValue() const {
  switch (type_) {
    case Type::Integer:
      return static_cast<double>(integer_);
    case Type::Boolean:
      return boolean_ ? 1.0 : 0.0;
    case Type::Real:
      if (std::isnan(real_)) return std::nullopt;
      return real_;
    default:
      return std::nullopt;
  }
}

QVariant PropertyListValue::toVariant() const {
  switch (type_) {
    case Type::Integer:
      return QVariant(static_cast<qlonglong>(integer_));
    case Type::Real:
      return QVariant(real_);
    case Type::Boolean:
      return QVariant(boolean_);
    case Type::String:
    case Type::Date:
      return QVariant(text_);
    case Type::Data:
      return QVariant(bytes_);
    case Type::Array: {
      QVariantList list;
      for (const PropertyListValue& item : items_) list.append(item.toVariant());
      return list;
    }
    case Type::Dictionary: {
      QVariantMap map;
      for (qsizetype i = 0; i < keys_.size(); ++i) map.insert(keys_[i], items_[static_cast<size_t>(i)].toVariant());
      return map;
    }
  }
  return QVariant();
}

void PropertyListValue::append(PropertyListValue value) {
  ZELVO_PRECONDITION(type_ == Type::Array);
  items_.push_back(std::move(value));
}

const PropertyListValue* PropertyListValue::value(const QString& key) const {
  if (type_ != Type::Dictionary) return nullptr;
  const qsizetype i = keys_.indexOf(key);
  return i < 0 ? nullptr : &items_[static_cast<size_t>(i)];
}

void PropertyListValue::setValue(const QString& key, PropertyListValue value) {
  ZELVO_PRECONDITION(type_ == Type::Dictionary);
  const qsizetype i = keys_.indexOf(key);
  if (i >= 0) {
    items_[static_cast<size_t>(i)] = std::move(value);
    return;
  }
  keys_.append(key);
  items_.push_back(std::move(value));
}

bool PropertyListValue::operator==(const PropertyListValue& other) const {
  if (type_ != other.type_) return false;
  switch (type_) {
    case Type::Integer:
      return integer_ == other.integer_;
    case Type::Real:
      return real_ == other.real_ || (std::isnan(real_) && std::isnan(other.real_));
    case Type::Boolean:
      return boolean_ == other.boolean_;
    case Type::String:
    case Type::Date:
      return text_ == other.text_;
    case Type::Data:
      return bytes_ == other.bytes_;
    case Type::Array:
      return items_ == other.items_;
    case Type::Dictionary:
      return keys_ == other.keys_ && items_ == other.items_;
  }
  return false;
}

namespace {

// Reads one property list. Every failure ends the read: a file that is partly
// understood is not understood.
class Reader {
 public:
  explicit Reader(const QByteArray& xml) : reader_(xml) { reader_.setNamespaceProcessing(false); }

  std::optional<PropertyListValue> read();
  const QString& error() const { return error_; }

 private:
  using Token = QXmlStreamReader::TokenType;

  bool fail(const QString& why);
  bool failed() const { return !error_.isEmpty(); }
  Token nextSignificant();
  std::optional<QString> readText();
  std::optional<PropertyListValue> readValue(int depth);
  std::optional<PropertyListValue> readDictionary(int depth);
  std::optional<PropertyListValue> readArray(int depth);

  QXmlStreamReader reader_;
  QString error_;
};

bool Reader::fail(const QString& why) {
  if (error_.isEmpty()) {
    error_ = reader_.hasError() ? reader_.errorString() : why;
    if (error_.isEmpty()) error_ = QStringLiteral("malformed property list");
    error_ += QStringLiteral(" (line %1)").arg(reader_.lineNumber());
  }
  return false;
}

// The next element boundary; white space, comments and processing instructions
// between elements are skipped, any other text is an error (Invalid).
Reader::Token Reader::nextSignificant() {
  for (;;) {
    switch (reader_.readNext()) {
      case Token::StartElement:
        return Token::StartElement;
      case Token::EndElement:
        return Token::EndElement;
      case Token::Characters:
        if (reader_.isWhitespace()) continue;
        fail(QStringLiteral("text outside a value"));
        return Token::Invalid;
      case Token::Comment:
      case Token::ProcessingInstruction:
        continue;
      default:
        fail(QStringLiteral("unexpected %1").arg(reader_.tokenString()));
        return Token::Invalid;
    }
  }
}

// The text of the current element, up to its end; an element inside it is an error.
std::optional<QString> Reader::readText() {
  QString text;
  for (;;) {
    switch (reader_.readNext()) {
      case Token::Characters:
        text += reader_.text();
        continue;
      case Token::Comment:
      case Token::ProcessingInstruction:
        continue;
      case Token::EndElement:
        return text;
      default:
        fail(QStringLiteral("unexpected %1 in <%2>").arg(reader_.tokenString(), reader_.qualifiedName()));
        return std::nullopt;
    }
  }
}

std::optional<qint64> parseInteger(const QString& text) {
  bool ok = false;
  const qint64 v = text.trimmed().toLongLong(&ok, 10);
  if (!ok) return std::nullopt;
  return v;
}

std::optional<double> parseReal(const QString& text) {
  const QString t = text.trimmed().toLower();
  if (t == u"nan") return std::numeric_limits<double>::quiet_NaN();
  if (t == u"inf" || t == u"+inf" || t == u"infinity" || t == u"+infinity")
    return std::numeric_limits<double>::infinity();
  if (t == u"-inf" || t == u"-infinity") return -std::numeric_limits<double>::infinity();
  bool ok = false;
  const double v = t.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<QByteArray> parseData(const QString& text) {
  QByteArray compact;
  compact.reserve(text.size());
  for (QChar c : text) {
    if (c.isSpace()) continue;
    if (c.unicode() > 0x7f) return std::nullopt;
    compact.append(static_cast<char>(c.unicode()));
  }
  auto decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return std::nullopt;
  return std::move(decoded.decoded);
}

std::optional<PropertyListValue> Reader::readDictionary(int depth) {
  PropertyListValue dictionary = PropertyListValue::dictionary();
  for (;;) {
    const Token token = nextSignificant();
    if (token == Token::EndElement) return dictionary;
    if (token != Token::StartElement) return std::nullopt;
    if (reader_.qualifiedName() != u"key") {
      fail(QStringLiteral("<%1> where a <key> belongs").arg(reader_.qualifiedName()));
      return std::nullopt;
    }
    std::optional<QString> key = readText();
    if (!key) return std::nullopt;
    if (nextSignificant() != Token::StartElement) {
      fail(QStringLiteral("key \"%1\" has no value").arg(*key));
      return std::nullopt;
    }
    std::optional<PropertyListValue> value = readValue(depth + 1);
    if (!value) return std::nullopt;
    // A key given twice keeps its first place and its last value.
    dictionary.setValue(*key, std::move(*value));
  }
}

std::optional<PropertyListValue> Reader::readArray(int depth) {
  PropertyListValue array = PropertyListValue::array();
  for (;;) {
    const Token token = nextSignificant();
    if (token == Token::EndElement) return array;
    if (token != Token::StartElement) return std::nullopt;
    std::optional<PropertyListValue> value = readValue(depth + 1);
    if (!value) return std::nullopt;
    array.append(std::move(*value));
  }
}

// At the start of a value's element; ends after its end.
std::optional<PropertyListValue> Reader::readValue(int depth) {
  if (depth > PropertyListMaxDepth) {
    fail(QStringLiteral("nested deeper than %1").arg(PropertyListMaxDepth));
    return std::nullopt;
  }
  const QString name = reader_.qualifiedName().toString();
  if (name == u"dict") return readDictionary(depth);
  if (name == u"array") return readArray(depth);

  std::optional<QString> text = readText();
  if (!text) return std::nullopt;
  if (name == u"string") return PropertyListValue::string(std::move(*text));
  if (name == u"date") return PropertyListValue::date(std::move(*text));
  if (name == u"integer") {
    if (auto v = parseInteger(*text)) return PropertyListValue::integer(*v);
    fail(QStringLiteral("<integer> \"%1\" is no 64-bit integer").arg(text->left(40)));
    return std::nullopt;
  }
  if (name == u"real") {
    if (auto v = parseReal(*text)) return PropertyListValue::real(*v);
    fail(QStringLiteral("<real> \"%1\" is no number").arg(text->left(40)));
    return std::nullopt;
  }
  if (name == u"true" || name == u"false") {
    if (!text->trimmed().isEmpty()) {
      fail(QStringLiteral("<%1> holds text").arg(name));
      return std::nullopt;
    }
    return PropertyListValue::boolean(name == u"true");
  }
  if (name == u"data") {
    if (auto v = parseData(*text)) return PropertyListValue::data(std::move(*v));
    fail(QStringLiteral("<data> is no base64"));
    return std::nullopt;
  }
  fail(QStringLiteral("unknown element <%1>").arg(name.left(40)));
  return std::nullopt;
}

std::optional<PropertyListValue> Reader::read() {
  // Up to the root element: the declaration, a document type without entities,
  // comments and white space.
  for (bool atRoot = false; !atRoot;) {
    switch (reader_.readNext()) {
      case Token::StartDocument:
      case Token::Comment:
      case Token::ProcessingInstruction:
        break;
      case Token::DTD:
        // Entities are how a small file grows into a huge text: none are allowed.
        if (!reader_.entityDeclarations().isEmpty()) {
          fail(QStringLiteral("the document type declares entities"));
          return std::nullopt;
        }
        break;
      case Token::Characters:
        if (!reader_.isWhitespace()) {
          fail(QStringLiteral("text before the root element"));
          return std::nullopt;
        }
        break;
      case Token::StartElement:
        atRoot = true;
        break;
      default:
        fail(QStringLiteral("no property list"));
        return std::nullopt;
    }
  }
  if (reader_.qualifiedName() != u"plist") {
    fail(QStringLiteral("the root element is <%1>, not <plist>").arg(reader_.qualifiedName().left(40)));
    return std::nullopt;
  }
  if (nextSignificant() != Token::StartElement) {
    fail(QStringLiteral("the property list holds no value"));
    return std::nullopt;
  }
  std::optional<PropertyListValue> root = readValue(1);
  if (!root) return std::nullopt;
  if (nextSignificant() != Token::EndElement) {
    fail(QStringLiteral("the property list holds more than one value"));
    return std::nullopt;
  }
  for (;;) {
    switch (reader_.readNext()) {
      case Token::EndDocument:
        if (reader_.hasError()) {
          fail(QString());
          return std::nullopt;
        }
        return root;
      case Token::Comment:
      case Token::ProcessingInstruction:
        break;
      case Token::Characters:
        if (reader_.isWhitespace()) break;
        [[fallthrough]];
      default:
        fail(QStringLiteral("content after the property list"));
        return std::nullopt;
    }
  }
}

QString realText(double v) {
  if (std::isnan(v)) return QStringLiteral("nan");
  if (std::isinf(v)) return v > 0 ? QStringLiteral("+infinity") : QStringLiteral("-infinity");
  if (v == 0.0 && std::signbit(v)) return QStringLiteral("-0");
  return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// An element holding text. A reader turns every carriage return in text into a line
// feed, so each one goes out as a character reference to come back as it was.
void writeTextElement(QXmlStreamWriter& writer, const QString& name, const QString& text) {
  writer.writeStartElement(name);
  if (text.isEmpty()) writer.writeCharacters(QString());  // <string></string>, not <string/>
  qsizetype from = 0;
  for (qsizetype cr = text.indexOf(u'\r'); cr >= 0; cr = text.indexOf(u'\r', from)) {
    writer.writeCharacters(text.mid(from, cr - from));
    writer.writeEntityReference(QStringLiteral("#13"));
    from = cr + 1;
  }
  writer.writeCharacters(text.mid(from));
  writer.writeEndElement();
}

void writeValue(QXmlStreamWriter& writer, const PropertyListValue& value) {
  using Type = PropertyListValue::Type;
  switch (value.type()) {
    case Type::Integer:
      writer.writeTextElement(QStringLiteral("integer"), QString::number(value.integer()));
      break;
    case Type::Real:
      writer.writeTextElement(QStringLiteral("real"), realText(value.real()));
      break;
    case Type::Boolean:
      writer.writeEmptyElement(value.boolean() ? QStringLiteral("true") : QStringLiteral("false"));
      break;
    case Type::String:
      writeTextElement(writer, QStringLiteral("string"), value.text());
      break;
    case Type::Date:
      writeTextElement(writer, QStringLiteral("date"), value.text());
      break;
    case Type::Data:
      writer.writeTextElement(QStringLiteral("data"), QString::fromLatin1(value.bytes().toBase64()));
      break;
    case Type::Array:
      writer.writeStartElement(QStringLiteral("array"));
      for (const PropertyListValue& item : value.items()) writeValue(writer, item);
      writer.writeEndElement();
      break;
    case Type::Dictionary:
      writer.writeStartElement(QStringLiteral("dict"));
      for (qsizetype i = 0; i < value.keys().size(); ++i) {
        writeTextElement(writer, QStringLiteral("key"), value.keys()[i]);
        writeValue(writer, value.items()[static_cast<size_t>(i)]);
      }
      writer.writeEndElement();
      break;
  }
}

}  // namespace

std::optional<PropertyListValue> propertyListFromXml(const QByteArray& xml, QString* error) {
  auto refuse = [&](const QString& why) -> std::optional<PropertyListValue> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (xml.size() > PropertyListMaxBytes)
    return refuse(QStringLiteral("longer than %1 bytes").arg(PropertyListMaxBytes));
  // A property list is UTF-8 (or another encoding that keeps ASCII as it is), where no
  // NUL may occur; refusing them also keeps the entity check below whole.
  if (xml.contains('\0')) return refuse(QStringLiteral("holds a NUL byte"));
  if (xml.contains("<!ENTITY")) return refuse(QStringLiteral("the document type declares entities"));
  Reader reader(xml);
  std::optional<PropertyListValue> root = reader.read();
  if (!root && error) *error = reader.error();
  return root;
}

QByteArray xmlFromPropertyList(const PropertyListValue& root) {
  QByteArray xml;
  QXmlStreamWriter writer(&xml);
  writer.setAutoFormatting(true);
  writer.setAutoFormattingIndent(-1);  // one tab per level
  writer.writeStartDocument();
  writer.writeStartElement(QStringLiteral("plist"));
  writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
  writeValue(writer, root);
  writer.writeEndElement();
  writer.writeEndDocument();
  return xml;
}

std::optional<PropertyListValue> readPropertyListFile(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return std::nullopt;
  }
  // Read one byte past the limit, so that a longer file (or a device that reports no
  // size) is refused without reading it all.
  const QByteArray xml = file.read(PropertyListMaxBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return std::nullopt;
  }
  return propertyListFromXml(xml, error);
}

bool writePropertyListFile(const QString& path, const PropertyListValue& root, QString* error) {
  const QByteArray xml = xmlFromPropertyList(root);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  if (file.write(xml) != xml.size()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace zelvo
