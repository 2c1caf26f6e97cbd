#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "app/dialog_support.h"
#include "edit/property_page_forms.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace brelix {

class CLayer;
class CModel;
class CPlane;
class IMessages;

// A page of a property sheet: "OK" asks it first, and a page that refuses keeps the sheet open.
class CPropertyPage : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    virtual bool OnOk() = 0;
    // The page changed its record before "OK": a Cancel must still mark the document modified.
    virtual bool RecordChanged() const = 0;
};

// A modal sheet with one page, its caption on the page's tab.
class CPropertySheet : public QDialog {
    Q_OBJECT
  public:
    CPropertySheet(const QString& title, QWidget* parent);
    // Takes the page; the sheet shows it under `caption`.
    void AddPage(CPropertyPage* page, const QString& caption);
    CPropertyPage* Page() const { return page_; }
    void accept() override;

  private:
    QTabWidget* tabs_;
    CPropertyPage* page_ = nullptr;
};

// "Linear" page of "Layer Optical Models/Properties", with the logic of CLayerPageForm.
class CLinearLayerPropPage : public CPropertyPage {
    Q_OBJECT
  public:
    CLinearLayerPropPage(CLayer& layer, IMessages& messages);
    bool OnOk() override;
    bool RecordChanged() const override { return form_.RecordChanged(); }

    QLineEdit* Field(CLayerPageForm::EField field) const { return fields_[field]; }
    QCheckBox* PathLength() const { return pathLength_; }
    QCheckBox* ConstantEnable() const { return constantEnable_; }
    QCheckBox* WavelengthEnable() const { return wavelengthEnable_; }
    // The load buttons, by format: 0 "W N A S", 1 "W N K S", 2 "W N K".
    QPushButton* LoadButton(int format) const { return loads_[format]; }

  private:
    void Pull();
    void Push();

    CLayerPageForm form_;
    IMessages& messages_;
    std::array<QLineEdit*, CLayerPageForm::FieldCount> fields_{};
    QCheckBox* pathLength_;
    QCheckBox* constantEnable_;
    QCheckBox* wavelengthEnable_;
    std::array<QPushButton*, 3> loads_{};
};

// "Linear" page of "Plane Optical Models/Properties", with the logic of CPlanePageForm. Its "Edges"
// button runs "Define Plane Edges" on the page's plane through `runDialog`.
class CLinearPlanePropPage : public CPropertyPage {
    Q_OBJECT
  public:
    CLinearPlanePropPage(CPlane& plane, const CLayer& layer, const CModel& model, IMessages& messages,
                         DialogRunner runDialog, std::function<void()> redraw);
    bool OnOk() override;
    bool RecordChanged() const override { return form_.RecordChanged(); }

    QLineEdit* Field(CPlanePageForm::EField field) const { return fields_[field]; }
    QCheckBox* ConstantEnable() const { return constantEnable_; }
    QCheckBox* WavelengthEnable() const { return wavelengthEnable_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* EdgesButton() const { return edges_; }
    QComboBox* PlaneType() const { return type_; }
    QLabel* TransmitLabel() const { return label_; }
    QComboBox* LayerList() const { return layers_; }
    QComboBox* PlaneList() const { return planes_; }

  private:
    void Pull();
    void Push();
    void ShowTypeRule();
    void RunEdges();

    CPlane& plane_;
    CPlanePageForm form_;
    IMessages& messages_;
    DialogRunner runDialog_;
    std::function<void()> redraw_;
    std::array<QLineEdit*, CPlanePageForm::FieldCount> fields_{};
    QCheckBox* constantEnable_;
    QCheckBox* wavelengthEnable_;
    QPushButton* load_;
    QPushButton* edges_;
    QComboBox* type_;
    QLabel* label_;
    QComboBox* layers_;
    QComboBox* planes_;
};

}  // namespace brelix
