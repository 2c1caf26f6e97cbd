#pragma once

#include <iosfwd>

#include "core/model.h"
#include "core/random.h"
#include "core/ray.h"

namespace brelix {

// The geometric and optical formulas the trace applies at planes and in layers. They are pure functions
// of a ray, a plane's geometry and a few numbers. Each is written in the order its formula reads, and the
// build forbids contracting a*b + c into a fused multiply-add, so the results are the same to the last
// bit on every x86-64 machine. The random ones draw from the caller's generator in a fixed order; that
// order is part of their behaviour, because a seed must reproduce a whole trace.
//
// A plane is used through its three records: edge 1 (corner O, unit direction e1, length L1 in step),
// edge 2 (unit direction e2, length L2, from the same corner) and the normal (a point P0 on the plane and
// the unit normal N). E1 = e1 L1 and E2 = e2 L2 are the full edge vectors; the plane is the
// parallelogram O + a E1 + b E2 with 0 <= a, b <= 1, or for a triangular shape the triangle a + b <= 1.

enum class EHit { Front, Back, Miss };

// The outcome of a ray-plane test and the distance along the ray to the plane.
struct CHit {
    EHit kind = EHit::Miss;
    double t = 0;
};

std::ostream& operator<<(std::ostream& os, EHit kind);
std::ostream& operator<<(std::ostream& os, const CHit& hit);

// Where the ray (position p, unit direction d) meets the plane. Front when d.N >= 0 and the hit lies in
// the plane's shape, allowing 0.001 (in edge fractions) past the far edges and nothing before the near
// ones; Back when d.N < 0 (reported whether or not the hit lies in the shape); Miss when the ray is
// parallel to the plane, the plane lies behind the ray, the edges are parallel or the hit is outside.
// t is filled whenever it could be computed (it stays 0 for a parallel ray).
CHit HitTest(const CPlane& plane, const CRay& ray);

// Mirrors the ray's direction in the plane.
void Reflect(const CPlane& plane, CRay& ray);

// Refracts the ray's direction from index n1 into n2 (Snell's law in vector form), then normalises the
// ray. The caller must have ruled out total internal reflection. Returns the angle of incidence in
// degrees; the trace does not use it.
double Refract(const CPlane& plane, CRay& ray, double n1, double n2);
// The same refraction without the angle, for the trace.
void RefractDirection(const CPlane& plane, CRay& ray, double n1, double n2);

// Unpolarised Fresnel transmittance of a bare interface from index n1 into n2.
double BareTransmittance(double n1, double n2, double cosTheta_i);

// Transmittance of an interface from n1 into n2 carrying one coating of index nd and thickness td (nm),
// at the wavelength (nm). The reflection coefficients are the normal-incidence ones at every angle; only
// the phase of the coating depends on the angle.
double CoatedTransmittance(double n1, double n2, double nd, double td, double wavelength, double cosTheta_i);

// Sets the ray's direction to the one at azimuth phi (about the normal, from edge 1) and polar angle theta
// (from the normal), both in radians, on the side of the plane the ray came from.
void LambertianDirection(const CPlane& plane, CRay& ray, double phi, double theta);
// The same for a bounce's two draws: phi = 2 pi (r1 / 32768), theta = asin(sqrt(r2 / 32768)), with their
// sines and cosines from tables made once, bit for bit the values the library gives.
void LambertianDirectionOfDraws(const CPlane& plane, CRay& ray, int r1, int r2);

// Sets the ray's direction uniformly over the sphere, then normalises the ray. Three draws.
void IsotropicDirection(CRay& ray, CRandom& random);

// Moves the ray to a uniformly random point strictly inside the plane's parallelogram, or for a triangular
// plane inside its triangle. Two draws.
void RandomPointOnPlane(const CPlane& plane, CRay& ray, CRandom& random);

// Moves the ray from the source plane onto the target plane; the direction is kept. Proportional (no
// draws): the ray's fraction along the source's edge 2 is laid along the target's edge 1 and its fraction
// along the source's edge 1 along the target's edge 2. Randomised (two draws): a uniformly random point on
// the target's parallelogram, whatever the target's shape. When the source's edges are parallel the
// proportional mapping is undefined and the position is left unchanged.
void TranslateAcross(const CPlane& source, const CPlane& target, CRay& ray, bool randomise, CRandom& random);

}  // namespace brelix
