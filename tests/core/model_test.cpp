#include "core/model.h"

#include <gtest/gtest.h>

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

TEST(CPlane, DefaultNormalAndSwappedCopy) {
    CPlane top;
    EXPECT_EQ(top.normal.dz, 1.0);  // unit(E2 x E1) of the default edges
    top.SetName("Top");
    top.edge1.SetPosition(1, 2, 3);
    top.edge1.step = 4;
    top.edge2.SetPosition(1, 2, 3);
    top.edge2.step = 5;
    top.ComputeNormal();
    top.planeType = LambertianReflector;
    top.LyrTransmit = 2;
    top.PlnTransmit = -1;
    top.drawEdge[2] = 2;
    top.SetPlaneMode(PlaneTable);
    top.optics.InsertSorted(COpticalPoint{.wavelength = 500, .reflectance = 0.3}, ERowCount::Table);

    CPlane swapped;
    swapped.CopyFrom(top, true);
    EXPECT_EQ(swapped.GetName(), "!Top");
    EXPECT_EQ(swapped.edge1.dx, 1.0);
    EXPECT_EQ(swapped.edge1.step, 5.0);
    EXPECT_EQ(swapped.edge2.dy, 1.0);
    EXPECT_EQ(swapped.edge2.step, 4.0);
    EXPECT_EQ(swapped.normal.dz, -1.0);
    EXPECT_EQ(swapped.normal.x, 1.0);
    EXPECT_EQ(swapped.planeType, LambertianReflector);
    EXPECT_EQ(swapped.LyrTransmit, 2);
    EXPECT_EQ(swapped.PlnTransmit, -1);
    EXPECT_EQ(swapped.drawEdge[2], 2);
    EXPECT_EQ(swapped.GetReflectance(600), 0.3);  // the "W R" table comes along

    CPlane copy;
    copy.CopyFrom(top);
    EXPECT_EQ(copy.GetName(), "Top");
    EXPECT_EQ(copy.normal.dz, 1.0);
}

TEST(CModel, DeepCopyIsIndependentAndLeavesResults) {
    CModel model;
    CLayer& glass = model.Append();
    glass.SetName("Glass");
    glass.SetConstants(1.5, 2, 0, 0);
    glass.Append().SetName("Top");
    glass.Append().SetName("Bottom");
    glass.SetCurrent(0);
    model.FindOrAddResult(CRay());

    CModel copy;
    copy.Append();
    copy.CopyFrom(model);
    ASSERT_EQ(copy.GetLayerCount(), 1u);
    EXPECT_EQ(copy[0].GetCurrent(), 0u);
    EXPECT_EQ(copy[0][1].GetName(), "Bottom");
    EXPECT_EQ(copy[0].GetRefractiveIndex(0), 1.5);
    EXPECT_EQ(copy.results.GetSize(), 0u);
    model[0][0].SetName("Changed");
    EXPECT_EQ(copy[0][0].GetName(), "Top");
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
