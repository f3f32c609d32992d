#pragma once
// A big-endian ByteBuffer over an owned, growable block, with the 8-byte message
// header (u16 marker 1559, u16 message type, u32 payload length). A write past the
// limit grows the block in 4096-byte steps instead of failing.
//
// A packet never grows past MaxPayloadSize bytes of payload: a write that cannot
// grow it (the cap, or a failed allocation) marks the packet failed and writes
// nothing; a failed packet is dropped when sent.

#include <cstdint>
#include <memory>

#include "Network/ByteBuffer.h"
#include "Network/MessageType.h"

namespace zelvo {

// A received packet can be held by what was read from it (a media frame keeps
// its packet so that its data stays valid): shared_from_this() gives that hold.
class Packet : public ByteBuffer, public std::enable_shared_from_this<Packet> {
 public:
  static constexpr int64_t HeaderSize = 8;
  static constexpr uint16_t Marker = 1559;  // 0x0617, written on every packet, never compared on receipt
  static constexpr int64_t DefaultCapacity = 32768;
  static constexpr int64_t GrowthStep = 4096;
  static constexpr int64_t MaxPayloadSize = 16 * 1024 * 1024;

  // nullptr when the block cannot be allocated (or the capacity is out of range).
  static std::shared_ptr<Packet> create(int64_t capacity = DefaultCapacity, uint64_t paddingBytes = 0);
  // create(), then the header with the type, payload length 0, and the cursor at 8.
  static std::shared_ptr<Packet> createWithMessageType(uint16_t messageType);

  ~Packet() override;

  uint16_t messageType() const { return popUint16At(2); }
  uint32_t payloadSize() const { return popUint32At(4); }

  // Writes position - 8 as the payload length, then limit := position, position := 0.
  void pack();
  void seekToPayload() { seek(HeaderSize); }

  using ByteBuffer::pushBytes;
  void pushBytes(const void* source, int64_t length, int64_t at) override;

  // Grows the block to at least capacity bytes at once (the receive path sizes a
  // packet for its announced payload instead of growing it chunk by chunk). False,
  // with the packet unchanged, past the size cap or when the block cannot grow.
  bool reserve(int64_t capacity);

  uint8_t* data() const { return base(); }
  uint64_t padding() const { return padding_; }
  // The size of the block (without the padding), whatever the limit is now.
  int64_t capacity() const { return capacity_; }
  bool isFailed() const { return failed_; }

  struct ConstructionTag {};
  Packet(ConstructionTag, uint8_t* block, int64_t capacity, uint64_t padding);

 private:
  bool grow(int64_t newLimit);

  uint64_t padding_;
  int64_t capacity_ = 0;
  bool failed_ = false;
};

}  // namespace zelvo
