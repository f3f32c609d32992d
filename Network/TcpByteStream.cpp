#include "Network/TcpByteStream.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QTcpSocket>

#include "Foundation/Log.h"

namespace zelvo {

TcpByteStream::TcpByteStream(QString host, uint16_t port) : host_(std::move(host)), port_(port) {}

TcpByteStream::~TcpByteStream() { close(); }

void TcpByteStream::open() {
  if (socket_ || closed_) return;
  socket_ = new QTcpSocket;
  socket_->setReadBufferSize(ReadBufferLimit);
  QObject::connect(socket_, &QTcpSocket::connected, socket_, [this] { connected(); });
  QObject::connect(socket_, &QTcpSocket::readyRead, socket_, [this] { drain(); });
  QObject::connect(socket_, &QTcpSocket::disconnected, socket_, [this] {
    peerClosed_ = true;
    drain();
  });
  QObject::connect(socket_, &QTcpSocket::errorOccurred, socket_,
                   [this](QAbstractSocket::SocketError socketError) { errorOccurred(socketError); });
  socket_->connectToHost(host_, port_);
}

void TcpByteStream::connected() {
  socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  auto fd = static_cast<int>(socket_->socketDescriptor());
  int idle = KeepAliveIdleSeconds, interval = KeepAliveIntervalSeconds, probes = KeepAliveProbes;
  if (setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) != 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) != 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) != 0)
    zelvoLog("Cannot set TCP keep-alive timing on the connection to %s:%u", host_.toUtf8().constData(), port_);
  emitEvent(OpenCompleted);
}

void TcpByteStream::drain() {
  // A handler that closes the stream ends the loop; nested readyReads (none are
  // expected, but a handler may spin an event loop) are folded into this one.
  if (draining_) return;
  draining_ = true;
  while (!closed_ && socket_ && socket_->bytesAvailable() > 0) emitEvent(BytesAvailable);
  if (!closed_ && peerClosed_ && !endReported_) {
    endReported_ = true;
    emitEvent(BytesAvailable);  // its read returns 0: the end of the stream
  }
  draining_ = false;
}

void TcpByteStream::errorOccurred(int socketError) {
  if (closed_) return;
  if (socketError == QAbstractSocket::RemoteHostClosedError) {
    peerClosed_ = true;
    drain();
    return;
  }
  error_ = {socketError, socket_->errorString().toStdString()};
  emitEvent(ErrorOccurred);
}

void TcpByteStream::emitEvent(Event event) {
  if (!closed_ && handler_) handler_(event);
}

int64_t TcpByteStream::read(uint8_t* buffer, int64_t maxLength) {
  if (!socket_ || closed_) return -1;
  if (socket_->bytesAvailable() == 0) return peerClosed_ ? 0 : -1;
  qint64 n = socket_->read(reinterpret_cast<char*>(buffer), maxLength);
  if (n < 0) error_ = {socket_->error(), socket_->errorString().toStdString()};
  return n;
}

int64_t TcpByteStream::write(const uint8_t* bytes, int64_t length) {
  if (!socket_ || closed_) return -1;
  qint64 n = socket_->write(reinterpret_cast<const char*>(bytes), length);
  if (n < 0) error_ = {socket_->error(), socket_->errorString().toStdString()};
  return n;
}

void TcpByteStream::close() {
  closed_ = true;
  if (!socket_) return;
  // abort() emits disconnected() synchronously: nothing of this socket may reach
  // the client once it has let go of it.
  QObject::disconnect(socket_, nullptr, nullptr, nullptr);
  socket_->abort();
  socket_->deleteLater();
  socket_ = nullptr;
}

int64_t TcpByteStream::bufferedBytes() const { return socket_ ? socket_->bytesAvailable() : 0; }

intptr_t TcpByteStream::socketDescriptor() const { return socket_ ? socket_->socketDescriptor() : -1; }

}  // namespace zelvo
