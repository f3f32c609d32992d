#include "support/FakeByteStream.h"

#include <algorithm>
#include <cstring>

namespace zelvo::test {

int64_t FakeByteStream::read(uint8_t* buffer, int64_t maxLength) {
  ++reads_;
  if (closed_) return -1;
  size_t left = pending_.size() - readOffset_;
  if (left > 0) {
    size_t n = std::min(left, static_cast<size_t>(maxLength));
    std::memcpy(buffer, pending_.data() + readOffset_, n);
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

void FakeByteStream::receive(const std::vector<uint8_t>& chunk) {
  pending_ = chunk;
  readOffset_ = 0;
  while (!closed_ && readOffset_ < pending_.size()) {
    size_t before = readOffset_;
    sendEvent(BytesAvailable);
    if (readOffset_ == before) break;  // the client did not read: nothing more to deliver
  }
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
