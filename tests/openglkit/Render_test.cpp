// Real rendering on Mesa (EGL surfaceless, no X server) read back pixel by pixel:
// colours against a CPU model of the shader, colour settings, every layout with its
// pages, aspect fitting, fills and snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "openglkit/ArrayVertexBuffer.h"
#include "openglkit/Camera.h"
#include "openglkit/Plane.h"
#include "openglkit/Program.h"
#include "openglkit/ShaderModel.h"
#include "openglkit/ShaderSources.h"
#include "openglkit/WallScene.h"

namespace zelvo {
namespace {

using test::expectedPixel;
using test::Rgb8;
using test::Pixels;
using test::uploadSolid;
using test::WallScene;
using test::Yuv8;

// --- The colour conversion: one plane filling the view, neutral settings ---

struct YuvCase {
  const char* name;
  Yuv8 input;
};

class YuvColour : public testing::TestWithParam<YuvCase> {};

TEST_P(YuvColour, ReadsBackTheFormula) {
  WallScene scene(1, 8, 8);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  const auto& c = GetParam();
  uploadSolid(*scene.wall, 0, c.input);
  Pixels pixels = scene.draw();
  auto expected = expectedPixel(c.input.y, c.input.u, c.input.v);
  for (int y : {0, 4, 7})
    for (int x : {0, 3, 7}) EXPECT_TRUE(test::near(pixels.at(x, y), expected)) << pixels.at(x, y) << " vs " << expected;
}

INSTANTIATE_TEST_SUITE_P(Cases, YuvColour,
                         testing::Values(YuvCase{"Black", {16, 128, 128}}, YuvCase{"White", {235, 128, 128}},
                                         YuvCase{"Grey", {126, 128, 128}}, YuvCase{"Red", {81, 90, 240}},
                                         YuvCase{"Green", {145, 54, 34}}, YuvCase{"Blue", {41, 240, 110}},
                                         // Outside the RGB gamut: red and blue clamp, nothing whitens.
                                         YuvCase{"OutOfGamut", {235, 90, 240}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(YuvColourModel, OutOfGamutNeutralKeepsItsHue) {
  // The formula's own value for the notes' example, as a check on the model itself.
  EXPECT_EQ(expectedPixel(235, 90, 240), (Rgb8{255, 178, 179}));
}

// --- The colour settings on exact RGB inputs: the conversion is made the identity so
// that Y, U, V carry R, G, B straight into the adjustment ---

struct SettingCase {
  const char* name;
  Yuv8 rgb;
  CameraConfiguration settings;
  Rgb8 literal;  // the value worked out by hand; {-1} when only the model applies
};

class ColourSetting : public testing::TestWithParam<SettingCase> {};

TEST_P(ColourSetting, MatchesTheShaderModel) {
  test::GLTestContext gl(4, 4);
  if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  const auto& c = GetParam();
  auto program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  ASSERT_NE(program, nullptr);
  ArrayVertexBuffer positions, texCoords;
  positions.bind();
  positions.setData(Plane::positionBytes, nullptr, GL_STATIC_DRAW);
  texCoords.bind();
  texCoords.setData(Plane::texCoordBytes, nullptr, GL_STATIC_DRAW);
  Plane plane;
  plane.init(program.get(), &positions, &texCoords, 0, 0, GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2);
  plane.setPosition(0, 0, 0);
  uint8_t y[4] = {c.rgb.y, c.rgb.y, c.rgb.y, c.rgb.y};
  plane.updateVideoTexture(2, 2, 2, y, 1, 1, &c.rgb.u, &c.rgb.v);
  plane.setConfiguration(c.settings);
  plane.update(0);

  Camera camera;
  camera.lookAt(Vector(0.5f, -0.5f, 1, 0), Vector(0.5f, -0.5f, 0, 0));
  camera.frustum(-0.5f, 0.5f, -0.5f, 0.5f, 2, 2.5f);
  program->use();
  program->setUniformMatrix4fv("u_MVP", camera.projection() * camera.view());
  program->setUniformMatrix4fv("u_mYUVToRGB", Matrix::identity());
  positions.bind();
  program->enableVertexAttribArray("a_position", true);
  program->vertexAttribPointer("a_position", 3, GL_FLOAT, false, 0, 0);
  texCoords.bind();
  program->enableVertexAttribArray("a_texCoord", true);
  program->vertexAttribPointer("a_texCoord", 2, GL_FLOAT, false, 0, 0);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  plane.render();
  Pixels pixels = Pixels::read(4, 4);

  auto model = test::toBytes(test::shade({c.rgb.y / 255.0f, c.rgb.u / 255.0f, c.rgb.v / 255.0f}, c.settings));
  EXPECT_TRUE(test::near(pixels.at(1, 1), model)) << pixels.at(1, 1) << " vs model " << model;
  if (c.literal.r >= 0) {
    EXPECT_TRUE(test::near(model, c.literal)) << "model " << model << " vs " << c.literal;
  }
  program->enableVertexAttribArray("a_position", false);
  program->enableVertexAttribArray("a_texCoord", false);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColourSetting,
    testing::Values(
        // Pure red: hue 0, saturation 1, lightness 0.5.
        SettingCase{"RedNeutral", {255, 0, 0}, {}, {255, 0, 0}},
        // Through the HSL round trip (a brightness too small to show): red comes back red.
        SettingCase{"RedThroughTheRoundTrip", {255, 0, 0}, {0, 0, 0.0001f, 0}, {255, 0, 0}},
        SettingCase{"RedHueHalf", {255, 0, 0}, {0.5f, 0, 0, 0}, {128, 255, 0}},
        SettingCase{"RedHueMinusHalf", {255, 0, 0}, {-0.5f, 0, 0, 0}, {128, 0, 255}},
        SettingCase{"RedSaturationMinusOne", {255, 0, 0}, {0, -1, 0, 0}, {128, 128, 128}},
        SettingCase{"RedSaturationUp", {204, 51, 51}, {0, 1, 0, 0}, {255, 0, 0}},
        SettingCase{"GreyContrastPlusOne", {102, 102, 102}, {0, 0, 0, 1}, {26, 26, 26}},
        SettingCase{"GreyBrightness", {102, 102, 102}, {0, 0, 0.25f, 0}, {166, 166, 166}},
        // r = g = b: undefined hue, back as grey at its lightness whatever the hue shift.
        SettingCase{"GreyIgnoresHue", {77, 77, 77}, {0.7f, 1, 0, 0}, {77, 77, 77}},
        SettingCase{"GreyHueThenContrast", {77, 77, 77}, {0.3f, 0, 0.1f, 0.5f}, {-1, 0, 0}},
        // The lowest contrast flattens everything to grey 0.5.
        SettingCase{"LowestContrastIsFlatGrey", {255, 0, 0}, {0, 0, 0, -1}, {128, 128, 128}},
        SettingCase{"LowestContrastOnBlue", {0, 0, 255}, {0, 0, 0, -1}, {128, 128, 128}},
        SettingCase{"MixedSettings", {40, 160, 220}, {0.25f, -0.3f, -0.1f, 0.2f}, {-1, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The conversion-only program against the full shader at neutral settings ---

// Draws plane (a 24 x 16 picture of varied bytes, in a 24 x 16 view) with program,
// through render (the full shader) or renderNeutral, and reads the view back.
Pixels drawPicture(Program& program, bool neutralPath) {
  ArrayVertexBuffer positions, texCoords;
  positions.bind();
  positions.setData(Plane::positionBytes, nullptr, GL_STATIC_DRAW);
  texCoords.bind();
  texCoords.setData(Plane::texCoordBytes, nullptr, GL_STATIC_DRAW);
  Plane plane;
  plane.init(&program, &positions, &texCoords, 0, 0, GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2);
  plane.setPosition(0, 0, 0);
  // Line 32 for a picture 24 wide: the crop is part of what is compared.
  std::vector<uint8_t> y(32 * 16), u(16 * 8), v(16 * 8);
  for (size_t i = 0; i < y.size(); ++i) y[i] = static_cast<uint8_t>(16 + (i * 37) % 220);
  for (size_t i = 0; i < u.size(); ++i) {
    u[i] = static_cast<uint8_t>(40 + (i * 53) % 180);
    v[i] = static_cast<uint8_t>(30 + (i * 29) % 200);
  }
  plane.updateVideoTexture(24, 16, 32, y.data(), 1, 1, u.data(), v.data());
  plane.update(0);
  Camera camera;
  camera.lookAt(Vector(0.5f, -0.5f, 1, 0), Vector(0.5f, -0.5f, 0, 0));
  camera.frustum(-0.5f, 0.5f, -0.5f, 0.5f, 2, 2.5f);
  program.use();
  program.setUniformMatrix4fv("u_MVP", camera.projection() * camera.view());
  MultiDivisionPlane conversion(0);
  conversion.setYuvToRgb();
  program.setUniformMatrix4fv("u_mYUVToRGB", conversion.yuvToRgb());
  positions.bind();
  program.enableVertexAttribArray("a_position", true);
  program.vertexAttribPointer("a_position", 3, GL_FLOAT, false, 0, 0);
  texCoords.bind();
  program.enableVertexAttribArray("a_texCoord", true);
  program.vertexAttribPointer("a_texCoord", 2, GL_FLOAT, false, 0, 0);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_TRUE(plane.hasNeutralSettings());
  if (neutralPath)
    plane.renderNeutral(program);
  else
    plane.render();
  Pixels pixels = Pixels::read(24, 16);
  program.enableVertexAttribArray("a_position", false);
  program.enableVertexAttribArray("a_texCoord", false);
  return pixels;
}

TEST(NeutralProgram, DrawsExactlyWhatTheFullShaderDrawsAtNeutralSettings) {
  test::GLTestContext gl(24, 16);
  if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();
  auto full = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  auto neutral = Program::create(videoVertexShaderSource, videoNeutralFragmentShaderSource);
  ASSERT_NE(full, nullptr);
  ASSERT_NE(neutral, nullptr);
  const Pixels byFull = drawPicture(*full, false);
  const Pixels byNeutral = drawPicture(*neutral, true);
  int differing = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x)
      if (!(byFull.at(x, y) == byNeutral.at(x, y))) ++differing;
  EXPECT_EQ(differing, 0);
  EXPECT_FALSE(byFull.at(3, 3) == (Rgb8{0, 0, 255})) << "the picture was drawn";
}

struct NeutralityCase {
  const char* name;
  CameraConfiguration settings;
  bool neutral;
};

class PlaneNeutrality : public testing::TestWithParam<NeutralityCase> {};

// The plane's own test must agree with the shader's: a plane it calls neutral is drawn
// without the adjustment.
TEST_P(PlaneNeutrality, FollowsTheValuesTheShaderIsSent) {
  const auto& c = GetParam();
  Plane plane;
  plane.setConfiguration(c.settings);
  EXPECT_EQ(plane.hasNeutralSettings(), c.neutral);
  plane.resetColorTransform();
  EXPECT_TRUE(plane.hasNeutralSettings());
}

INSTANTIATE_TEST_SUITE_P(Cases, PlaneNeutrality,
                         testing::Values(NeutralityCase{"AllZero", {}, true},
                                         NeutralityCase{"Hue", {0.1f, 0, 0, 0}, false},
                                         NeutralityCase{"Saturation", {0, -0.2f, 0, 0}, false},
                                         NeutralityCase{"Brightness", {0, 0, 0.001f, 0}, false},
                                         NeutralityCase{"Contrast", {0, 0, 0, 0.5f}, false},
                                         NeutralityCase{"LowestContrast", {0, 0, 0, -1}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A page mixing neutral and adjusted planes: each cell as its own settings give it.
TEST(WallMixedSettings, EveryCellFollowsItsOwnSettings) {
  WallScene scene(64, 32, 32);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  scene.wall->setLayout(0, 2);
  const Yuv8 colour{126, 100, 150};
  const CameraConfiguration adjusted{0.3f, -0.4f, 0.1f, 0.2f};
  for (int i = 0; i < 4; ++i) uploadSolid(*scene.wall, i, colour);
  scene.wall->setConfiguration(1, adjusted);
  scene.wall->setConfiguration(2, adjusted);
  scene.wall->setConfiguration(2, {});
  Pixels pixels = scene.draw();
  const Rgb8 neutralPixel = expectedPixel(colour.y, colour.u, colour.v);
  const Rgb8 adjustedPixel = expectedPixel(colour.y, colour.u, colour.v, adjusted);
  ASSERT_FALSE(test::near(neutralPixel, adjustedPixel));
  EXPECT_TRUE(test::near(pixels.at(8, 8), neutralPixel)) << pixels.at(8, 8);
  EXPECT_TRUE(test::near(pixels.at(24, 8), adjustedPixel)) << pixels.at(24, 8);
  EXPECT_TRUE(test::near(pixels.at(8, 24), neutralPixel)) << pixels.at(8, 24);
  EXPECT_TRUE(test::near(pixels.at(24, 24), neutralPixel)) << pixels.at(24, 24);
}

// --- Settings through the wall, with the real conversion ---

struct WallSettingCase {
  const char* name;
  Yuv8 input;
  CameraConfiguration settings;
};

class WallColourSetting : public testing::TestWithParam<WallSettingCase> {};

TEST_P(WallColourSetting, MatchesTheShaderModel) {
  WallScene scene(1, 4, 4);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  const auto& c = GetParam();
  uploadSolid(*scene.wall, 0, c.input);
  scene.wall->setConfiguration(0, c.settings);
  auto expected = expectedPixel(c.input.y, c.input.u, c.input.v, c.settings);
  Pixels pixels = scene.draw();
  EXPECT_TRUE(test::near(pixels.at(2, 2), expected)) << pixels.at(2, 2) << " vs " << expected;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WallColourSetting,
    testing::Values(
        // Neutral leaves an out-of-gamut colour as the conversion gives it (255, 178, 179);
        // the HSL round trip would have whitened it.
        WallSettingCase{"NeutralOutOfGamut", {235, 90, 240}, {}},
        WallSettingCase{"AnyAdjustmentOutOfGamut", {235, 90, 240}, {0, 0, 0.001f, 0}},
        WallSettingCase{"LowestContrast", {81, 90, 240}, {0, 0, 0, -1}},
        WallSettingCase{"HueOnRed", {81, 90, 240}, {0.5f, 0, 0, 0}},
        WallSettingCase{"SaturationDown", {145, 54, 34}, {0, -0.5f, 0, 0}},
        WallSettingCase{"ContrastAndBrightness", {126, 100, 150}, {0, 0, -0.2f, 0.3f}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WallColourSettingModel, NeutralAndAdjustedDifferOutOfGamut) {
  // The mended bypass is what keeps the neutral picture from whitening.
  EXPECT_EQ(expectedPixel(235, 90, 240), (Rgb8{255, 178, 179}));
  EXPECT_EQ(expectedPixel(235, 90, 240, {0, 0, 0.001f, 0}), (Rgb8{255, 255, 255}));
  EXPECT_EQ(expectedPixel(81, 90, 240, {0, 0, 0, -1}), (Rgb8{128, 128, 128}));
}

// --- Layouts: 64 planes, each a colour of its own ---

Yuv8 planeColour(int i) {
  return {static_cast<uint8_t>(30 + 3 * i), static_cast<uint8_t>(68 + 40 * (i % 4)),
          static_cast<uint8_t>(68 + 40 * ((i / 4) % 4))};
}

class WallLayoutPixels : public testing::TestWithParam<int> {};

TEST_P(WallLayoutPixels, EveryPageShowsItsPlanesAndNoOthers) {
  const int d = GetParam();
  const int size = 240;
  WallScene scene(64, size, size);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  const int perPage = d * d;
  const int pages = (64 + perPage - 1) / perPage;
  for (int page = 0; page < pages; ++page) {
    // Select the last plane of the page (or the wall's last plane).
    int selected = std::min(63, page * perPage + perPage - 1);
    scene.wall->setLayout(selected, d);
    for (int i = 0; i < 64; ++i) uploadSolid(*scene.wall, i, planeColour(i), 8, 8);
    Pixels pixels = scene.draw();
    for (int row = 0; row < d; ++row) {
      for (int column = 0; column < d; ++column) {
        int x = (2 * column + 1) * size / (2 * d), y = (2 * row + 1) * size / (2 * d);
        int plane = page * perPage + row * d + column;
        Rgb8 expected{0, 0, 0};  // an empty cell shows the clear colour
        if (plane < 64) {
          Yuv8 c = planeColour(plane);
          expected = expectedPixel(c.y, c.u, c.v);
          EXPECT_TRUE(scene.wall->isFront(plane));
        }
        EXPECT_TRUE(test::near(pixels.at(x, y), expected))
            << "d " << d << " page " << page << " cell (" << column << ", " << row << "): " << pixels.at(x, y)
            << " vs " << expected;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Divisions, WallLayoutPixels, testing::Range(1, 9),
                         [](const auto& info) { return std::to_string(info.param) + "x" + std::to_string(info.param); });

// Pages behind the shown one lie beyond the far plane: they are not drawn at all, which
// the primitives GL assembles tell (two triangles a plane).
class WallShownPageDraws : public testing::TestWithParam<int> {};

TEST_P(WallShownPageDraws, OnlyThePlanesOfTheShownPageAreDrawn) {
  const int d = GetParam();
  WallScene scene(64, 64, 64);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  const int perPage = d * d;
  const int pages = (64 + perPage - 1) / perPage;
  GLuint query = 0;
  glGenQueries(1, &query);
  for (int page = 0; page < pages; ++page) {
    scene.wall->setLayout(page * perPage, d);
    // Pictures everywhere: a plane showing only black is not drawn either.
    for (int i = 0; i < 64; ++i) uploadSolid(*scene.wall, i, planeColour(i), 4, 4);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    scene.draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    const int shown = std::min(perPage, 64 - page * perPage);
    EXPECT_EQ(primitives, static_cast<GLuint>(2 * shown)) << "d " << d << " page " << page;
  }
  glDeleteQueries(1, &query);
}

INSTANTIATE_TEST_SUITE_P(Divisions, WallShownPageDraws, testing::Range(1, 9),
                         [](const auto& info) { return std::to_string(info.param) + "x" + std::to_string(info.param); });

// A shown plane that would draw only black on the black target is skipped: one never
// fed, or filled black since its last picture, at neutral settings. Adjusted settings
// can lift black, so such a plane is drawn.
TEST(WallBlackPlanes, AreNotDrawnAndStillShowBlack) {
  WallScene scene(64, 32, 32);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  scene.wall->setLayout(0, 2);
  const Yuv8 grey{126, 128, 128};
  uploadSolid(*scene.wall, 1, grey);
  uploadSolid(*scene.wall, 2, grey);
  scene.wall->clearPlane(2, 0, 0, 0);
  uploadSolid(*scene.wall, 3, grey);
  scene.wall->clearPlane(3, 0, 0, 0);
  const CameraConfiguration brighter{0, 0, 0.25f, 0};
  scene.wall->setConfiguration(3, brighter);
  GLuint query = 0;
  glGenQueries(1, &query);
  glBeginQuery(GL_PRIMITIVES_GENERATED, query);
  Pixels pixels = scene.draw();
  glEndQuery(GL_PRIMITIVES_GENERATED);
  GLuint primitives = 0;
  glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
  glDeleteQueries(1, &query);
  EXPECT_EQ(primitives, 4u) << "planes 1 and 3 only";
  EXPECT_EQ(pixels.at(8, 8), (Rgb8{0, 0, 0}));
  EXPECT_TRUE(test::near(pixels.at(24, 8), expectedPixel(grey.y, grey.u, grey.v))) << pixels.at(24, 8);
  EXPECT_EQ(pixels.at(8, 24), (Rgb8{0, 0, 0}));
  const Rgb8 lifted = expectedPixel(0, 128, 128, brighter);
  ASSERT_FALSE(test::near(lifted, {0, 0, 0}));
  EXPECT_TRUE(test::near(pixels.at(24, 24), lifted)) << pixels.at(24, 24) << " vs " << lifted;
  // A plane filled in another colour is drawn.
  scene.wall->clearPlane(0, 255, 255, 255);
  EXPECT_TRUE(test::near(scene.draw().at(8, 8), {255, 255, 255}));
}

TEST(WallPaging, PlaneComingIntoViewIsBlackUntilItsNextFrame) {
  WallScene scene(64, 16, 16);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  scene.wall->setLayout(0, 2);
  const Yuv8 white{235, 128, 128};
  uploadSolid(*scene.wall, 0, white);  // shown
  uploadSolid(*scene.wall, 4, white);  // behind
  scene.wall->setLayout(1, 2);         // same page again: nothing comes into view
  Pixels samePage = scene.draw();
  EXPECT_TRUE(test::near(samePage.at(4, 4), {255, 255, 255})) << samePage.at(4, 4);
  scene.wall->setLayout(5, 2);
  Pixels nextPage = scene.draw();
  EXPECT_TRUE(test::near(nextPage.at(4, 4), {0, 0, 0})) << "stale picture shown: " << nextPage.at(4, 4);
  uploadSolid(*scene.wall, 4, white);
  EXPECT_TRUE(test::near(scene.draw().at(4, 4), {255, 255, 255}));
}

// --- Aspect fitting at the edges ---

TEST(WallAspect, NarrowPictureIsCentredBetweenBlackBars) {
  WallScene scene(1, 1280, 720);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  scene.wall->setKeepAspectRatio(true);
  uploadSolid(*scene.wall, 0, {235, 128, 128}, 704, 480, 32);
  Pixels pixels = scene.draw();
  const Rgb8 black{0, 0, 0}, white{255, 255, 255};
  for (int y : {0, 360, 719}) {
    EXPECT_EQ(pixels.at(0, y), black);
    EXPECT_EQ(pixels.at(111, y), black) << "ratio 0.825 leaves 112 columns on the left";
    EXPECT_TRUE(test::near(pixels.at(112, y), white)) << pixels.at(112, y);
    EXPECT_TRUE(test::near(pixels.at(1167, y), white)) << pixels.at(1167, y);
    EXPECT_EQ(pixels.at(1168, y), black) << "and 112 on the right";
    EXPECT_EQ(pixels.at(1279, y), black);
  }
}

TEST(WallAspect, WidePictureIsCentredBetweenBlackBands) {
  WallScene scene(4, 400, 400);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  scene.wall->setLayout(0, 2);
  scene.wall->setKeepAspectRatio(true);
  // 2:1 in a square tile: half the tile's height, from a quarter down.
  uploadSolid(*scene.wall, 3, {235, 128, 128}, 64, 32);
  Pixels pixels = scene.draw();
  const Rgb8 black{0, 0, 0};
  for (int x : {200, 300, 399}) {
    EXPECT_EQ(pixels.at(x, 249), black);
    EXPECT_TRUE(test::near(pixels.at(x, 250), {255, 255, 255})) << pixels.at(x, 250);
    EXPECT_TRUE(test::near(pixels.at(x, 349), {255, 255, 255})) << pixels.at(x, 349);
    EXPECT_EQ(pixels.at(x, 350), black);
  }
  scene.wall->setKeepAspectRatio(false);
  EXPECT_TRUE(test::near(scene.draw().at(300, 201), {255, 255, 255})) << "the whole tile without the flag";
}

TEST(WallCrop, PaddingColumnsNeverShow) {
  WallScene scene(1, 64, 32);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  // 704 of 768 bytes per line are picture; the padding is white.
  uploadSolid(*scene.wall, 0, {16, 128, 128}, 704, 64, 64, 235);
  Pixels pixels = scene.draw();
  const Rgb8 black = expectedPixel(16, 128, 128);
  for (int x = 0; x < 64; ++x) EXPECT_TRUE(test::near(pixels.at(x, 16), black)) << "column " << x << " " << pixels.at(x, 16);
}

// --- Fills ---

struct FillCase {
  const char* name;
  int r, g, b;
  Yuv8 yuv;  // what the fill writes
};

class WallFill : public testing::TestWithParam<FillCase> {};

TEST_P(WallFill, ShowsTheFilledValues) {
  WallScene scene(1, 8, 8);
  if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
  ASSERT_TRUE(scene.init());
  const auto& c = GetParam();
  uploadSolid(*scene.wall, 0, {235, 128, 128}, 704, 480, 64);
  scene.wall->setConfiguration(0, {0.5f, 0, 0, 0});
  scene.wall->clearPlane(0, c.r, c.g, c.b);
  Pixels pixels = scene.draw();
  auto expected = expectedPixel(c.yuv.y, c.yuv.u, c.yuv.v);  // settings are reset too
  EXPECT_TRUE(test::near(pixels.at(0, 0), expected)) << pixels.at(0, 0) << " vs " << expected;
  EXPECT_TRUE(test::near(pixels.at(7, 7), expected)) << pixels.at(7, 7) << " vs " << expected;
}

INSTANTIATE_TEST_SUITE_P(Cases, WallFill,
                         testing::Values(FillCase{"Black", 0, 0, 0, {0, 128, 128}},
                                         FillCase{"Red", 255, 0, 0, {76, 89, 217}},
                                         FillCase{"Blue", 0, 0, 255, {28, 241, 113}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WallFillModel, BlackFillIsBlack) { EXPECT_EQ(expectedPixel(0, 128, 128), (Rgb8{0, 0, 0})); }

// --- Snapshots ---

class Snapshot : public testing::Test {
 protected:
  void SetUp() override {
    if (!scene.gl.isValid()) FAIL() << "no GL context: " << scene.gl.error();
    ASSERT_TRUE(scene.init());
  }
  // A picture whose first line is white and the rest black.
  void uploadTopLine(int plane, int width, int height, int lineSize, float yScale) {
    std::vector<uint8_t> y(static_cast<size_t>(lineSize) * height, 16);
    std::fill_n(y.begin(), lineSize, 235);
    std::vector<uint8_t> uv(static_cast<size_t>(lineSize / 2) * (height / 2), 128);
    scene.wall->updateVideoTexture(plane, width, height, lineSize, y.data(), 1, yScale, uv.data(), uv.data());
  }
  static Rgb8 rgb(const RgbaImage& image, int x, int y) {
    const uint8_t* p = image.pixel(x, y);
    return {p[0], p[1], p[2]};
  }
  WallScene scene{16, 64, 64};
  const Rgb8 videoBlack = expectedPixel(16, 128, 128);
};

TEST_F(Snapshot, NeverFedPlaneIsTwoByTwo) {
  RgbaImage image = scene.wall->snapshot(5);
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  ASSERT_EQ(image.pixels.size(), 16u);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(rgb(image, x, y), (Rgb8{0, 0, 0}));
  EXPECT_EQ(image.pixel(1, 1)[3], 255);
}

TEST_F(Snapshot, IsUprightAtThePicturesSize) {
  uploadTopLine(0, 704, 480, 768, 1);
  RgbaImage image = scene.wall->snapshot(0);
  ASSERT_EQ(image.width, 704);
  ASSERT_EQ(image.height, 480);
  for (int x : {0, 351, 703}) {
    EXPECT_TRUE(test::near(rgb(image, x, 0), {255, 255, 255})) << "top row " << rgb(image, x, 0);
    EXPECT_TRUE(test::near(rgb(image, x, 1), videoBlack)) << rgb(image, x, 1);
    EXPECT_TRUE(test::near(rgb(image, x, 479), videoBlack)) << rgb(image, x, 479);
  }
}

TEST_F(Snapshot, ScaledPictureComesOutAtItsDisplaySize) {
  uploadTopLine(2, 704, 240, 736, 2);
  RgbaImage image = scene.wall->snapshot(2);
  ASSERT_EQ(image.width, 704);
  ASSERT_EQ(image.height, 480);
  EXPECT_TRUE(test::near(rgb(image, 100, 0), {255, 255, 255})) << rgb(image, 100, 0);
  EXPECT_TRUE(test::near(rgb(image, 100, 479), videoBlack)) << rgb(image, 100, 479);
}

TEST_F(Snapshot, CoversThePictureWhereverThePlaneLies) {
  // The snapshot frustum puts the picture exactly on the near plane; nothing may be cut,
  // whether the plane is shown, behind the page or fitted to the view.
  scene.wall->setLayout(9, 2);  // plane 9 shown at (1, 0); plane 3 behind
  for (int plane : {9, 3}) {
    for (bool keep : {false, true}) {
      scene.wall->setKeepAspectRatio(keep);
      uploadSolid(*scene.wall, plane, {235, 128, 128}, 96, 40, 32, 16);
      RgbaImage image = scene.wall->snapshot(plane);
      ASSERT_EQ(image.width, 96);
      ASSERT_EQ(image.height, 40);
      int notWhite = 0;
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 96; ++x) notWhite += !test::near(rgb(image, x, y), {255, 255, 255});
      EXPECT_EQ(notWhite, 0) << "plane " << plane << " keepAspectRatio " << keep;
    }
  }
}

TEST_F(Snapshot, LeavesOtherUnitsBindingsAlone) {
  // The overlay keeps its textures bound on units 4 and 5 for the life of the screen.
  Texture overlay;
  Texture::activeTexture(GL_TEXTURE4);
  overlay.bind();
  uploadTopLine(0, 32, 32, 32, 1);
  Texture::activeTexture(GL_TEXTURE4);
  RgbaImage image = scene.wall->snapshot(0);
  EXPECT_EQ(image.width, 32);
  GLint bound = 0;
  Texture::activeTexture(GL_TEXTURE4);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), overlay.name());
}

TEST_F(Snapshot, LeavesItsFramebufferBoundAndTheViewportAtThePicture) {
  uploadSolid(*scene.wall, 0, {235, 128, 128}, 40, 30);
  scene.wall->snapshot(0);
  GLint bound = 0, viewport[4] = {};
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_NE(bound, 0);
  EXPECT_EQ(viewport[2], 40);
  EXPECT_EQ(viewport[3], 30);
  // The host restores both and draws the wall as before.
  Pixels pixels = scene.draw();
  EXPECT_TRUE(test::near(pixels.at(10, 10), {255, 255, 255})) << pixels.at(10, 10);
}

}  // namespace
}  // namespace zelvo
