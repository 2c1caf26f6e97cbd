#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "edit/plane_edges_form.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace brelix {

class CPlane;
class IMessages;

// "Define Plane Edges": the plane's corner, edges, shape and "Draw Edge" boxes, with the logic of
// CPlaneEdgesForm. Leaving a coordinate field, changing the shape and swapping write the plane at once
// and call `redraw`, so the model view follows while the user types.
class CPlaneEdgesDlg : public QDialog {
    Q_OBJECT
  public:
    CPlaneEdgesDlg(CPlane& plane, const QString& name, IMessages& messages, std::function<void()> redraw,
                   QWidget* parent);

    // The name for the caller to store, with OK and with Cancel.
    QString Name() const;
    bool RecordChanged() const { return form_.RecordChanged(); }

    QLineEdit* Field(CPlaneEdgesForm::EField field) const { return fields_[field]; }
    QLineEdit* NameField() const { return name_; }
    QComboBox* Shape() const { return shape_; }
    QCheckBox* DrawEdge(int edge) const { return drawEdges_[edge]; }
    QPushButton* SwapButton() const { return swap_; }

    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Pull();
    void Push();
    // Runs a change of the form, then shows it, redraws the model and reports a refused field.
    void Change(const std::function<std::optional<CFieldRefusal>()>& work);

    CPlaneEdgesForm form_;
    IMessages& messages_;
    std::function<void()> redraw_;
    std::array<QLineEdit*, CPlaneEdgesForm::FieldCount> fields_{};
    std::array<QCheckBox*, 4> drawEdges_{};
    QLineEdit* name_ = nullptr;
    QComboBox* shape_ = nullptr;
    QPushButton* swap_ = nullptr;
    // A change is under way: the focus it moves (to a refused field) starts no other.
    bool changing_ = false;
};

}  // namespace brelix
