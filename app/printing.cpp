#include "app/printing.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QSpinBox>
#include <algorithm>

#include "app/painter_view_surface.h"
#include "graph/interactive_graph.h"
#include "view/results_table.h"
#include "view/table_pages.h"

namespace brelix {

namespace {

constexpr int kFigureResolution = 96;

// Opens a painter on the printer, or says why it could not.
bool BeginPrinting(QPainter& painter, QPrinter& printer, QString& error) {
    if (painter.begin(&printer)) return true;
    error = printer.outputFileName().isEmpty()
                ? QString("The printer \"%1\" could not be started.").arg(printer.printerName())
                : QString("Could not print to %1: the file cannot be written.").arg(printer.outputFileName());
    return false;
}

CSize PageSize(const QPrinter& printer) {
    return {printer.width(), printer.height()};
}

// The figure-size dialog: width and height in pixels.
class CFigureSizeDialog : public QDialog {
  public:
    CFigureSizeDialog(QSize size, bool pdf, QWidget* parent) : QDialog(parent) {
        setWindowTitle("Figure Size");
        auto spin = [](int value) {
            auto* box = new QSpinBox;
            box->setRange(kMinFigureSide, kMaxFigureSide);
            box->setValue(std::clamp(value, kMinFigureSide, kMaxFigureSide));
            box->setSuffix(" px");
            return box;
        };
        width_ = spin(size.width());
        height_ = spin(size.height());
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QFormLayout(this);
        layout->addRow("Width:", width_);
        layout->addRow("Height:", height_);
        if (pdf) layout->addRow(new QLabel("The PDF page is 96 pixels to the inch."));
        layout->addRow(buttons);
    }
    QSize Size() const { return QSize(width_->value(), height_->value()); }

  private:
    QSpinBox* width_;
    QSpinBox* height_;
};

bool WritePng(const CInteractiveGraph& graph, QSaveFile& file, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CPainterViewSurface surface(painter, {size.width(), size.height()});
        graph.DrawPage(surface, {0, 0, size.width(), size.height()});
    }
    return image.save(&file, "PNG");
}

bool WritePdf(const CInteractiveGraph& graph, QSaveFile& file, QSize size) {
    QPdfWriter writer(&file);
    writer.setResolution(kFigureResolution);
    writer.setPageSize(QPageSize(QSizeF(size) / kFigureResolution, QPageSize::Inch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator("Brelix6");
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    {
        CPainterViewSurface surface(painter, {size.width(), size.height()});
        graph.DrawPage(surface, {0, 0, size.width(), size.height()});
    }
    return painter.end();
}

}  // namespace

bool ExecPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void SetUpPrinter(QPrinter& printer, const QString& documentName) {
    printer.setDocName(documentName);
    printer.setCreator("Brelix6");
}

bool PrintResultsTable(QPrinter& printer, const CResultsTable& table, QString& error) {
    QPainter painter;
    if (!BeginPrinting(painter, printer, error)) return false;
    const CSize page = PageSize(printer);
    const std::vector<CTablePage> pages =
        PageTable(table.RowCount(), table.Width() / CResultsTable::CellWidth, page);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) printer.newPage();
        painter.save();
        painter.setClipRect(QRect(0, 0, page.cx, page.cy));
        painter.translate(-pages[i].firstCell * CResultsTable::CellWidth, 0);
        {
            CPainterViewSurface surface(painter, page);
            table.Draw(surface, pages[i].firstRow, pages[i].rowCount);
        }
        painter.restore();
    }
    return painter.end();
}

bool PrintGraph(QPrinter& printer, const CInteractiveGraph& graph, QString& error) {
    QPainter painter;
    if (!BeginPrinting(painter, printer, error)) return false;
    const CSize page = PageSize(printer);
    {
        CPainterViewSurface surface(painter, page);
        graph.DrawPage(surface, {0, 0, page.cx, page.cy});
    }
    return painter.end();
}

std::optional<CFigureRequest> ExecFigureDialogs(QWidget* parent, QSize suggested) {
    const QString png = "PNG image (*.png)", pdf = "PDF document, vector (*.pdf)";
    QString filter = png;
    QString path =
        QFileDialog::getSaveFileName(parent, "Save Graph As", "graph.png", png + ";;" + pdf, &filter);
    if (path.isEmpty()) return std::nullopt;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != "png" && suffix != "pdf") path += filter == pdf ? ".pdf" : ".png";
    CFigureSizeDialog dialog(suggested, path.endsWith(".pdf", Qt::CaseInsensitive), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return CFigureRequest{path, dialog.Size()};
}

bool SaveGraphFigure(const CInteractiveGraph& graph, const QString& path, QSize size, QString& error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != "png" && suffix != "pdf") {
        error = QString("%1 was not written: a graph is saved as a .png image or a .pdf document.").arg(path);
        return false;
    }
    if (size.width() < kMinFigureSide || size.height() < kMinFigureSide || size.width() > kMaxFigureSide ||
        size.height() > kMaxFigureSide) {
        error = QString("%1 was not written: a figure is %2 to %3 pixels wide and high.")
                    .arg(path)
                    .arg(kMinFigureSide)
                    .arg(kMaxFigureSide);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QString("Could not write %1:\n%2.").arg(path, file.errorString());
        return false;
    }
    const bool written = suffix == "png" ? WritePng(graph, file, size) : WritePdf(graph, file, size);
    if (!written || !file.commit()) {
        error = QString("Could not write %1:\n%2.")
                    .arg(path, written ? file.errorString() : "the figure could not be drawn");
        return false;
    }
    return true;
}

}  // namespace brelix
