#include "edit/batch_builder_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/messages.h"

namespace brelix {
namespace {

using F = CBatchBuilderForm;

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

TEST(BatchBuilderForm, OpensWithTheBatchAndItsReadOnlyRules) {
    CBatch batch;
    batch.name = "Wafer";
    batch.minIntensity = 0.0005;
    batch.subdivideTheta = 7;
    batch.spectrum.InsertSorted(400, 0.5);
    CBatchBuilderForm form(batch);
    EXPECT_EQ(form.Text(F::Name), "Wafer");
    EXPECT_EQ(form.Text(F::MinIntensity), "0.0005");
    EXPECT_EQ(form.Text(F::SubdivideTheta), "7");
    EXPECT_EQ(form.Text(F::ConstantIntensity), "1");
    EXPECT_EQ(form.Text(F::PointCount), "1");
    // Constant spectrum: the file name is read-only; the count always is.
    EXPECT_TRUE(form.IsReadOnly(F::SpectrumFile));
    EXPECT_FALSE(form.IsReadOnly(F::ConstantIntensity));
    EXPECT_TRUE(form.IsReadOnly(F::PointCount));
    EXPECT_FALSE(form.IsReadOnly(F::WavelengthStep));

    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    batch.useSpectrumFile = 1;
    const CBatchBuilderForm file(batch);
    EXPECT_FALSE(file.IsReadOnly(F::SpectrumFile));
    EXPECT_TRUE(file.IsReadOnly(F::ConstantIntensity));
    for (F::EField field : {F::WavelengthStart, F::WavelengthStop, F::WavelengthStep})
        EXPECT_TRUE(file.IsReadOnly(field));
    EXPECT_FALSE(file.IsReadOnly(F::XStart));

    batch.fileSpectrum = 0;  // neither: both editable
    const CBatchBuilderForm neither(batch);
    EXPECT_FALSE(neither.IsReadOnly(F::SpectrumFile));
    EXPECT_FALSE(neither.IsReadOnly(F::ConstantIntensity));
}

TEST(BatchBuilderForm, PlotListsAndThePlotValueOfOk) {
    CBatch batch;
    batch.wavelengthSweep = {400, 700, 100, 600};  // 400, 500, 600, 700; 600 is entry 2
    batch.xSweep = {5, 10, 0, 5};                  // Step 0: one entry, no selection
    batch.ySweep = {3, 2, 1, 3};                   // Start > Stop: empty
    batch.zSweep = {0, 1, 0.5, 9};                 // beyond the list: no selection
    batch.azimuthSweep = {0, 10, -2, 0};           // a negative step (from a document): one entry
    batch.declinationSweep = {0, 1, 0.25, 0.6};    // 0.6 lies between entries 2 and 3: truncated to 2
    CBatchBuilderForm form(batch);
    EXPECT_EQ(form.PlotList(F::Wavelength),
              (std::vector<std::string>{"400.00", "500.00", "600.00", "700.00"}));
    EXPECT_EQ(form.PlotSelection(F::Wavelength), 2);
    EXPECT_EQ(form.PlotList(F::X), (std::vector<std::string>{"5.00"}));
    EXPECT_EQ(form.PlotSelection(F::X), -1);
    EXPECT_TRUE(form.PlotList(F::Y).empty());
    EXPECT_EQ(form.PlotSelection(F::Z), -1);
    EXPECT_EQ(form.PlotList(F::Azimuth).size(), 1u);
    EXPECT_EQ(form.PlotSelection(F::Declination), 2);

    // A negative step, which a document may hold, is refused by OK.
    EXPECT_EQ(form.Accept(),
              (CFieldRefusal{F::AzimuthStep, "Please enter a number between 0 and 10000000."}));
    form.SetText(F::AzimuthStep, "2");

    // The chosen position stays; its value follows the new Start and Step.
    form.SetText(F::WavelengthStart, "300");
    form.SetText(F::WavelengthStep, "50");
    ASSERT_EQ(form.Accept(), std::nullopt);
    EXPECT_EQ(batch.wavelengthSweep.plotValue, 400);
    EXPECT_EQ(batch.wavelengthSweep.start, 300);
    EXPECT_EQ(batch.xSweep.plotValue, 5);      // -1 x 0 + Start
    EXPECT_EQ(batch.ySweep.plotValue, 3 - 1);  // Start - Step
    EXPECT_EQ(batch.zSweep.plotValue, 0 - 0.5);
    EXPECT_EQ(batch.declinationSweep.plotValue, 0.5);
}

TEST(BatchBuilderForm, PlotListsStayShortWhateverTheStep) {
    CBatch batch;
    batch.wavelengthSweep = {0, 1, 1e-9, 0};  // a billion values
    batch.xSweep = {1e20, 2e20, 1, 0};        // 1 cannot move 1e20 on
    const CBatchBuilderForm form(batch);
    EXPECT_EQ(form.PlotList(F::Wavelength).size(), F::kPlotListLimit);
    EXPECT_TRUE(form.PlotListCut(F::Wavelength));
    EXPECT_EQ(form.PlotList(F::Wavelength)[1], "0.00");
    EXPECT_EQ(form.PlotList(F::X), (std::vector<std::string>{"100000000000000000000.00"}));
    EXPECT_TRUE(form.PlotListCut(F::X));
    EXPECT_FALSE(form.PlotListCut(F::Y));
}

TEST(BatchBuilderForm, ReadStopsAtTheFirstBadFieldAndOkWritesNothing) {
    struct Case {
        F::EField field;
        const char* text;
        const char* message;  // null: accepted
    };
    const Case cases[] = {
        {F::SubdivideTheta, "0", "Please enter an integer between 1 and 10000000."},
        {F::SubdivideXi, "10000001", "Please enter an integer between 1 and 10000000."},
        {F::SubdividePosition, "2.5", "Please enter an integer between 1 and 10000000."},
        {F::InterfaceDivides, "0", nullptr},
        {F::InterfaceDivides, "-1", "Please enter an integer between 0 and 10000000."},
        {F::XStep, "inf", "Please enter a number between 0 and 10000000."},
        {F::MinIntensity, "-0.1", "Please enter a number between 0 and 10000000."},
        {F::XStart, "nan", "Please enter a number."},
        {F::ConstantIntensity, "1,5", "Please enter a number."},
        {F::ConstantIntensity, " -7.5e3 ", nullptr},
        {F::PointCount, "not shown back", nullptr},  // shown only: never read
    };
    for (const Case& c : cases) {
        CBatch batch;
        CBatchBuilderForm form(batch);
        form.SetText(F::Name, "Renamed");
        form.SetText(c.field, c.text);
        const std::optional<CFieldRefusal> refusal = form.Accept();
        if (!c.message) {
            EXPECT_EQ(refusal, std::nullopt) << c.text;
            EXPECT_EQ(batch.name, "Renamed");
            continue;
        }
        ASSERT_TRUE(refusal) << c.text;
        EXPECT_EQ(refusal->field, c.field) << c.text;
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(batch.name, "");
        EXPECT_EQ(batch.subdivideTheta, 4u);
    }

    // Azimuth Start comes before the subdivisions in a read, the name after them: a click after the
    // refusal shows the first as taken and the others as they were.
    CBatch batch;
    CBatchBuilderForm form(batch);
    form.SetText(F::AzimuthStart, "30");
    form.SetText(F::SubdividePosition, "0");
    form.SetText(F::Name, "Lost");
    const std::optional<CFieldRefusal> refusal = form.ClickFileEnable();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->field, F::SubdividePosition);
    EXPECT_TRUE(form.FileSpectrum());  // the click's work is done all the same
    EXPECT_EQ(form.Text(F::AzimuthStart), "30");
    EXPECT_EQ(form.Text(F::SubdividePosition), "100");
    EXPECT_EQ(form.Text(F::Name), "");
}

TEST(BatchBuilderForm, EnableBoxesActAsAPair) {
    CBatch batch;
    CBatchBuilderForm form(batch);
    form.ClickConstantEnable();  // a checked box stays checked
    EXPECT_TRUE(form.ConstantSpectrum());
    EXPECT_FALSE(form.FileSpectrum());
    form.ClickFileEnable();
    EXPECT_FALSE(form.ConstantSpectrum());
    EXPECT_TRUE(form.FileSpectrum());
    EXPECT_TRUE(form.IsReadOnly(F::ConstantIntensity));
    EXPECT_FALSE(form.IsReadOnly(F::SpectrumFile));
    EXPECT_EQ(batch.fileSpectrum, 0);  // until OK
    ASSERT_EQ(form.Accept(), std::nullopt);
    EXPECT_EQ(batch.fileSpectrum, 1);
    EXPECT_EQ(batch.constantSpectrum, 0);
}

TEST(BatchBuilderForm, UseSpectrumFileNeedsPoints) {
    CBatch batch;
    CBatchBuilderForm empty(batch);
    empty.ClickUseSpectrumFile(true);
    EXPECT_FALSE(empty.UseSpectrumFile());
    EXPECT_FALSE(empty.IsReadOnly(F::WavelengthStart));

    batch.spectrum.InsertSorted(500, 1);
    CBatchBuilderForm form(batch);
    form.ClickUseSpectrumFile(true);
    EXPECT_TRUE(form.UseSpectrumFile());
    EXPECT_TRUE(form.IsReadOnly(F::WavelengthStep));
    form.ClickUseSpectrumFile(false);
    EXPECT_FALSE(form.UseSpectrumFile());
}

TEST(BatchBuilderForm, LoadDataWritesAtOnceAndCancelKeepsIt) {
    const std::string path = WriteFile("brelix-form-spectrum.txt", "500\t0.8\n400\t0.5\n450\t0.6\n");
    CBatch batch;
    batch.fileSpectrum = 1;
    batch.constantSpectrum = 0;
    CCollected messages;
    {
        CBatchBuilderForm form(batch);
        form.SetText(F::SpectrumFile, path);
        EXPECT_EQ(form.LoadData(messages), std::nullopt);
        EXPECT_EQ(form.Text(F::PointCount), "3");
        EXPECT_TRUE(form.RecordChanged());
        // Cancel: the form goes without Accept.
    }
    EXPECT_EQ(batch.spectrumFile, path);
    EXPECT_EQ(batch.spectrum.GetCount(), 3u);
    EXPECT_EQ(messages.texts, (std::vector<std::string>{"Number of Points Loaded: 3 "}));

    // A file that cannot be read: the reader says so, the name stays, the count shows the empty table.
    messages.texts.clear();
    {
        CBatchBuilderForm form(batch);
        form.SetText(F::SpectrumFile, path + ".missing");
        form.LoadData(messages);
        EXPECT_EQ(form.Text(F::PointCount), "0");
    }
    EXPECT_EQ(batch.spectrumFile, path + ".missing");
    EXPECT_EQ(batch.spectrum.GetCount(), 0u);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Error could not open \"" + path + ".missing\"");

    // Without "File Spectrum" only the name is stored.
    batch.fileSpectrum = 0;
    batch.spectrum.InsertSorted(600, 1);
    messages.texts.clear();
    CBatchBuilderForm form(batch);
    form.SetText(F::SpectrumFile, path);
    form.LoadData(messages);
    EXPECT_EQ(batch.spectrumFile, path);
    EXPECT_EQ(batch.spectrum.GetCount(), 1u);
    EXPECT_TRUE(messages.texts.empty());
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace brelix
