// Every generic read of a received packet, driven by the input: typed reads at the
// cursor and at indexes, strings, fixed-size fields and byte runs. Reads past the
// limit must throw ReadError and nothing else may happen.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "Foundation/Utf8.h"
#include "Network/Packet.h"

namespace {

// What a string read gives is valid UTF-8 and no longer than its field.
void check(const std::optional<std::string>& text, size_t most = SIZE_MAX) {
  if (text && (!zelvo::isValidUtf8(*text) || text->size() > most)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  auto packet = zelvo::Packet::create(static_cast<int64_t>(size), 8);
  if (!packet) return 0;
  packet->pushBytes(data, static_cast<int64_t>(size), 0);
  packet->seek(0);
  // The input scripts the reads (an operation byte, then an argument byte) and is
  // at the same time the buffer read.
  size_t script = 0;
  auto next = [&] { return data[script++ % size]; };
  try {
    for (int step = 0; step < 256; ++step) {
      uint8_t op = next();
      uint8_t arg = next();
      switch (op % 12) {
        case 0: packet->popUint8(); break;
        case 1: packet->popUint16(); break;
        case 2: packet->popUint32(); break;
        case 3: packet->popUint64(); break;
        case 4: check(packet->popString()); break;
        case 5: check(packet->popStringFixedSize(arg % 40), arg % 40); break;
        case 6: check(packet->popStringFixedSize(arg % 40, packet->position()), arg % 40); break;
        case 7: packet->popBytes(arg); break;
        case 8: check(packet->popStringAt(arg)); break;
        case 9: packet->popUint32At(arg); break;
        case 10: packet->messageType(); packet->payloadSize(); break;
        case 11: packet->skip(static_cast<int8_t>(arg)); break;
      }
    }
  } catch (const zelvo::ReadError&) {
  }
  return 0;
}
