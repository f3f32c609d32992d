#pragma once
// Typed reads and writes of attribute values for the entity classes.

#include <QString>
#include <QVariant>
#include <optional>

namespace zelvo::store {

inline std::optional<QString> text(const QVariant& v) {
  return v.isValid() ? std::optional<QString>(v.toString()) : std::nullopt;
}
inline std::optional<qint64> number(const QVariant& v) {
  return v.isValid() ? std::optional<qint64>(v.toLongLong()) : std::nullopt;
}
inline std::optional<bool> flag(const QVariant& v) { return v.isValid() ? std::optional<bool>(v.toBool()) : std::nullopt; }

template <class T>
QVariant variant(const std::optional<T>& v) {
  return v ? QVariant::fromValue<T>(*v) : QVariant();
}

}  // namespace zelvo::store
