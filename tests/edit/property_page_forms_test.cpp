#include "edit/property_page_forms.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/messages.h"
#include "core/model.h"
#include "examples/sample_models.h"

namespace brelix {
namespace {

using L = CLayerPageForm;
using P = CPlanePageForm;

class CCollected : public IMessages {
  public:
    void Show(const std::string& text, const std::string&) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

std::string WriteFile(const std::string& name, const std::string& text) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path) << text;
    return path.string();
}

std::vector<bool> ReadOnly(const CLayerPageForm& form) {
    return {form.IsReadOnly(L::FileName), form.IsReadOnly(L::RefractiveIndex), form.IsReadOnly(L::Absorption),
            form.IsReadOnly(L::Scattering)};
}

TEST(LayerPageForm, TheKindDecidesTheBoxesAndReadOnlyFields) {
    CLayer layer;
    layer.SetConstants(3.5, 100, 0.2, 7);
    const CLayerPageForm constant(layer);
    EXPECT_EQ(constant.Text(L::RefractiveIndex), "3.5");
    EXPECT_EQ(constant.Text(L::Absorption), "100");
    EXPECT_EQ(constant.Text(L::Scattering), "7");
    EXPECT_TRUE(constant.ConstantChecked());
    EXPECT_FALSE(constant.WavelengthChecked());
    EXPECT_EQ(ReadOnly(constant), (std::vector<bool>{true, false, false, false}));
    EXPECT_TRUE(constant.IsReadOnly(L::PointCount));

    layer.SetMode(LayerTable);
    EXPECT_EQ(ReadOnly(CLayerPageForm(layer)), (std::vector<bool>{false, true, true, true}));
    layer.SetMode(LayerBand);  // neither box, nothing editable but the name
    const CLayerPageForm band(layer);
    EXPECT_FALSE(band.ConstantChecked() || band.WavelengthChecked());
    EXPECT_EQ(ReadOnly(band), (std::vector<bool>{true, true, true, true}));
}

TEST(LayerPageForm, EnableSetsTheKindAtOnceAndShowsTheHeldValues) {
    CLayer layer;
    CLayerPageForm form(layer);
    form.SetText(L::RefractiveIndex, "2.4");
    form.ClickWavelengthEnable();
    EXPECT_EQ(layer.GetMode(), uint32_t(LayerTable));  // stays when the sheet is cancelled
    EXPECT_TRUE(form.RecordChanged());
    EXPECT_EQ(form.Text(L::RefractiveIndex), "1");  // typed, never read
    EXPECT_TRUE(form.WavelengthChecked());
    form.ClickConstantEnable();
    EXPECT_EQ(layer.GetMode(), uint32_t(LayerConstant));
}

TEST(LayerPageForm, LoadButtonsReadTheTableInTheirFormat) {
    const std::string path = WriteFile("brelix-form-wnks.txt", "600\t3.9\t0.02\t1\n500\t4.2\t0.01\t0\n");
    CLayer layer;
    CCollected messages;
    {
        CLayerPageForm form(layer);
        form.SetText(L::FileName, path);
        EXPECT_EQ(form.Load(1, messages), std::nullopt);
        EXPECT_EQ(form.Text(L::PointCount), "2");
    }
    EXPECT_EQ(layer.GetFileName(LayerTable), path);
    ASSERT_EQ(layer.GetPointCount(LayerTable), 2u);
    EXPECT_DOUBLE_EQ(layer.optics[0].rindx, 4.2f);
    EXPECT_NEAR(layer.optics[0].alpha, 2513.3, 0.1);  // from k
    EXPECT_TRUE(messages.texts.empty());

    CLayerPageForm form(layer);
    form.SetText(L::FileName, path + ".missing");
    form.Load(0, messages);
    EXPECT_EQ(form.Text(L::PointCount), "0");
    EXPECT_EQ(messages.texts, (std::vector<std::string>{"Error could not open \"" + path + ".missing\""}));
    std::filesystem::remove(path);
}

TEST(LayerPageForm, OkStoresWhatItReadBeforeItsCheck) {
    CLayer layer;
    layer.SetConstants(1.5, 3, 0.4, 2);
    CLayerPageForm form(layer);
    form.SetText(L::Name, "Slab");
    form.SetPathLength(true);
    form.SetText(L::RefractiveIndex, "3.5");
    form.SetText(L::Absorption, "100");
    form.SetText(L::Scattering, "0");
    ASSERT_EQ(form.Accept(), std::nullopt);
    EXPECT_EQ(layer.GetName(), "Slab");
    EXPECT_EQ(layer.GetPathLength(), 1);
    const COpticalPoint& c = layer.optics.GetConstants();
    EXPECT_EQ((std::vector<double>{c.rindx, c.alpha, c.extnc, c.scatt}),
              (std::vector<double>{3.5, 100, 0, 0}));

    // Scattering is read before absorption and index: its refusal leaves them, and the path length, as held.
    CLayerPageForm bad(layer);
    bad.SetText(L::Name, "Renamed");
    bad.SetText(L::Scattering, "x");
    bad.SetText(L::RefractiveIndex, "9");
    bad.SetPathLength(false);
    const std::optional<CFieldRefusal> refusal = bad.Accept();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->field, L::Scattering);
    EXPECT_EQ(layer.GetName(), "Renamed");
    EXPECT_EQ(layer.GetRefractiveIndex(0), 3.5);
    EXPECT_EQ(layer.GetPathLength(), 1);
    EXPECT_TRUE(bad.RecordChanged());
}

// A model of the slab example: air, slab, air, two planes each; the planes of the middle layer are
// "Front" and "Rear".
class PlanePageForm : public testing::Test {
  protected:
    void SetUp() override {
        samples::BuildSlab(batch, 3.5, 100, 100);
        batch.model[0].name = "";
        batch.model[1][1].name = "";
    }
    CPlane& Plane() { return batch.model[1][0]; }
    CPlanePageForm Form() { return CPlanePageForm(Plane(), batch.model[1], batch.model); }
    CBatch batch;
};

TEST_F(PlanePageForm, ListsAndTheTypeRule) {
    Plane().planeType = TranslateAcrossProportional;
    Plane().PlnTransmit = 1;
    Plane().LyrTransmit = 0;
    CPlanePageForm form = Form();
    EXPECT_EQ(P::TypeEntries().size(), 10u);
    EXPECT_EQ(P::TypeEntries()[9], "Randomise Tail Transmit Subdivide");
    EXPECT_EQ(form.LayerList(), (std::vector<std::string>{"Layer 0", "Slab", "Air below"}));
    EXPECT_EQ(form.PlaneList(), (std::vector<std::string>{"Front", "Plane 1"}));
    EXPECT_EQ(form.PlaneSelection(), 1);
    EXPECT_EQ(form.LayerSelection(), 0);
    EXPECT_EQ(form.TypeSelection(), 5);
    EXPECT_EQ(form.TransmitLabel(), "Transmit onto Plane?");
    EXPECT_TRUE(form.ShowsPlaneList());
    EXPECT_FALSE(form.ShowsLayerList());

    form.SelectType(PlanarReflector);
    EXPECT_EQ(form.TransmitLabel(), "");
    EXPECT_FALSE(form.ShowsPlaneList() || form.ShowsLayerList());
    form.SelectType(RandomiseTailTransmit);
    EXPECT_EQ(form.TransmitLabel(), "Transmit into Layer?");
    EXPECT_TRUE(form.ShowsLayerList());
    EXPECT_EQ(Plane().planeType, uint32_t(TranslateAcrossProportional));  // until OK
}

TEST_F(PlanePageForm, OkWithoutAListSelectionKeepsTheStoredValues) {
    Plane().planeType = TransmitSubdivideAngle;  // not offered by the list
    Plane().LyrTransmit = 7;
    Plane().PlnTransmit = -1;
    Plane().SetPlaneMode(0);
    CPlanePageForm form = Form();
    EXPECT_EQ(form.TypeSelection(), -1);
    EXPECT_EQ(form.LayerSelection(), -1);
    EXPECT_EQ(form.PlaneSelection(), -1);
    form.SetText(P::Reflectance, "0.25");
    ASSERT_EQ(form.Accept(), std::nullopt);
    EXPECT_EQ(Plane().planeType, uint32_t(TransmitSubdivideAngle));
    EXPECT_EQ(Plane().LyrTransmit, 7);
    EXPECT_EQ(Plane().PlnTransmit, -1);
    EXPECT_EQ(Plane().GetPlaneMode(), 0u);  // neither box: the kind stays
    EXPECT_EQ(Plane().GetConstReflectance(), 0.25);
}

TEST_F(PlanePageForm, OkStoresNothingOnARefusalAndNeverTheFileName) {
    Plane().SetFileName("front.txt");
    CPlanePageForm form = Form();
    form.SetText(P::Name, "Renamed");
    form.SetText(P::FileName, "other.txt");
    form.SetText(P::NDielectric, "nan");
    const std::optional<CFieldRefusal> refusal = form.Accept();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->field, P::NDielectric);
    EXPECT_EQ(Plane().GetName(), "Front");

    form.SetText(P::NDielectric, "1.92");
    form.SetText(P::TDielectric, "78");
    EXPECT_EQ(form.ClickConstantEnable(), std::nullopt);
    EXPECT_TRUE(form.IsReadOnly(P::FileName));
    EXPECT_EQ(Plane().GetPlaneMode(), 0u);  // the box acts on OK
    form.SelectType(PlanarSingleLayerAR);
    form.SelectLayer(2);
    ASSERT_EQ(form.Accept(), std::nullopt);
    EXPECT_EQ(Plane().GetName(), "Renamed");
    EXPECT_EQ(Plane().GetFileName(), "front.txt");
    EXPECT_EQ(Plane().GetPlaneMode(), uint32_t(PlaneConstant));
    EXPECT_EQ(Plane().planeType, uint32_t(PlanarSingleLayerAR));
    EXPECT_EQ(Plane().LyrTransmit, 2);
    EXPECT_EQ(Plane().GetConstDielectricIndex(), 1.92);
    EXPECT_EQ(Plane().GetConstDielectricThickness(), 78);
    EXPECT_FALSE(form.RecordChanged());
}

TEST_F(PlanePageForm, LoadAndEdgesChangeThePlaneAtOnce) {
    const std::string path = WriteFile("brelix-form-wr.txt", "400\t0.3\n\n500\t0.1\n");
    CCollected messages;
    {
        CPlanePageForm form = Form();
        EXPECT_EQ(form.ClickWavelengthEnable(), std::nullopt);
        EXPECT_FALSE(form.IsReadOnly(P::FileName));
        EXPECT_TRUE(form.IsReadOnly(P::Reflectance));
        form.SetText(P::FileName, path);
        form.LoadReflectance(messages);
        EXPECT_EQ(form.Text(P::PointCount), "3");  // the blank line repeats a row

        form.SetText(P::Name, "Typed");
        EXPECT_EQ(form.BeginEdges(), std::nullopt);
        EXPECT_EQ(form.HeldName(), "Typed");
        form.EndEdges("From the edges", true);
        EXPECT_EQ(form.Text(P::Name), "From the edges");
        EXPECT_TRUE(form.RecordChanged());
    }
    EXPECT_EQ(Plane().GetFileName(), path);
    EXPECT_EQ(Plane().GetPointCount(), 3u);
    EXPECT_EQ(Plane().GetName(), "Front");  // the name goes with OK only
    EXPECT_TRUE(messages.texts.empty());
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace brelix
