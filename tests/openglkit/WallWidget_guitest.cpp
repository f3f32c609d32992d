// The wall drawn by its view under X (Xvfb and Mesa in CI): the
// render thread draws into frames of its own, not into 0, the kit must return to them
// after a snapshot's framebuffer, and the widget shows the newest of them.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

#include <QImage>

#include <vector>

#include "ViewControllers/VideoView.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/ShaderModel.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

const test::Yuv8Colour kColours[4] = {{235, 128, 128}, {81, 90, 240}, {145, 54, 34}, {41, 240, 110}};

// The wall's own host: the screen of a shown VideoView, a 2 x 2 page.
TEST(WallWidget, DrawsTheWallIntoTheWidget) {
  VideoView widget;
  widget.resize(200, 160);
  widget.show();
  ASSERT_TRUE(test::waitUntil([&] { return widget.renderCount() > 0; }));
  ASSERT_TRUE(widget.hasScreen()) << "the video program did not build on this context";
  widget.setLayout(1);
  for (int i = 0; i < 4; ++i) {
    // A bound plane is cleared first: its overlay lets the video through from then on.
    widget.clearPlane(i, false, false);
    std::vector<uint8_t> y(32 * 24, kColours[i].y), u(16 * 12, kColours[i].u), v(16 * 12, kColours[i].v);
    AVFrame* frame = av_frame_alloc();
    frame->data[0] = y.data();
    frame->data[1] = u.data();
    frame->data[2] = v.data();
    frame->linesize[0] = 32;
    frame->linesize[1] = frame->linesize[2] = 16;
    frame->width = 32;
    frame->height = 24;
    frame->format = 0;  // 4:2:0 planar
    DecodedVideoFrame decoded{32, 24, frame, true};
    // The view copies what it is given (these buffers are not counted references).
    widget.setVideoFrame(decoded, i);
    for (auto& data : frame->data) data = nullptr;
    av_frame_free(&frame);
  }
  int seen = widget.renderCount();
  ASSERT_TRUE(test::waitUntil([&] { return widget.renderCount() > seen + 1; }));
  // A snapshot draws into a framebuffer of its own; the wall must still reach the widget.
  const RgbaImage snapshot = widget.imageOfPlane(1, false).value_or(RgbaImage{});
  seen = widget.renderCount();
  ASSERT_TRUE(test::waitUntil([&] { return widget.renderCount() > seen + 1; }));

  QImage image = widget.grab().toImage();
  ASSERT_FALSE(image.isNull());
  const int w = image.width(), h = image.height();
  const QPoint centres[4] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
  for (int i = 0; i < 4; ++i) {
    QRgb pixel = image.pixel(centres[i]);
    test::Rgb8 actual{qRed(pixel), qGreen(pixel), qBlue(pixel)};
    test::Rgb8 expected = test::expectedPixel(kColours[i].y, kColours[i].u, kColours[i].v);
    EXPECT_TRUE(test::near(actual, expected)) << "plane " << i << ": " << actual << " vs " << expected;
  }

  ASSERT_EQ(snapshot.width, 32);
  ASSERT_EQ(snapshot.height, 24);
  const uint8_t* p = snapshot.pixel(0, 0);
  test::Rgb8 expected = test::expectedPixel(kColours[1].y, kColours[1].u, kColours[1].v);
  EXPECT_TRUE(test::near({p[0], p[1], p[2]}, expected)) << test::Rgb8{p[0], p[1], p[2]};
}

}  // namespace
}  // namespace zelvo
