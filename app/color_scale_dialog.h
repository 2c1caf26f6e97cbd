#pragma once

#include <QDialog>
#include <array>

#include "view/color_scale_form.h"

class QCheckBox;
class QLineEdit;

namespace brelix {

class CDrawTools;

// "Color Scale": the widgets of CColorScaleForm on a batch's drawing tools, which "OK" changes only when
// every field is good; a refused field keeps the dialog open on it.
class CColorScaleDialog : public QDialog {
    Q_OBJECT
  public:
    CColorScaleDialog(CDrawTools& tools, QWidget* parent);

    QCheckBox* IntensityEnable() const { return intensityEnable_; }
    QCheckBox* WavelengthEnable() const { return wavelengthEnable_; }
    QLineEdit* Field(CColorScaleForm::EField field) const { return edits_[field]; }

    void accept() override;

  private:
    // Shows the form: checks, read-only states and texts.
    void ShowForm();

    CDrawTools& tools_;
    CColorScaleForm form_;
    QCheckBox* intensityEnable_;
    QCheckBox* wavelengthEnable_;
    std::array<QLineEdit*, CColorScaleForm::FieldCount> edits_{};
};

}  // namespace brelix
