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
  program_ = program;
  positionBuffer_ = positionBuffer;
  texCoordBuffer_ = texCoordBuffer;
  positionOffset_ = positionOffset;
  texCoordOffset_ = texCoordOffset;
  unitY_ = unitY;
  unitU_ = unitU;
  unitV_ = unitV;

  const float whole[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  std::copy(std::begin(whole), std::end(whole), texCoords_);
  writeTexCoords();
  updatePositions();

  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
  setupTextures();
  const uint8_t black[4] = {0, 0, 0, 0};
  const uint8_t grey = 128;
  updateVideoTexture(2, 2, 2, black, 1.0f, 1.0f, &grey, &grey);
  blackFill_ = true;

  colorTransform_ = Matrix::identity();
  configuration_ = CameraConfiguration{};
}

void Plane::setupTextures() {
  Texture::activeTexture(unitY_);
  setupTexture(textureY_);
  Texture::activeTexture(unitU_);
  setupTexture(textureU_);
  Texture::activeTexture(unitV_);
  setupTexture(textureV_);
}

void Plane::setupTexture(Texture& texture) {
  texture.bind();
  texture.setWrapMode(GL_CLAMP_TO_EDGE);
  texture.setFilter(GL_LINEAR, GL_LINEAR);
}

void Plane::writeTexCoords() {
  texCoordBuffer_->bind();
  texCoordBuffer_->updateData(texCoordOffset_, texCoordBytes, texCoords_);
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
  if (lineSize > maxTextureSize_ || height > maxTextureSize_) {
    zelvoLog("Dropped a %dx%d picture with line size %d: textures stop at %d", width, height, lineSize,
             maxTextureSize_);
    return;
  }
  // A camera's pictures keep their size: the textures' storage is reused frame after frame.
  blackFill_ = false;
  Texture::activeTexture(unitY_);
  textureY_.bind();
  textureY_.replaceImage(GL_LUMINANCE, GL_LUMINANCE, lineSize, height, GL_UNSIGNED_BYTE, y);
  Texture::activeTexture(unitU_);
  textureU_.bind();
  textureU_.replaceImage(GL_LUMINANCE, GL_LUMINANCE, lineSize / 2, height / 2, GL_UNSIGNED_BYTE, u);
  Texture::activeTexture(unitV_);
  textureV_.bind();
  textureV_.replaceImage(GL_LUMINANCE, GL_LUMINANCE, lineSize / 2, height / 2, GL_UNSIGNED_BYTE, v);

  // Compared with the display size, so a scaled picture rewrites the same coordinates
  // on every frame.
  if (width != videoWidth_ || height != videoHeight_ || lineSize != lineSize_) {
    float s = static_cast<float>(width) / static_cast<float>(lineSize);
    const float coords[8] = {0, 0, s, 0, 0, 1, s, 1};
    std::copy(std::begin(coords), std::end(coords), texCoords_);
    writeTexCoords();
    videoWidth_ = static_cast<int>(xScale * static_cast<float>(width));
    videoHeight_ = static_cast<int>(static_cast<float>(height) * yScale);
    lineSize_ = lineSize;
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
  blackFill_ = red == 0 && green == 0 && blue == 0;
  Texture::activeTexture(unitY_);
  fillTexture(textureY_, static_cast<uint8_t>(yuv.y & 0xFF));
  Texture::activeTexture(unitU_);
  fillTexture(textureU_, static_cast<uint8_t>(yuv.u & 0xFF));
  Texture::activeTexture(unitV_);
  fillTexture(textureV_, static_cast<uint8_t>(yuv.v & 0xFF));
}

void Plane::fillTexture(Texture& texture, uint8_t value) {
  std::vector<uint8_t> bytes(static_cast<size_t>(texture.width()) * static_cast<size_t>(texture.height()), value);
  texture.bind();
  texture.updateImage(GL_LUMINANCE, 0, 0, texture.width(), texture.height(), GL_UNSIGNED_BYTE, bytes.data());
}

void Plane::setPosition(int column, int row, int layer) {
  position_ = {column, row, layer};
  rect_.x0 = static_cast<float>(column);
  rect_.y0 = static_cast<float>(-row);
  rect_.x1 = static_cast<float>(column + 1);
  rect_.y1 = static_cast<float>(-1 - row);
  depth_ = static_cast<float>(-(layer + 1));
}

void Plane::setViewSize(float width, float height) {
  viewWidth_ = width;
  viewHeight_ = height;
}

Plane::Quad Plane::fittedRect() const {
  Quad quad{rect_.x0, rect_.y0, rect_.x1, rect_.y1, depth_};
  if (!keepAspectRatio_) return quad;
  float ratio = (static_cast<float>(videoWidth_) * viewHeight_) / (static_cast<float>(videoHeight_) * viewWidth_);
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
  positionBuffer_->bind();
  positionBuffer_->updateData(positionOffset_, positionBytes, vertices);
}

bool Plane::update(float) {
  updatePositions();
  return true;
}

void Plane::setConfiguration(const CameraConfiguration& c) {
  configuration_ = c;
  colorTransform_ = Matrix::identity();
  colorTransform_.setElement(1, 1, (c.saturation >= 0 ? 3 * c.saturation : c.saturation) + 1);
  colorTransform_.setElement(0, 3, static_cast<float>(static_cast<double>(c.hue) * std::numbers::pi));
}

void Plane::resetColorTransform() {
  colorTransform_ = Matrix::identity();
  configuration_ = CameraConfiguration{};
}

float Plane::contrastFactor(float contrast) {
  double c = contrast;
  return static_cast<float>((c >= 0 ? 3 * c : c) + 1);
}

void Plane::bindTexture(Program& program, Texture& texture, const char* uniform, GLenum unit) {
  Texture::activeTexture(unit);
  texture.bind();
  program.setUniform1i(uniform, Texture::unitIndex(unit));
}

void Plane::bindTexturesAndDraw(Program& program) {
  bindTexture(program, textureY_, "u_textureY", unitY_);
  bindTexture(program, textureU_, "u_textureU", unitU_);
  bindTexture(program, textureV_, "u_textureV", unitV_);
  glDrawArrays(GL_TRIANGLE_STRIP, static_cast<GLint>(positionOffset_ / 12), 4);
}

void Plane::render() {
  program_->setUniformMatrix4fv("u_mColorTransform", colorTransform_);
  program_->setUniform1f("u_brightness", configuration_.brightness);
  program_->setUniform1f("u_contrast", contrastFactor(configuration_.contrast));
  bindTexturesAndDraw(*program_);
}

bool Plane::hasNeutralSettings() const {
  // The same values render sends, compared as the shader compares them.
  return colorTransform_ == Matrix::identity() && configuration_.brightness == 0.0f &&
         contrastFactor(configuration_.contrast) == 1.0f;
}

void Plane::renderNeutral(Program& neutralProgram) { bindTexturesAndDraw(neutralProgram); }

}  // namespace zelvo
