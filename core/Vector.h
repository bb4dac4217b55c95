#pragma once

#include <cmath>

// A point or a direction in scene space, in double precision.
//
// The arithmetic operations are compound assignments that return by value: each one changes
// the vector it is applied to and returns a copy of the new value. A caller that must keep an
// operand unchanged applies the operation to a copy first.
class CVector {
public:
    CVector() : x(0.0), y(0.0), z(0.0) {}
    CVector(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    CVector(const CVector& v) = default;
    virtual ~CVector() = default;

    // Assignment returns the assigned value by value, like the other operations.
    CVector operator=(const CVector& v) {
        x = v.x;
        y = v.y;
        z = v.z;
        return *this;
    }

    double GetX() const { return x; }
    double GetY() const { return y; }
    double GetZ() const { return z; }

    double Dot(const CVector& v) const { return x * v.x + y * v.y + z * v.z; }
    double Length() const { return std::sqrt(x * x + y * y + z * z); }

    CVector Add(const CVector& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    CVector Subtract(const CVector& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    CVector Negate() {
        x = -x;
        y = -y;
        z = -z;
        return *this;
    }
    CVector Scale(double s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    // Three divisions by the length, not a multiplication by its reciprocal: the pictures
    // depend on the exact quotients. A zero vector becomes non-finite; nothing guards it.
    CVector Normalise() {
        double length = std::sqrt(Dot(*this));
        x /= length;
        y /= length;
        z /= length;
        return *this;
    }

    double x;
    double y;
    double z;
};
