#include "app/interactive_graph_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QStyleHints>

#include "app/color_bars.h"
#include "app/main_frame.h"
#include "app/painter_view_surface.h"
#include "document/brelix_doc.h"
#include "graph/graph_series.h"

namespace brelix {

namespace {

constexpr const char* kRetainZoomKey = "Interactive Graph/Retain Zoom";

std::optional<EGraphKey> GraphKey(int key) {
    switch (key) {
        case Qt::Key_Home:
            return EGraphKey::Home;
        case Qt::Key_End:
            return EGraphKey::End;
        case Qt::Key_Left:
            return EGraphKey::Left;
        case Qt::Key_Right:
            return EGraphKey::Right;
        case Qt::Key_Up:
            return EGraphKey::Up;
        case Qt::Key_Down:
            return EGraphKey::Down;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return EGraphKey::Enter;
        case Qt::Key_Escape:
            return EGraphKey::Escape;
        default:
            return std::nullopt;
    }
}

CPoint ToCPoint(const QPointF& point) {
    const QPoint p = point.toPoint();
    return {p.x(), p.y()};
}

std::vector<std::string> SeriesNames(const CGraphData& data) {
    std::vector<std::string> names;
    for (const CGraphSeries& series : data.series) names.push_back(series.name);
    return names;
}

}  // namespace

CInteractiveGraphView::CInteractiveGraphView(CBrelix6Doc& doc, CMainFrame& frame) : doc_(doc), frame_(frame) {
    setObjectName("GraphView");
    setFocusPolicy(Qt::StrongFocus);
    // The picture covers the whole window.
    setAttribute(Qt::WA_OpaquePaintEvent);
    const int doubleClick = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    graph_.SetDoubleClickSize({doubleClick, doubleClick});
    graph_.SetRetainZoom(QSettings().value(kRetainZoomKey, 0).toInt() != 0);

    retainZoom_ = new QAction("Retain Zoom", this);
    retainZoom_->setCheckable(true);
    retainZoom_->setChecked(graph_.RetainZoom());
    retainZoom_->setStatusTip("Keep the zoomed range when a new graph of the same kind is shown");
    connect(retainZoom_, &QAction::toggled, this, &CInteractiveGraphView::SetRetainZoom);
}

CInteractiveGraphView::~CInteractiveGraphView() {
    QSettings().setValue(kRetainZoomKey, graph_.RetainZoom() ? 1 : 0);
}

CBatch& CInteractiveGraphView::Batch() {
    return doc_.Batches().Current();
}

void CInteractiveGraphView::SetGraphKind(int kind) {
    current_ = CGraph(kind == GraphXPosition   ? GraphXPosition
                      : kind == GraphYPosition ? GraphYPosition
                                               : GraphWavelength);
}

void CInteractiveGraphView::SetRetainZoom(bool retain) {
    graph_.SetRetainZoom(retain);
    retainZoom_->setChecked(retain);
    QSettings().setValue(kRetainZoomKey, retain ? 1 : 0);
}

void CInteractiveGraphView::OnUpdate(EUpdateHint hint) {
    switch (hint) {
        case HintGraphChanged:
            Build(false);
            break;
        case HintRebuild:
            // A document written keeps the user's zoom; one read or replaced has other results.
            Build(builtFrom_ == &Batch() && Batch().model.results.GetSize() > 0);
            break;
        case HintRedraw:
            if (isVisible() && !showingHistory_) Refresh();
            break;
    }
}

void CInteractiveGraphView::OnTraceStarting() {
    const CBatch& batch = Batch();
    if (&batch != builtFrom_) return;
    const CGraphData last = BuildCheckedSeries(batch, current_.kind);
    if (!last.x.empty()) {
        CGraph graph = current_;
        graph.SetSeries(last);
        history_.Add(batch.name, graph, last);
    }
    // The new trace's results are shown from now on.
    if (showingHistory_) Build(true);
}

void CInteractiveGraphView::Build(bool keepRange) {
    CBatch& batch = Batch();
    CGraphData data = BuildCheckedSeries(batch, current_.kind);
    current_.SetSeries(data);
    if (keepRange && !showingHistory_)
        graph_.Refresh(std::move(data));
    else
        graph_.ShowGraph(current_, std::move(data));
    showingHistory_ = false;
    builtFrom_ = &batch;
    ShowLegend();
    pictureValid_ = false;
    update();
    ShowStatus();
}

void CInteractiveGraphView::Refresh() {
    if (builtFrom_ != &Batch()) return Build(false);
    CGraphData data = BuildCheckedSeries(Batch(), current_.kind);
    current_.SetSeries(data);
    graph_.Refresh(std::move(data));
    ShowLegend();
    pictureValid_ = false;
    update();
}

void CInteractiveGraphView::ShowLegend() {
    frame_.LegendBox().SetNames(SeriesNames(graph_.Data()));
}

void CInteractiveGraphView::ShowHistoryEntry(size_t index) {
    if (index >= history_.Count()) return;
    const CGraphHistory::CEntry& entry = history_[index];
    CGraph graph = entry.graph;
    graph.title = CGraphHistory::Title(entry);
    graph_.ShowGraph(graph, entry.data);
    showingHistory_ = true;
    ShowLegend();
    pictureValid_ = false;
    update();
    ShowStatus();
}

void CInteractiveGraphView::CopyGraphData() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(graph_.CopyText()));
}

void CInteractiveGraphView::DrawBandOnPicture() {
    QPainter painter(&picture_);
    CPainterViewSurface surface(painter, {picture_.width(), picture_.height()});
    graph_.DrawBand(surface);
}

void CInteractiveGraphView::paintEvent(QPaintEvent*) {
    if (!pictureValid_ || picture_.size() != size()) {
        picture_ = QImage(size(), QImage::Format_RGB32);
        picture_.fill(Qt::white);
        QPainter painter(&picture_);
        CPainterViewSurface surface(painter, {width(), height()});
        graph_.Draw(surface, {0, 0, width(), height()});
        graph_.DrawBand(surface);
        pictureValid_ = true;
    }
    QPainter(this).drawImage(0, 0, picture_);
}

void CInteractiveGraphView::resizeEvent(QResizeEvent*) {
    pictureValid_ = false;
}

template <class Event>
void CInteractiveGraphView::Handle(Event event) {
    if (pictureValid_) DrawBandOnPicture();  // drawn again, it is gone
    const CGraphReaction reaction = event();
    if (reaction.repaint == CGraphReaction::Plot)
        pictureValid_ = false;
    else if (pictureValid_)
        DrawBandOnPicture();
    React(reaction);
}

void CInteractiveGraphView::React(const CGraphReaction& reaction) {
    if (reaction.repaint != CGraphReaction::None) update();
    ShowStatus();
    if (reaction.updateOtherViews) frame_.UpdateViewsExcept(EView::Graph, HintGraphChanged);
}

void CInteractiveGraphView::ShowStatus() {
    if (!isVisible()) return;
    QString text = QString::fromStdString(graph_.Prompt());
    const std::string selection = graph_.SelectionText();
    if (!selection.empty()) text += (text.isEmpty() ? "" : "    ") + QString::fromStdString(selection);
    frame_.ShowPrompt(text);
}

void CInteractiveGraphView::mousePressEvent(QMouseEvent* event) {
    const CPoint at = ToCPoint(event->position());
    if (event->button() == Qt::LeftButton) {
        Handle([&] { return graph_.LeftButtonDown(at); });
    } else if (event->button() == Qt::RightButton) {
        CGraphReaction reaction;
        Handle([&] { return reaction = graph_.RightButtonDown(); });
        menuOnRelease_ = reaction.updateOtherViews;
    } else {
        QWidget::mousePressEvent(event);
    }
}

void CInteractiveGraphView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    const CPoint at = ToCPoint(event->position());
    Handle([&] { return graph_.MouseMove(at); });
}

void CInteractiveGraphView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const CPoint at = ToCPoint(event->position());
        Handle([&] { return graph_.LeftButtonUp(at); });
    } else if (event->button() == Qt::RightButton && menuOnRelease_) {
        menuOnRelease_ = false;
        ShowContextMenu(event->globalPosition().toPoint());
    } else {
        QWidget::mouseReleaseEvent(event);
    }
}

void CInteractiveGraphView::keyPressEvent(QKeyEvent* event) {
    const std::optional<EGraphKey> key = GraphKey(event->key());
    if (!key) return QWidget::keyPressEvent(event);
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    Handle([&] { return graph_.KeyDown(*key, ctrl); });
}

// The right button steps out of a zoom, as Escape does; the menu comes from the keyboard, or from a right
// click with nothing to step out of.
void CInteractiveGraphView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse) return;
    ShowContextMenu(event->globalPos());
}

void CInteractiveGraphView::ShowContextMenu(const QPoint& at) {
    QMenu menu(this);
    FillContextMenu(menu);
    menu.exec(at);
}

void CInteractiveGraphView::FillContextMenu(QMenu& menu) {
    frame_.UpdateCommandStates();
    menu.addAction(frame_.Action(ECommand::Copy));
    menu.addAction(retainZoom_);
    menu.addMenu(NewHistoryMenu(&menu));
    menu.addSeparator();
    menu.addAction(frame_.Action(ECommand::SaveGraphAs));
    menu.addAction(frame_.Action(ECommand::Print));
}

QMenu* CInteractiveGraphView::NewHistoryMenu(QWidget* parent) {
    auto* menu = new QMenu("History", parent);
    auto fill = [this, menu] {
        menu->clear();
        if (history_.Count() == 0) menu->addAction("No earlier results")->setEnabled(false);
        for (size_t i = history_.Count(); i-- > 0;) {
            QAction* entry = menu->addAction(QString::fromStdString(CGraphHistory::Title(history_[i])));
            connect(entry, &QAction::triggered, this, [this, i] { ShowHistoryEntry(i); });
        }
    };
    connect(menu, &QMenu::aboutToShow, this, fill);
    fill();
    return menu;
}

}  // namespace brelix
