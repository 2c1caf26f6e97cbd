#include "app/property_pages.h"

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
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/plane_edges_dlg.h"
#include "core/model.h"

namespace brelix {

// ---- Sheet

CPropertySheet::CPropertySheet(const QString& title, QWidget* parent)
    : QDialog(parent), tabs_(new QTabWidget) {
    setWindowTitle(title);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPropertySheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPropertySheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

void CPropertySheet::AddPage(CPropertyPage* page, const QString& caption) {
    page_ = page;
    tabs_->addTab(page, caption);
}

void CPropertySheet::accept() {
    if (page_ && !page_->OnOk()) return;
    QDialog::accept();
}

// ---- Layer page

namespace {

using L = CLayerPageForm;
using P = CPlanePageForm;

template <size_t N>
void MakeFields(std::array<QLineEdit*, N>& fields) {
    for (size_t f = 0; f < N; ++f) {
        fields[f] = new QLineEdit;
        fields[f]->setObjectName(QString("field%1").arg(f));
    }
}

}  // namespace

CLinearLayerPropPage::CLinearLayerPropPage(CLayer& layer, IMessages& messages)
    : form_(layer), messages_(messages) {
    MakeFields(fields_);
    pathLength_ = new QCheckBox("Path Length");
    constantEnable_ = new QCheckBox("Enable");
    wavelengthEnable_ = new QCheckBox("Enable");
    const char* loadTexts[] = {"Load: \"W N A S\" Format", "Load: \"W N K S\" Format",
                               "Load: \"W N K\" WVaseFormat"};
    for (int format = 0; format < 3; ++format) loads_[format] = new QPushButton(loadTexts[format]);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Layer Name"));
    top->addWidget(fields_[L::Name], 1);
    top->addWidget(pathLength_);

    auto* constant = new QGroupBox("Constant Layer Properties");
    auto* constantRows = new QFormLayout(constant);
    constantRows->addRow(constantEnable_);
    constantRows->addRow("Refractive Index:", fields_[L::RefractiveIndex]);
    constantRows->addRow("Absorption Coefficient:", fields_[L::Absorption]);
    constantRows->addRow("Scattering Coefficient:", fields_[L::Scattering]);

    auto* table = new QGroupBox("Wavelength Dependent Properties");
    auto* tableRows = new QFormLayout(table);
    tableRows->addRow(wavelengthEnable_);
    tableRows->addRow("Layer Properties File Name", fields_[L::FileName]);
    tableRows->addRow("Number of Points:", fields_[L::PointCount]);
    for (QPushButton* load : loads_) tableRows->addRow(load);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(constant);
    layout->addWidget(table);
    layout->addStretch();

    // The kind changes at once, without a read: text typed since the last read is replaced.
    connect(constantEnable_, &QCheckBox::clicked, this, [this] {
        form_.ClickConstantEnable();
        Push();
    });
    connect(wavelengthEnable_, &QCheckBox::clicked, this, [this] {
        form_.ClickWavelengthEnable();
        Push();
    });
    for (int format = 0; format < 3; ++format) {
        connect(loads_[format], &QPushButton::clicked, this, [this, format] {
            Pull();
            const std::optional<CFieldRefusal> refusal = form_.Load(format, messages_);
            Push();
            ShowRefusal(refusal, fields_.data(), messages_, *this);
        });
    }
    Push();
}

void CLinearLayerPropPage::Pull() {
    for (int f = 0; f < L::FieldCount; ++f)
        form_.SetText(static_cast<L::EField>(f), FromQt(fields_[f]->text()));
    form_.SetPathLength(pathLength_->isChecked());
}

void CLinearLayerPropPage::Push() {
    for (int f = 0; f < L::FieldCount; ++f) {
        const auto field = static_cast<L::EField>(f);
        ShowField(fields_[f], form_.Text(field), form_.IsReadOnly(field));
    }
    pathLength_->setChecked(form_.PathLength());
    constantEnable_->setChecked(form_.ConstantChecked());
    wavelengthEnable_->setChecked(form_.WavelengthChecked());
}

bool CLinearLayerPropPage::OnOk() {
    Pull();
    const std::optional<CFieldRefusal> refusal = form_.Accept();
    ShowRefusal(refusal, fields_.data(), messages_, *this);
    return !refusal;
}

// ---- Plane page

CLinearPlanePropPage::CLinearPlanePropPage(CPlane& plane, const CLayer& layer, const CModel& model,
                                           IMessages& messages, DialogRunner runDialog,
                                           std::function<void()> redraw)
    : plane_(plane),
      form_(plane, layer, model),
      messages_(messages),
      runDialog_(std::move(runDialog)),
      redraw_(std::move(redraw)) {
    MakeFields(fields_);
    constantEnable_ = new QCheckBox("Enable");
    wavelengthEnable_ = new QCheckBox("Enable");
    load_ = new QPushButton("Load: \"W R\" Format");
    edges_ = new QPushButton("Edges");
    type_ = new QComboBox;
    type_->setObjectName("PlaneType");
    for (const std::string& entry : P::TypeEntries()) type_->addItem(ToQt(entry));
    type_->setCurrentIndex(form_.TypeSelection());
    label_ = new QLabel;
    layers_ = new QComboBox;
    layers_->setObjectName("LayerList");
    for (const std::string& entry : form_.LayerList()) layers_->addItem(ToQt(entry));
    layers_->setCurrentIndex(form_.LayerSelection());
    planes_ = new QComboBox;
    planes_->setObjectName("PlaneList");
    for (const std::string& entry : form_.PlaneList()) planes_->addItem(ToQt(entry));
    planes_->setCurrentIndex(form_.PlaneSelection());

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Plane Name"));
    top->addWidget(fields_[P::Name], 1);

    auto* constant = new QGroupBox("Constant Plane Properties");
    auto* constantRows = new QFormLayout(constant);
    constantRows->addRow(constantEnable_);
    constantRows->addRow("Reflectance", fields_[P::Reflectance]);
    constantRows->addRow("t_dielectric (nm)", fields_[P::TDielectric]);
    constantRows->addRow("n_dielectric", fields_[P::NDielectric]);

    auto* table = new QGroupBox("Wavelength Dependent Properties");
    auto* tableRows = new QFormLayout(table);
    tableRows->addRow(wavelengthEnable_);
    tableRows->addRow("Layer Properties File Name", fields_[P::FileName]);
    tableRows->addRow("Number of Points:", fields_[P::PointCount]);
    tableRows->addRow(load_);

    // The two target lists share one place; the type shows one of them, or neither.
    auto* bottom = new QGridLayout;
    bottom->addWidget(new QLabel("Plane Type"), 0, 0);
    bottom->addWidget(type_, 1, 0);
    bottom->addWidget(label_, 0, 1);
    bottom->addWidget(layers_, 1, 1);
    bottom->addWidget(planes_, 1, 1);
    bottom->addWidget(edges_, 1, 2);
    bottom->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(constant);
    layout->addWidget(table);
    layout->addLayout(bottom);
    layout->addStretch();

    auto click = [this](auto work) {
        return [this, work] {
            Pull();
            const std::optional<CFieldRefusal> refusal = work();
            Push();
            ShowRefusal(refusal, fields_.data(), messages_, *this);
        };
    };
    connect(constantEnable_, &QCheckBox::clicked, this,
            click([this] { return form_.ClickConstantEnable(); }));
    connect(wavelengthEnable_, &QCheckBox::clicked, this,
            click([this] { return form_.ClickWavelengthEnable(); }));
    connect(load_, &QPushButton::clicked, this, click([this] { return form_.LoadReflectance(messages_); }));
    connect(edges_, &QPushButton::clicked, this, &CLinearPlanePropPage::RunEdges);
    // The type rule shows and hides; the fields keep what is typed in them.
    connect(type_, &QComboBox::currentIndexChanged, this, [this](int index) {
        form_.SelectType(index);
        ShowTypeRule();
    });
    connect(layers_, &QComboBox::currentIndexChanged, this, [this](int index) { form_.SelectLayer(index); });
    connect(planes_, &QComboBox::currentIndexChanged, this, [this](int index) { form_.SelectPlane(index); });
    Push();
}

void CLinearPlanePropPage::Pull() {
    for (int f = 0; f < P::FieldCount; ++f)
        form_.SetText(static_cast<P::EField>(f), FromQt(fields_[f]->text()));
}

void CLinearPlanePropPage::Push() {
    for (int f = 0; f < P::FieldCount; ++f) {
        const auto field = static_cast<P::EField>(f);
        ShowField(fields_[f], form_.Text(field), form_.IsReadOnly(field));
    }
    constantEnable_->setChecked(form_.ConstantChecked());
    wavelengthEnable_->setChecked(form_.WavelengthChecked());
    ShowTypeRule();
}

void CLinearPlanePropPage::ShowTypeRule() {
    label_->setText(ToQt(form_.TransmitLabel()));
    layers_->setVisible(form_.ShowsLayerList());
    planes_->setVisible(form_.ShowsPlaneList());
}

void CLinearPlanePropPage::RunEdges() {
    Pull();
    ShowRefusal(form_.BeginEdges(), fields_.data(), messages_, *this);
    CPlaneEdgesDlg dialog(plane_, ToQt(form_.HeldName()), messages_, redraw_, this);
    runDialog_(dialog);
    form_.EndEdges(FromQt(dialog.Name()), dialog.RecordChanged());
    Push();
}

bool CLinearPlanePropPage::OnOk() {
    Pull();
    const std::optional<CFieldRefusal> refusal = form_.Accept();
    ShowRefusal(refusal, fields_.data(), messages_, *this);
    return !refusal;
}

}  // namespace brelix
