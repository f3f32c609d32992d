#include "Network/Playback/Description.h"

namespace zelvo {

std::string describeArray(const std::vector<std::string>& elements) {
  std::string text = "(\n";
  for (size_t i = 0; i < elements.size(); ++i) text += "    " + elements[i] + (i + 1 < elements.size() ? ",\n" : "\n");
  return text + ")";
}

std::string describeDictionary(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string text = "{\n";
  for (const auto& [key, value] : entries) text += "    " + key + " = " + value + ";\n";
  return text + "}";
}

}  // namespace zelvo
