#pragma once
// A fixed-capacity ring of bytes between a producer and a consumer on different
// threads (decoded sound from the main thread to the audio output's thread).
// Every change runs under the queue's lock; size() and remaining() read an
// atomic counter without it, so a value read there may change before the next
// call, which checks again under the lock.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace zelvo {

class CircularByteQueue {
 public:
  explicit CircularByteQueue(uint32_t capacity);
  CircularByteQueue(const CircularByteQueue&) = delete;
  CircularByteQueue& operator=(const CircularByteQueue&) = delete;

  // Stores n bytes (or, with no bytes, only takes the room). Returns where they
  // begin in the storage, or nullptr when fewer than n bytes are free (then
  // nothing is stored). When the bytes wrap round the end of the storage the
  // pointer does not address n contiguous bytes: never write through it.
  const uint8_t* push(const uint8_t* bytes, uint32_t n);
  // Takes the n oldest bytes into destination (or drops them when it is null).
  // When fewer than n are stored, empties the queue and takes nothing.
  void pop(uint8_t* destination, uint32_t n);
  // Takes up to n of the oldest bytes, deciding under the lock how many there
  // are; returns how many were taken.
  uint32_t popUpTo(uint8_t* destination, uint32_t n);
  // Keeps only the newest n bytes.
  void discardUntil(uint32_t n);
  void clear();

  uint32_t size() const { return size_.load(std::memory_order_acquire); }
  uint32_t remaining() const { return capacity_ - size(); }
  uint32_t capacity() const { return capacity_; }

 private:
  void popLocked(uint8_t* destination, uint32_t n);
  void clearLocked();

  const std::unique_ptr<uint8_t[]> queue_;
  const uint32_t capacity_;
  std::atomic<uint32_t> size_{0};
  uint32_t front_ = 0;
  uint32_t rear_ = 0;
  std::mutex mutex_;
};

}  // namespace zelvo
