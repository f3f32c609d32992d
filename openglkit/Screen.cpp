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
    : _owner(owner), _video(checkedPlaneCount(planes)), _osd(planes) {}

// Members go in reverse order: frame buffer, render target, overlay, video.
Screen::~Screen() = default;

void Screen::notify() {
  if (_owner) _owner->screenUpdated();
}

bool Screen::init(float width, float height) {
  // Decoded rows of any width upload unpadded.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (!_video.init(GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2, GL_TEXTURE3, width, height)) return false;
  _renderTargetUnit = GL_TEXTURE4;
  if (!_osd.init(GL_TEXTURE5, _renderTargetUnit, width, height)) return false;
  Texture::activeTexture(_renderTargetUnit);
  _renderTarget.bind();
  _renderTarget.setWrapMode(GL_CLAMP_TO_EDGE);
  _renderTarget.setFilter(GL_LINEAR, GL_LINEAR);
  setupRenderTarget(static_cast<int>(width), static_cast<int>(height));
  attachRenderTarget();
  _viewWidth = width;
  _viewHeight = height;
  glClearColor(0, 0, 0, 1);
  return true;
}

void Screen::setupRenderTarget(int width, int height) {
  // Stays bound on its unit for the life of the screen: the overlay reads it there.
  Texture::activeTexture(_renderTargetUnit);
  _renderTarget.bind();
  _renderTarget.setImage(GL_RGBA, width, height, GL_UNSIGNED_BYTE, nullptr);
}

void Screen::attachRenderTarget() {
  _frameBuffer.bind();
  _frameBuffer.attachTexture(GL_COLOR_ATTACHMENT0, _renderTarget);
}

bool Screen::update(float time) {
  const int width = static_cast<int>(_viewWidth);
  const int height = static_cast<int>(_viewHeight);
  if (width != _renderTarget.width() || height != _renderTarget.height()) setupRenderTarget(width, height);
  const bool video = _video.update(time);
  const bool osd = _osd.update(time);
  return video || osd;
}

void Screen::render() {
  _frameBuffer.bind();
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, _renderTarget.width(), _renderTarget.height());
  _video.render();

  FrameBuffer::unbind();
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, static_cast<int>(_viewWidth), static_cast<int>(_viewHeight));
  _osd.render();
}

void Screen::renderIfNeeded(float time) {
  if (update(time)) render();
}

void Screen::setLayout(int selectedPlane, int divisions) {
  _video.setLayout(selectedPlane, divisions);
  _osd.setLayout(selectedPlane, divisions);
  notify();
}

void Screen::setKeepAspectRatio(bool keep) {
  _video.setKeepAspectRatio(keep);
  notify();
}

void Screen::setSelectionGradient(const Gradient& gradient) {
  _osd.setSelectionGradient(gradient);
  notify();
}

void Screen::setVideoFrame(int plane, int width, int height, int lineSize, const uint8_t* y, float xScale,
                           float yScale, const uint8_t* u, const uint8_t* v) {
  _video.updateVideoTexture(plane, width, height, lineSize, y, xScale, yScale, u, v);
  notify();
}

void Screen::reshape(float width, float height) {
  if (width == _viewWidth && height == _viewHeight) return;
  _viewWidth = width;
  _viewHeight = height;
  _video.setViewSize(width, height);
  _osd.reshape(width, height);
  notify();
}

void Screen::clearPlaneOsd(int plane, const Rgba& color) {
  _osd.clearPlane(plane, color);
  notify();
}

void Screen::clearPlaneWithGradient(int plane, const Gradient& gradient) {
  _osd.clearPlaneWithGradient(plane, gradient);
  notify();
}

void Screen::clearPlane(int plane) {
  _video.clearPlane(plane, 0, 0, 0);
  _osd.clearPlane(plane, Rgba::clear());
  notify();
}

void Screen::clearAllPlanes() {
  for (int plane = 0; plane < planeCount(); ++plane) {
    _video.clearPlane(plane, 0, 0, 0);
    _osd.clearPlane(plane, Rgba::clear());
  }
  notify();
}

void Screen::setTitle(int plane, std::optional<std::string> title) {
  _osd.setTitle(plane, std::move(title));
  notify();
}

void Screen::showPtzIcon(int plane) {
  _osd.showPtzIcon(plane);
  notify();
}

void Screen::hidePtzIcon(int plane) {
  _osd.hidePtzIcon(plane);
  notify();
}

bool Screen::showHighlight(int plane) {
  const bool shown = _osd.showHighlight(plane);
  if (shown) notify();
  return shown;
}

bool Screen::hideHighlight() {
  const bool hidden = _osd.hideHighlight();
  if (hidden) notify();
  return hidden;
}

void Screen::setCameraConfiguration(int plane, const CameraConfiguration& configuration) {
  _video.setConfiguration(plane, configuration);
  notify();
}

CameraConfiguration Screen::getCameraConfiguration(int plane) const { return _video.getConfiguration(plane); }

std::optional<RgbaImage> Screen::imageOfPlane(int plane, bool asShown) {
  if (!_video.isFront(plane)) return std::nullopt;
  if (asShown) return tileImageOfPlane(plane, false);
  return _video.snapshot(plane);
}

std::optional<RgbaImage> Screen::dragImageOfPlane(int plane) {
  if (!_video.isFront(plane)) return std::nullopt;
  return tileImageOfPlane(plane, true);
}

RgbaImage Screen::snapshotOfPlane(int plane) { return _video.snapshot(plane); }

RgbaImage Screen::tileImageOfPlane(int plane, bool black) {
  const PlanePosition position = _video.planePosition(plane);
  const int d = _osd.divisions();
  const int width = _renderTarget.width();
  const int height = _renderTarget.height();
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
  Texture::activeTexture(_renderTargetUnit);
  _renderTarget.bind();
  // Rows of exactly width x 4 bytes, whatever packing the host left set.
  GLint packAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  _renderTarget.getImage(GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
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
