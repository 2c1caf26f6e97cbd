#include "core/model.h"

#include <gtest/gtest.h>

#include "examples/sample_models.h"
#include "optics/formulas.h"

namespace brelix {
namespace {

TEST(COwningList, InsertAndRemoveRules) {
    CLayer layer;
    CPlane& first = layer.InsertAfterCurrent();  // empty: appended, current stays 0
    EXPECT_EQ(layer.GetCurrent(), 0u);
    CPlane& last = layer.InsertAfterCurrent();
    EXPECT_EQ(layer.GetCurrent(), 1u);
    layer.SetCurrent(0);
    CPlane& middle = layer.InsertAfterCurrent();
    EXPECT_EQ(layer.GetCurrent(), 1u);
    EXPECT_EQ(layer.GetAt(0), &first);
    EXPECT_EQ(layer.GetAt(1), &middle);
    EXPECT_EQ(layer.GetAt(2), &last);

    layer.SetCurrent(2);
    layer.RemoveAt(2);  // the current last element: current moves to the new last
    EXPECT_EQ(layer.GetCurrent(), 1u);
    layer.RemoveAt(7);  // out of range: nothing
    layer.RemoveAt(0);
    layer.RemoveAt(0);
    EXPECT_EQ(layer.GetCount(), 0u);
    EXPECT_EQ(layer.GetCurrent(), 0u);
    EXPECT_EQ(layer.GetAt(0), nullptr);
    EXPECT_EQ(layer.GetAt(4000000000u), nullptr);

    // RemoveAll keeps a layer's current index but resets a model's.
    layer.Append();
    layer.Append();
    layer.RemoveAll();
    EXPECT_EQ(layer.GetCurrent(), 1u);
    CModel model;
    model.Append();
    model.Append();
    model.RemoveAll();
    EXPECT_EQ(model.GetCurrent(), 0u);
}

// A swapped copy covers the same area facing the other way: what meets the original's front meets the
// copy's back. It keeps the optical data.
TEST(CPlane, ASwappedCopyFacesTheOtherWay) {
    CPlane top;
    samples::SetPlane(top, {1, 2, 3}, {0, 4, 0}, {5, 0, 0});  // normal +z
    top.SetName("Top");
    top.SetPlaneMode(PlaneTable);
    top.optics.InsertSorted(COpticalPoint{.wavelength = 500, .reflectance = 0.3}, ERowCount::Table);
    CPlane same, swapped;
    same.CopyFrom(top);
    swapped.CopyFrom(top, true);
    EXPECT_EQ(swapped.GetName(), "!Top");
    EXPECT_EQ(swapped.GetReflectance(600), 0.3);
    auto ray = [](double x, double dz) {
        CRay r;
        r.SetPosition(x, 3, 3 - 2 * dz);
        r.SetDirection(0, 0, dz);
        return r;
    };
    for (double dz : {1.0, -1.0}) {
        const EHit front = dz > 0 ? EHit::Front : EHit::Back, back = dz > 0 ? EHit::Back : EHit::Front;
        EXPECT_EQ(HitTest(top, ray(4, dz)).kind, front);
        EXPECT_EQ(HitTest(same, ray(4, dz)).kind, front);
        EXPECT_EQ(HitTest(swapped, ray(4, dz)).kind, back);
    }
    EXPECT_EQ(HitTest(swapped, ray(7, -1.0)).kind, EHit::Miss);  // beside it
}

TEST(Describe, LayerAndPlaneLines) {
    CLayer layer;
    layer.SetName("Glass");
    EXPECT_EQ(layer.Describe(),
              "Glass:           {Pathln=false; } {ConstOpt:  rindx=1.000;  extnc=0.000;  alpha=0.000;  scatt=0.000}");
    layer.SetName("Crystalline silicon wafer");  // cut to 15, no padding
    layer.SetPathLength(1);
    layer.SetMode(LayerTable);
    layer.SetFileName("si.txt", LayerTable);
    layer.optics.InsertSorted(COpticalPoint{.wavelength = 500}, ERowCount::Table);
    EXPECT_EQ(layer.Describe(), "Crystalline sil:{Pathln=true; } {WavelOpt:  DataFile=\"      si.txt\";  DataPoints=1}");

    CPlane plane;
    plane.SetName("Top");
    plane.LyrTransmit = 1;
    plane.PlnTransmit = -2;
    EXPECT_EQ(plane.Describe(),
              "Top:             {type=PlnBare; shape=PrllPpd; LyrTransmit=1; PlnTransmit=-2; } "
              "{Awaiting Conversion to PlnOpt organisation}");
    plane.planeType = TransmitSubdivideAngle;
    plane.shape = ShapeTriangle;
    EXPECT_NE(plane.Describe().find("{type=TransSubdvAngle; shape=Tranglr; "), std::string::npos);
    plane.planeType = 11;
    plane.shape = 2;
    EXPECT_NE(plane.Describe().find("{type=Unknwn; shape=Unknwn; "), std::string::npos);
}

}  // namespace
}  // namespace brelix
