#pragma once
// A duplex byte stream with the five events a connection needs: open, bytes
// available, space available, error and end. The client is written against this,
// so the framing and the partial-write path can be driven by a scripted stream in
// tests; production uses TcpByteStream.
//
// Every call and every event happens on one thread (the network thread). The
// event handler may close the stream from inside an event; the stream then sends
// no further event.

#include <cstdint>
#include <functional>
#include <string>

namespace zelvo {

// What went wrong on a stream: a code of the stream's own and a readable text.
struct StreamError {
  int code = 0;
  std::string description;
};

class ByteStream {
 public:
  enum Event {
    OpenCompleted = 1,
    BytesAvailable = 2,
    SpaceAvailable = 4,
    ErrorOccurred = 8,
    EndEncountered = 16,
  };
  using EventHandler = std::function<void(Event)>;

  virtual ~ByteStream() = default;

  virtual void setEventHandler(EventHandler handler) = 0;
  virtual void open() = 0;
  // n > 0 bytes read; 0 at the end of the stream (the peer closed); -1 on error.
  // Called once per BytesAvailable event.
  virtual int64_t read(uint8_t* buffer, int64_t maxLength) = 0;
  // n bytes taken (possibly fewer than asked, possibly 0); -1 on error.
  virtual int64_t write(const uint8_t* bytes, int64_t length) = 0;
  // No event is sent after this.
  virtual void close() = 0;
  virtual StreamError error() const = 0;
};

}  // namespace zelvo
