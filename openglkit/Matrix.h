#pragma once
// A 4 x 4 float matrix stored column-major (element (row, column) at column x 4 + row),
// the layout OpenGL takes for matrix uniforms without transposition. A plain value.

#include "openglkit/Vector.h"

namespace zelvo {

class Matrix {
 public:
  // The identity.
  Matrix();
  // Sixteen values, column by column.
  explicit Matrix(const float (&columnMajor)[16]);

  static const Matrix& identity();

  float element(int row, int column) const;
  void setElement(int row, int column, float value);
  const float* data() const { return m; }

  // this := this x b, from the values both had before the call (b may be this).
  Matrix& operator*=(const Matrix& b);
  bool operator==(const Matrix& other) const;

  // Four lines "| a\tb\tc\td\t |" on standard error.
  void print() const;

 private:
  float m[16];
};

// a x b: element (r, c) = a(r,0) b(0,c) + a(r,1) b(1,c) + a(r,2) b(2,c) + a(r,3) b(3,c), left to right.
Matrix operator*(const Matrix& a, const Matrix& b);
Vector operator*(const Matrix& m, const Vector& v);

}  // namespace zelvo
