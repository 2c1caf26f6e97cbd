#pragma once

#include <cstdint>
#include <iosfwd>

namespace brelix {

class CPlane;

// The one geometric record. It is a traced light ray (position, unit direction, travel length, intensity,
// wavelength, result key and bookkeeping), a directed plane edge (origin, unit direction, length) or a
// plane's normal (a point on the plane and the unit normal). All vector arithmetic is done on it.
class CRay {
public:
    CRay() = default;

    void SetPosition(double px, double py, double pz) {
        x = px;
        y = py;
        z = pz;
    }
    void SetPosition(const CRay& other) { SetPosition(other.x, other.y, other.z); }
    void SetDirection(double ex, double ey, double ez) {
        dx = ex;
        dy = ey;
        dz = ez;
    }
    void SetDirection(const CRay& other) { SetDirection(other.dx, other.dy, other.dz); }

    // position += direction * step
    void Advance() {
        x += dx * step;
        y += dy * step;
        z += dz * step;
    }

    // Turns (direction, step) into (unit direction, length); a zero vector stays zero with step 0.
    void Normalize();

    // target position = this position; target direction = the full vector direction * step.
    void GetVector(CRay& target) const;
    // target position = this position; target direction = the end point position + direction * step.
    void GetEndPoints(CRay& target) const;
    // Copies position and direction, not step.
    void CopyGeometry(CRay& target) const;
    void SetDirectionToward(const CRay& other) { SetDirectionToward(other.x, other.y, other.z); }
    void SetDirectionToward(double px, double py, double pz) { SetDirection(px - x, py - y, pz - z); }

    void CopyFrom(const CRay& other) { *this = other; }

    // Normalises a and b in place; this position = a's position, this direction = the cross product of
    // their full vectors (a.direction * a.step) x (b.direction * b.step).
    void Cross(CRay& a, CRay& b);

    double Dot(const CRay& other) const { return dx * other.dx + dy * other.dy + dz * other.dz; }

    // Geometry
    double x = 0, y = 0, z = 0;
    double dx = 0, dy = 0, dz = 0;
    double step = 1.0;
    double intensity = 0;
    // Current wavelength in nm; every optical property is looked up at it.
    double wavelength = 0;
    // The rest of the result key: the sweep values and spectrum weight the ray was launched with.
    double azimuth = 0;
    double declination = 0;
    double xSource = 0, ySource = 0, zSource = 0;
    double sourceIntensity = 0;
    // Trace bookkeeping
    uint32_t thetaXiSubdivided = 0;
    uint32_t positionSubdivided = 0;
    uint32_t reserved = 0;
    uint32_t scatterSubdivided = 0;
    int32_t layer = 0;
    uint32_t dividesLeft = 0;
    const CPlane* lastPlane = nullptr;
    int32_t resultIndex = 0;
    // Trace ops spent on this ray's path since its source ray was launched; split rays inherit it.
    uint32_t interactions = 0;
};

std::ostream& operator<<(std::ostream& os, const CRay& ray);

}  // namespace brelix
