#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/brelix_app.h"
#include "app/main_frame.h"
#include "app/model_view.h"
#include "document/brelix_doc.h"
#include "edit/tree_code.h"

using namespace brelix;

namespace {

// --check-layers: each layer of the current batch is clicked in the model tree, which checks it for the
// graphs.
void CheckLayers(CBrelix6App& app) {
    CBatchList& batches = app.Doc().Batches();
    const int64_t batch = batches.IndexOf(&batches.Current());
    for (uint32_t layer = 0; layer < batches.Current().model.GetCount(); ++layer)
        app.Frame().ModelView().OnTreeClick(CTreeCode{batch, layer, -1, false});
}

// --screenshot: once the document is open (and, with --trace, its trace has ended) and the view asked for
// is shown, the window is written to a PNG and the program ends.
void ScheduleScreenshot(CBrelix6App& app, const CAppOptions& options) {
    if (options.checkLayers) CheckLayers(app);
    if (options.trace) app.Frame().Router().Run(ECommand::Start, app.Frame().ActiveView());
    auto* poll = new QTimer(&app);
    std::optional<ECommand> view = ViewCommand(options.view);
    QObject::connect(poll, &QTimer::timeout, &app, [&app, poll, path = options.screenshot, view]() mutable {
        if (app.Frame().ModelView().IsTraceTimerRunning()) return;
        // The view is switched to on one tick and grabbed on the next, once it is laid out.
        if (view) {
            app.Frame().Router().Run(*view, app.Frame().ActiveView());
            view.reset();
            return;
        }
        poll->stop();
        const bool saved = app.SaveScreenshot(path);
        if (!saved) std::fprintf(stderr, "brelix: could not write the screenshot %s\n", qPrintable(path));
        QCoreApplication::exit(saved ? 0 : 1);
    });
    poll->start(100);
}

// A screenshot needs no screen: without a display the picture is drawn off-screen.
void UseOffscreenWithoutDisplay(int argc, char* argv[]) {
    bool screenshot = false;
    for (int i = 1; i < argc; ++i) screenshot |= std::strcmp(argv[i], "--screenshot") == 0;
    if (screenshot && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

}  // namespace

int main(int argc, char* argv[]) {
    UseOffscreenWithoutDisplay(argc, argv);
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName("Brelix");
    QCoreApplication::setApplicationName("Brelix6");
    const CAppOptions options = ParseCommandLine(QCoreApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr,
                     "brelix: %s\nUsage: brelix [--no-splash] [--open FILE] [--screenshot FILE.png [--trace] "
                     "[--check-layers] [--view model|results|graph:1|graph:2|graph:3]]\n",
                     qPrintable(options.error));
        return 2;
    }
    CBrelix6App app(options);
    if (!options.screenshot.isEmpty()) {
        // Nobody is there to close a message box: messages go to the terminal.
        app.Frame().showMessage = [](const QString& text, const QString& caption) {
            std::fprintf(stderr, "brelix: %s: %s\n", qPrintable(caption), qPrintable(text));
        };
    }
    if (!options.open.isEmpty() && !app.OpenDocumentFile(options.open) && !options.screenshot.isEmpty()) return 3;
    if (!options.screenshot.isEmpty()) ScheduleScreenshot(app, options);
    return application.exec();
}
