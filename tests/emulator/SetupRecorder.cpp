#include "emulator/SetupRecorder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "Network/MessageType.h"
#include "emulator/RecorderEmulator.h"

namespace zelvo::emulator {

namespace {

constexpr int ScreenWidth = 720, ScreenHeight = 480;
constexpr int DialogX = 110, DialogY = 90, DialogWidth = 500, DialogHeight = 300;

}  // namespace

Bytes pngPicture(int width, int height, uint32_t argb) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(argb);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return Bytes(bytes.begin(), bytes.end());
}

void installSetupRecorder(RecorderEmulator& emulator) {
  emulator.addLoginHook([](Session& session) {
    session.send(MessageTypeOSDSize,
                 setup::osdSize(ScreenWidth, ScreenHeight, DialogX, DialogY, DialogWidth, DialogHeight));
    session.send(MessageTypeOSDImage,
                 setup::osdPicture(DialogX, DialogY, "image/png", pngPicture(DialogWidth, DialogHeight, 0xFF203040)));
  });
  emulator.setHandler(MessageTypeSetupInput, [](Session& session, const ReceivedPacket& packet) {
    const Bytes& p = packet.payload;
    if (p.size() < 8) return;
    if (p[0] == 2 && p[1] == 3) {  // mouse, button up: mark the point
      int x = p[4] << 8 | p[5];
      int y = p[6] << 8 | p[7];
      session.send(MessageTypeOSDImage, setup::osdPicture(x - 4, y - 4, "image/png", pngPicture(8, 8, 0xFFFFC000)));
    } else if (p[0] == 1 && p[1] == 0) {  // key down: the dialog is drawn again
      session.send(MessageTypeOSDImage,
                   setup::osdPicture(DialogX, DialogY, "image/png", pngPicture(DialogWidth, DialogHeight, 0xFF304050)));
    }
  });
}

}  // namespace zelvo::emulator
