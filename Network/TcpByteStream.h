#pragma once
// ByteStream over a QTcpSocket. Created, opened, used and destroyed on the network
// thread: the socket's notifiers belong to the thread that created it.
//
// Qt does not signal bytes left unread again, so every readyRead is drained here,
// one BytesAvailable event per read, until nothing is buffered. A peer close
// (Qt's RemoteHostClosedError, which Qt also reports for a reset seen on read)
// becomes a read of 0 bytes after the buffered bytes, not an error. Every socket
// gets TCP keep-alive (idle 30 s, interval 10 s, 3 probes), so a recorder that
// vanished without a word is found within about a minute.
//
// The socket's read buffer holds at most ReadBufferLimit bytes: while the client
// is slower than the recorder, the rest waits in the kernel, and TCP's window
// makes the recorder wait, instead of the backlog growing inside the program.
// Qt reads on from the kernel once reads have made room.

#include <QString>
#include <cstdint>

#include "Network/ByteStream.h"

class QTcpSocket;

namespace zelvo {

class TcpByteStream : public ByteStream {
 public:
  static constexpr int KeepAliveIdleSeconds = 30;
  static constexpr int KeepAliveIntervalSeconds = 10;
  static constexpr int KeepAliveProbes = 3;
  // Sixteen reads of the client's chunk: a whole key frame of a D1 camera, and a
  // few hundred milliseconds of a busy recorder's cameras.
  static constexpr int64_t ReadBufferLimit = 256 * 1024;

  TcpByteStream(QString host, uint16_t port);
  ~TcpByteStream() override;

  void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }
  void open() override;
  int64_t read(uint8_t* buffer, int64_t maxLength) override;
  int64_t write(const uint8_t* bytes, int64_t length) override;
  void close() override;
  StreamError error() const override { return error_; }

  // The socket's descriptor once open, -1 before (tests read its options).
  intptr_t socketDescriptor() const;
  // Bytes received and not yet read (never more than ReadBufferLimit).
  int64_t bufferedBytes() const;

 private:
  void connected();
  void drain();
  void errorOccurred(int socketError);
  void emitEvent(Event event);

  QString host_;
  uint16_t port_;
  QTcpSocket* socket_ = nullptr;
  EventHandler handler_;
  StreamError error_;
  bool closed_ = false;
  bool peerClosed_ = false;
  bool endReported_ = false;
  bool draining_ = false;
};

}  // namespace zelvo
