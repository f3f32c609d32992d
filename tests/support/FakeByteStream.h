#pragma once
// A scripted ByteStream for driving a client without sockets: the test delivers
// chunks exactly as split as it likes, ends or breaks the stream, and decides what
// each write takes. Used on the client's network thread (in unit tests, a
// NetworkThread made on the test's own thread).

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Network/ByteStream.h"

namespace zelvo::test {

class FakeByteStream : public ByteStream {
 public:
  static constexpr int64_t WriteAll = INT64_MAX;
  static constexpr int64_t WriteFails = -1;

  FakeByteStream(std::string host = {}, uint16_t port = 0) : host_(std::move(host)), port_(port) {}

  void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }
  void open() override { ++opens_; }
  int64_t read(uint8_t* buffer, int64_t maxLength) override;
  int64_t write(const uint8_t* bytes, int64_t length) override;
  void close() override { closed_ = true; }
  StreamError error() const override { return error_; }

  // The script.
  void completeOpen() { sendEvent(OpenCompleted); }
  // One chunk: BytesAvailable events until the client has read all of it.
  void receive(const std::vector<uint8_t>& chunk) { receive(chunk.data(), chunk.size()); }
  // The same, read straight from the caller's bytes (no copy of the chunk is made
  // unless the client leaves some of it unread).
  void receive(const uint8_t* chunk, size_t size);
  // The next read returns 0.
  void receiveEnd();
  void fail(StreamError error);
  void signalSpaceAvailable() { sendEvent(SpaceAvailable); }
  void signalEndEncountered() { sendEvent(EndEncountered); }
  void signalEvent(Event event) { sendEvent(event); }
  // What the next writes take, in order: WriteAll, WriteFails, or at most n bytes
  // (0 included). Once the plan is used up every write takes everything.
  void planWrites(std::vector<int64_t> plan) { plan_.assign(plan.begin(), plan.end()); }

  const std::vector<uint8_t>& written() const { return written_; }
  void clearWritten() { written_.clear(); }
  int writeCalls() const { return writeCalls_; }
  int reads() const { return reads_; }
  bool isClosed() const { return closed_; }
  int opens() const { return opens_; }
  const std::string& host() const { return host_; }
  uint16_t port() const { return port_; }

 private:
  void sendEvent(Event event) {
    if (!closed_ && handler_) handler_(event);
  }

  std::string host_;
  uint16_t port_;
  EventHandler handler_;
  const uint8_t* source_ = nullptr;  // the chunk being delivered, or pending_
  size_t sourceSize_ = 0;
  size_t readOffset_ = 0;
  std::vector<uint8_t> pending_;  // what the client left unread of the last chunk
  bool end_ = false;
  bool closed_ = false;
  int opens_ = 0;
  int reads_ = 0;
  int writeCalls_ = 0;
  StreamError error_;
  std::deque<int64_t> plan_;
  std::vector<uint8_t> written_;
};

// Makes a fresh fake for every connect and keeps them all, for a client's StreamFactory.
class FakeStreamFactory {
 public:
  std::shared_ptr<ByteStream> operator()(const std::string& host, uint16_t port) {
    auto stream = std::make_shared<FakeByteStream>(host, port);
    streams_->push_back(stream);
    return stream;
  }
  // The streams made so far (shared by every copy of the factory).
  const std::vector<std::shared_ptr<FakeByteStream>>& streams() const { return *streams_; }
  std::shared_ptr<FakeByteStream> last() const { return streams_->empty() ? nullptr : streams_->back(); }

 private:
  std::shared_ptr<std::vector<std::shared_ptr<FakeByteStream>>> streams_ =
      std::make_shared<std::vector<std::shared_ptr<FakeByteStream>>>();
};

}  // namespace zelvo::test
