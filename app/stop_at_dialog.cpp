#include "app/stop_at_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <charconv>
#include <string>

#include "core/format.h"
#include "document/brelix_doc.h"

namespace brelix {

CStopAtDialog::CStopAtDialog(uint32_t count, QWidget* parent) : QDialog(parent), count_(count) {
    setWindowTitle("Partial Trace Stopping Point");
    field_ = new QLineEdit(QString::fromStdString(FormatInt(count)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CStopAtDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStopAtDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow("Number of Trace Ops:", field_);
    layout->addRow(buttons);
}

void CStopAtDialog::accept() {
    // Whole numbers only, read without the locale, so every desktop reads the same digits.
    const std::string text = field_->text().trimmed().toStdString();
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value > CBrelix6Doc::MaxStopAtCount) {
        QMessageBox::warning(this, windowTitle(), "Please enter an integer between 0 and 10000.");
        field_->setFocus();
        field_->selectAll();
        return;
    }
    count_ = value;
    QDialog::accept();
}

}  // namespace brelix
