#pragma once
// Text of the playback records' lists and maps, in the layout this system's
// descriptions have always used: "(\n    a,\n    b\n)" for a list and
// "{\n    key = value;\n}" for a map.

#include <string>
#include <utility>
#include <vector>

namespace zelvo {

std::string describeArray(const std::vector<std::string>& elements);
std::string describeDictionary(const std::vector<std::pair<std::string, std::string>>& entries);

template <typename Container>
std::string describeEach(const Container& items) {
  std::vector<std::string> texts;
  texts.reserve(items.size());
  for (const auto& item : items) texts.push_back(item.description());
  return describeArray(texts);
}

}  // namespace zelvo
