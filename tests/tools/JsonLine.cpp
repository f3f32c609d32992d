#include "JsonLine.h"

#include <cmath>
#include <cstdio>

namespace zelvo::probe {

std::string JsonLine::quote(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonLine::array(const std::vector<std::string>& jsonValues) {
  std::string out = "[";
  for (size_t i = 0; i < jsonValues.size(); ++i) out += (i ? "," : "") + jsonValues[i];
  return out + "]";
}

void JsonLine::key(std::string_view name) {
  if (!body_.empty()) body_ += ",";
  body_ += quote(name) + ":";
}

JsonLine& JsonLine::add(std::string_view name, std::string_view text) {
  key(name);
  body_ += quote(text);
  return *this;
}

JsonLine& JsonLine::add(std::string_view name, int64_t number) {
  key(name);
  body_ += std::to_string(number);
  return *this;
}

JsonLine& JsonLine::add(std::string_view name, uint64_t number) {
  key(name);
  body_ += std::to_string(number);
  return *this;
}

JsonLine& JsonLine::add(std::string_view name, double number) {
  key(name);
  if (!std::isfinite(number)) {
    body_ += "null";
  } else {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", number);
    body_ += text;
  }
  return *this;
}

JsonLine& JsonLine::add(std::string_view name, bool flag) {
  key(name);
  body_ += flag ? "true" : "false";
  return *this;
}

JsonLine& JsonLine::addRaw(std::string_view name, std::string_view json) {
  key(name);
  body_ += json;
  return *this;
}

}  // namespace zelvo::probe
