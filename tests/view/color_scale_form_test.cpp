#include "view/color_scale_form.h"

#include <gtest/gtest.h>

#include "view/draw_tools.h"

namespace brelix {
namespace {

using F = CColorScaleForm;

std::vector<bool> ReadOnly(const CColorScaleForm& form) {
    return {form.IsReadOnly(F::IntensityStart), form.IsReadOnly(F::StepFactor),
            form.IsReadOnly(F::WavelengthStart), form.IsReadOnly(F::WavelengthStop)};
}

TEST(ColorScaleForm, OpensWithTheToolsValuesAndTheirReadOnlyEdits) {
    CDrawTools tools;  // by intensity, step factor 0.9
    tools.wavelengthStart = 400;
    tools.wavelengthStop = 1100.25;
    tools.intensityStart = 1.0 / 3;
    const CColorScaleForm form(tools);
    EXPECT_EQ(form.Text(F::StepFactor), "0.9");
    EXPECT_EQ(form.Text(F::WavelengthStop), "1100.25");
    EXPECT_EQ(form.Text(F::IntensityStart), "0.33333333333333331");  // every digit it needs to read back
    EXPECT_TRUE(form.IntensityChecked());
    EXPECT_FALSE(form.WavelengthChecked());
    EXPECT_EQ(ReadOnly(form), (std::vector<bool>{false, false, true, true}));

    tools.scaleByIntensity = 0;
    tools.scaleByWavelength = 1;
    EXPECT_EQ(ReadOnly(CColorScaleForm(tools)), (std::vector<bool>{true, true, false, false}));
    tools.scaleByWavelength = 0;
    EXPECT_EQ(ReadOnly(CColorScaleForm(tools)), (std::vector<bool>{false, false, false, false}));
}

TEST(ColorScaleForm, EnableBoxesActAsAPairAndWriteTheHeldValuesBack) {
    CDrawTools tools;
    tools.scaleByWavelength = 1;  // a document may hold both
    CColorScaleForm form(tools);
    form.SetText(F::StepFactor, "0.5");
    form.ClickWavelengthEnable();
    EXPECT_FALSE(form.IntensityChecked());
    EXPECT_TRUE(form.WavelengthChecked());
    EXPECT_EQ(ReadOnly(form), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(form.Text(F::StepFactor), "0.9");  // typed, not accepted: replaced
    form.ClickWavelengthEnable();                // a second click keeps it checked
    EXPECT_TRUE(form.WavelengthChecked());
    form.ClickIntensityEnable();
    EXPECT_TRUE(form.IntensityChecked());
    EXPECT_FALSE(form.WavelengthChecked());
    EXPECT_EQ(ReadOnly(form), (std::vector<bool>{false, false, true, true}));
}

TEST(ColorScaleForm, OkRefusesBadFieldsAndCopiesGoodOnes) {
    struct Case {
        F::EField field;
        const char* text;
        const char* message;  // null: accepted
    };
    const Case cases[] = {
        {F::StepFactor, "0.05", "Please enter a number between 0.1 and 1."},
        {F::StepFactor, "1.5", "Please enter a number between 0.1 and 1."},
        {F::StepFactor, "abc", "Please enter a number."},
        {F::StepFactor, "0,5", "Please enter a number."},  // a decimal point whatever the locale
        {F::StepFactor, "", "Please enter a number."},
        {F::StepFactor, "nan", "Please enter a number."},
        {F::IntensityStart, "-1", "Please enter a number between 0 and 1000000."},
        {F::IntensityStart, "1e7", "Please enter a number between 0 and 1000000."},
        {F::WavelengthStart, "inf", "Please enter a number."},
        {F::WavelengthStart, "-20", nullptr},  // no range
        {F::StepFactor, " 0.1 ", nullptr},
        {F::StepFactor, "+1", nullptr},
    };
    for (const Case& c : cases) {
        CDrawTools tools;
        CColorScaleForm form(tools);
        form.SetText(c.field, c.text);
        const std::optional<F::CRefusal> refusal = form.Accept(tools);
        if (c.message) {
            ASSERT_TRUE(refusal) << c.text;
            EXPECT_EQ(refusal->field, c.field);
            EXPECT_EQ(refusal->message, c.message);
            EXPECT_EQ(tools.stepFactor, 0.9);  // nothing copied
        } else {
            EXPECT_FALSE(refusal) << c.text << ": " << refusal->message;
        }
    }

    CDrawTools tools;
    CColorScaleForm form(tools);
    form.ClickWavelengthEnable();
    form.SetText(F::IntensityStart, "2");
    form.SetText(F::StepFactor, "0.5");
    form.SetText(F::WavelengthStart, "400");
    form.SetText(F::WavelengthStop, "1000");
    ASSERT_FALSE(form.Accept(tools));
    EXPECT_EQ(tools.intensityStart, 2);
    EXPECT_EQ(tools.stepFactor, 0.5);
    EXPECT_EQ(tools.wavelengthStart, 400);
    EXPECT_EQ(tools.wavelengthStop, 1000);
    EXPECT_EQ(tools.scaleByIntensity, 0);
    EXPECT_EQ(tools.scaleByWavelength, 1);
}

}  // namespace
}  // namespace brelix
