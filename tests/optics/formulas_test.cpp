#include "optics/formulas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace brelix {
namespace {

// Test-side vectors, so that expectations do not go through CRay's own arithmetic.
struct Vec {
    double x, y, z;
    Vec operator+(const Vec& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec operator-(const Vec& o) const { return {x - o.x, y - o.y, z - o.z}; }
    friend Vec operator*(double s, const Vec& a) { return {s * a.x, s * a.y, s * a.z}; }
    friend double Dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    friend double Distance(const Vec& a, const Vec& b) { return std::sqrt(Dot(a - b, a - b)); }
};
const auto Position = [](const CRay& ray) { return Vec{ray.x, ray.y, ray.z}; };
const auto Direction = [](const CRay& ray) { return Vec{ray.dx, ray.dy, ray.dz}; };
const double Pi = std::acos(-1.0);

CRay MakeRay(const Vec& position, const Vec& direction) {
    CRay ray;
    ray.SetPosition(position.x, position.y, position.z);
    ray.SetDirection(direction.x, direction.y, direction.z);
    ray.Normalize();
    return ray;
}

// Planes whose edge fractions are solved on each axis pair, with edges of unequal length. The steep
// plane's xy projection is parallel to within 1e-9, so it falls back to zx, with a negative determinant.
struct NamedPlane {
    const char* name;
    Vec corner, E1, E2;
};
const NamedPlane kPlanes[] = {
    {"xy", {1, 2, 3}, {0, 4, 0}, {2, 0, 0}},        {"yz", {-1, 0.5, 2}, {0, 2, 0}, {0, 0, 3}},
    {"zx", {0.25, -3, 1}, {0, 0, 3}, {2, 0, 0}},    {"tilted", {0.3, -0.7, 1.1}, {1, 1, 0.5}, {-0.5, 1, 2}},
    {"steep", {2, 1, -1}, {2, 0, 0}, {0, 1e-9, 3}},
};
const NamedPlane& kTilted = kPlanes[3];

// A plane stored as the edges dialog does: unit edges from one corner, lengths in step, unit E2 x E1 normal.
struct TestPlane : CPlane {
    explicit TestPlane(const NamedPlane& p, uint32_t form = ShapeParallelogram) {
        for (auto [edge, full] : {std::pair{&edge1, p.E1}, std::pair{&edge2, p.E2}}) {
            edge->SetPosition(p.corner.x, p.corner.y, p.corner.z);
            edge->SetDirection(full.x, full.y, full.z);
            edge->Normalize();
        }
        ComputeNormal();
        shape = form;
    }
};

TEST(HitTest, SidesCornersAndEdgeTolerancesOnEveryAxisPair) {
    // 0.001 edge fractions past the far edges (a triangle's hypotenuse) still hit; nothing before the near.
    const struct {
        uint32_t shape;
        double a, b;
        EHit front;
    } cases[] = {
        {ShapeParallelogram, 0.5, 0.5, EHit::Front},    {ShapeParallelogram, 1.0005, 1.0005, EHit::Front},
        {ShapeParallelogram, 1.002, 0.5, EHit::Miss},   {ShapeParallelogram, 0.5, 1.002, EHit::Miss},
        {ShapeParallelogram, -0.0005, 0.5, EHit::Miss}, {ShapeParallelogram, 0.5, -1e-9, EHit::Miss},
        {ShapeTriangle, 0.25, 0.25, EHit::Front},       {ShapeTriangle, 0.5, 0.5005, EHit::Front},
        {ShapeTriangle, 0.5, 0.502, EHit::Miss},        {ShapeTriangle, 0.3, -0.0005, EHit::Miss},
        {ShapeParallelogram, 0, 0, EHit::Front},        {ShapeTriangle, 0, 0, EHit::Front},
    };
    for (const NamedPlane& p : kPlanes) {
        for (const auto& c : cases) {
            // Only axis planes put the hit on the corner to the bit, an offset with no direction.
            if (c.a == 0 && c.b == 0 && &p >= &kTilted) continue;
            SCOPED_TRACE(::testing::Message() << p.name << " shape " << c.shape << " " << c.a << " " << c.b);
            const TestPlane plane(p, c.shape);
            const Vec N = Direction(plane.normal), at = p.corner + c.a * p.E1 + c.b * p.E2;
            const CHit front = HitTest(plane, MakeRay(at - 1.5 * N, N));
            EXPECT_EQ(front.kind, c.front);
            EXPECT_NEAR(front.t, 1.5, 1e-12);
            EXPECT_EQ(HitTest(plane, MakeRay(at + 1.5 * N, -1.0 * N)).kind, EHit::Back);  // in shape or not
            EXPECT_EQ(HitTest(plane, MakeRay(at + 1.5 * N, N)).kind, EHit::Miss);         // plane behind
            EXPECT_EQ(HitTest(plane, MakeRay(at - 1.5 * N, p.E1)).kind, EHit::Miss);      // parallel
        }
    }
}

// On tilted planes cos(theta_i) along the normal can round a hair above 1, and near grazing
// 1 - sin^2(theta_t) a hair below 0; the formulas must stay finite.
TEST(Formulas, RoundingOnTiltedPlanesStaysFinite) {
    int roundedPastOne = 0;
    for (int i = 1; i <= 60; ++i) {
        const double a = 0.05 * i, c = std::cos(a), s = std::sin(a);
        const TestPlane plane({"", {0.1 * i, -0.3, 0.7}, {c, s, 0.3 * i}, {-std::sin(1.3 * a), 0.7 * i, c}});
        CRay ray = plane.normal;
        const Vec N = Direction(plane.normal);
        const double mu = Dot(N, N);
        roundedPastOne += mu > 1;
        SCOPED_TRACE(::testing::Message() << "plane " << i << " mu - 1 = " << mu - 1);
        EXPECT_NEAR(BareTransmittance(1.0, 1.5, mu), 0.96, 1e-12);
        EXPECT_NEAR(Refract(plane, ray, 1.0, 1.5), 0.0, 1e-5);
        EXPECT_LT(Distance(Direction(ray), N), 1e-12);
        // Equal indices pass a grazing ray straight on.
        CRay grazing = MakeRay({0, 0, 0}, Direction(plane.edge1) + 1e-9 * N);
        const Vec along = Direction(grazing);
        Refract(plane, grazing, 1.3, 1.3);
        EXPECT_LT(Distance(Direction(grazing), along), 3e-8);
    }
    EXPECT_GT(roundedPastOne, 0) << "no case exercised the rounding";
}

TEST(Directions, MirrorAndSnellOnATiltedPlane) {
    const TestPlane plane(kTilted);
    const Vec N = Direction(plane.normal), tangent = Direction(plane.edge1);
    for (auto [n1, n2] : {std::pair{1.0, 1.5}, std::pair{1.5, 1.0}, std::pair{1.33, 1.33}}) {
        // Past 90 degrees the ray meets the plane against its normal.
        for (double degrees : {0.0, 30.0, 41.0, 80.0, 100.0, 139.0, 180.0}) {
            const double theta_i = degrees * Pi / 180, c = std::cos(theta_i), s = std::sin(theta_i);
            if (n1 * s >= n2) continue;  // total internal reflection is the caller's case
            SCOPED_TRACE(::testing::Message() << n1 << " -> " << n2 << " at " << degrees);
            CRay ray = MakeRay({1, 2, 3}, c * N + s * tangent), mirrored = ray;
            Reflect(plane, mirrored);
            EXPECT_LT(Distance(Direction(mirrored), s * tangent - c * N), 1e-15);
            EXPECT_NEAR(Refract(plane, ray, n1, n2), degrees, 1e-3);  // in degrees, pi taken as 3.1416
            const Vec d = Direction(ray), across = Dot(d, N) * N;
            EXPECT_NEAR(Dot(d, d), 1.0, 1e-15);
            EXPECT_GT(c * Dot(d, N), 0);  // on through, on the side the ray travels
            EXPECT_NEAR(n1 * s, n2 * std::sqrt(Dot(d - across, d - across)), 1e-14);
            EXPECT_GT(Dot(d, tangent), -1e-15);  // bent, not turned back
        }
    }
}

// Unpolarised transmittance from the amplitude transmission coefficients, a route independent of the
// reflection coefficients under test; together they must give R + T = 1.
double TextbookTransmittance(double n1, double n2, double cosTheta_i) {
    const double cosTheta_t = std::sqrt(1 - (n1 / n2) * (n1 / n2) * (1 - cosTheta_i * cosTheta_i));
    const double t_s = 2 * n1 * cosTheta_i / (n1 * cosTheta_i + n2 * cosTheta_t);
    const double t_p = 2 * n1 * cosTheta_i / (n2 * cosTheta_i + n1 * cosTheta_t);
    return (n2 * cosTheta_t) / (n1 * cosTheta_i) * (t_s * t_s + t_p * t_p) / 2;
}

TEST(BareTransmittance, FresnelFromBothSides) {
    EXPECT_DOUBLE_EQ(BareTransmittance(1.0, 1.5, 1.0), 0.96);
    for (auto [n1, n2] : {std::pair{1.0, 1.5}, std::pair{1.5, 1.0}, std::pair{1.0, 3.5}}) {
        for (double mu : {1.0, 0.95, 0.8, 0.5, 0.1}) {
            if (n1 * n1 * (1 - mu * mu) >= n2 * n2) continue;  // total internal reflection
            EXPECT_NEAR(BareTransmittance(n1, n2, mu), TextbookTransmittance(n1, n2, mu), 1e-12) << n1 << mu;
        }
    }
    // Found by search: the caller's check sin < n2 / n1 passes, yet n2^2 - n1^2 sin^2 rounds below 0. That
    // is the critical angle, where nothing gets through.
    EXPECT_EQ(BareTransmittance(2.8808748596365441, 2.7532342440055784, 0.29436263224942172), 0.0);
}

TEST(CoatedTransmittance, AbsentQuarterWaveAndFullyReflectingCoatings) {
    // nd = n1: r12 = 0, so T = 1 - r23^2 whatever the thickness or angle.
    EXPECT_NEAR(CoatedTransmittance(1.0, 1.5, 1.0, 37, 550, 0.2), 1 - 0.2 * 0.2, 1e-15);
    // A quarter wave of index sqrt(n1 n2) transmits everything; the phase takes the incident cosine, so at
    // cos 0.5 it needs twice the thickness.
    EXPECT_NEAR(CoatedTransmittance(1.0, 2.25, 1.5, 100, 600, 1.0), 1.0, 1e-14);
    EXPECT_NEAR(CoatedTransmittance(1.0, 2.25, 1.5, 200, 600, 0.5), 1.0, 1e-14);
    // Index 0 reflects completely: its 0/0 is taken as the limit, not NaN.
    EXPECT_EQ(CoatedTransmittance(1.0, 1.5, 0.0, 0.0, 600, 1.0), 0.0);
}

// Counts in bins, each within 5 standard deviations of its expected share.
void ExpectShares(const std::vector<int>& bins, const std::vector<double>& shares, int count) {
    for (size_t b = 0; b < bins.size(); ++b)
        EXPECT_NEAR(bins[b] / double(count), shares[b], 5 * std::sqrt(shares[b] * (1 - shares[b]) / count))
            << "bin " << b;
}

TEST(IsotropicDirection, ThreeDrawsGiveAUniformDirection) {
    // Uniform over the sphere: the azimuth is uniform, and so is the z component (Archimedes).
    CRandom random(12111);
    const int count = 200000;
    std::vector<int> azimuths(8), heights(8);
    for (int i = 0; i < count; ++i) {
        CRandom threeOn = random;
        for (int k = 0; k < 3; ++k) threeOn.Next();
        CRay ray;
        IsotropicDirection(ray, random);
        ASSERT_EQ(CRandom(random).Next(), threeOn.Next()) << "draw " << i;
        ASSERT_NEAR(Dot(Direction(ray), Direction(ray)), 1.0, 1e-15);
        ++azimuths[std::min(7, static_cast<int>((std::atan2(ray.dy, ray.dx) + Pi) / (2 * Pi) * 8))];
        ++heights[std::min(7, static_cast<int>((ray.dz + 1) / 2 * 8))];
    }
    ExpectShares(azimuths, std::vector<double>(8, 1.0 / 8), count);
    ExpectShares(heights, std::vector<double>(8, 1.0 / 8), count);
}

// RandomPointOnPlane fills the parallelogram or the triangle evenly; randomised TranslateAcross fills the
// target's whole parallelogram, whatever its shape. Two draws each.
TEST(RandomPlacement, FillsTheShapeEvenly) {
    const Vec E1 = kTilted.E1, E2 = kTilted.E2;
    const double g11 = Dot(E1, E1), g12 = Dot(E1, E2), g22 = Dot(E2, E2), det = g11 * g22 - g12 * g12;
    for (bool translate : {false, true}) {
        for (uint32_t shape : {ShapeParallelogram, ShapeTriangle}) {
            SCOPED_TRACE(::testing::Message() << "translate " << translate << " shape " << shape);
            const TestPlane plane(kTilted, shape);
            const bool triangle = shape == ShapeTriangle && !translate;
            CRandom random(4242);
            const int count = 64000;
            std::vector<int> cells(16);
            for (int i = 0; i < count; ++i) {
                CRandom twoOn = random;
                twoOn.Next();
                twoOn.Next();
                CRay ray;
                if (translate) TranslateAcross(plane, plane, ray, true, random);
                if (!translate) RandomPointOnPlane(plane, ray, random);
                ASSERT_EQ(CRandom(random).Next(), twoOn.Next());
                // The edge fractions (a, b) of the point: corner + a E1 + b E2.
                const Vec d = Position(ray) - kTilted.corner;
                const double a = (g22 * Dot(d, E1) - g12 * Dot(d, E2)) / det;
                const double b = (g11 * Dot(d, E2) - g12 * Dot(d, E1)) / det;
                ASSERT_GT(a, 0);
                ASSERT_GT(b, 0);
                ASSERT_LE(triangle ? a + b : std::max(a, b), 1 + 1e-12);
                ++cells[static_cast<size_t>(static_cast<int>(a * 4) * 4 + static_cast<int>(b * 4))];
            }
            // Cells of a quarter of each edge: the triangle covers six whole and four half cells.
            std::vector<double> shares(16, 1.0 / 16);
            for (int c = 0; triangle && c < 16; ++c)
                shares[c] = c / 4 + c % 4 <= 2 ? 1.0 / 8 : c / 4 + c % 4 == 3 ? 1.0 / 16 : 0.0;
            ExpectShares(cells, shares, count);
        }
    }
}

TEST(TranslateAcross, ProportionalSwapsTheEdgeFractionsWithoutDraws) {
    const NamedPlane to = {"target", {-4, 2, 7}, {0.5, -1, 2}, {3, 0.2, 0.1}};
    const TestPlane target(to);
    CRandom random(1), reference(1);
    for (const NamedPlane& p : kPlanes) {
        const TestPlane source(p);
        // The steep plane's xy determinant is 2e-9: its fractions keep only some seven digits.
        const double tolerance = p.name == std::string("steep") ? 1e-5 : 1e-9;
        for (auto [a, b] : {std::pair{0.1, 0.9}, std::pair{0.999, 0.001}, std::pair{1.0005, 0.3}}) {
            CRay ray = MakeRay(p.corner + a * p.E1 + b * p.E2, {0.3, -0.4, 0.5});
            TranslateAcross(source, target, ray, false, random);
            const Vec expected = to.corner + b * to.E1 + a * to.E2;
            EXPECT_LT(Distance(Position(ray), expected), tolerance) << p.name << " " << a << " " << b;
        }
    }
    EXPECT_EQ(random.Next(), reference.Next());
}

// The direction tables hold what the library gives: every draw value, on a tilted plane.
TEST(DirectionTables, GiveTheLibrarysBitsForEveryDraw) {
    CPlane plane;
    plane.edge1.SetDirection(0.3, 0.9, 0.1);
    plane.edge2.SetDirection(1, -0.2, 0.4);
    plane.ComputeNormal();
    const double pi = 2 * std::asin(1.0);
    for (int r = 0; r <= CRandom::Max; ++r) {
        const int other = (r * 7919) % (CRandom::Max + 1);
        CRay fromTable, fromLibrary;
        LambertianDirectionOfDraws(plane, fromTable, r, other);
        LambertianDirection(plane, fromLibrary, 2 * pi * (r / 32768.0), std::asin(std::sqrt(other / 32768.0)));
        ASSERT_EQ(fromTable.dx, fromLibrary.dx) << r;
        ASSERT_EQ(fromTable.dy, fromLibrary.dy) << r;
        ASSERT_EQ(fromTable.dz, fromLibrary.dz) << r;
    }
    // Isotropic: three draws, the third choosing the hemisphere.
    CRandom random(99), reference(99);
    for (int n = 0; n < 100000; ++n) {
        CRay fromTable, fromLibrary;
        IsotropicDirection(fromTable, random);
        const double phi = 2 * (reference.Next() / 32767.0) * 3.1416;
        double theta = std::acos(reference.Next() / 32767.0);
        if (reference.Next() / 32767.0 > 0.5) theta = pi - theta;
        fromLibrary.SetDirection(std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta));
        fromLibrary.Normalize();
        ASSERT_EQ(fromTable.dx, fromLibrary.dx) << n;
        ASSERT_EQ(fromTable.dy, fromLibrary.dy) << n;
        ASSERT_EQ(fromTable.dz, fromLibrary.dz) << n;
    }
}

}  // namespace
}  // namespace brelix
