#pragma once
// One JSON object per line, its members in the order they are added (the
// notification's name first), so a person or a script can read the probe's output.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelvo::probe {

class JsonLine {
 public:
  JsonLine& add(std::string_view key, std::string_view text);
  JsonLine& add(std::string_view key, const char* text) { return add(key, std::string_view(text)); }
  JsonLine& add(std::string_view key, int64_t number);
  JsonLine& add(std::string_view key, uint64_t number);
  JsonLine& add(std::string_view key, int number) { return add(key, static_cast<int64_t>(number)); }
  JsonLine& add(std::string_view key, double number);
  JsonLine& add(std::string_view key, bool flag);
  // A value already written as JSON (an array or an object).
  JsonLine& addRaw(std::string_view key, std::string_view json);
  std::string str() const { return "{" + body_ + "}"; }

  static std::string quote(std::string_view text);
  static std::string array(const std::vector<std::string>& jsonValues);

 private:
  void key(std::string_view name);
  std::string body_;
};

}  // namespace zelvo::probe
