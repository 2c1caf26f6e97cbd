#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace brelix {

class CInteractiveGraph;
class CResultsTable;

// How "Print..." gets its printer: the print dialog, or in tests a PDF file set up without one. False when
// the user cancelled.
using PrintDialogRunner = std::function<bool(QPrinter& printer, QWidget* parent)>;
bool ExecPrintDialog(QPrinter& printer, QWidget* parent);

// The printer "Print..." starts from: pixels of the screen's size, so that a table row or a graph's text is
// as large on paper as on the screen.
void SetUpPrinter(QPrinter& printer, const QString& documentName);

// Prints the table on as many pages as it takes (view/table_pages.h). False, with what went wrong, when the
// printer or its file could not be opened.
bool PrintResultsTable(QPrinter& printer, const CResultsTable& table, QString& error);
// Prints the graph on one page filling it.
bool PrintGraph(QPrinter& printer, const CInteractiveGraph& graph, QString& error);

// "Save Graph As...": the file and the figure's size in pixels.
struct CFigureRequest {
    QString path;
    QSize size;
};
// Asks for them (a file dialog, then the size starting from `suggested`); nothing when the user cancelled.
using FigureDialogRunner = std::function<std::optional<CFigureRequest>(QWidget* parent, QSize suggested)>;
std::optional<CFigureRequest> ExecFigureDialogs(QWidget* parent, QSize suggested);

// Writes the graph as a figure of `size` pixels, chosen by the file's suffix: ".png" an image, ".pdf" a
// vector page of the same proportions (96 pixels to the inch). The file is replaced only when it was
// written whole; false, with the reason, when it was not (an unknown suffix, a size out of range, a folder
// that cannot be written).
bool SaveGraphFigure(const CInteractiveGraph& graph, const QString& path, QSize size, QString& error);

// The sizes a figure may have, in pixels a side.
inline constexpr int kMinFigureSide = 100;
inline constexpr int kMaxFigureSide = 10000;

}  // namespace brelix
