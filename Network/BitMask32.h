#pragma once
// A set of channels 0 to 31 (cameras, sensors or alarm outputs): bit n stands for
// channel n. A plain value; copy it freely.

#include <cstdint>
#include <string>

namespace zelvo {

class BitMask32 {
 public:
  static constexpr int BitCount = 32;

  BitMask32() = default;
  explicit BitMask32(uint32_t mask) : _mask(mask) {}
  static BitMask32 bitMaskWithUint32(uint32_t mask) { return BitMask32(mask); }
  // The one shared empty mask. It is const: nobody can change it under its users.
  static const BitMask32& zero();

  static BitMask32 AND(const BitMask32& mask, const BitMask32& with) { return BitMask32(mask._mask & with._mask); }
  static BitMask32 OR(const BitMask32& mask, const BitMask32& with) { return BitMask32(mask._mask | with._mask); }
  static BitMask32 XOR(const BitMask32& mask, const BitMask32& with) { return BitMask32(mask._mask ^ with._mask); }

  void AND(const BitMask32& other) { _mask &= other._mask; }
  void OR(const BitMask32& other) { _mask |= other._mask; }
  void XOR(const BitMask32& other) { _mask ^= other._mask; }
  // index 0 to 31; anything else is a caller's fault.
  void set(int index);
  void reset(int index);
  void setAll() { _mask = 0xFFFFFFFFu; }
  void resetAll() { _mask = 0; }
  void setAsUint32(uint32_t mask) { _mask = mask; }

  bool isSet(int index) const;
  bool isEmpty() const { return _mask == 0; }
  uint32_t asUint32() const { return _mask; }
  bool EQUAL(const BitMask32& other) const { return _mask == other._mask; }
  // The lowest set bit, -1 when empty.
  int firstChannel() const;
  int setCount() const;
  // Lowercase hexadecimal without leading zeros ("21" for bits 0 and 5).
  std::string description() const;

  friend bool operator==(const BitMask32& a, const BitMask32& b) { return a._mask == b._mask; }

 private:
  uint32_t _mask = 0;
};

}  // namespace zelvo
