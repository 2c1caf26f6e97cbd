#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace brelix {

// Every picture of the program is drawn by the program: no image files to ship or to lose.
enum class EToolbarIcon { New, Open, Save, AddBatch, DeleteBatch, AddLayer, DeleteLayer, AddPlane, DeletePlane };

// A 16 x 15 toolbar button face.
QIcon ToolbarIcon(EToolbarIcon icon);
// The model tree's images, 16 pixels wide: 0 to 4 the levels (document, batch, layer, plane, edges), 5
// to 9 the same levels selected.
QPixmap TreeImage(int index);
// The application's icon.
QIcon ApplicationIcon();
// The splash window's picture, 600 x 209.
inline constexpr int kSplashWidth = 600, kSplashHeight = 209;
void PaintSplash(QPainter& painter);

}  // namespace brelix
