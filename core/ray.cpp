#include "core/ray.h"

#include <cmath>
#include <ostream>

namespace brelix {

void CRay::Normalize() {
    if (step != 0) {
        dx *= step;
        dy *= step;
        dz *= step;
    }
    step = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (step > 0) {
        dx /= step;
        dy /= step;
        dz /= step;
    }
}

void CRay::GetVector(CRay& target) const {
    target.SetPosition(*this);
    target.SetDirection(dx * step, dy * step, dz * step);
}

void CRay::GetEndPoints(CRay& target) const {
    target.SetPosition(*this);
    target.SetDirection(x + dx * step, y + dy * step, z + dz * step);
}

void CRay::CopyGeometry(CRay& target) const {
    target.SetPosition(*this);
    target.SetDirection(*this);
}

void CRay::Cross(CRay& a, CRay& b) {
    a.Normalize();
    b.Normalize();
    const double ax = a.dx * a.step, ay = a.dy * a.step, az = a.dz * a.step;
    const double bx = b.dx * b.step, by = b.dy * b.step, bz = b.dz * b.step;
    SetPosition(a);
    SetDirection(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx);
}

std::ostream& operator<<(std::ostream& os, const CRay& ray) {
    return os << "CRay{p=(" << ray.x << ", " << ray.y << ", " << ray.z << ") d=(" << ray.dx << ", " << ray.dy
              << ", " << ray.dz << ") step=" << ray.step << " I=" << ray.intensity << " wl=" << ray.wavelength
              << " layer=" << ray.layer << " divides=" << ray.dividesLeft << " result=" << ray.resultIndex
              << "}";
}

}  // namespace brelix
