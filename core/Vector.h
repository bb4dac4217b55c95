#pragma once

#include <cmath>
#include <type_traits>

// A point or a direction in scene space, in double precision.
//
// Add, Subtract, Negate, Scale and Normalise are compound assignments that return by value: each
// one changes the vector it is applied to and returns a copy of the new value. The operators
// (a + b, a - b, v * s, s * v, -v) and Normalised leave their operands alone and give the same
// bits as the compound forms: one operation per component, in the same order.
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
    // Normalise's three quotients, for a copy.
    CVector Normalised() const {
        double length = std::sqrt(Dot(*this));
        return CVector(x / length, y / length, z / length);
    }

    double x;
    double y;
    double z;
};

// The destructor is virtual on purpose, as are those of CColour, CRay and CCamera: each of these
// values carries a vtable pointer, and the scene objects that hold them keep the layout that
// gives them.
static_assert(std::has_virtual_destructor_v<CVector>);

inline CVector operator+(const CVector& a, const CVector& b) {
    return CVector(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline CVector operator-(const CVector& a, const CVector& b) {
    return CVector(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline CVector operator-(const CVector& v) {
    return CVector(-v.x, -v.y, -v.z);
}
inline CVector operator*(const CVector& v, double s) {
    return CVector(v.x * s, v.y * s, v.z * s);
}
// The component times the scalar, as in v * s.
inline CVector operator*(double s, const CVector& v) {
    return CVector(v.x * s, v.y * s, v.z * s);
}
