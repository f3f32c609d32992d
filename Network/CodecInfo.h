#pragma once
// The codec information of a media frame: five four-character codes, copied byte
// for byte from the frame's option list (no byte-order conversion), and the table
// of tags they are compared with.

#include <array>
#include <cstdint>

namespace zelvo {

struct CodecInfo {
  static constexpr int WireSize = 20;
  // codes[0] the vendor, codes[1] the chip, codes[2] to codes[4] further codes; each
  // holds its 4 bytes as they lie in memory.
  std::array<uint32_t, 5> codes{};

  uint32_t vendor() const { return codes[0]; }
  uint32_t chip() const { return codes[1]; }
};

// Indexes into the tag table. Tags 12, 16 and 17 end in a space.
enum CodecTag : int {
  CodecTagHiSi = 0,   // "HiSi"
  CodecTagKWMR = 1,   // "KWMR"
  CodecTagTI = 2,     // "T.I."
  CodecTag3510 = 3,   // "3510"
  CodecTag3511 = 4,   // "3511"
  CodecTagI320 = 5,   // "I320"
  CodecTag3515 = 6,   // "3515"
  CodecTag3520 = 7,   // "3520"
  CodecTag3531 = 8,   // "3531"
  CodecTag816x = 9,   // "816x"
  CodecTagH264 = 10,  // "h264"
  CodecTagApcm = 11,  // "apcm"
  CodecTagAac = 12,   // "aac "
  CodecTagBase = 13,  // "base"
  CodecTagMain = 14,  // "main"
  CodecTagHigh = 15,  // "high"
  CodecTagExt = 16,   // "ext "
  CodecTagIma = 17,   // "ima "
  CodecTagDvi4 = 18,  // "dvi4"
  CodecTagAclc = 19,  // "aclc"
  CodecTag1_00 = 20,  // "1.00"
  CodecTag3_00 = 21,  // "3.00"
  CodecTag4_00 = 22,  // "4.00"
  CodecTag16kb = 23,  // "16kb"
  CodecTag32kb = 24,  // "32kb"
  CodecTagCount = 25,
};

// The code made of a tag's four characters as they lie in memory.
uint32_t CodecTagValue(int index);
// True when code equals entry index (0 to 24) of the tag table.
bool CodecTagEquals(uint32_t code, int index);

}  // namespace zelvo
