#include "app/placeholder_view.h"

namespace brelix {

CPlaceholderView::CPlaceholderView(const QString& what, QWidget* parent) : QLabel(parent), what_(what) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setText(what_);
}

void CPlaceholderView::SetGraphKind(int kind) {
    static const char* const kinds[] = {"", "spectral", "x position", "y position"};
    setText(what_ + (kind >= 1 && kind <= 3 ? QString(" (") + kinds[kind] + ")" : QString()));
}

}  // namespace brelix
