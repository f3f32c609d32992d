#include "support/FakeByteStream.h"

#include <algorithm>
#include <cstring>

namespace zelvo::test {

int64_t FakeByteStream::read(uint8_t* buffer, int64_t maxLength) {
  ++reads_;
  if (closed_) return -1;
  size_t left = sourceSize_ - readOffset_;
  if (left > 0) {
    size_t n = std::min(left, static_cast<size_t>(maxLength));
    std::memcpy(buffer, source_ + readOffset_, n);
    readOffset_ += n;
    return static_cast<int64_t>(n);
  }
  if (end_) return 0;
  error_ = {-2, "read with nothing to read"};
  return -1;
}

int64_t FakeByteStream::write(const uint8_t* bytes, int64_t length) {
  ++writeCalls_;
  if (closed_) return -1;
  int64_t take = WriteAll;
  if (!plan_.empty()) {
    take = plan_.front();
    plan_.pop_front();
  }
  if (take < 0) {
    error_ = {-3, "write failed"};
    return -1;
  }
  int64_t n = std::min(take, length);
  written_.insert(written_.end(), bytes, bytes + n);
  return n;
}

void FakeByteStream::receive(const uint8_t* chunk, size_t size) {
  source_ = chunk;
  sourceSize_ = size;
  readOffset_ = 0;
  while (!closed_ && readOffset_ < sourceSize_) {
    size_t before = readOffset_;
    sendEvent(BytesAvailable);
    if (readOffset_ == before) break;  // the client did not read: nothing more to deliver
  }
  // Whatever is left stays readable after the caller's bytes are gone.
  pending_.assign(chunk + readOffset_, chunk + sourceSize_);
  source_ = pending_.data();
  sourceSize_ = pending_.size();
  readOffset_ = 0;
}

void FakeByteStream::receiveEnd() {
  end_ = true;
  sendEvent(BytesAvailable);
}

void FakeByteStream::fail(StreamError error) {
  error_ = std::move(error);
  sendEvent(ErrorOccurred);
}

}  // namespace zelvo::test
