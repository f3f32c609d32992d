// The wall drawn by a QOpenGLWidget under X (Xvfb and Mesa in CI): the widget draws
// into a framebuffer of its own, not into 0, and the kit must return to it.
#include <gtest/gtest.h>

#include <QImage>
#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include <memory>

#include "openglkit/FrameBuffer.h"
#include "openglkit/MultiDivisionPlane.h"
#include "openglkit/ShaderModel.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

const test::Yuv8Colour kColours[4] = {{235, 128, 128}, {81, 90, 240}, {145, 54, 34}, {41, 240, 110}};

class WallWidget : public QOpenGLWidget {
 public:
  WallWidget() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    setFormat(format);
    resize(200, 160);
  }
  ~WallWidget() override {
    // GL objects go with their context current.
    makeCurrent();
    wall.reset();
    doneCurrent();
    FrameBuffer::setDefaultFramebuffer(0);
  }

  bool initialised = false;
  int paints = 0;
  GLuint framebufferSeen = 0;
  RgbaImage snapshot;
  std::unique_ptr<MultiDivisionPlane> wall;

 protected:
  void initializeGL() override {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    FrameBuffer::setDefaultFramebuffer(defaultFramebufferObject());
    wall = std::make_unique<MultiDivisionPlane>(4);
    initialised = wall->init(GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2, GL_TEXTURE3, pixelWidth(), pixelHeight());
    if (!initialised) return;
    wall->setLayout(0, 2);
    for (int i = 0; i < 4; ++i) {
      std::vector<uint8_t> y(32 * 24, kColours[i].y), u(16 * 12, kColours[i].u), v(16 * 12, kColours[i].v);
      wall->updateVideoTexture(i, 32, 24, 32, y.data(), 1, 1, u.data(), v.data());
    }
  }

  void paintGL() override {
    if (!initialised) return;
    FrameBuffer::setDefaultFramebuffer(defaultFramebufferObject());
    framebufferSeen = defaultFramebufferObject();
    // A snapshot first leaves its own framebuffer bound; the wall must still reach the widget.
    snapshot = wall->snapshot(1);
    FrameBuffer::unbind();
    glViewport(0, 0, static_cast<GLsizei>(pixelWidth()), static_cast<GLsizei>(pixelHeight()));
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    wall->update(0);
    wall->render();
    ++paints;
  }

 private:
  float pixelWidth() const { return static_cast<float>(width() * devicePixelRatio()); }
  float pixelHeight() const { return static_cast<float>(height() * devicePixelRatio()); }
};

TEST(WallWidget, DrawsTheWallIntoTheWidgetsFramebuffer) {
  WallWidget widget;
  widget.show();
  ASSERT_TRUE(test::waitUntil([&] { return widget.paints > 0 || (widget.isValid() && !widget.initialised); }));
  ASSERT_TRUE(widget.initialised) << "the video program did not build on this context";
  EXPECT_NE(widget.framebufferSeen, 0u) << "a widget's framebuffer is its own";

  QImage image = widget.grabFramebuffer();
  ASSERT_FALSE(image.isNull());
  const int w = image.width(), h = image.height();
  const QPoint centres[4] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
  for (int i = 0; i < 4; ++i) {
    QRgb pixel = image.pixel(centres[i]);
    test::Rgb8 actual{qRed(pixel), qGreen(pixel), qBlue(pixel)};
    test::Rgb8 expected = test::expectedPixel(kColours[i].y, kColours[i].u, kColours[i].v);
    EXPECT_TRUE(test::near(actual, expected)) << "plane " << i << ": " << actual << " vs " << expected;
  }

  ASSERT_EQ(widget.snapshot.width, 32);
  ASSERT_EQ(widget.snapshot.height, 24);
  const uint8_t* p = widget.snapshot.pixel(0, 0);
  test::Rgb8 expected = test::expectedPixel(kColours[1].y, kColours[1].u, kColours[1].v);
  EXPECT_TRUE(test::near({p[0], p[1], p[2]}, expected)) << test::Rgb8{p[0], p[1], p[2]};
}

}  // namespace
}  // namespace zelvo
