#include "openglkit/Plane.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "Foundation/Log.h"
#include "openglkit/ArrayVertexBuffer.h"
#include "openglkit/Program.h"

namespace zelvo {

Plane::Plane() = default;

void Plane::init(Program* program, ArrayVertexBuffer* positionBuffer, ArrayVertexBuffer* texCoordBuffer,
                 int64_t positionOffset, int64_t texCoordOffset, GLenum unitY, GLenum unitU, GLenum unitV) {
  _program = program;
  _positionBuffer = positionBuffer;
  _texCoordBuffer = texCoordBuffer;
  _positionOffset = positionOffset;
  _texCoordOffset = texCoordOffset;
  _unitY = unitY;
  _unitU = unitU;
  _unitV = unitV;

  const float whole[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  std::copy(std::begin(whole), std::end(whole), _texCoords);
  writeTexCoords();
  updatePositions();

  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &_maxTextureSize);
  setupTextures();
  const uint8_t black[4] = {0, 0, 0, 0};
  const uint8_t grey = 128;
  updateVideoTexture(2, 2, 2, black, 1.0f, 1.0f, &grey, &grey);

  _colorTransform = Matrix::identity();
  _configuration = CameraConfiguration{};
}

void Plane::setupTextures() {
  Texture::activeTexture(_unitY);
  setupTexture(_textureY);
  Texture::activeTexture(_unitU);
  setupTexture(_textureU);
  Texture::activeTexture(_unitV);
  setupTexture(_textureV);
}

void Plane::setupTexture(Texture& texture) {
  texture.bind();
  texture.setWrapMode(GL_CLAMP_TO_EDGE);
  texture.setFilter(GL_LINEAR, GL_LINEAR);
}

void Plane::writeTexCoords() {
  _texCoordBuffer->bind();
  _texCoordBuffer->updateData(_texCoordOffset, texCoordBytes, _texCoords);
}

void Plane::updateVideoTexture(int width, int height, int lineSize, const uint8_t* y, float xScale, float yScale,
                               const uint8_t* u, const uint8_t* v) {
  // The picture comes from a decoder fed by the network: a line size that cannot hold
  // the width would crop by an infinite or wrong factor and read past the planes.
  if (width <= 0 || height <= 0 || lineSize <= 0 || lineSize < width) {
    zelvoLog("Dropped a %dx%d picture with line size %d", width, height, lineSize);
    return;
  }
  // GL would refuse the textures but the recorded sizes would still change.
  if (lineSize > _maxTextureSize || height > _maxTextureSize) {
    zelvoLog("Dropped a %dx%d picture with line size %d: textures stop at %d", width, height, lineSize,
             _maxTextureSize);
    return;
  }
  Texture::activeTexture(_unitY);
  _textureY.bind();
  _textureY.setImage(GL_LUMINANCE, lineSize, height, GL_UNSIGNED_BYTE, y);
  Texture::activeTexture(_unitU);
  _textureU.bind();
  _textureU.setImage(GL_LUMINANCE, lineSize / 2, height / 2, GL_UNSIGNED_BYTE, u);
  Texture::activeTexture(_unitV);
  _textureV.bind();
  _textureV.setImage(GL_LUMINANCE, lineSize / 2, height / 2, GL_UNSIGNED_BYTE, v);

  // Compared with the display size, so a scaled picture rewrites the same coordinates
  // on every frame.
  if (width != _videoWidth || height != _videoHeight || lineSize != _lineSize) {
    float s = static_cast<float>(width) / static_cast<float>(lineSize);
    const float coords[8] = {0, 0, s, 0, 0, 1, s, 1};
    std::copy(std::begin(coords), std::end(coords), _texCoords);
    writeTexCoords();
    _videoWidth = static_cast<int>(xScale * static_cast<float>(width));
    _videoHeight = static_cast<int>(static_cast<float>(height) * yScale);
    _lineSize = lineSize;
  }
}

Plane::Yuv Plane::rgbToYuv(int r, int g, int b) {
  const float red = static_cast<float>(r), green = static_cast<float>(g), blue = static_cast<float>(b);
  float y = 0.3f * red + 0.59f * green + 0.11f * blue;
  float u = (0.89f * blue - 0.3f * red - 0.59f * green) * 0.5f + 128.0f;
  float v = (0.7f * red - 0.59f * green - 0.11f * blue) * 0.5f + 128.0f;
  return {static_cast<int>(y), static_cast<int>(u), static_cast<int>(v)};
}

void Plane::fill(int red, int green, int blue) {
  Yuv yuv = rgbToYuv(red, green, blue);
  Texture::activeTexture(_unitY);
  fillTexture(_textureY, static_cast<uint8_t>(yuv.y & 0xFF));
  Texture::activeTexture(_unitU);
  fillTexture(_textureU, static_cast<uint8_t>(yuv.u & 0xFF));
  Texture::activeTexture(_unitV);
  fillTexture(_textureV, static_cast<uint8_t>(yuv.v & 0xFF));
}

void Plane::fillTexture(Texture& texture, uint8_t value) {
  std::vector<uint8_t> bytes(static_cast<size_t>(texture.width()) * static_cast<size_t>(texture.height()), value);
  texture.bind();
  texture.updateImage(GL_LUMINANCE, 0, 0, texture.width(), texture.height(), GL_UNSIGNED_BYTE, bytes.data());
}

void Plane::setPosition(int column, int row, int layer) {
  _position = {column, row, layer};
  _rect.x0 = static_cast<float>(column);
  _rect.y0 = static_cast<float>(-row);
  _rect.x1 = static_cast<float>(column + 1);
  _rect.y1 = static_cast<float>(-1 - row);
  _depth = static_cast<float>(-(layer + 1));
}

void Plane::setViewSize(float width, float height) {
  _viewWidth = width;
  _viewHeight = height;
}

Plane::Quad Plane::fittedRect() const {
  Quad quad{_rect.x0, _rect.y0, _rect.x1, _rect.y1, _depth};
  if (!_keepAspectRatio) return quad;
  float ratio = (static_cast<float>(_videoWidth) * _viewHeight) / (static_cast<float>(_videoHeight) * _viewWidth);
  // A view or picture without extent has no ratio to fit: the tile is drawn whole.
  if (!std::isfinite(ratio) || ratio <= 0) return quad;
  if (ratio < 1) {
    quad.x0 = quad.x0 + (1 - ratio) * 0.5f;
    quad.x1 = quad.x0 + ratio;
  } else if (ratio > 1) {
    quad.y0 = quad.y0 + (1 - 1 / ratio) * -0.5f;
    quad.y1 = quad.y0 - 1 / ratio;
  }
  return quad;
}

void Plane::updatePositions() {
  Quad q = fittedRect();
  const float vertices[12] = {q.x0, q.y0, q.depth, q.x1, q.y0, q.depth, q.x0, q.y1, q.depth, q.x1, q.y1, q.depth};
  _positionBuffer->bind();
  _positionBuffer->updateData(_positionOffset, positionBytes, vertices);
}

bool Plane::update(float) {
  updatePositions();
  return true;
}

void Plane::setConfiguration(const CameraConfiguration& c) {
  _configuration = c;
  _colorTransform = Matrix::identity();
  _colorTransform.setElement(1, 1, (c.saturation >= 0 ? 3 * c.saturation : c.saturation) + 1);
  _colorTransform.setElement(0, 3, static_cast<float>(static_cast<double>(c.hue) * std::numbers::pi));
}

void Plane::resetColorTransform() {
  _colorTransform = Matrix::identity();
  _configuration = CameraConfiguration{};
}

float Plane::contrastFactor(float contrast) {
  double c = contrast;
  return static_cast<float>((c >= 0 ? 3 * c : c) + 1);
}

void Plane::bindTexture(Texture& texture, const char* uniform, GLenum unit) {
  Texture::activeTexture(unit);
  texture.bind();
  _program->setUniform1i(uniform, Texture::unitIndex(unit));
}

void Plane::render() {
  _program->setUniformMatrix4fv("u_mColorTransform", _colorTransform);
  _program->setUniform1f("u_brightness", _configuration.brightness);
  _program->setUniform1f("u_contrast", contrastFactor(_configuration.contrast));
  bindTexture(_textureY, "u_textureY", _unitY);
  bindTexture(_textureU, "u_textureU", _unitU);
  bindTexture(_textureV, "u_textureV", _unitV);
  glDrawArrays(GL_TRIANGLE_STRIP, static_cast<GLint>(_positionOffset / 12), 4);
}

}  // namespace zelvo
