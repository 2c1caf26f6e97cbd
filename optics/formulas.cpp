#include "optics/formulas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>

namespace brelix {

namespace {

const double Pi = 2 * std::asin(1.0);

// Each random formula scales its draws its own way, and the scalings are part of the results. These are
// the two used here: r / 32767 in [0, 1], and (r + 1) / 32769 strictly inside (0, 1).
double DrawClosed(CRandom& random) {
    return random.Next() / 32767.0;
}
double DrawOpen(CRandom& random) {
    return (random.Next() + 1) / 32769.0;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, EHit kind) {
    switch (kind) {
        case EHit::Front:
            return os << "Front";
        case EHit::Back:
            return os << "Back";
        case EHit::Miss:
            return os << "Miss";
    }
    return os << "EHit(" << static_cast<int>(kind) << ")";
}

std::ostream& operator<<(std::ostream& os, const CHit& hit) {
    return os << "CHit{" << hit.kind << " t=" << hit.t << "}";
}

CHit HitTest(const CPlane& plane, const CRay& ray) {
    const CRay& n = plane.normal;
    const CRay& edge1 = plane.edge1;
    const CRay& edge2 = plane.edge2;
    CHit hit;

    const double mu = n.dx * ray.dx + n.dy * ray.dy + n.dz * ray.dz;
    if (mu == 0) return hit;  // parallel to the plane; no distance either
    hit.t = ((n.x - ray.x) * n.dx + (n.y - ray.y) * n.dy + (n.z - ray.z) * n.dz) / mu;
    if (hit.t < 0) return hit;

    const double e1[3] = {edge1.dx, edge1.dy, edge1.dz};
    const double e2[3] = {edge2.dx, edge2.dy, edge2.dz};

    // Solve D = a E1 + b E2 on the first axis pair whose projected edges are not (nearly) parallel.
    int i, j;
    if (std::fabs(e1[0] * e2[1] - e1[1] * e2[0]) >= 1e-07) {
        i = 0, j = 1;
    } else if (std::fabs(e1[1] * e2[2] - e1[2] * e2[1]) >= 1e-07) {
        i = 1, j = 2;
    } else if (std::fabs(e1[2] * e2[0] - e1[0] * e2[2]) >= 1e-07) {
        i = 2, j = 0;
    } else {
        return hit;
    }
    // The trace ignores back-side hits, so they are not worth the fractions.
    if (mu < 0) {
        hit.kind = EHit::Back;
        return hit;
    }
    const double det = e1[i] * e2[j] - e1[j] * e2[i];

    // Offset of the hit point from the plane's corner. It is solved as a unit vector and scaled back by
    // its length; keep that order, since traces are compared to the last bit. A hit exactly on the corner
    // has no direction: its fractions are 0.
    const double D[3] = {ray.x + hit.t * ray.dx - edge1.x, ray.y + hit.t * ray.dy - edge1.y,
                         ray.z + hit.t * ray.dz - edge1.z};
    double a = 0, b = 0;
    const double lengthD = std::sqrt(D[0] * D[0] + D[1] * D[1] + D[2] * D[2]);
    if (lengthD > 0) {
        const double unitD[3] = {D[0] / lengthD, D[1] / lengthD, D[2] / lengthD};
        a = ((unitD[i] * e2[j] - unitD[j] * e2[i]) / det) * lengthD / edge1.step;
        b = ((unitD[j] * e1[i] - unitD[i] * e1[j]) / det) * lengthD / edge2.step;
    }

    // The far edges get a tolerance of 0.001 edge fractions so that a ray meeting the seam between two
    // planes is not lost between them; the near edges get none.
    bool inside = false;
    if (plane.shape == ShapeTriangle)
        inside = a >= 0 && b >= 0 && a + b - 1 <= 0.001;
    else if (plane.shape == ShapeParallelogram)
        inside = a >= 0 && b >= 0 && a - 1 <= 0.001 && b - 1 <= 0.001;
    if (inside) hit.kind = EHit::Front;
    return hit;
}

void Reflect(const CPlane& plane, CRay& ray) {
    const CRay& n = plane.normal;
    const double mu = n.dx * ray.dx + n.dy * ray.dy + n.dz * ray.dz;
    ray.SetDirection(ray.dx - 2 * mu * n.dx, ray.dy - 2 * mu * n.dy, ray.dz - 2 * mu * n.dz);
}

double Refract(const CPlane& plane, CRay& ray, double n1, double n2) {
    const CRay& n = plane.normal;
    const double mu = n.dx * ray.dx + n.dy * ray.dy + n.dz * ray.dz;
    RefractDirection(plane, ray, n1, n2);
    // Reported in degrees with the rounded constant the result has always used. mu can round past 1 for
    // a ray along the normal; clamp so that the report is 0 rather than NaN.
    return std::acos(std::clamp(mu, -1.0, 1.0)) / 2 / 3.1416 * 360;
}

void RefractDirection(const CPlane& plane, CRay& ray, double n1, double n2) {
    const CRay& n = plane.normal;
    const double eta = n1 / n2;
    const double mu = n.dx * ray.dx + n.dy * ray.dy + n.dz * ray.dz;

    // Tangential part of the refracted direction
    const double t_perpX = eta * (ray.dx - mu * n.dx);
    const double t_perpY = eta * (ray.dy - mu * n.dy);
    const double t_perpZ = eta * (ray.dz - mu * n.dz);

    // Normal part, on the side the ray travels. A ray along the normal of a tilted plane can round
    // |T_perp|^2 a hair above 1; that is no refracted angle but a straight-through ray, so clamp.
    const double sin2Theta_t = t_perpX * t_perpX + t_perpY * t_perpY + t_perpZ * t_perpZ;
    const double cosTheta_t = std::sqrt(std::max(0.0, 1 - sin2Theta_t));
    const double signMu = mu < 0 ? -1.0 : 1.0;  // mu = 0 never reaches here from the trace; don't divide
    ray.SetDirection(t_perpX + signMu * cosTheta_t * n.dx, t_perpY + signMu * cosTheta_t * n.dy,
                     t_perpZ + signMu * cosTheta_t * n.dz);
    ray.Normalize();
}

double BareTransmittance(double n1, double n2, double cosTheta_i) {
    const double mu = cosTheta_i;
    const double s = std::sqrt(std::max(0.0, 1 - mu * mu));
    // n2 cos(theta_t). Callers rule out total internal reflection, but right at the critical angle the
    // root can round below 0: that is grazing transmission, so clamp (it gives T = 0, the limit).
    const double ct = std::sqrt(std::max(0.0, n2 * n2 - n1 * n1 * (s * s)));
    const double r_p = (n2 * n2 * mu - n1 * ct) / (n2 * n2 * mu + n1 * ct);
    const double r_s = (n1 * mu - ct) / (n1 * mu + ct);
    return 1 - 0.5 * r_p * r_p - 0.5 * r_s * r_s;
}

double CoatedTransmittance(double n1, double n2, double nd, double td, double wavelength, double cosTheta_i) {
    const double mu = cosTheta_i;
    const double r12 = (n1 - nd) / (nd + n1);
    const double r23 = (nd - n2) / (nd + n2);
    // Round-trip phase in the coating, taken with the incident medium's cosine.
    const double delta = 4 * Pi * nd * td * mu / wavelength;
    const double D = 2 * r12 * r23 * std::cos(delta);
    const double denominator = r12 * r12 * (r23 * r23) + 1 + D;
    // Only a coating that reflects completely (|r12| = |r23| = 1, as a coating index of 0 gives) makes
    // this 0/0; its limit is full reflection.
    if (denominator == 0) return 0;
    return 1 - (r12 * r12 + r23 * r23 + D) / denominator;
}

namespace {

// The sine and cosine of each angle a 15-bit draw gives, worked out once: the same values, bit for bit,
// as working them out at every bounce, for a table lookup instead of three or four calls to the library.
// Each sine beside its cosine: one cache line per lookup.
struct CAngleTable {
    struct CSineCosine {
        double sine, cosine;
    };
    template <class Angle>
    explicit CAngleTable(Angle angle) {
        for (int r = 0; r <= CRandom::Max; ++r) {
            const double a = angle(r);
            values[static_cast<size_t>(r)] = {std::sin(a), std::cos(a)};
        }
    }
    const CSineCosine& operator[](size_t r) const { return values[r]; }
    std::array<CSineCosine, CRandom::Max + 1> values;
};

// A Lambertian bounce's azimuth and polar angle from its draws r1 and r2.
const CAngleTable& LambertianAzimuths() {
    static const CAngleTable table([](int r1) { return 2 * Pi * (r1 / 32768.0); });
    return table;
}
const CAngleTable& LambertianPolarAngles() {
    static const CAngleTable table([](int r2) { return std::asin(std::sqrt(r2 / 32768.0)); });
    return table;
}
// An isotropic direction's azimuth from its first draw, and its polar angle from its second, in the upper
// hemisphere and mirrored into the lower.
const CAngleTable& IsotropicAzimuths() {
    static const CAngleTable table([](int r) { return 2 * (r / 32767.0) * 3.1416; });
    return table;
}
const CAngleTable& IsotropicPolarAngles(bool lower) {
    static const CAngleTable upper([](int r) { return std::acos(r / 32767.0); });
    static const CAngleTable mirrored([](int r) { return Pi - std::acos(r / 32767.0); });
    return lower ? mirrored : upper;
}

void SetLambertianDirection(const CPlane& plane, CRay& ray, double cosPhi, double sinPhi, double cosTheta,
                            double sinTheta) {
    const CRay& n = plane.normal;
    const CRay& e1 = plane.edge1;
    // e1 x N completes e1 and N to a frame in which phi is measured.
    const double e1xN[3] = {e1.dy * n.dz - e1.dz * n.dy, e1.dz * n.dx - e1.dx * n.dz,
                            e1.dx * n.dy - e1.dy * n.dx};
    // Negated because a front-side ray travels along N; the new direction must go back.
    ray.SetDirection(-(cosTheta * n.dx + sinTheta * (cosPhi * e1.dx + sinPhi * e1xN[0])),
                     -(cosTheta * n.dy + sinTheta * (cosPhi * e1.dy + sinPhi * e1xN[1])),
                     -(cosTheta * n.dz + sinTheta * (cosPhi * e1.dz + sinPhi * e1xN[2])));
}

}  // namespace

void LambertianDirection(const CPlane& plane, CRay& ray, double phi, double theta) {
    SetLambertianDirection(plane, ray, std::cos(phi), std::sin(phi), std::cos(theta), std::sin(theta));
}

void LambertianDirectionOfDraws(const CPlane& plane, CRay& ray, int r1, int r2) {
    const auto& phi = LambertianAzimuths()[static_cast<size_t>(r1)];
    const auto& theta = LambertianPolarAngles()[static_cast<size_t>(r2)];
    SetLambertianDirection(plane, ray, phi.cosine, phi.sine, theta.cosine, theta.sine);
}

void IsotropicDirection(CRay& ray, CRandom& random) {
    // The draws are taken one per statement: their order is part of the result.
    const size_t r1 = static_cast<size_t>(random.Next());
    const size_t r2 = static_cast<size_t>(random.Next());
    // acos of a [0, 1] draw gives the upper hemisphere only; a third draw picks the hemisphere.
    const auto& theta = IsotropicPolarAngles(DrawClosed(random) > 0.5)[r2];
    const auto& phi = IsotropicAzimuths()[r1];
    ray.SetDirection(theta.sine * phi.cosine, theta.sine * phi.sine, theta.cosine);
    ray.Normalize();
}

void RandomPointOnPlane(const CPlane& plane, CRay& ray, CRandom& random) {
    const CRay& edge1 = plane.edge1;
    const CRay& edge2 = plane.edge2;
    double u = DrawOpen(random);
    double v = DrawOpen(random);
    // A point beyond a triangle's hypotenuse is folded back into the triangle by the half-turn about the
    // hypotenuse's midpoint, which keeps the density uniform.
    if (plane.shape == ShapeTriangle && u + v > 1) {
        u = 1 - u;
        v = 1 - v;
    }
    ray.SetPosition(edge1.x + u * (edge1.dx * edge1.step) + v * (edge2.dx * edge2.step),
                    edge1.y + u * (edge1.dy * edge1.step) + v * (edge2.dy * edge2.step),
                    edge1.z + u * (edge1.dz * edge1.step) + v * (edge2.dz * edge2.step));
}

void TranslateAcross(const CPlane& source, const CPlane& target, CRay& ray, bool randomise, CRandom& random) {
    const CRay& to1 = target.edge1;
    const CRay& to2 = target.edge2;
    const double E1t[3] = {to1.dx * to1.step, to1.dy * to1.step, to1.dz * to1.step};
    const double E2t[3] = {to2.dx * to2.step, to2.dy * to2.step, to2.dz * to2.step};

    if (randomise) {
        // No folding: a triangular target is filled as its whole parallelogram.
        const double u1 = DrawOpen(random);
        const double u2 = DrawOpen(random);
        ray.SetPosition(to1.x + u1 * E1t[0] + u2 * E2t[0], to1.y + u1 * E1t[1] + u2 * E2t[1],
                        to1.z + u1 * E1t[2] + u2 * E2t[2]);
        return;
    }

    const CRay& from1 = source.edge1;
    const CRay& from2 = source.edge2;
    const double D[3] = {ray.x - from1.x, ray.y - from1.y, ray.z - from1.z};
    const double E1[3] = {from1.dx * from1.step, from1.dy * from1.step, from1.dz * from1.step};
    const double E2[3] = {from2.dx * from2.step, from2.dy * from2.step, from2.dz * from2.step};

    // Cramer's rule on the first axis pair whose projected edges are not exactly parallel.
    int i, j;
    if (E1[0] * E2[1] != E1[1] * E2[0]) {
        i = 0, j = 1;
    } else if (E1[1] * E2[2] != E1[2] * E2[1]) {
        i = 1, j = 2;
    } else if (E1[2] * E2[0] != E1[0] * E2[2]) {
        i = 2, j = 0;
    } else {
        return;  // parallel source edges: no fractions to carry over, so the ray stays where it is
    }
    const double det = E1[i] * E2[j] - E1[j] * E2[i];
    const double a = (D[i] * E2[j] - D[j] * E2[i]) / det;
    const double b = (E1[i] * D[j] - E1[j] * D[i]) / det;

    // The fractions cross over: the target's edges are the source's, exchanged.
    ray.SetPosition(to1.x + b * E1t[0] + a * E2t[0], to1.y + b * E1t[1] + a * E2t[1],
                    to1.z + b * E1t[2] + a * E2t[2]);
}

}  // namespace brelix
