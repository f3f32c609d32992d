#include "openglkit/Matrix.h"

#include <cstdio>
#include <cstring>

#include "Foundation/Assert.h"

namespace zelvo {

namespace {
const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix::Matrix() { std::memcpy(m, kIdentity, sizeof m); }

Matrix::Matrix(const float (&columnMajor)[16]) { std::memcpy(m, columnMajor, sizeof m); }

const Matrix& Matrix::identity() {
  static const Matrix value(kIdentity);
  return value;
}

float Matrix::element(int row, int column) const {
  ZELVO_PRECONDITION(0 <= row && row < 4);
  ZELVO_PRECONDITION(0 <= column && column < 4);
  return m[column * 4 + row];
}

void Matrix::setElement(int row, int column, float value) {
  ZELVO_PRECONDITION(0 <= row && row < 4);
  ZELVO_PRECONDITION(0 <= column && column < 4);
  m[column * 4 + row] = value;
}

Matrix operator*(const Matrix& a, const Matrix& b) {
  const float* x = a.data();
  const float* y = b.data();
  float out[16];
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      float sum = x[0 * 4 + r] * y[c * 4 + 0];
      sum = sum + x[1 * 4 + r] * y[c * 4 + 1];
      sum = sum + x[2 * 4 + r] * y[c * 4 + 2];
      sum = sum + x[3 * 4 + r] * y[c * 4 + 3];
      out[c * 4 + r] = sum;
    }
  }
  return Matrix(out);
}

Matrix& Matrix::operator*=(const Matrix& b) {
  // The product is complete before it is stored, so b may alias this.
  *this = *this * b;
  return *this;
}

bool Matrix::operator==(const Matrix& other) const {
  for (int i = 0; i < 16; ++i)
    if (m[i] != other.m[i]) return false;
  return true;
}

Vector operator*(const Matrix& matrix, const Vector& v) {
  const float* x = matrix.data();
  float out[4];
  for (int r = 0; r < 4; ++r) {
    float sum = x[0 * 4 + r] * v[0];
    sum = sum + x[1 * 4 + r] * v[1];
    sum = sum + x[2 * 4 + r] * v[2];
    sum = sum + x[3 * 4 + r] * v[3];
    out[r] = sum;
  }
  return Vector(out[0], out[1], out[2], out[3]);
}

void Matrix::print() const {
  for (int r = 0; r < 4; ++r) {
    std::fprintf(stderr, "| ");
    for (int c = 0; c < 4; ++c) std::fprintf(stderr, "%0.2f\t", m[c * 4 + r]);
    std::fprintf(stderr, " |\n");
  }
}

}  // namespace zelvo
