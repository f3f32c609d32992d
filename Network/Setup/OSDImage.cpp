#include "Network/Setup/OSDImage.h"

#include <cstdio>
#include <new>

#include "Foundation/Log.h"
#include "Network/Packet.h"

namespace zelvo {

std::shared_ptr<const OSDImage> OSDImage::create(Packet& packet) {
  packet.seekToPayload();
  int32_t x = packet.popInt32();
  int32_t y = packet.popInt32();
  std::string mime = packet.popString().value_or(std::string());
  int32_t length = packet.popInt32();
  if (length < 0 || length > packet.remaining())
    throw ReadError("OSD picture of " + std::to_string(length) + " bytes with " +
                    std::to_string(packet.remaining()) + " bytes left in its message");
  const uint8_t* png = packet.popBytes(length);
  try {
    QByteArray copy(reinterpret_cast<const char*>(png), length);
    if (copy.size() != length) throw std::bad_alloc();
    return std::make_shared<const OSDImage>(QPointF(x, y), std::move(mime), std::move(copy));
  } catch (const std::bad_alloc&) {
    zelvoLog("OSD picture of %d bytes could not be handed to the decoder; discarded", length);
    return nullptr;
  }
}

OSDImage::OSDImage(QPointF offset, std::string mime, QByteArray osdData)
    : offset_(offset), mime_(std::move(mime)), osdData_(std::move(osdData)) {
  if (!osdData_.isEmpty()) image_ = QImage::fromData(osdData_, "PNG");
  if (!image_.isNull()) size_ = QSizeF(image_.width(), image_.height());
}

std::string OSDImage::description() const {
  char text[512];
  std::snprintf(text, sizeof text, "mime = %s; size (%f, %f); offset (%f, %f)", mime_.c_str(), size_.width(),
                size_.height(), offset_.x(), offset_.y());
  return text;
}

}  // namespace zelvo
