#include "openglkit/PlaneSnapshotUtil.h"

#include <algorithm>
#include <cstring>

#include "openglkit/MultiDivisionPlane.h"
#include "openglkit/Plane.h"

namespace zelvo {

bool PlaneSnapshotUtil::init(GLenum unit) {
  setupTexture(unit);
  frameBuffer_.bind();
  frameBuffer_.attachTexture(GL_COLOR_ATTACHMENT0, texture_);
  // Set-up leaves drawing with the host.
  FrameBuffer::unbind();
  return true;
}

void PlaneSnapshotUtil::setupTexture(GLenum unit) {
  unit_ = unit;
  Texture::activeTexture(unit);
  texture_.bind();
  texture_.setWrapMode(GL_CLAMP_TO_EDGE);
  texture_.setFilter(GL_LINEAR, GL_LINEAR);
}

void PlaneSnapshotUtil::attachTexture(const Texture& texture) {
  frameBuffer_.bind();
  frameBuffer_.attachTexture(GL_COLOR_ATTACHMENT0, texture);
}

// Every bind goes through this class's own unit: other units hold bindings that their
// owners keep for the life of the screen.
void PlaneSnapshotUtil::resize(int width, int height) {
  Texture::activeTexture(unit_);
  texture_.bind();
  texture_.setImage(GL_RGBA, width, height, GL_UNSIGNED_BYTE, nullptr);
}

void PlaneSnapshotUtil::resize(const Plane& plane) { resize(plane.videoWidth(), plane.videoHeight()); }

RgbaImage PlaneSnapshotUtil::snapshot(MultiDivisionPlane& wall, int plane) {
  resize(wall.plane(plane));
  wall.renderPlaneOffscreen(plane, frameBuffer_);
  return image();
}

RgbaImage PlaneSnapshotUtil::image() {
  Texture::activeTexture(unit_);
  texture_.bind();
  // Sized from what GL holds, not from what was asked: a size the driver refused
  // leaves the previous, possibly larger, image in place.
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  RgbaImage result;
  if (width <= 0 || height <= 0) return result;
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  std::vector<uint8_t> bottomUp(rowBytes * static_cast<size_t>(height));
  GLint packAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);  // rows of RGBA8 are always whole words
  texture_.getImage(GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);

  result.width = width;
  result.height = height;
  result.pixels.resize(bottomUp.size());
  for (int row = 0; row < height; ++row)
    std::memcpy(&result.pixels[static_cast<size_t>(row) * rowBytes],
                &bottomUp[static_cast<size_t>(height - 1 - row) * rowBytes], rowBytes);
  return result;
}

}  // namespace zelvo
