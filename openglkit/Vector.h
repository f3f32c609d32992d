#pragma once
// A four-component float vector: positions, directions and colours of the kit.
// A plain value; every operation uses all four components unless it says otherwise.

namespace zelvo {

class Matrix;

class Vector {
 public:
  Vector() = default;
  Vector(float x, float y, float z, float w) : v{x, y, z, w} {}

  static const Vector& zero();
  static const Vector& unitX();
  static const Vector& unitY();
  static const Vector& unitZ();

  float x() const { return v[0]; }
  float y() const { return v[1]; }
  float z() const { return v[2]; }
  float w() const { return v[3]; }
  float operator[](int i) const { return v[i]; }
  const float* data() const { return v; }

  // ((x x' + y y') + z z') + w w', in that order.
  float dot(const Vector& other) const;
  // The w of a cross product is always 0.
  Vector cross(const Vector& other) const;
  // The length includes w; the zero vector stays zero (no division).
  Vector normalized() const;

  Vector operator*(float factor) const;
  Vector operator+(const Vector& other) const;
  Vector operator-(const Vector& other) const;
  bool operator==(const Vector& other) const;
  // matrix x this.
  Vector transformed(const Matrix& matrix) const;

 private:
  float v[4] = {0, 0, 0, 0};
};

}  // namespace zelvo
