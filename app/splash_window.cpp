#include "app/splash_window.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScreen>

#include "app/artwork.h"

namespace brelix {

CSplashWindow::CSplashWindow(QWidget* mainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      mainWindow_(mainWindow) {
    setFixedSize(kSplashWidth, kSplashHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        Dismiss();
        deleteLater();
    });
    timer_.start(3000);
    qApp->installEventFilter(this);
}

CSplashWindow::~CSplashWindow() { qApp->removeEventFilter(this); }

void CSplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSplash(painter);
}

bool CSplashWindow::eventFilter(QObject*, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool release = type == QEvent::KeyRelease || type == QEvent::MouseButtonRelease ||
                         type == QEvent::NonClientAreaMouseButtonRelease;
    if (isHidden()) {
        // Dismissed: the release of the swallowed key or click goes too, since a click acts on its release.
        if (!release) return false;
        qApp->removeEventFilter(this);
        deleteLater();
        return true;
    }
    switch (type) {
        case QEvent::ShortcutOverride:
            // Accepted, so that no shortcut takes the key before it is swallowed below.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
            Dismiss();
            return true;
        default:
            return false;
    }
}

void CSplashWindow::Dismiss() {
    if (isHidden()) return;
    hide();
    if (mainWindow_) mainWindow_->repaint();
}

}  // namespace brelix
