#include "app/batch_builder_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_support.h"
#include "core/format.h"

namespace brelix {

namespace {

using F = CBatchBuilderForm;

}  // namespace

CBatchBuilderDlg::CBatchBuilderDlg(CBatch& batch, IMessages& messages, QWidget* parent)
    : QDialog(parent), form_(batch), messages_(messages) {
    setWindowTitle("Batch Builder");
    setObjectName("BatchBuilder");
    for (int f = 0; f < F::FieldCount; ++f) {
        fields_[f] = new QLineEdit;
        fields_[f]->setObjectName(QString("field%1").arg(f));
    }
    auto edit = [this](F::EField field) { return fields_[field]; };

    auto* name = new QHBoxLayout;
    name->addWidget(new QLabel("Batch Name:"));
    name->addWidget(edit(F::Name), 1);

    auto* controls = new QGroupBox("Simulation Controls");
    auto* controlRows = new QFormLayout(controls);
    controlRows->addRow("Minimum Intensity", edit(F::MinIntensity));
    controlRows->addRow("Number of Interface Divides", edit(F::InterfaceDivides));
    controlRows->addRow("Subdivide (position)", edit(F::SubdividePosition));
    controlRows->addRow("Subdivide (theta)", edit(F::SubdivideTheta));
    controlRows->addRow("Subdivide (xi)", edit(F::SubdivideXi));
    controlRows->addRow("Subdivide (scatter)", edit(F::SubdivideScatter));

    auto* spectrum = new QGroupBox("Intensity vs Wavelength");
    auto* spectrumColumn = new QVBoxLayout(spectrum);
    auto* constant = new QGroupBox("Constant Spectrum");
    auto* constantRows = new QFormLayout(constant);
    constantEnable_ = new QCheckBox("Enable");
    constantRows->addRow(constantEnable_);
    constantRows->addRow("Constant Intensity:", edit(F::ConstantIntensity));
    auto* file = new QGroupBox("File Spectrum");
    auto* fileRows = new QFormLayout(file);
    fileEnable_ = new QCheckBox("Enable");
    loadData_ = new QPushButton("Load Data");
    auto* enableRow = new QHBoxLayout;
    enableRow->addWidget(fileEnable_);
    enableRow->addStretch();
    enableRow->addWidget(loadData_);
    fileRows->addRow(enableRow);
    fileRows->addRow("Spectrum File:", edit(F::SpectrumFile));
    fileRows->addRow("# of Points:", edit(F::PointCount));
    spectrumColumn->addWidget(constant);
    spectrumColumn->addWidget(file);

    // Two rows of three sweeps.
    static constexpr std::pair<F::ESweep, const char*> kSweepGroups[] = {
        {F::Wavelength, "Wavelength"}, {F::X, "X Position"}, {F::Azimuth, "Azimuth Angle"},
        {F::Z, "Z Position"},          {F::Y, "Y Position"}, {F::Declination, "Declination Angle"}};
    auto* sweeps = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        const auto [sweep, title] = kSweepGroups[i];
        auto* group = new QGroupBox(title);
        auto* rows = new QFormLayout(group);
        rows->addRow("Start:", edit(F::StartField(sweep)));
        rows->addRow("Stop:", edit(F::StopField(sweep)));
        rows->addRow("Step:", edit(F::StepField(sweep)));
        auto* plot = new QComboBox;
        plot->setEnabled(false);
        plot->setObjectName(QString("plot%1").arg(sweep));
        for (const std::string& entry : form_.PlotList(sweep)) plot->addItem(ToQt(entry));
        plot->setCurrentIndex(form_.PlotSelection(sweep));
        if (form_.PlotListCut(sweep)) plot->setToolTip(QString("The first %1 values").arg(F::kPlotListLimit));
        plots_[sweep] = plot;
        rows->addRow("Plot:", plot);
        if (sweep == F::Wavelength) {
            useSpectrumFile_ = new QCheckBox("Use Spectrum File");
            rows->addRow(useSpectrumFile_);
        }
        sweeps->addWidget(group, i / 3, i % 3);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CBatchBuilderDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CBatchBuilderDlg::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(controls);
    top->addWidget(spectrum);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(name);
    layout->addLayout(top);
    layout->addLayout(sweeps);
    layout->addWidget(buttons);

    auto click = [this](auto work) {
        return [this, work] {
            Pull();
            const std::optional<CFieldRefusal> refusal = work();
            Push();
            Refuse(refusal);
        };
    };
    connect(constantEnable_, &QCheckBox::clicked, this,
            click([this] { return form_.ClickConstantEnable(); }));
    connect(fileEnable_, &QCheckBox::clicked, this, click([this] { return form_.ClickFileEnable(); }));
    connect(useSpectrumFile_, &QCheckBox::clicked, this,
            click([this] { return form_.ClickUseSpectrumFile(useSpectrumFile_->isChecked()); }));
    connect(loadData_, &QPushButton::clicked, this, click([this] { return form_.LoadData(messages_); }));
    Push();
}

void CBatchBuilderDlg::Pull() {
    for (int f = 0; f < F::FieldCount; ++f)
        form_.SetText(static_cast<F::EField>(f), FromQt(fields_[f]->text()));
}

void CBatchBuilderDlg::Push() {
    for (int f = 0; f < F::FieldCount; ++f) {
        const auto field = static_cast<F::EField>(f);
        ShowField(fields_[f], form_.Text(field), form_.IsReadOnly(field));
    }
    constantEnable_->setChecked(form_.ConstantSpectrum());
    fileEnable_->setChecked(form_.FileSpectrum());
    useSpectrumFile_->setChecked(form_.UseSpectrumFile());
}

void CBatchBuilderDlg::Refuse(const std::optional<CFieldRefusal>& refusal) {
    ShowRefusal(refusal, fields_.data(), messages_, *this);
}

void CBatchBuilderDlg::accept() {
    Pull();
    if (const std::optional<CFieldRefusal> refusal = form_.Accept()) {
        Refuse(refusal);  // the text stays as typed, to be put right
        return;
    }
    QDialog::accept();
}

}  // namespace brelix
