#pragma once

#include <QTimer>
#include <QWidget>

namespace brelix {

// The window shown at start-up for three seconds. A key or a mouse button pressed anywhere in the
// application before then closes it, and is swallowed.
class CSplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit CSplashWindow(QWidget* mainWindow);
    ~CSplashWindow() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Dismiss();

    QWidget* mainWindow_;
    QTimer timer_;
};

}  // namespace brelix
