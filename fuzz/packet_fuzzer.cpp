// LIBS: Network Foundation
// Every generic read of a received packet, driven by the input: typed reads at the
// cursor and at indexes, strings, fixed-size fields and byte runs. Reads past the
// limit must throw ReadError and nothing else may happen.
#include <cstdint>
#include <cstring>

#include "Network/Packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  auto packet = zelvo::Packet::create(static_cast<int64_t>(size), 8);
  if (!packet) return 0;
  packet->pushBytes(data, static_cast<int64_t>(size), 0);
  packet->seek(0);
  // The first bytes script the reads; the whole input is the buffer read.
  size_t script = 0;
  try {
    for (int step = 0; step < 256; ++step) {
      uint8_t op = data[script++ % size];
      switch (op % 12) {
        case 0: packet->popUint8(); break;
        case 1: packet->popUint16(); break;
        case 2: packet->popUint32(); break;
        case 3: packet->popUint64(); break;
        case 4: packet->popString(); break;
        case 5: packet->popStringFixedSize(op % 40); break;
        case 6: packet->popStringFixedSize(op % 40, packet->position()); break;
        case 7: packet->popBytes(op); break;
        case 8: packet->popStringAt(op); break;
        case 9: packet->popUint32At(op); break;
        case 10: packet->messageType(); packet->payloadSize(); break;
        case 11: packet->skip(static_cast<int8_t>(op)); break;
      }
    }
  } catch (const zelvo::ReadError&) {
  }
  return 0;
}
