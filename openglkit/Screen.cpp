#include "openglkit/Screen.h"

#include <cstring>
#include <vector>

#include "Foundation/Assert.h"

namespace zelvo {

namespace {

// Checked before any member is built.
int checkedPlaneCount(int planes) {
  if (!(0 < planes && planes <= Screen::LayoutMax * Screen::LayoutMax))
    preconditionFailed("Screen", __FILE__, __LINE__, "0 < planes && planes <= LayoutMax * LayoutMax");
  return planes;
}

}  // namespace

Screen::Screen(int planes, ScreenDelegate* owner)
    : owner_(owner), video_(checkedPlaneCount(planes)), osd_(planes) {}

// Members go in reverse order: frame buffer, render target, overlay, video.
Screen::~Screen() = default;

void Screen::notify() {
  if (owner_) owner_->screenUpdated();
}

bool Screen::init(float width, float height) {
  // Decoded rows of any width upload unpadded.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (!video_.init(GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2, GL_TEXTURE3, width, height)) return false;
  renderTargetUnit_ = GL_TEXTURE4;
  if (!osd_.init(GL_TEXTURE5, renderTargetUnit_, width, height)) return false;
  Texture::activeTexture(renderTargetUnit_);
  renderTarget_.bind();
  renderTarget_.setWrapMode(GL_CLAMP_TO_EDGE);
  // The overlay maps it texel for texel onto the view, where linear filtering gives the
  // same colours and costs software drawing a fifth of a frame.
  renderTarget_.setFilter(GL_NEAREST, GL_NEAREST);
  setupRenderTarget(static_cast<int>(width), static_cast<int>(height));
  attachRenderTarget();
  viewWidth_ = width;
  viewHeight_ = height;
  glClearColor(0, 0, 0, 1);
  return true;
}

void Screen::setupRenderTarget(int width, int height) {
  // Stays bound on its unit for the life of the screen: the overlay reads it there.
  Texture::activeTexture(renderTargetUnit_);
  renderTarget_.bind();
  renderTarget_.setImage(GL_RGBA, width, height, GL_UNSIGNED_BYTE, nullptr);
}

void Screen::attachRenderTarget() {
  frameBuffer_.bind();
  frameBuffer_.attachTexture(GL_COLOR_ATTACHMENT0, renderTarget_);
}

bool Screen::update(float time) {
  const int width = static_cast<int>(viewWidth_);
  const int height = static_cast<int>(viewHeight_);
  if (width != renderTarget_.width() || height != renderTarget_.height()) setupRenderTarget(width, height);
  const bool video = video_.update(time);
  const bool osd = osd_.update(time);
  return video || osd;
}

void Screen::render() {
  frameBuffer_.bind();
  // Opaque black whatever the host left set: planes that would draw only black are skipped.
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, renderTarget_.width(), renderTarget_.height());
  video_.render();

  FrameBuffer::unbind();
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, static_cast<int>(viewWidth_), static_cast<int>(viewHeight_));
  osd_.render();
}

void Screen::renderIfNeeded(float time) {
  if (update(time)) render();
}

void Screen::setLayout(int selectedPlane, int divisions) {
  video_.setLayout(selectedPlane, divisions);
  osd_.setLayout(selectedPlane, divisions);
  notify();
}

void Screen::setKeepAspectRatio(bool keep) {
  video_.setKeepAspectRatio(keep);
  notify();
}

void Screen::setSelectionGradient(const Gradient& gradient) {
  osd_.setSelectionGradient(gradient);
  notify();
}

void Screen::setVideoFrame(int plane, int width, int height, int lineSize, const uint8_t* y, float xScale,
                           float yScale, const uint8_t* u, const uint8_t* v) {
  video_.updateVideoTexture(plane, width, height, lineSize, y, xScale, yScale, u, v);
  notify();
}

void Screen::reshape(float width, float height) {
  if (width == viewWidth_ && height == viewHeight_) return;
  viewWidth_ = width;
  viewHeight_ = height;
  video_.setViewSize(width, height);
  osd_.reshape(width, height);
  notify();
}

void Screen::clearPlaneOsd(int plane, const Rgba& color) {
  osd_.clearPlane(plane, color);
  notify();
}

void Screen::clearPlaneWithGradient(int plane, const Gradient& gradient) {
  osd_.clearPlaneWithGradient(plane, gradient);
  notify();
}

void Screen::clearPlane(int plane) {
  video_.clearPlane(plane, 0, 0, 0);
  osd_.clearPlane(plane, Rgba::clear());
  notify();
}

void Screen::clearAllPlanes() {
  for (int plane = 0; plane < planeCount(); ++plane) {
    video_.clearPlane(plane, 0, 0, 0);
    osd_.clearPlane(plane, Rgba::clear());
  }
  notify();
}

void Screen::setTitle(int plane, std::optional<std::string> title) {
  osd_.setTitle(plane, std::move(title));
  notify();
}

void Screen::showPtzIcon(int plane) {
  osd_.showPtzIcon(plane);
  notify();
}

void Screen::hidePtzIcon(int plane) {
  osd_.hidePtzIcon(plane);
  notify();
}

bool Screen::showHighlight(int plane) {
  const bool shown = osd_.showHighlight(plane);
  if (shown) notify();
  return shown;
}

bool Screen::hideHighlight() {
  const bool hidden = osd_.hideHighlight();
  if (hidden) notify();
  return hidden;
}

void Screen::setCameraConfiguration(int plane, const CameraConfiguration& configuration) {
  video_.setConfiguration(plane, configuration);
  notify();
}

CameraConfiguration Screen::getCameraConfiguration(int plane) const { return video_.getConfiguration(plane); }

std::optional<RgbaImage> Screen::imageOfPlane(int plane, bool asShown) {
  if (!video_.isFront(plane)) return std::nullopt;
  if (asShown) return tileImageOfPlane(plane, false);
  return video_.snapshot(plane);
}

std::optional<RgbaImage> Screen::dragImageOfPlane(int plane) {
  if (!video_.isFront(plane)) return std::nullopt;
  return tileImageOfPlane(plane, true);
}

RgbaImage Screen::snapshotOfPlane(int plane) { return video_.snapshot(plane); }

RgbaImage Screen::tileImageOfPlane(int plane, bool black) {
  const PlanePosition position = video_.planePosition(plane);
  const int d = osd_.divisions();
  const int width = renderTarget_.width();
  const int height = renderTarget_.height();
  const int x = position.column * width / d;
  const int y = position.row * height / d;
  RgbaImage tile;
  tile.width = (position.column + 1) * width / d - x;
  tile.height = (position.row + 1) * height / d - y;
  if (tile.width <= 0 || tile.height <= 0) return tile;
  tile.pixels.assign(static_cast<size_t>(tile.width) * static_cast<size_t>(tile.height) * 4, 0);
  if (black) {
    for (size_t i = 3; i < tile.pixels.size(); i += 4) tile.pixels[i] = 255;
    return tile;
  }
  // Read from the render target itself, on its own unit: the texture bound on whichever
  // unit happens to be active could be another one, of another size.
  std::vector<uint8_t> frame(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  Texture::activeTexture(renderTargetUnit_);
  renderTarget_.bind();
  // Rows of exactly width x 4 bytes, whatever packing the host left set.
  GLint packAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  renderTarget_.getImage(GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
  // GL rows come bottom row first; the tile is measured from the top.
  const size_t rowBytes = static_cast<size_t>(tile.width) * 4;
  for (int row = 0; row < tile.height; ++row) {
    const int sourceRow = height - 1 - (y + row);
    std::memcpy(&tile.pixels[static_cast<size_t>(row) * rowBytes],
                &frame[(static_cast<size_t>(sourceRow) * width + x) * 4], rowBytes);
  }
  return tile;
}

}  // namespace zelvo
