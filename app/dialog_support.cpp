#include "app/dialog_support.h"

#include <QDialog>
#include <QLineEdit>

#include "core/messages.h"

namespace brelix {

int ExecDialog(QDialog& dialog) {
    return dialog.exec();
}

void ShowRefusal(const std::optional<CFieldRefusal>& refusal, QLineEdit* const* fields, IMessages& messages,
                 const QWidget& dialog) {
    if (!refusal) return;
    messages.Show(refusal->message, FromQt(dialog.window()->windowTitle()));
    QLineEdit* field = fields[refusal->field];
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void ShowField(QLineEdit* edit, const std::string& text, bool readOnly) {
    const QString shown = ToQt(text);
    if (edit->text() != shown) edit->setText(shown);
    edit->setReadOnly(readOnly);
}

}  // namespace brelix
