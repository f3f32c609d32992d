#pragma once
// Counts of list elements as the recorder announces them: a count must fit in
// the bytes that remain, or the whole message is refused.

#include <cstdint>

namespace zelvo {

class ByteBuffer;

// The i32 count at the buffer's cursor plus headerSize bytes (the count's own
// offset within the header): 0 for a count of 0 or less. Throws ReadError, with
// the cursor unmoved, when the header or count x elementSize elements do not fit
// in what remains. Nothing is consumed.
int32_t checkedWireCount(const ByteBuffer& buffer, int64_t countOffset, int64_t headerSize, int64_t elementSize,
                         const char* what);

}  // namespace zelvo
