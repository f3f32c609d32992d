// One plane on a real context: uploads and their crop, fills, fitting, positions and
// the colour settings it hands to the shader.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "openglkit/ArrayVertexBuffer.h"
#include "openglkit/GLTestContext.h"
#include "openglkit/Plane.h"
#include "openglkit/Program.h"
#include "openglkit/ShaderSources.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

class PlaneTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
    program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
    ASSERT_NE(program, nullptr);
    positions = std::make_unique<ArrayVertexBuffer>();
    positions->bind();
    positions->setData(2 * Plane::positionBytes, nullptr, GL_STATIC_DRAW);
    texCoords = std::make_unique<ArrayVertexBuffer>();
    texCoords->bind();
    texCoords->setData(2 * Plane::texCoordBytes, nullptr, GL_STATIC_DRAW);
    // The second slice, to show that a plane writes only its own.
    plane.init(program.get(), positions.get(), texCoords.get(), Plane::positionBytes, Plane::texCoordBytes,
               GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2);
  }

  std::vector<float> texCoordSlice() {
    std::vector<float> values(8);
    texCoords->bind();
    glGetBufferSubData(GL_ARRAY_BUFFER, Plane::texCoordBytes, Plane::texCoordBytes, values.data());
    return values;
  }
  std::vector<float> positionSlice() {
    std::vector<float> values(12);
    positions->bind();
    glGetBufferSubData(GL_ARRAY_BUFFER, Plane::positionBytes, Plane::positionBytes, values.data());
    return values;
  }
  void spoilTexCoordSlice() {
    const float junk[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    texCoords->bind();
    texCoords->updateData(Plane::texCoordBytes, sizeof junk, junk);
  }
  static std::vector<uint8_t> textureBytes(const Texture& texture) {
    std::vector<uint8_t> bytes(static_cast<size_t>(texture.width()) * texture.height());
    glBindTexture(GL_TEXTURE_2D, texture.name());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
  }
  // Uploads a solid picture of the given geometry.
  void upload(int width, int height, int lineSize, float xScale = 1, float yScale = 1) {
    std::vector<uint8_t> y(static_cast<size_t>(lineSize) * height, 100);
    std::vector<uint8_t> uv(static_cast<size_t>(lineSize / 2) * (height / 2), 128);
    plane.updateVideoTexture(width, height, lineSize, y.data(), xScale, yScale, uv.data(), uv.data());
  }

  test::GLTestContext gl;
  std::unique_ptr<Program> program;
  std::unique_ptr<ArrayVertexBuffer> positions;
  std::unique_ptr<ArrayVertexBuffer> texCoords;
  Plane plane;
};

TEST_F(PlaneTest, InitShowsATwoByTwoBlackPicture) {
  EXPECT_EQ(plane.videoWidth(), 2);
  EXPECT_EQ(plane.videoHeight(), 2);
  EXPECT_EQ(plane.textureY().width(), 2);
  EXPECT_EQ(plane.textureU().width(), 1);
  EXPECT_EQ(textureBytes(plane.textureY()), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(textureBytes(plane.textureU()), (std::vector<uint8_t>{128}));
  EXPECT_EQ(textureBytes(plane.textureV()), (std::vector<uint8_t>{128}));
  EXPECT_EQ(texCoordSlice(), (std::vector<float>{0, 0, 1, 0, 0, 1, 1, 1}));
  EXPECT_EQ(plane.colorTransform(), Matrix::identity());
  EXPECT_EQ(plane.getConfiguration(), CameraConfiguration{});
  GLint filter = 0, wrap = 0;
  glBindTexture(GL_TEXTURE_2D, plane.textureV().name());
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
  EXPECT_EQ(filter, GL_LINEAR);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
}

struct UploadCase {
  const char* name;
  int width, height, lineSize;
  float xScale, yScale;
  int textureWidth, textureHeight, chromaWidth, chromaHeight;
  int videoWidth, videoHeight;
};

class PlaneUpload : public PlaneTest, public testing::WithParamInterface<UploadCase> {};

TEST_P(PlaneUpload, TextureSpansTheLineAndCoordinatesCropIt) {
  const auto& c = GetParam();
  upload(c.width, c.height, c.lineSize, c.xScale, c.yScale);
  EXPECT_EQ(plane.textureY().width(), c.textureWidth);
  EXPECT_EQ(plane.textureY().height(), c.textureHeight);
  for (const Texture* chroma : {&plane.textureU(), &plane.textureV()}) {
    EXPECT_EQ(chroma->width(), c.chromaWidth);
    EXPECT_EQ(chroma->height(), c.chromaHeight);
  }
  GLint glWidth = 0;
  glBindTexture(GL_TEXTURE_2D, plane.textureY().name());
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &glWidth);
  EXPECT_EQ(glWidth, c.textureWidth);
  float s = static_cast<float>(c.width) / static_cast<float>(c.lineSize);
  EXPECT_EQ(texCoordSlice(), (std::vector<float>{0, 0, s, 0, 0, 1, s, 1}));
  EXPECT_EQ(plane.videoWidth(), c.videoWidth);
  EXPECT_EQ(plane.videoHeight(), c.videoHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaneUpload,
    testing::Values(UploadCase{"D1LineSize736", 704, 480, 736, 1, 1, 736, 480, 368, 240, 704, 480},
                    UploadCase{"D1LineSize768", 704, 480, 768, 1, 1, 768, 480, 384, 240, 704, 480},
                    UploadCase{"HalfHeightScaledTwice", 704, 240, 736, 1, 2, 736, 240, 368, 120, 704, 480},
                    UploadCase{"Unpadded", 1280, 720, 1280, 1, 1, 1280, 720, 640, 360, 1280, 720},
                    UploadCase{"OddHalves", 642, 362, 768, 1, 1, 768, 362, 384, 181, 642, 362}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaneTest, ScaledPictureRewritesItsCoordinatesOnEveryFrame) {
  upload(704, 240, 736, 1, 2);
  spoilTexCoordSlice();
  upload(704, 240, 736, 1, 2);
  float s = 704.0f / 736.0f;
  EXPECT_EQ(texCoordSlice(), (std::vector<float>{0, 0, s, 0, 0, 1, s, 1}));
  EXPECT_EQ(plane.videoHeight(), 480);
}

TEST_F(PlaneTest, UnscaledPictureOfTheSameGeometryLeavesTheCoordinates) {
  upload(704, 480, 736);
  spoilTexCoordSlice();
  upload(704, 480, 736);
  EXPECT_EQ(texCoordSlice(), (std::vector<float>(8, 9)));
}

TEST_F(PlaneTest, NewLineSizeAtTheSameSizeMovesTheCrop) {
  upload(704, 480, 736);
  upload(704, 480, 768);
  float s = 704.0f / 768.0f;
  EXPECT_EQ(texCoordSlice(), (std::vector<float>{0, 0, s, 0, 0, 1, s, 1}));
  EXPECT_EQ(plane.textureY().width(), 768);
}

// A picture of the same geometry is written into the storage the textures have; any
// other geometry gives them new storage. Either way the textures hold the new picture.
struct StorageCase {
  const char* name;
  int width, height, lineSize;
  bool reallocates;
  int textureWidth, textureHeight;
};

class PlaneStorage : public PlaneTest, public testing::WithParamInterface<StorageCase> {};

TEST_P(PlaneStorage, SameGeometryReusesTheStorageAndAnotherReallocates) {
  const auto& c = GetParam();
  upload(704, 480, 768);
  const int allocations[3] = {plane.textureY().allocationCount(), plane.textureU().allocationCount(),
                              plane.textureV().allocationCount()};
  // A picture whose bytes differ in every plane and along every row.
  std::vector<uint8_t> y(static_cast<size_t>(c.lineSize) * c.height);
  for (size_t i = 0; i < y.size(); ++i) y[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> u(static_cast<size_t>(c.lineSize / 2) * (c.height / 2)), v(u.size());
  for (size_t i = 0; i < u.size(); ++i) {
    u[i] = static_cast<uint8_t>(i * 3 + 1);
    v[i] = static_cast<uint8_t>(i * 5 + 2);
  }
  plane.updateVideoTexture(c.width, c.height, c.lineSize, y.data(), 1, 1, u.data(), v.data());
  const Texture* textures[3] = {&plane.textureY(), &plane.textureU(), &plane.textureV()};
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(textures[k]->allocationCount(), allocations[k] + (c.reallocates ? 1 : 0)) << "texture " << k;
  EXPECT_EQ(plane.textureY().width(), c.textureWidth);
  EXPECT_EQ(plane.textureY().height(), c.textureHeight);
  GLint glWidth = 0, glHeight = 0;
  glBindTexture(GL_TEXTURE_2D, plane.textureU().name());
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &glWidth);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &glHeight);
  EXPECT_EQ(glWidth, c.textureWidth / 2);
  EXPECT_EQ(glHeight, c.textureHeight / 2);
  EXPECT_EQ(textureBytes(plane.textureY()), y);
  EXPECT_EQ(textureBytes(plane.textureU()), u);
  EXPECT_EQ(textureBytes(plane.textureV()), v);
  float s = static_cast<float>(c.width) / static_cast<float>(c.lineSize);
  EXPECT_EQ(texCoordSlice(), (std::vector<float>{0, 0, s, 0, 0, 1, s, 1}));
  EXPECT_EQ(plane.videoWidth(), c.width);
  EXPECT_EQ(plane.videoHeight(), c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaneStorage,
    testing::Values(StorageCase{"SameGeometry", 704, 480, 768, false, 768, 480},
                    // The texture spans the line, so a narrower crop of it keeps the storage.
                    StorageCase{"NarrowerPictureInTheSameLine", 640, 480, 768, false, 768, 480},
                    StorageCase{"NewLineSize", 704, 480, 736, true, 736, 480},
                    StorageCase{"NewHeight", 704, 240, 768, true, 768, 240},
                    StorageCase{"Cif", 352, 240, 384, true, 384, 240}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaneTest, FillKeepsTheStorageAndTheNextPictureReusesIt) {
  upload(352, 240, 384);
  const int allocations = plane.textureY().allocationCount();
  plane.fill(0, 0, 0);
  upload(352, 240, 384);
  EXPECT_EQ(plane.textureY().allocationCount(), allocations);
  EXPECT_EQ(textureBytes(plane.textureY()), std::vector<uint8_t>(384 * 240, 100));
}

struct RefusedCase {
  const char* name;
  int width, height, lineSize;
};

class PlaneRefusedUpload : public PlaneTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(PlaneRefusedUpload, IsLoggedAndKeepsThePicture) {
  const auto& c = GetParam();
  upload(704, 480, 768);
  test::LogCapture log;
  std::vector<uint8_t> bytes(1 << 20, 7);
  ASSERT_LE(static_cast<size_t>(std::max(c.lineSize, 0)) * std::max(c.height, 0), bytes.size());
  plane.updateVideoTexture(c.width, c.height, c.lineSize, bytes.data(), 1, 1, bytes.data(), bytes.data());
  EXPECT_TRUE(log.contains("line size")) << "a log line names the refusal";
  EXPECT_EQ(plane.textureY().width(), 768);
  EXPECT_EQ(plane.videoWidth(), 704);
  float s = 704.0f / 768.0f;
  EXPECT_EQ(texCoordSlice(), (std::vector<float>{0, 0, s, 0, 0, 1, s, 1}));
}

INSTANTIATE_TEST_SUITE_P(Cases, PlaneRefusedUpload,
                         testing::Values(RefusedCase{"LineSizeZero", 704, 480, 0},
                                         RefusedCase{"LineSizeBelowWidth", 704, 480, 703},
                                         RefusedCase{"NegativeLineSize", 704, 480, -768},
                                         RefusedCase{"ZeroWidth", 0, 480, 768},
                                         RefusedCase{"ZeroHeight", 704, 0, 768},
                                         // Wider than the textures of any GL here (llvmpipe: 16384).
                                         RefusedCase{"BeyondTheLargestTexture", 65536, 2, 65536}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FillCase {
  const char* name;
  int r, g, b;
  uint8_t y, u, v;
};

class PlaneFill : public PlaneTest, public testing::WithParamInterface<FillCase> {};

TEST_P(PlaneFill, WritesTheWholeTexturesAndKeepsTheCrop) {
  const auto& c = GetParam();
  upload(704, 480, 736);
  plane.fill(c.r, c.g, c.b);
  EXPECT_EQ(textureBytes(plane.textureY()), std::vector<uint8_t>(736 * 480, c.y));
  EXPECT_EQ(textureBytes(plane.textureU()), std::vector<uint8_t>(368 * 240, c.u));
  EXPECT_EQ(textureBytes(plane.textureV()), std::vector<uint8_t>(368 * 240, c.v));
  EXPECT_EQ(plane.videoWidth(), 704);
  float s = 704.0f / 736.0f;
  EXPECT_EQ(texCoordSlice(), (std::vector<float>{0, 0, s, 0, 0, 1, s, 1}));
  Plane::Yuv yuv = Plane::rgbToYuv(c.r, c.g, c.b);
  EXPECT_EQ(yuv.y, c.y);
  EXPECT_EQ(yuv.u, c.u);
  EXPECT_EQ(yuv.v, c.v);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlaneFill,
                         testing::Values(FillCase{"Black", 0, 0, 0, 0, 128, 128},
                                         FillCase{"Red", 255, 0, 0, 76, 89, 217},
                                         FillCase{"Blue", 0, 0, 255, 28, 241, 113},
                                         FillCase{"White", 255, 255, 255, 255, 128, 128}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaneTest, SetPositionPlacesTheTileRightAndDown) {
  plane.setPosition(2, 1, 0);
  Plane::Quad q = plane.rect();
  EXPECT_EQ(q.x0, 2);
  EXPECT_EQ(q.y0, -1);
  EXPECT_EQ(q.x1, 3);
  EXPECT_EQ(q.y1, -2);
  EXPECT_EQ(q.depth, -1);
  EXPECT_EQ(plane.position(), (PlanePosition{2, 1, 0}));
  plane.setPosition(2, 1, 3);
  EXPECT_EQ(plane.depth(), -4);
  EXPECT_TRUE(plane.update(0));
  EXPECT_EQ(positionSlice(), (std::vector<float>{2, -1, -4, 3, -1, -4, 2, -2, -4, 3, -2, -4}));
}

struct FitCase {
  const char* name;
  bool keep;
  int width, height;  // picture
  float viewWidth, viewHeight;
  Plane::Quad expected;  // for the tile at column 1, row 0
};

class PlaneFit : public PlaneTest, public testing::WithParamInterface<FitCase> {};

TEST_P(PlaneFit, FittedRect) {
  const auto& c = GetParam();
  upload(c.width, c.height, c.width);
  plane.setPosition(1, 0, 0);
  plane.setViewSize(c.viewWidth, c.viewHeight);
  plane.setKeepAspectRatio(c.keep);
  Plane::Quad q = plane.fittedRect();
  EXPECT_FLOAT_EQ(q.x0, c.expected.x0);
  EXPECT_FLOAT_EQ(q.y0, c.expected.y0);
  EXPECT_FLOAT_EQ(q.x1, c.expected.x1);
  EXPECT_FLOAT_EQ(q.y1, c.expected.y1);
  EXPECT_EQ(q.depth, -1);
  plane.update(0);
  std::vector<float> p = positionSlice();
  EXPECT_EQ(p[0], q.x0);
  EXPECT_EQ(p[1], q.y0);
  EXPECT_EQ(p[9], q.x1);
  EXPECT_EQ(p[10], q.y1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaneFit,
    testing::Values(
        // ratio 0.825: narrower, centred, full height
        FitCase{"NarrowPictureInWideView", true, 704, 480, 1280, 720, {1.0875f, 0, 1.9125f, -1, -1}},
        // ratio 704 x 1280 / (480 x 720): lower, centred, full width
        FitCase{"WidePictureInTallView", true, 704, 480, 720, 1280,
                {1, -0.5f * (1 - 480.0f * 720 / (704.0f * 1280)), 2,
                 -0.5f * (1 - 480.0f * 720 / (704.0f * 1280)) - 480.0f * 720 / (704.0f * 1280), -1}},
        FitCase{"SameRatioIsUnchanged", true, 640, 360, 1280, 720, {1, 0, 2, -1, -1}},
        FitCase{"FlagClearKeepsTheWholeTile", false, 704, 480, 1280, 720, {1, 0, 2, -1, -1}},
        // No view extent yet: nothing to fit to.
        FitCase{"ZeroViewKeepsTheWholeTile", true, 704, 480, 0, 0, {1, 0, 2, -1, -1}},
        FitCase{"ZeroViewHeightKeepsTheWholeTile", true, 704, 480, 1280, 0, {1, 0, 2, -1, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaneTest, ConfigurationBuildsTheTransformAndTheContrastFactor) {
  plane.setConfiguration({0.5f, -0.5f, 0.25f, 0.5f});
  EXPECT_FLOAT_EQ(plane.colorTransform().element(0, 3), std::numbers::pi_v<float> / 2);
  EXPECT_EQ(plane.colorTransform().element(1, 1), 0.5f);
  EXPECT_EQ(plane.getConfiguration(), (CameraConfiguration{0.5f, -0.5f, 0.25f, 0.5f}));

  struct {
    float setting, factor;
  } contrasts[] = {{0.5f, 2.5f}, {-1, 0}, {0, 1}, {1, 4}, {-0.5f, 0.5f}};
  for (auto c : contrasts) EXPECT_EQ(Plane::contrastFactor(c.setting), c.factor) << c.setting;

  plane.setConfiguration({0, 1, 0, 0});
  EXPECT_EQ(plane.colorTransform().element(1, 1), 4);
  plane.setConfiguration({0, 0, 0, 0});
  EXPECT_EQ(plane.colorTransform(), Matrix::identity()) << "neutral settings give the exact identity";
  plane.setConfiguration({1, 1, 1, 1});
  plane.resetColorTransform();
  EXPECT_EQ(plane.colorTransform(), Matrix::identity());
  EXPECT_EQ(plane.getConfiguration(), CameraConfiguration{});
}

TEST_F(PlaneTest, RenderSendsTheSettingsAndTheUnitIndices) {
  plane.setConfiguration({0.5f, 0, 0.25f, -1});
  program->use();
  plane.render();
  auto uniform = [&](const char* name) {
    GLfloat value = -99;
    glGetUniformfv(program->name(), glGetUniformLocation(program->name(), name), &value);
    return value;
  };
  auto sampler = [&](const char* name) {
    GLint value = -99;
    glGetUniformiv(program->name(), glGetUniformLocation(program->name(), name), &value);
    return value;
  };
  EXPECT_EQ(uniform("u_contrast"), 0);
  EXPECT_EQ(uniform("u_brightness"), 0.25f);
  EXPECT_EQ(sampler("u_textureY"), 0);
  EXPECT_EQ(sampler("u_textureU"), 1);
  EXPECT_EQ(sampler("u_textureV"), 2);
  GLfloat transform[16];
  glGetUniformfv(program->name(), glGetUniformLocation(program->name(), "u_mColorTransform"), transform);
  EXPECT_FLOAT_EQ(transform[12], std::numbers::pi_v<float> / 2) << "element (0, 3)";
}

TEST_F(PlaneTest, UpdateAlwaysAsksForARedraw) {
  EXPECT_TRUE(plane.update(0));
  EXPECT_TRUE(plane.update(1));
}

}  // namespace
}  // namespace zelvo
