#include "app/color_scale_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "view/draw_tools.h"

namespace brelix {

CColorScaleDialog::CColorScaleDialog(CDrawTools& tools, QWidget* parent)
    : QDialog(parent), tools_(tools), form_(tools) {
    setWindowTitle("Color Scale");
    using F = CColorScaleForm;
    for (int field = 0; field < F::FieldCount; ++field) {
        auto* edit = new QLineEdit;
        connect(edit, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { form_.SetText(F::EField(field), text.toStdString()); });
        edits_[field] = edit;
    }
    intensityEnable_ = new QCheckBox("Enable");
    wavelengthEnable_ = new QCheckBox("Enable");
    // The form decides both boxes after a click on either.
    connect(intensityEnable_, &QCheckBox::clicked, this, [this] {
        form_.ClickIntensityEnable();
        ShowForm();
    });
    connect(wavelengthEnable_, &QCheckBox::clicked, this, [this] {
        form_.ClickWavelengthEnable();
        ShowForm();
    });

    auto group = [](const char* title, QCheckBox* enable, const char* label0, QLineEdit* edit0,
                    const char* label1, QLineEdit* edit1) {
        auto* box = new QGroupBox(title);
        auto* layout = new QFormLayout(box);
        layout->addRow(enable);
        layout->addRow(label0, edit0);
        layout->addRow(label1, edit1);
        return box;
    };
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CColorScaleDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CColorScaleDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group("Scale by Intensity", intensityEnable_, "Start:", edits_[F::IntensityStart],
                            "Step Factor:", edits_[F::StepFactor]));
    layout->addWidget(group("Scale by Wavelength", wavelengthEnable_, "Start:", edits_[F::WavelengthStart],
                            "Stop", edits_[F::WavelengthStop]));
    layout->addWidget(buttons);
    ShowForm();
}

void CColorScaleDialog::ShowForm() {
    intensityEnable_->setChecked(form_.IntensityChecked());
    wavelengthEnable_->setChecked(form_.WavelengthChecked());
    for (int field = 0; field < CColorScaleForm::FieldCount; ++field) {
        const auto f = CColorScaleForm::EField(field);
        edits_[field]->setText(QString::fromStdString(form_.Text(f)));
        edits_[field]->setReadOnly(form_.IsReadOnly(f));
    }
}

void CColorScaleDialog::accept() {
    if (const std::optional<CColorScaleForm::CRefusal> refusal = form_.Accept(tools_)) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(refusal->message));
        QLineEdit* edit = edits_[refusal->field];
        edit->setFocus();
        edit->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace brelix
