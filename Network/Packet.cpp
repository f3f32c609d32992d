#include "Network/Packet.h"

#include <cstdlib>
#include <cstring>

#include "Foundation/Log.h"

namespace zelvo {

namespace {

constexpr int64_t MaxLimit = Packet::HeaderSize + Packet::MaxPayloadSize;

}  // namespace

std::shared_ptr<Packet> Packet::create(int64_t capacity, uint64_t paddingBytes) {
  // The cap leaves room for one growth step's rounding past the largest payload.
  if (capacity < 0 || capacity > MaxLimit + GrowthStep || paddingBytes > 4096) return nullptr;
  auto* block = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(capacity) + paddingBytes, 1));
  if (!block && capacity + paddingBytes > 0) return nullptr;
  return std::make_shared<Packet>(ConstructionTag{}, block, capacity, paddingBytes);
}

std::shared_ptr<Packet> Packet::createWithMessageType(uint16_t messageType) {
  std::shared_ptr<Packet> packet = create();
  if (!packet) return nullptr;
  packet->pushUint16(Marker, 0);
  packet->pushUint16(messageType, 2);
  packet->pushUint32(0, 4);
  packet->seek(HeaderSize);
  return packet;
}

Packet::Packet(ConstructionTag, uint8_t* block, int64_t capacity, uint64_t padding) : padding_(padding), capacity_(capacity) {
  wrapBytes(block, capacity, BigEndianByteOrder);
}

Packet::~Packet() { std::free(base()); }

void Packet::pack() {
  pushUint32(static_cast<uint32_t>(position() - HeaderSize), 4);
  flip();
}

bool Packet::grow(int64_t newLimit) {
  if (newLimit > MaxLimit + GrowthStep) return false;
  void* block = std::realloc(base(), static_cast<size_t>(newLimit) + padding_);
  if (!block) return false;
  auto* bytes = static_cast<uint8_t*>(block);
  // New bytes start zeroed, like the first block, so nothing stale is ever sent or read.
  std::memset(bytes + limit(), 0, static_cast<size_t>(newLimit - limit()) + padding_);
  setBase(bytes);
  setLimit(newLimit);
  capacity_ = newLimit;
  return true;
}

bool Packet::reserve(int64_t capacity) {
  if (capacity <= limit()) return true;
  if (capacity > MaxLimit) return false;
  return grow(capacity);
}

void Packet::pushBytes(const void* source, int64_t length, int64_t at) {
  if (failed_) return;
  if (at >= 0 && length >= 0 && at <= MaxLimit && length <= MaxLimit - at && at + length > limit()) {
    int64_t end = at + length;
    if (end > MaxLimit || !grow(end / GrowthStep * GrowthStep + GrowthStep)) {
      failed_ = true;
      zelvoLog("Packet cannot grow to %lld bytes: marked failed", static_cast<long long>(end));
      return;
    }
  } else if (at >= 0 && length >= 0 && (at > MaxLimit || length > MaxLimit - at)) {
    failed_ = true;
    zelvoLog("Packet write of %lld bytes at %lld passes the packet size cap", static_cast<long long>(length),
             static_cast<long long>(at));
    return;
  }
  ByteBuffer::pushBytes(source, length, at);
}

}  // namespace zelvo
