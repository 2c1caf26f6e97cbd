#pragma once

#include <QDialog>

class QLineEdit;

namespace brelix {

// "Partial Trace Stopping Point": the number of trace ops after which a partial trace stops, 0 to 10000.
// "OK" with any other text says so and keeps the dialog open.
class CStopAtDialog : public QDialog {
    Q_OBJECT
public:
    CStopAtDialog(uint32_t count, QWidget* parent);
    uint32_t Count() const { return count_; }
    QLineEdit* Field() const { return field_; }

    void accept() override;

private:
    QLineEdit* field_;
    uint32_t count_;
};

}  // namespace brelix
