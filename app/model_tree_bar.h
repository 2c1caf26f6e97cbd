#pragma once

#include <QDockWidget>
#include <QTreeWidget>
#include <array>
#include <functional>

#include "edit/model_tree.h"

namespace brelix {

// The model tree: one item per record, each holding its code; clicks act on the release of the left
// button, a double click opens the item's editor and never expands, and expanding or collapsing reports
// the item and its new state (not while the tree is being rebuilt, which expands items itself).
class CModelTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CModelTreeCtrl(QWidget* parent = nullptr);

    // Refills the tree, keeping the records' expanded flags and selection.
    void Rebuild(const CTreeContent& content);
    static CTreeCode CodeOf(const QTreeWidgetItem* item);
    // The item of a code, or null.
    QTreeWidgetItem* FindItem(const CTreeCode& code) const;

    std::function<void(const CTreeCode&)> onClick;
    // A double click on an item (the item is not selected yet: the handler selects it).
    std::function<void(const CTreeCode&)> onDoubleClick;
    std::function<void(const CTreeCode&, bool expanded)> onExpanded;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Report(QTreeWidgetItem* item, bool expanded);

    bool rebuilding_ = false;
    std::array<QIcon, TreeIconSelected> icons_;
};

// The dock bar on the left of the frame that holds the model tree, 200 pixels wide.
class CModelTreeBar : public QDockWidget {
    Q_OBJECT
public:
    explicit CModelTreeBar(QWidget* parent);
    CModelTreeCtrl& Tree() { return *tree_; }

private:
    CModelTreeCtrl* tree_;
};

}  // namespace brelix
