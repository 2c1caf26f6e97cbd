#pragma once

// Drives the model builders' modal dialogs without their own event loops: each dialog the application
// runs is handed to the next step of a script, which types into it and closes it as a user would.

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <deque>
#include <functional>

#include "app/main_frame.h"
#include "app/model_builders.h"

namespace brelix::test {

class CDialogScript {
  public:
    // Closes the dialog (accept() or reject(), as its buttons do); the application gets its result.
    using Step = std::function<void(QDialog&)>;

    explicit CDialogScript(CMainFrame& frame) {
        frame.Builders().runDialog = [this](QDialog& dialog) { return Run(dialog); };
    }
    // The next dialog the application runs goes to `step`.
    void Then(Step step) { steps_.push_back(std::move(step)); }
    // Every step has run, and no dialog came that the script did not expect.
    bool Done() const { return steps_.empty() && unexpected_ == 0; }

  private:
    int Run(QDialog& dialog) {
        if (steps_.empty()) {
            ++unexpected_;
            return QDialog::Rejected;
        }
        const Step step = std::move(steps_.front());
        steps_.pop_front();
        dialog.setResult(QDialog::Rejected);
        step(dialog);
        return dialog.result();
    }

    std::deque<Step> steps_;
    int unexpected_ = 0;
};

// Shows a dialog as exec would and makes it the active window, so that the focus moves inside it (a
// dialog over another dialog would otherwise count as active while its parent keeps the focus).
inline void ShowActive(QDialog& dialog) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

// Replaces an edit's text by typing.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

}  // namespace brelix::test
