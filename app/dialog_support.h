#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "edit/dialog_fields.h"

class QDialog;
class QLineEdit;
class QWidget;

namespace brelix {

class IMessages;

// Runs a modal dialog and returns its result; the application execs it, tests drive it instead.
using DialogRunner = std::function<int(QDialog&)>;
int ExecDialog(QDialog& dialog);

// Shows a refused field's message under the dialog's title and puts the focus on the field.
void ShowRefusal(const std::optional<CFieldRefusal>& refusal, QLineEdit* const* fields, IMessages& messages,
                 const QWidget& dialog);

// Sets an edit's text and read-only state, leaving an edit that already shows the text alone (so that
// its cursor stays).
void ShowField(QLineEdit* edit, const std::string& text, bool readOnly);

inline QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string FromQt(const QString& text) {
    return text.toStdString();
}

}  // namespace brelix
