#pragma once

// Three doubles in client pixels: x to the right, y downwards, z carried
// along but always 0 in this program.
struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Vector3() = default;
    constexpr Vector3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    constexpr double dot(const Vector3& o) const { return x * o.x + y * o.y + z * o.z; }

    static constexpr Vector3 scaled(const Vector3& v, double s) { return {v.x * s, v.y * s, v.z * s}; }
    static constexpr Vector3 plus(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    static constexpr Vector3 minus(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

    constexpr Vector3& scaleBy(double s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    constexpr Vector3& addComponents(double dx, double dy, double dz) {
        x += dx;
        y += dy;
        z += dz;
        return *this;
    }
    constexpr void components(double& outX, double& outY, double& outZ) const {
        outX = x;
        outY = y;
        outZ = z;
    }

    // Planar angle, counter-clockwise, from this unit vector to the unit
    // vector u, in [0, 6.283185308).
    double angleTo(const Vector3& u) const;

    constexpr bool operator==(const Vector3&) const = default;
};

constexpr Vector3 operator+(const Vector3& a, const Vector3& b) { return Vector3::plus(a, b); }
constexpr Vector3 operator-(const Vector3& a, const Vector3& b) { return Vector3::minus(a, b); }
constexpr Vector3 operator*(const Vector3& v, double s) { return Vector3::scaled(v, s); }
