#include "app/plane_edges_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_support.h"

namespace brelix {

namespace {

using F = CPlaneEdgesForm;

int32_t FlagOf(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return 0;
        case Qt::PartiallyChecked:
            return 2;
        case Qt::Checked:
            break;
    }
    return 1;
}

Qt::CheckState StateOf(int32_t flag) {
    if (flag == 0) return Qt::Unchecked;
    return flag == 2 ? Qt::PartiallyChecked : Qt::Checked;
}

}  // namespace

CPlaneEdgesDlg::CPlaneEdgesDlg(CPlane& plane, const QString& name, IMessages& messages,
                               std::function<void()> redraw, QWidget* parent)
    : QDialog(parent), form_(plane, FromQt(name)), messages_(messages), redraw_(std::move(redraw)) {
    setWindowTitle("Define Plane Edges");
    setObjectName("PlaneEdges");
    for (int f = 0; f < F::FieldCount; ++f) {
        fields_[f] = new QLineEdit;
        fields_[f]->setObjectName(QString("field%1").arg(f));
        fields_[f]->setMinimumWidth(70);
        if (F::IsEditable(static_cast<F::EField>(f)))
            fields_[f]->installEventFilter(this);
        else
            fields_[f]->setReadOnly(true);
    }
    name_ = new QLineEdit(name);
    shape_ = new QComboBox;
    for (const char* entry : F::kShapes) shape_->addItem(entry);
    shape_->setCurrentIndex(form_.Shape());
    for (int e = 0; e < 4; ++e) {
        drawEdges_[e] = new QCheckBox(QString("Draw Edge %1").arg(e + 1));
        drawEdges_[e]->setTristate(true);
    }

    auto* top = new QFormLayout;
    top->addRow("Plane Name", name_);
    top->addRow("Plane Shape", shape_);

    // One group per vector: the point in x, y, z, the vector in X, Y, Z, its length, and for the edges
    // their two "Draw Edge" boxes.
    auto group = [this](const char* title, int first, F::EField length, QCheckBox* a, QCheckBox* b) {
        auto* box = new QGroupBox(title);
        auto* grid = new QGridLayout(box);
        const char* labels[] = {"x", "y", "z", "X", "Y", "Z"};
        for (int i = 0; i < 6; ++i) {
            grid->addWidget(new QLabel(labels[i]), i / 3, 2 * (i % 3));
            grid->addWidget(fields_[first + i], i / 3, 2 * (i % 3) + 1);
        }
        grid->addWidget(new QLabel("Length"), 2, 4);
        grid->addWidget(fields_[length], 2, 5);
        if (a) {
            grid->addWidget(a, 2, 0, 1, 2);
            grid->addWidget(b, 2, 2, 1, 2);
        }
        return box;
    };
    swap_ = new QPushButton("Edge1 <--> Edge2");
    swap_->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPlaneEdgesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPlaneEdgesDlg::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(swap_);
    bottom->addStretch();
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(group("Edge 1:", F::Edge1x, F::Edge1Length, drawEdges_[0], drawEdges_[2]));
    layout->addWidget(group("Edge 2:", F::Edge2x, F::Edge2Length, drawEdges_[1], drawEdges_[3]));
    layout->addWidget(group("Normal:", F::Normalx, F::NormalLength, nullptr, nullptr));
    layout->addLayout(bottom);

    connect(shape_, &QComboBox::currentIndexChanged, this,
            [this](int index) { Change([this, index] { return form_.SelectShape(index); }); });
    connect(swap_, &QPushButton::clicked, this, [this] { Change([this] { return form_.Swap(); }); });
    Push();
}

QString CPlaneEdgesDlg::Name() const {
    return name_->text();
}

void CPlaneEdgesDlg::Pull() {
    for (int f = 0; f < F::EditableCount; ++f)
        form_.SetText(static_cast<F::EField>(f), FromQt(fields_[f]->text()));
    for (int e = 0; e < 4; ++e) form_.SetDrawEdge(e, FlagOf(drawEdges_[e]->checkState()));
}

void CPlaneEdgesDlg::Push() {
    for (int f = 0; f < F::FieldCount; ++f) {
        const auto field = static_cast<F::EField>(f);
        ShowField(fields_[f], form_.Text(field), !F::IsEditable(field));
    }
    for (int e = 0; e < 4; ++e) drawEdges_[e]->setCheckState(StateOf(form_.DrawEdge(e)));
}

void CPlaneEdgesDlg::Change(const std::function<std::optional<CFieldRefusal>()>& work) {
    if (changing_) return;
    changing_ = true;
    Pull();
    const std::optional<CFieldRefusal> refusal = work();
    Push();
    if (redraw_) redraw_();
    ShowRefusal(refusal, fields_.data(), messages_, *this);
    changing_ = false;
}

bool CPlaneEdgesDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving the field, not the window: a message box or another window taking the focus is no edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int f = 0; f < F::EditableCount; ++f) {
                if (watched != fields_[f]) continue;
                const auto field = static_cast<F::EField>(f);
                Change([this, field] { return form_.LeaveField(field); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CPlaneEdgesDlg::accept() {
    if (changing_) return;
    changing_ = true;
    Pull();
    const std::optional<CFieldRefusal> refusal = form_.Accept();
    Push();
    if (redraw_) redraw_();
    ShowRefusal(refusal, fields_.data(), messages_, *this);
    changing_ = false;
    if (!refusal) QDialog::accept();
}

}  // namespace brelix
