// Vector, Matrix and Camera: plain values, no GL.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "openglkit/Camera.h"
#include "openglkit/Matrix.h"
#include "openglkit/Vector.h"

namespace zelvo {
namespace {

void expectVector(const Vector& actual, float x, float y, float z, float w, float tolerance = 0) {
  EXPECT_NEAR(actual.x(), x, tolerance);
  EXPECT_NEAR(actual.y(), y, tolerance);
  EXPECT_NEAR(actual.z(), z, tolerance);
  EXPECT_NEAR(actual.w(), w, tolerance);
}

void expectMatrix(const Matrix& actual, const Matrix& expected, float tolerance = 1e-6f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(actual.element(r, c), expected.element(r, c), tolerance) << "element (" << r << ", " << c << ")";
}

// A matrix given row by row, as it reads on paper.
Matrix rows(std::initializer_list<float> values) {
  float columns[16];
  int i = 0;
  for (float v : values) {
    columns[(i % 4) * 4 + i / 4] = v;
    ++i;
  }
  return Matrix(columns);
}

TEST(Vector, ConstantsAndDot) {
  expectVector(Vector::zero(), 0, 0, 0, 0);
  expectVector(Vector::unitX(), 1, 0, 0, 0);
  expectVector(Vector::unitY(), 0, 1, 0, 0);
  expectVector(Vector::unitZ(), 0, 0, 1, 0);
  EXPECT_EQ(Vector(1, 2, 3, 4).dot(Vector(5, 6, 7, 8)), 70.0f);  // w takes part
}

TEST(Vector, CrossHasZeroW) {
  expectVector(Vector::unitX().cross(Vector::unitY()), 0, 0, 1, 0);
  expectVector(Vector::unitY().cross(Vector::unitX()), 0, 0, -1, 0);
  expectVector(Vector(1, 2, 3, 9).cross(Vector(4, 5, 6, 9)), -3, 6, -3, 0);
}

struct NormalizeCase {
  const char* name;
  Vector input;
  Vector expected;
};

class VectorNormalized : public testing::TestWithParam<NormalizeCase> {};

TEST_P(VectorNormalized, LengthIncludesW) {
  const auto& c = GetParam();
  expectVector(c.input.normalized(), c.expected.x(), c.expected.y(), c.expected.z(), c.expected.w(), 1e-7f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VectorNormalized,
    testing::Values(NormalizeCase{"ZeroStaysZero", Vector(0, 0, 0, 0), Vector(0, 0, 0, 0)},
                    NormalizeCase{"OnlyW", Vector(0, 0, 0, 2), Vector(0, 0, 0, 1)},
                    NormalizeCase{"ThreeFour", Vector(3, 0, 4, 0), Vector(0.6f, 0, 0.8f, 0)},
                    NormalizeCase{"AllFour", Vector(1, 1, 1, 1), Vector(0.5f, 0.5f, 0.5f, 0.5f)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Matrix, IdentityAndLayoutAreColumnMajor) {
  const Matrix& identity = Matrix::identity();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(identity.element(r, c), r == c ? 1.0f : 0.0f);
  Matrix m = rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  EXPECT_EQ(m.element(0, 3), 4.0f);
  EXPECT_EQ(m.data()[3 * 4 + 0], 4.0f);  // (row 0, column 3) at index 12
  EXPECT_EQ(m.data()[1], 5.0f);         // (row 1, column 0)
}

struct ProductCase {
  const char* name;
  Matrix a;
  Matrix b;
  Matrix expected;
};

class MatrixProduct : public testing::TestWithParam<ProductCase> {};

TEST_P(MatrixProduct, RowTimesColumn) {
  const auto& c = GetParam();
  expectMatrix(c.a * c.b, c.expected, 0);
  Matrix inPlace = c.a;
  inPlace *= c.b;
  expectMatrix(inPlace, c.expected, 0);
}

const Matrix kCounting = rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
const Matrix kTranslate = rows({1, 0, 0, 2, 0, 1, 0, 3, 0, 0, 1, 4, 0, 0, 0, 1});
const Matrix kScale = rows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1});

INSTANTIATE_TEST_SUITE_P(
    Cases, MatrixProduct,
    testing::Values(
        ProductCase{"IdentityTimesM", Matrix::identity(), kCounting, kCounting},
        ProductCase{"MTimesIdentity", kCounting, Matrix::identity(), kCounting},
        ProductCase{"Squared", kCounting, kCounting,
                    rows({90, 100, 110, 120, 202, 228, 254, 280, 314, 356, 398, 440, 426, 484, 542, 600})},
        // Translation after scaling: the translation is not scaled.
        ProductCase{"TranslateThenScale", kTranslate, kScale,
                    rows({2, 0, 0, 2, 0, 3, 0, 3, 0, 0, 4, 4, 0, 0, 0, 1})},
        // Scaling after translation: the translation is.
        ProductCase{"ScaleThenTranslate", kScale, kTranslate,
                    rows({2, 0, 0, 4, 0, 3, 0, 9, 0, 0, 4, 16, 0, 0, 0, 1})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Matrix, InPlaceProductWithItselfUsesTheOldValues) {
  Matrix m = kCounting;
  m *= m;
  expectMatrix(m, kCounting * kCounting, 0);
}

TEST(Matrix, TimesVector) {
  expectVector(kTranslate * Vector(1, 1, 1, 1), 3, 4, 5, 1);
  expectVector(kTranslate * Vector(1, 1, 1, 0), 1, 1, 1, 0);  // directions do not move
  expectVector(Vector(1, 2, 3, 1).transformed(kScale), 2, 6, 12, 1);
  expectVector(Vector(1, 2, 3, 4) * 0.5f, 0.5f, 1, 1.5f, 2);
}

TEST(Matrix, RigidTransformTimesItsInverseIsIdentity) {
  // A rotation about z by 30 degrees then a translation; its inverse is the transposed
  // rotation with the rotated, negated translation. A row/column mix-up breaks this.
  const float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
  Matrix m = rows({c, -s, 0, 1, s, c, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1});
  Matrix inverse = rows({c, s, 0, -(c * 1 + s * 2), -s, c, 0, -(-s * 1 + c * 2), 0, 0, 1, -3, 0, 0, 0, 1});
  expectMatrix(m * inverse, Matrix::identity(), 1e-6f);
  expectMatrix(inverse * m, Matrix::identity(), 1e-6f);
}

TEST(Matrix, PrintWritesFourRows) {
  testing::internal::CaptureStderr();
  Matrix::identity().print();
  std::string text = testing::internal::GetCapturedStderr();
  EXPECT_EQ(text,
            "| 1.00\t0.00\t0.00\t0.00\t |\n"
            "| 0.00\t1.00\t0.00\t0.00\t |\n"
            "| 0.00\t0.00\t1.00\t0.00\t |\n"
            "| 0.00\t0.00\t0.00\t1.00\t |\n");
}

using MatrixDeathTest = testing::Test;

TEST_F(MatrixDeathTest, ElementOutsideTheMatrixStops) {
  const Matrix& m = Matrix::identity();
  EXPECT_DEATH(m.element(4, 0), "Invalid parameter not satisfying: 0 <= row && row < 4");
  EXPECT_DEATH(m.element(-1, 0), "Invalid parameter not satisfying: 0 <= row && row < 4");
  EXPECT_DEATH(m.element(0, 4), "Invalid parameter not satisfying: 0 <= column && column < 4");
  EXPECT_DEATH(m.element(0, -1), "Invalid parameter not satisfying: 0 <= column && column < 4");
}

TEST(Camera, StartsWithIdentityMatrices) {
  Camera camera;
  expectMatrix(camera.view(), Matrix::identity(), 0);
  expectMatrix(camera.projection(), Matrix::identity(), 0);
}

TEST(Camera, LookAtBuildsBasisAndView) {
  Camera camera;
  camera.lookAt(Vector(0.5f, -0.5f, 1, 0), Vector(0.5f, -0.5f, 0, 0));
  expectVector(camera.eye(), 0.5f, -0.5f, 1, 0);
  expectVector(camera.forward(), 0, 0, 1, 0);
  expectVector(camera.right(), 1, 0, 0, 0);
  expectVector(camera.up(), 0, 1, 0, 0);
  expectMatrix(camera.view(), rows({1, 0, 0, -0.5f, 0, 1, 0, 0.5f, 0, 0, 1, -1, 0, 0, 0, 1}), 0);
  // The eye itself maps to the origin of camera space.
  expectVector(camera.view() * Vector(0.5f, -0.5f, 1, 1), 0, 0, 0, 1);
}

TEST(Camera, LookAlongUpGivesZeroBasisWithoutError) {
  Camera camera;
  camera.lookAt(Vector(0, 2, 0, 0), Vector(0, 0, 0, 0));
  expectVector(camera.forward(), 0, 1, 0, 0);
  expectVector(camera.right(), 0, 0, 0, 0);
  expectVector(camera.up(), 0, 0, 0, 0);
}

TEST(Camera, PerspectiveSpansTheHorizontalAngleAndStoresRadians) {
  Camera camera;
  camera.perspective(90, 2, 1, 10);
  EXPECT_FLOAT_EQ(camera.fovy(), std::numbers::pi_v<float> / 2);
  EXPECT_FLOAT_EQ(camera.aspect(), 2);
  EXPECT_EQ(camera.near(), 1);
  EXPECT_EQ(camera.far(), 10);
  Camera reference;
  reference.frustum(-1, 1, -0.5f, 0.5f, 1, 10);
  expectMatrix(camera.projection(), reference.projection(), 1e-6f);
}

struct ProjectionCase {
  const char* name;
  bool perspective;  // frustum, else ortho
  float l, r, b, t, n, f;
  Matrix expected;
};

class CameraProjection : public testing::TestWithParam<ProjectionCase> {};

TEST_P(CameraProjection, Columns) {
  const auto& c = GetParam();
  Camera camera;
  if (c.perspective)
    camera.frustum(c.l, c.r, c.b, c.t, c.n, c.f);
  else
    camera.ortho(c.l, c.r, c.b, c.t, c.n, c.f);
  expectMatrix(camera.projection(), c.expected, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraProjection,
    testing::Values(
        // The wall's camera at one division: near 2, far 2.5.
        ProjectionCase{"WallFrustum", true, -0.5f, 0.5f, -0.5f, 0.5f, 2, 2.5f,
                       rows({4, 0, 0, 0, 0, 4, 0, 0, 0, 0, -9, -20, 0, 0, -1, 0})},
        ProjectionCase{"OffCentreFrustum", true, 0, 2, 0, 1, 1, 3,
                       rows({1, 0, 1, 0, 0, 2, 1, 0, 0, 0, -2, -3, 0, 0, -1, 0})},
        ProjectionCase{"OverlayOrtho", false, -1, 1, -1, 1, 0, 1,
                       rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, 0, 1})},
        ProjectionCase{"OffCentreOrtho", false, 0, 4, 0, 2, 1, 5,
                       rows({0.5f, 0, 0, -1, 0, 1, 0, -1, 0, 0, -0.5f, -1.5f, 0, 0, 0, 1})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Camera, FrustumStoresItsParameters) {
  Camera camera;
  camera.frustum(-0.5f, 0.5f, -0.25f, 0.25f, 2, 6.5f);
  EXPECT_FLOAT_EQ(camera.fovy(), 2 * std::atan2(1.0f, 4.0f));
  EXPECT_FLOAT_EQ(camera.aspect(), 2);
  EXPECT_EQ(camera.near(), 2);
  EXPECT_EQ(camera.far(), 6.5f);
  // ortho leaves them alone
  camera.ortho(-1, 1, -1, 1, 0, 1);
  EXPECT_EQ(camera.near(), 2);
  EXPECT_FLOAT_EQ(camera.aspect(), 2);
}

TEST(Camera, NearPlaneCornersMapToClipEdges) {
  // At the near distance the frustum spans exactly left..right: the corners land on +-1.
  Camera camera;
  camera.lookAt(Vector(1.5f, -1.5f, 5, 0), Vector(1.5f, -1.5f, 0, 0));
  camera.frustum(-0.5f, 0.5f, -0.5f, 0.5f, 2, 6.5f);
  Matrix mvp = camera.projection() * camera.view();
  Vector corner = mvp * Vector(0, 0, -1, 1);  // top left of the 3 x 3 page at depth -1
  EXPECT_FLOAT_EQ(corner.x() / corner.w(), -1);
  EXPECT_FLOAT_EQ(corner.y() / corner.w(), 1);
  EXPECT_FLOAT_EQ(corner.w(), 6);  // six units from the eye
  Vector far = mvp * Vector(0, 0, -2, 1);  // the page behind lies beyond far (6.5)
  EXPECT_GT(far.z() / far.w(), 1);
}

TEST(Camera, SetPositionAndMoveKeepTheBasis) {
  Camera camera;
  camera.lookAt(Vector(0, 0, 1, 0), Vector(0, 0, 0, 0));
  camera.setPosition(2, 3, 4);
  expectVector(camera.eye(), 2, 3, 4, 0);
  expectVector(camera.forward(), 0, 0, 1, 0);
  expectMatrix(camera.view(), rows({1, 0, 0, -2, 0, 1, 0, -3, 0, 0, 1, -4, 0, 0, 0, 1}), 0);
  camera.move(1, 1, 1);
  expectVector(camera.eye(), 3, 4, 5, 0);
  expectVector(camera.view() * Vector(3, 4, 5, 1), 0, 0, 0, 1);
}

TEST(Camera, SetNearAndSetFovyRerunPerspective) {
  Camera camera;
  camera.perspective(90, 2, 1, 10);
  camera.setNear(2);
  Camera reference;
  reference.perspective(90, 2, 2, 10);
  expectMatrix(camera.projection(), reference.projection(), 1e-5f);
  camera.setFovy(60);
  reference.perspective(60, 2, 2, 10);
  expectMatrix(camera.projection(), reference.projection(), 1e-6f);
}

}  // namespace
}  // namespace zelvo
