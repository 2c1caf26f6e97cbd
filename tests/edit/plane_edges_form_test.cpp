#include "edit/plane_edges_form.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/model.h"
#include "examples/sample_models.h"

namespace brelix {
namespace {

using F = CPlaneEdgesForm;

std::vector<std::string> Texts(const CPlaneEdgesForm& form, std::initializer_list<F::EField> fields) {
    std::vector<std::string> texts;
    for (F::EField field : fields) texts.push_back(form.Text(field));
    return texts;
}

std::vector<std::string> NormalVector(const CPlaneEdgesForm& form) {
    return Texts(form, {F::NormalX, F::NormalY, F::NormalZ});
}

TEST(PlaneEdgesForm, OpensWithVectorsLengthsAndTheStoredNormal) {
    CPlane plane;
    samples::SetPlane(plane, {1, 2, 3}, {0, 4, 0}, {2, 0, 0});
    plane.drawEdge[2] = 2;
    const CPlaneEdgesForm form(plane, "Front");
    EXPECT_EQ(Texts(form, {F::Edge1x, F::Edge1y, F::Edge1z, F::Edge1X, F::Edge1Y, F::Edge1Z, F::Edge1Length}),
              (std::vector<std::string>{"1", "2", "3", "0", "4", "0", "4"}));
    EXPECT_EQ(Texts(form, {F::Edge2X, F::Edge2Length}), (std::vector<std::string>{"2", "2"}));
    EXPECT_EQ(NormalVector(form), (std::vector<std::string>{"0", "0", "1"}));  // (2, 0, 0) x (0, 4, 0)
    EXPECT_EQ(Texts(form, {F::Normalx, F::Normalz, F::NormalLength}),
              (std::vector<std::string>{"1", "3", "1"}));
    EXPECT_EQ(form.Name(), "Front");
    EXPECT_EQ(form.Shape(), 0);
    EXPECT_EQ(form.DrawEdge(2), 2);
    EXPECT_FALSE(form.RecordChanged());
}

TEST(PlaneEdgesForm, AnEdgeOf3_0_4HasLength5AndKeepsItsVector) {
    CPlane plane;
    CPlaneEdgesForm form(plane, "");
    form.SetText(F::Edge1X, "3");
    form.SetText(F::Edge1Y, "0");
    form.SetText(F::Edge1Z, "4");
    EXPECT_EQ(form.LeaveField(F::Edge1Z), std::nullopt);
    EXPECT_EQ(form.Text(F::Edge1Length), "5");
    EXPECT_EQ(Texts(form, {F::Edge1X, F::Edge1Y, F::Edge1Z}), (std::vector<std::string>{"3", "0", "4"}));
    EXPECT_EQ(plane.edge1.step, 5);
    EXPECT_DOUBLE_EQ(plane.edge1.dx, 0.6);
    EXPECT_DOUBLE_EQ(plane.edge1.dz, 0.8);
    // unit((1, 0, 0) x (3, 0, 4)) = (0, -1, 0)
    EXPECT_EQ(NormalVector(form), (std::vector<std::string>{"0", "-1", "0"}));
    EXPECT_EQ(form.Text(F::NormalLength), "1");
}

TEST(PlaneEdgesForm, TheCornerIsSharedAndWrittenAtOnce) {
    CPlane plane;
    CPlaneEdgesForm form(plane, "");
    form.SetText(F::Edge2y, "-7.5");
    EXPECT_EQ(form.LeaveField(F::Edge2y), std::nullopt);
    EXPECT_EQ(form.Text(F::Edge1y), "-7.5");
    EXPECT_EQ(plane.edge1.y, -7.5);
    EXPECT_EQ(plane.edge2.y, -7.5);
    EXPECT_EQ(plane.normal.y, -7.5);  // the normal starts at edge 2's corner
    EXPECT_TRUE(form.RecordChanged());

    form.SetText(F::Edge1z, "2");
    form.LeaveField(F::Edge1z);
    EXPECT_EQ(form.Text(F::Edge2z), "2");
    EXPECT_EQ(plane.edge2.z, 2);
}

TEST(PlaneEdgesForm, ParallelOrZeroEdgesGiveAZeroNormalOfLength1) {
    for (const char* second : {"0", "5"}) {  // a zero edge 2, then one parallel to edge 1
        CPlane plane;
        CPlaneEdgesForm form(plane, "");
        form.SetText(F::Edge2X, "0");
        form.SetText(F::Edge2Y, second);
        form.LeaveField(F::Edge2Y);
        EXPECT_EQ(NormalVector(form), (std::vector<std::string>{"0", "0", "0"})) << second;
        EXPECT_EQ(form.Text(F::NormalLength), "1");
        if (std::string(second) == "0") {
            EXPECT_EQ(form.Text(F::Edge2Length), "0");
            EXPECT_EQ(plane.edge2.step, 0);
            EXPECT_EQ(plane.edge2.dx, 0);
        }
    }
}

TEST(PlaneEdgesForm, SwapReversesTheNormalAndExchangesTheDrawFlags) {
    CPlane plane;
    samples::SetPlane(plane, {0, 0, -50}, {0, 10, 0}, {6, 0, 8});
    CPlaneEdgesForm form(plane, "");
    for (int edge = 0; edge < 4; ++edge) form.SetDrawEdge(edge, edge == 0 ? 0 : edge == 2 ? 2 : 1);
    const CRay before = plane.normal;
    EXPECT_EQ(form.Swap(), std::nullopt);
    EXPECT_EQ(Texts(form, {F::Edge1X, F::Edge1Y, F::Edge1Z, F::Edge2Y}),
              (std::vector<std::string>{"6", "0", "8", "10"}));
    EXPECT_EQ(plane.normal.dx, -before.dx);
    EXPECT_EQ(plane.normal.dy, -before.dy);
    EXPECT_EQ(plane.normal.dz, -before.dz);
    EXPECT_EQ(NormalVector(form)[2], FieldText(-before.dz));
    EXPECT_EQ((std::vector<int32_t>{form.DrawEdge(0), form.DrawEdge(1), form.DrawEdge(2), form.DrawEdge(3)}),
              (std::vector<int32_t>{1, 0, 1, 2}));
    // The flags reach the plane only with OK.
    EXPECT_EQ(plane.drawEdge[0], 1);
    EXPECT_EQ(plane.drawEdge[2], 1);
    EXPECT_EQ(form.Accept(), std::nullopt);
    EXPECT_EQ(
        (std::vector<int32_t>{plane.drawEdge[0], plane.drawEdge[1], plane.drawEdge[2], plane.drawEdge[3]}),
        (std::vector<int32_t>{1, 0, 1, 2}));
}

TEST(PlaneEdgesForm, CancelKeepsTheRecomputedGeometryButDropsTheFlags) {
    CPlane plane;
    {
        CPlaneEdgesForm form(plane, "");
        form.SetText(F::Edge1Y, "3");
        form.LeaveField(F::Edge1Y);
        form.SetDrawEdge(3, 0);
        EXPECT_EQ(form.SelectShape(1), std::nullopt);
    }
    EXPECT_EQ(plane.edge1.step, 3);
    EXPECT_EQ(plane.shape, uint32_t(ShapeTriangle));
    EXPECT_EQ(plane.drawEdge[3], 1);

    // A shape the list does not hold is kept.
    plane.shape = 7;
    CPlaneEdgesForm form(plane, "");
    EXPECT_EQ(form.Shape(), -1);
    form.LeaveField(F::Edge1X);
    EXPECT_EQ(plane.shape, 7u);
}

TEST(PlaneEdgesForm, ABadFieldStopsTheReadAndTheRestIsWrittenAsRead) {
    CPlane plane;
    CPlaneEdgesForm form(plane, "");
    form.SetText(F::Edge1X, "2");
    form.SetText(F::Edge1Y, "inf");
    form.SetText(F::Edge2X, "9");
    const std::optional<CFieldRefusal> refusal = form.Accept();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->field, F::Edge1Y);
    EXPECT_EQ(refusal->message, "Please enter a number.");
    EXPECT_EQ(Texts(form, {F::Edge1X, F::Edge1Y, F::Edge2X}), (std::vector<std::string>{"2", "1", "1"}));
    EXPECT_DOUBLE_EQ(plane.edge1.step, std::sqrt(5.0));  // (2, 1, 0): the X as read, the Y as held
    EXPECT_EQ(plane.edge2.step, 1);
}

}  // namespace
}  // namespace brelix
