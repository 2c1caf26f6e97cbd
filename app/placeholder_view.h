#pragma once

#include <QLabel>

namespace brelix {

// Holds the place of the graph and results views in the frame until they are written: it can be shown,
// hidden and switched to like them, and says what it will show.
class CPlaceholderView : public QLabel {
    Q_OBJECT
public:
    explicit CPlaceholderView(const QString& what, QWidget* parent = nullptr);
    void SetGraphKind(int kind);

private:
    QString what_;
};

}  // namespace brelix
