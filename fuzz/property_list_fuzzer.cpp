// The property-list reader on any bytes, as a preferences file in the user's folder may
// hold them: it gives a value or none, never a crash, a hang or a huge allocation. A
// value it gives is written and read back to the same value, so that a file the
// preferences write after reading one always reads again.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "ViewControllers/Store/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const std::optional<zelvo::PropertyListValue> root = zelvo::propertyListFromXml(xml);
  if (!root) return 0;
  zelvo::PropertyListValue edited = *root;
  if (edited.isDictionary())
    edited.setValue(QStringLiteral("Preference Sequence Interval"), zelvo::PropertyListValue::integer(10));
  for (const zelvo::PropertyListValue& value : {*root, edited}) {
    const QByteArray written = zelvo::xmlFromPropertyList(value);
    // Escaping can make a text near the limit longer than the limit; such a file is no
    // preferences file.
    if (written.size() > zelvo::PropertyListMaxBytes) continue;
    const std::optional<zelvo::PropertyListValue> back = zelvo::propertyListFromXml(written);
    if (!back || !(*back == value)) std::abort();
  }
  return 0;
}
