#pragma once

#include <QToolBar>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace brelix {

class CDrawTools;

// The colour box: the colour-scale bar of the drawing settings it is given, read at each repaint (the
// current batch's, which a tree click or the Color Scale dialog changes).
class CStaticCB : public QWidget {
    Q_OBJECT
  public:
    using ToolsSource = std::function<const CDrawTools&()>;
    explicit CStaticCB(ToolsSource tools, QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ToolsSource tools_;
};

// The legend box: one block per series of the graph view, named as the graph view named them when it
// built its series.
class CStaticLB : public QWidget {
    Q_OBJECT
  public:
    explicit CStaticLB(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // At most sixteen are shown.
    void SetNames(std::vector<std::string> names);
    const std::vector<std::string>& Names() const { return names_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<std::string> names_;
};

// The docked bars that hold the boxes, in the toolbar's row; each box takes the row's width left to it.
class CColorDlgBar : public QToolBar {
    Q_OBJECT
  public:
    CColorDlgBar(CStaticCB::ToolsSource tools, QWidget* parent);
    CStaticCB* Box() const { return box_; }

  private:
    CStaticCB* box_;
};

class CLegendDlgBar : public QToolBar {
    Q_OBJECT
  public:
    explicit CLegendDlgBar(QWidget* parent);
    CStaticLB* Box() const { return box_; }

  private:
    CStaticLB* box_;
};

}  // namespace brelix
