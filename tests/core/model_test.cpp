#include "core/model.h"

#include <gtest/gtest.h>

namespace brelix {
namespace {

TEST(CLayerList, InsertAfterCurrentAndRemoveRules) {
    CLayer layer;
    CPlane& first = layer.InsertAfterCurrent();
    EXPECT_EQ(layer.GetCount(), 1u);
    EXPECT_EQ(layer.GetCurrent(), 0u);
    CPlane& second = layer.InsertAfterCurrent();
    EXPECT_EQ(layer.GetCurrent(), 1u);
    EXPECT_EQ(layer.GetAt(1), &second);

    // Insert after a current in the middle.
    layer.SetCurrent(0);
    CPlane& middle = layer.InsertAfterCurrent();
    EXPECT_EQ(layer.GetCurrent(), 1u);
    EXPECT_EQ(layer.GetAt(0), &first);
    EXPECT_EQ(layer.GetAt(1), &middle);
    EXPECT_EQ(layer.GetAt(2), &second);

    // Removing the current last element moves current to the new last one.
    layer.SetCurrent(2);
    layer.RemoveAt(2);
    EXPECT_EQ(layer.GetCount(), 2u);
    EXPECT_EQ(layer.GetCurrent(), 1u);
    // Removing before the current keeps the index (positions renumber).
    layer.RemoveAt(0);
    EXPECT_EQ(layer.GetCurrent(), 0u);
    EXPECT_EQ(layer.GetAt(0), &middle);
    layer.RemoveAt(5);  // out of range: nothing
    EXPECT_EQ(layer.GetCount(), 1u);
    layer.RemoveAt(0);
    EXPECT_EQ(layer.GetCount(), 0u);
    EXPECT_EQ(layer.GetCurrent(), 0u);
    EXPECT_EQ(layer.GetAt(0), nullptr);
    EXPECT_EQ(layer.GetAt(4000000000u), nullptr);

    // Append makes the new element current.
    layer.Append();
    layer.Append();
    layer.Append();
    EXPECT_EQ(layer.GetCurrent(), 2u);
}

TEST(CModelList, RemoveAllResetsCurrentOnlyOnTheModel) {
    CLayer layer;
    layer.Append();
    layer.Append();
    layer.RemoveAll();
    EXPECT_EQ(layer.GetCount(), 0u);
    EXPECT_EQ(layer.GetCurrent(), 1u);
    layer.InsertAfterCurrent();  // an empty list appends and starts at 0 again
    EXPECT_EQ(layer.GetCurrent(), 0u);

    CModel model;
    model.Append();
    model.Append();
    model.RemoveAll();
    EXPECT_EQ(model.GetCount(), 0u);
    EXPECT_EQ(model.GetCurrent(), 0u);

    // Removing the last remaining layer leaves count 0 and current 0.
    model.Append();
    model.RemoveAt(0);
    EXPECT_EQ(model.GetLayerCount(), 0u);
    EXPECT_EQ(model.GetCurrent(), 0u);
}

TEST(CPlane, DefaultGeometryAndNormal) {
    CPlane plane;
    EXPECT_EQ(plane.edge1.dy, 1.0);
    EXPECT_EQ(plane.edge2.dx, 1.0);
    EXPECT_EQ(plane.normal.dx, 0.0);
    EXPECT_EQ(plane.normal.dy, 0.0);
    EXPECT_EQ(plane.normal.dz, 1.0);
    EXPECT_EQ(plane.normal.step, 1.0);
}

TEST(CPlane, SwappedCopyFacesTheOtherWay) {
    CPlane top;
    top.SetName("Top");
    top.edge1.SetPosition(1, 2, 3);
    top.edge1.SetDirection(0, 1, 0);
    top.edge1.step = 4;
    top.edge2.SetPosition(1, 2, 3);
    top.edge2.SetDirection(1, 0, 0);
    top.edge2.step = 5;
    top.ComputeNormal();
    top.planeType = LambertianReflector;
    top.shape = ShapeTriangle;
    top.LyrTransmit = 2;
    top.PlnTransmit = -1;
    top.drawEdge[2] = 2;
    top.SetPlaneMode(PlaneTable);
    top.optics.InsertSorted(COpticalPoint{.wavelength = 500, .reflectance = 0.3}, ERowCount::Table);

    CPlane copy;
    copy.CopyFrom(top);
    EXPECT_EQ(copy.GetName(), "Top");
    EXPECT_EQ(copy.normal.dz, 1.0);
    EXPECT_EQ(copy.edge1.step, 4.0);

    CPlane swapped;
    swapped.CopyFrom(top, true);
    EXPECT_EQ(swapped.GetName(), "!Top");
    EXPECT_EQ(swapped.edge1.dx, 1.0);
    EXPECT_EQ(swapped.edge1.step, 5.0);
    EXPECT_EQ(swapped.edge2.dy, 1.0);
    EXPECT_EQ(swapped.edge2.step, 4.0);
    EXPECT_EQ(swapped.edge1.x, 1.0);
    EXPECT_EQ(swapped.normal.dz, -1.0);
    EXPECT_EQ(swapped.normal.x, 1.0);  // the normal starts at the new edge 2's corner
    EXPECT_EQ(swapped.planeType, LambertianReflector);
    EXPECT_EQ(swapped.shape, ShapeTriangle);
    EXPECT_EQ(swapped.LyrTransmit, 2);
    EXPECT_EQ(swapped.PlnTransmit, -1);
    EXPECT_EQ(swapped.drawEdge[2], 2);
    // The "W R" table comes along.
    EXPECT_EQ(swapped.GetPointCount(), 1u);
    EXPECT_EQ(swapped.GetReflectance(600), 0.3);
}

TEST(CModel, DeepCopyIsIndependent) {
    CModel model;
    CLayer& glass = model.Append();
    glass.SetName("Glass");
    glass.SetConstants(1.5, 2, 0, 0);
    glass.Append().SetName("Top");
    glass.Append().SetName("Bottom");
    glass.SetCurrent(0);
    model.Append().SetName("Air");
    model.SetCurrent(0);
    CRay ray;
    model.FindOrAddResult(ray);

    CModel copy;
    copy.Append();
    copy.CopyFrom(model);
    ASSERT_EQ(copy.GetLayerCount(), 2u);
    EXPECT_EQ(copy.GetCurrent(), 0u);
    EXPECT_EQ(copy[0].GetName(), "Glass");
    EXPECT_EQ(copy[0].GetCount(), 2u);
    EXPECT_EQ(copy[0].GetCurrent(), 0u);
    EXPECT_EQ(copy[0][1].GetName(), "Bottom");
    EXPECT_EQ(copy[0].GetRefractiveIndex(0), 1.5);
    EXPECT_EQ(copy.results.GetSize(), 0u);  // results are not copied
    EXPECT_EQ(copy[0].results.GetSize(), 0u);

    model[0][0].SetName("Changed");
    EXPECT_EQ(copy[0][0].GetName(), "Top");
}

TEST(Describe, LayerLines) {
    CLayer glass;
    glass.SetName("Glass");
    EXPECT_EQ(glass.Describe(),
              "Glass:           {Pathln=false; } {ConstOpt:  rindx=1.000;  extnc=0.000;  alpha=0.000;  scatt=0.000}");

    CLayer longName;
    longName.SetName("Crystalline silicon wafer");
    longName.SetPathLength(1);
    longName.SetMode(LayerTable);
    longName.SetFileName("si.txt", LayerTable);
    longName.optics.InsertSorted(COpticalPoint{.wavelength = 500}, ERowCount::Table);
    EXPECT_EQ(longName.Describe(),
              "Crystalline sil:{Pathln=true; } {WavelOpt:  DataFile=\"      si.txt\";  DataPoints=1}");

    CLayer sixteen;
    sixteen.SetName("0123456789abcdef");
    sixteen.SetConstants(3.5, 12.25, 0.0125, 1e6);
    EXPECT_EQ(sixteen.Describe(),
              "0123456789abcde:{Pathln=false; } {ConstOpt:  rindx=3.500;  extnc=0.013;  alpha=12.250;  "
              "scatt=1000000.000}");
}

TEST(Describe, PlaneLines) {
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
    EXPECT_STREQ(PlaneTypeLabel(RandomiseTailTransmitSubdivide), "Randomise Tail Transmit Subdivide");
    EXPECT_STREQ(PlaneTypeLabel(TransmitSubdivideAngle), "");
    EXPECT_STREQ(PlaneTypeKey(TranslateAcrossRandomizeTail), "TransAcrssRndTail; ");
}

}  // namespace
}  // namespace brelix
