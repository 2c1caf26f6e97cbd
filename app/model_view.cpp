#include "app/model_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/main_frame.h"
#include "app/painter_surface.h"
#include "core/shared_value.h"
#include "document/brelix_doc.h"
#include "edit/model_tree.h"
#include "view/model_picture.h"

namespace brelix {

namespace {

// The off-screen picture, with the worker's rays laid over it last.
class CModelCanvas : public IModelCanvas {
public:
    CModelCanvas(QPainter& painter, const CRayLayer& rays) : painter_(painter), lines_(painter), rays_(rays) {}
    const CPen* SelectPen(const CPen* pen) override { return lines_.SelectPen(pen); }
    void MoveTo(int x, int y) override { lines_.MoveTo(x, y); }
    void LineTo(int x, int y) override { lines_.LineTo(x, y); }
    void Clear(CColor background) override { lines_.FillRect(painter_.viewport(), background); }
    void DrawRays() override { rays_.DrawOn(painter_); }

private:
    QPainter& painter_;
    CPainterSurface lines_;
    const CRayLayer& rays_;
};

EViewKey ViewKey(int key) {
    switch (key) {
        case Qt::Key_Home: return EViewKey::Home;
        case Qt::Key_End: return EViewKey::End;
        case Qt::Key_PageUp: return EViewKey::PageUp;
        case Qt::Key_PageDown: return EViewKey::PageDown;
        case Qt::Key_Left: return EViewKey::Left;
        case Qt::Key_Right: return EViewKey::Right;
        case Qt::Key_Up: return EViewKey::Up;
        case Qt::Key_Down: return EViewKey::Down;
        case Qt::Key_I: return EViewKey::I;
        case Qt::Key_O: return EViewKey::O;
        case Qt::Key_H: return EViewKey::H;
        case Qt::Key_Clear: return EViewKey::Clear;
        case Qt::Key_Escape: return EViewKey::Escape;
        default: return EViewKey::Other;
    }
}

uint32_t MouseState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uint32_t state = 0;
    if (buttons & Qt::LeftButton) state |= MouseLeft;
    if (buttons & Qt::RightButton) state |= MouseRight;
    if (buttons & Qt::MiddleButton) state |= MouseMiddle;
    if (modifiers & Qt::ShiftModifier) state |= MouseShift;
    if (modifiers & Qt::ControlModifier) state |= MouseControl;
    return state;
}

}  // namespace

CBrelix6View::CBrelix6View(CBrelix6Doc& doc, CMainFrame& frame) : doc_(doc), frame_(frame) {
    setObjectName("ModelView");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // The whole picture is painted every time; nothing is erased before.
    setAttribute(Qt::WA_OpaquePaintEvent);
    PostRaySettings(Batch().drawTools);
}

CBatch& CBrelix6View::Batch() { return doc_.Batches().Current(); }

void CBrelix6View::OnUpdate(EUpdateHint) {
    frame_.RebuildTree();
    FollowCurrentBatch();
    update();
}

void CBrelix6View::Redraw() {
    doc_.RequestPartialTrace();
    update();
}

void CBrelix6View::SetTraceTimer(bool running) {
    if (running)
        timer_.start(250, this);
    else
        timer_.stop();
}

void CBrelix6View::PostRaySettings(const CDrawTools& tools) {
    layer_.Post(tools);
    postedBatch_ = &Batch();
}

void CBrelix6View::FollowCurrentBatch() {
    if (postedBatch_ != &Batch()) PostRaySettings(Batch().drawTools);
}

void CBrelix6View::OnTreeClick(const CTreeCode& code) {
    const std::optional<ESelectionKind> kind = SelectTreeItem(doc_.Batches(), code);
    if (!kind) return;
    doc_.Builder().SetKind(*kind);
    FollowCurrentBatch();
    frame_.RepaintColorBars();
    Redraw();
    frame_.UpdateCommandStates();
}

ESelectionKind CBrelix6View::SelectionKind() const { return doc_.Builder().Kind(); }

void CBrelix6View::ToggleDrawOnRaytrace() {
    doc_.SetModified(true);
    CBatch& batch = Batch();
    StoreShared(batch.drawOnRaytrace, LoadShared(batch.drawOnRaytrace) ? 0 : 1);
}

void CBrelix6View::ToggleCompress(int32_t CDrawTools::*which) {
    doc_.SetModified(true);
    CDrawTools& tools = Batch().drawTools;
    tools.*which = tools.*which ? 0 : 1;
    Apply({.projection = true});
}

void CBrelix6View::Apply(const CViewEffect& effect) {
    if (effect.stop) {
        doc_.Stop();
        return;
    }
    if (effect.projection) PostRaySettings(Batch().drawTools);
    if (effect.redraw()) Redraw();
}

void CBrelix6View::paintEvent(QPaintEvent*) {
    if (picture_.size() != size()) picture_ = QImage(size(), QImage::Format_RGB32);
    {
        QPainter painter(&picture_);
        CModelCanvas canvas(painter, layer_);
        DrawModelPicture(canvas, Batch());
    }
    QPainter(this).drawImage(0, 0, picture_);
}

void CBrelix6View::resizeEvent(QResizeEvent*) {
    layer_.Resize(size(), Batch().drawTools);
    postedBatch_ = &Batch();
}

void CBrelix6View::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    Apply(input_.Key(Batch(), ViewKey(event->key()), shift));
}

void CBrelix6View::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    Apply(input_.MouseMove(Batch(), at.x(), at.y(), MouseState(event->buttons(), event->modifiers())));
}

void CBrelix6View::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::MiddleButton) return QWidget::mousePressEvent(event);
    input_.MiddleClick(Batch());
    doc_.RequestBatch();
    Apply({.projection = true});
}

void CBrelix6View::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Redraw();
}

void CBrelix6View::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) return QWidget::timerEvent(event);
    doc_.TraceTimerTick();
    frame_.UpdateStatusPanes();
    update();  // the rays drawn since the last tick
}

}  // namespace brelix
