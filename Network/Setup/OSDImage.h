#pragma once
// One picture of a recorder's setup screen: a PNG placed with its top-left corner
// at an offset on the recorder's screen. Built on the network thread from an OSD
// picture message and read-only after that.

#include <memory>
#include <string>

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QSizeF>

namespace zelvo {

class Packet;

class OSDImage {
 public:
  // Reads the message from the start of the packet's payload: i32 x, i32 y,
  // string mime, i32 n, n bytes of PNG. A short message, or a length n below 0
  // or beyond what remains, throws ReadError. When the n bytes cannot even be
  // copied for the decoder, the picture is logged and discarded (nullptr). A PNG
  // that does not decode (and n = 0) gives an empty image of size 0 by 0. Qt's
  // image allocation limit guards the decoder against pictures of hostile size.
  static std::shared_ptr<const OSDImage> create(Packet& packet);

  QPointF offset() const { return offset_; }
  QSizeF size() const { return size_; }
  const std::string& mime() const { return mime_; }
  const QImage& image() const { return image_; }
  // The private copy of the PNG bytes.
  const QByteArray& osdData() const { return osdData_; }

  // "mime = %@; size (%f, %f); offset (%f, %f)"
  std::string description() const;

  OSDImage(QPointF offset, std::string mime, QByteArray osdData);

 private:
  QPointF offset_;
  QSizeF size_{0, 0};
  std::string mime_;
  QByteArray osdData_;
  QImage image_;
};

}  // namespace zelvo
