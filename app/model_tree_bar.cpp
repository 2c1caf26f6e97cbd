#include "app/model_tree_bar.h"

#include <QMouseEvent>

#include "app/artwork.h"

namespace brelix {

namespace {

enum ERole : int { RoleBatch = Qt::UserRole, RoleLayer, RolePlane, RoleEdges };

QIcon LevelIcon(int level) {
    // The selected image is the one the tree shows for a selected item.
    QIcon icon(TreeImage(level));
    icon.addPixmap(TreeImage(level + TreeIconSelected), QIcon::Selected);
    return icon;
}

}  // namespace

CModelTreeCtrl::CModelTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    for (int level = 0; level < TreeIconSelected; ++level) icons_[level] = LevelIcon(level);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Report(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { Report(item, false); });
}

CTreeCode CModelTreeCtrl::CodeOf(const QTreeWidgetItem* item) {
    return {item->data(0, RoleBatch).toLongLong(), item->data(0, RoleLayer).toLongLong(),
            item->data(0, RolePlane).toLongLong(), item->data(0, RoleEdges).toBool()};
}

QTreeWidgetItem* CModelTreeCtrl::FindItem(const CTreeCode& code) const {
    for (QTreeWidgetItemIterator it(const_cast<CModelTreeCtrl*>(this)); *it; ++it)
        if (CodeOf(*it) == code) return *it;
    return nullptr;
}

void CModelTreeCtrl::Rebuild(const CTreeContent& content) {
    rebuilding_ = true;
    clear();
    std::vector<QTreeWidgetItem*> items;
    items.reserve(content.entries.size());
    for (const CTreeEntry& entry : content.entries) {
        auto* item = entry.parent < 0 ? new QTreeWidgetItem(this) : new QTreeWidgetItem(items[entry.parent]);
        item->setText(0, QString::fromStdString(entry.text));
        item->setToolTip(0, QString::fromStdString(entry.tooltip));
        item->setIcon(0, icons_[entry.icon]);
        item->setData(0, RoleBatch, qlonglong(entry.code.batch));
        item->setData(0, RoleLayer, qlonglong(entry.code.layer));
        item->setData(0, RolePlane, qlonglong(entry.code.plane));
        item->setData(0, RoleEdges, entry.code.edges);
        items.push_back(item);
    }
    // Children first: an item is expanded once it has all of its own.
    for (size_t i = items.size(); i-- > 0;)
        if (content.entries[i].expanded) items[i]->setExpanded(true);
    if (content.selected >= 0) setCurrentItem(items[content.selected]);
    rebuilding_ = false;
}

void CModelTreeCtrl::Report(QTreeWidgetItem* item, bool expanded) {
    if (!rebuilding_ && onExpanded) onExpanded(CodeOf(item), expanded);
}

void CModelTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (QTreeWidgetItem* item = itemAt(event->position().toPoint()); item && onClick) onClick(CodeOf(item));
}

void CModelTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    // Never expands or collapses. The handler may run a modal editor and rebuild the tree: nothing here
    // touches the item after it.
    if (event->button() != Qt::LeftButton) return;
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (!item) return;
    setCurrentItem(item);
    if (onDoubleClick)
        onDoubleClick(CodeOf(item));
    else if (onClick)
        onClick(CodeOf(item));
}

CModelTreeBar::CModelTreeBar(QWidget* parent) : QDockWidget("Model", parent), tree_(new CModelTreeCtrl(this)) {
    setObjectName("ModelTreeBar");
    setAllowedAreas(Qt::LeftDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetMovable);
    setWidget(tree_);
    tree_->setMinimumWidth(100);
    setFixedWidth(200);
}

}  // namespace brelix
