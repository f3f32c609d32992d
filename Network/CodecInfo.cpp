#include "Network/CodecInfo.h"

#include <cstring>

#include "Foundation/Assert.h"

namespace zelvo {

namespace {

const char* const Tags[CodecTagCount] = {
    "HiSi", "KWMR", "T.I.", "3510", "3511", "I320", "3515", "3520", "3531", "816x", "h264", "apcm", "aac ",
    "base", "main", "high", "ext ", "ima ", "dvi4", "aclc", "1.00", "3.00", "4.00", "16kb", "32kb",
};

struct TagTable {
  uint32_t values[CodecTagCount];
  TagTable() {
    for (int i = 0; i < CodecTagCount; ++i) std::memcpy(&values[i], Tags[i], 4);
  }
};

// Built once, on first use; then every comparison is one integer compare.
const TagTable& tagTable() {
  static const TagTable table;
  return table;
}

}  // namespace

uint32_t CodecTagValue(int index) {
  ZELVO_PRECONDITION(0 <= index && index < CodecTagCount);
  return tagTable().values[index];
}

bool CodecTagEquals(uint32_t code, int index) { return code == CodecTagValue(index); }

}  // namespace zelvo
