#include "Decoder/CircularByteQueue.h"

#include <algorithm>
#include <cstring>

#include "Foundation/Assert.h"

namespace zelvo {

CircularByteQueue::CircularByteQueue(uint32_t capacity)
    : queue_(std::make_unique_for_overwrite<uint8_t[]>(capacity)), capacity_(capacity) {
  ZELVO_PRECONDITION(capacity > 0);
}

const uint8_t* CircularByteQueue::push(const uint8_t* bytes, uint32_t n) {
  std::lock_guard lock(mutex_);
  const uint32_t size = size_.load(std::memory_order_relaxed);
  if (capacity_ - size < n) return nullptr;
  const uint32_t tail = capacity_ - rear_;
  uint8_t* destination = queue_.get() + rear_;
  if (bytes) {
    if (tail < n) {
      std::memcpy(destination, bytes, tail);
      std::memcpy(queue_.get(), bytes + tail, n - tail);
    } else {
      std::memcpy(destination, bytes, n);
    }
  }
  rear_ = (front_ > rear_ || tail > n) ? rear_ + n : n - tail;
  size_.store(size + n, std::memory_order_release);
  return destination;
}

void CircularByteQueue::pop(uint8_t* destination, uint32_t n) {
  std::lock_guard lock(mutex_);
  popLocked(destination, n);
}

uint32_t CircularByteQueue::popUpTo(uint8_t* destination, uint32_t n) {
  std::lock_guard lock(mutex_);
  const uint32_t taken = std::min(n, size_.load(std::memory_order_relaxed));
  popLocked(destination, taken);
  return taken;
}

void CircularByteQueue::discardUntil(uint32_t n) {
  std::lock_guard lock(mutex_);
  const uint32_t size = size_.load(std::memory_order_relaxed);
  if (size > n) popLocked(nullptr, size - n);
}

void CircularByteQueue::clear() {
  std::lock_guard lock(mutex_);
  clearLocked();
}

void CircularByteQueue::popLocked(uint8_t* destination, uint32_t n) {
  const uint32_t size = size_.load(std::memory_order_relaxed);
  if (size < n) {
    clearLocked();
    return;
  }
  const uint32_t tail = capacity_ - front_;
  if (tail > n) {
    if (destination) std::memcpy(destination, queue_.get() + front_, n);
    front_ += n;
  } else {
    if (destination) {
      std::memcpy(destination, queue_.get() + front_, tail);
      std::memcpy(destination + tail, queue_.get(), n - tail);
    }
    front_ = n - tail;
  }
  size_.store(size - n, std::memory_order_release);
}

void CircularByteQueue::clearLocked() {
  size_.store(0, std::memory_order_release);
  rear_ = 0;
  front_ = 0;
}

}  // namespace zelvo
