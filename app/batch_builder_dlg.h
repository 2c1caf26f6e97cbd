#pragma once

#include <QDialog>
#include <array>

#include "edit/batch_builder_form.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace brelix {

class CBatch;
class IMessages;

// "Batch Builder": every setting of a batch, with the logic of CBatchBuilderForm. Field messages and
// the spectrum reader's messages go to `messages`.
class CBatchBuilderDlg : public QDialog {
    Q_OBJECT
  public:
    CBatchBuilderDlg(CBatch& batch, IMessages& messages, QWidget* parent);

    QLineEdit* Field(CBatchBuilderForm::EField field) const { return fields_[field]; }
    QComboBox* PlotList(CBatchBuilderForm::ESweep sweep) const { return plots_[sweep]; }
    QCheckBox* ConstantEnable() const { return constantEnable_; }
    QCheckBox* FileEnable() const { return fileEnable_; }
    QCheckBox* UseSpectrumFile() const { return useSpectrumFile_; }
    QPushButton* LoadData() const { return loadData_; }
    // "Load Data" wrote into the batch: a Cancel must still mark the document modified.
    bool RecordChanged() const { return form_.RecordChanged(); }

    void accept() override;

  private:
    void Pull();
    void Push();
    void Refuse(const std::optional<CFieldRefusal>& refusal);

    CBatchBuilderForm form_;
    IMessages& messages_;
    std::array<QLineEdit*, CBatchBuilderForm::FieldCount> fields_{};
    std::array<QComboBox*, CBatchBuilderForm::SweepCount> plots_{};
    QCheckBox* constantEnable_ = nullptr;
    QCheckBox* fileEnable_ = nullptr;
    QCheckBox* useSpectrumFile_ = nullptr;
    QPushButton* loadData_ = nullptr;
};

}  // namespace brelix
