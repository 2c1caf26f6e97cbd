#include "app/model_builders.h"

#include <QDialog>

#include "app/batch_builder_dlg.h"
#include "app/main_frame.h"
#include "app/model_view.h"
#include "app/plane_edges_dlg.h"
#include "app/property_pages.h"
#include "core/messages.h"
#include "document/brelix_doc.h"

namespace brelix {

namespace {

// The editors' and readers' messages, shown as the frame shows every message.
class CFrameMessages : public IMessages {
  public:
    explicit CFrameMessages(CMainFrame& frame) : frame_(frame) {}
    void Show(const std::string& text, const std::string& caption) override {
        frame_.showMessage(ToQt(text), ToQt(caption));
    }

  private:
    CMainFrame& frame_;
};

}  // namespace

CModelBuilders::CModelBuilders(CBrelix6Doc& doc, CMainFrame& frame)
    : doc_(doc), frame_(frame), messages_(std::make_unique<CFrameMessages>(frame)) {}

CModelBuilders::~CModelBuilders() = default;

void CModelBuilders::Register(CCommandRouter& router) {
    const std::pair<ECommand, EBuilderCommand> commands[] = {
        {ECommand::AddBatch, EBuilderCommand::AddBatch},
        {ECommand::EditBatch, EBuilderCommand::EditBatch},
        {ECommand::DeleteBatch, EBuilderCommand::DeleteBatch},
        {ECommand::AddLayer, EBuilderCommand::AddLayer},
        {ECommand::EditLayer, EBuilderCommand::EditLayer},
        {ECommand::DeleteLayer, EBuilderCommand::DeleteLayer},
        {ECommand::AddPlane, EBuilderCommand::AddPlane},
        {ECommand::EditPlane, EBuilderCommand::EditPlane},
        {ECommand::DeletePlane, EBuilderCommand::DeletePlane},
        {ECommand::EditEdges, EBuilderCommand::EditEdges},
        {ECommand::Copy, EBuilderCommand::Copy},
        {ECommand::Paste, EBuilderCommand::Paste},
        {ECommand::PasteSwapped, EBuilderCommand::PasteSwapped},
    };
    for (const auto& [command, builder] : commands) {
        router.Register(
            command, ETarget::ModelView, [this, builder] { Run(builder); },
            [this, builder] { return doc_.Builder().CanRun(builder); });
    }
}

void CModelBuilders::Run(EBuilderCommand command) {
    CModelBuilder& builder = doc_.Builder();
    if (!builder.CanRun(command)) return;
    switch (command) {
        case EBuilderCommand::AddBatch:
            builder.AddBatch();
            break;
        case EBuilderCommand::DeleteBatch:
            doc_.ForgetBatch(builder.CurrentBatch());
            builder.DeleteBatch();
            break;
        case EBuilderCommand::AddLayer:
            builder.AddLayer();
            break;
        case EBuilderCommand::DeleteLayer:
            builder.DeleteLayer();
            break;
        case EBuilderCommand::AddPlane:
            builder.AddPlane();
            break;
        case EBuilderCommand::DeletePlane:
            builder.DeletePlane();
            break;
        case EBuilderCommand::Copy:
            builder.Copy();
            return;
        case EBuilderCommand::Paste:
        case EBuilderCommand::PasteSwapped: {
            builder.Paste(command == EBuilderCommand::PasteSwapped);
            // A pasted batch brings its drawing settings: the worker's layer takes them.
            if (builder.Kind() == SelectBatch) frame_.PostRaySettings(builder.CurrentBatch().drawTools);
            break;
        }
        case EBuilderCommand::EditBatch:
            return EditBatch();
        case EBuilderCommand::EditLayer:
            return EditLayer();
        case EBuilderCommand::EditPlane:
            return EditPlane();
        case EBuilderCommand::EditEdges:
            return EditEdges();
    }
    Changed();
}

void CModelBuilders::Changed() {
    doc_.SetModified(true);
    frame_.UpdateAllViews(HintRebuild);
}

void CModelBuilders::Edited(bool changed) {
    if (changed) doc_.SetModified(true);
    frame_.RebuildTree();
    frame_.UpdateCommandStates();
}

void CModelBuilders::EditBatch() {
    CBatchBuilderDlg dialog(doc_.Builder().CurrentBatch(), *messages_, &frame_);
    const bool ok = runDialog(dialog) == QDialog::Accepted;
    Edited(ok || dialog.RecordChanged());
}

void CModelBuilders::EditLayer() {
    CPropertySheet sheet("Layer Optical Models/Properties", &frame_);
    sheet.AddPage(new CLinearLayerPropPage(*doc_.Builder().CurrentLayer(), *messages_), "Linear");
    const bool ok = runDialog(sheet) == QDialog::Accepted;
    Edited(ok || sheet.Page()->RecordChanged());
}

void CModelBuilders::EditPlane() {
    CModelBuilder& builder = doc_.Builder();
    CBrelix6View& view = frame_.ModelView();
    CPropertySheet sheet("Plane Optical Models/Properties", &frame_);
    sheet.AddPage(new CLinearPlanePropPage(*builder.CurrentPlane(), *builder.CurrentLayer(),
                                           builder.CurrentBatch().model, *messages_, runDialog,
                                           [&view] { view.Redraw(); }),
                  "Linear");
    const bool ok = runDialog(sheet) == QDialog::Accepted;
    Edited(ok || sheet.Page()->RecordChanged());
}

void CModelBuilders::EditEdges() {
    CPlane& plane = *doc_.Builder().CurrentPlane();
    CBrelix6View& view = frame_.ModelView();
    CPlaneEdgesDlg dialog(
        plane, ToQt(plane.GetName()), *messages_, [&view] { view.Redraw(); }, &frame_);
    const bool ok = runDialog(dialog) == QDialog::Accepted;
    // The name is the dialog's, whatever its result.
    const std::string name = FromQt(dialog.Name());
    const bool renamed = name != plane.GetName();
    plane.SetName(name);
    if (ok || renamed || dialog.RecordChanged()) doc_.SetModified(true);
    frame_.UpdateAllViews(HintRebuild);
}

void CModelBuilders::OnTreeDoubleClick(const CTreeCode& code) {
    auto tracing = [this] { return doc_.Batches().Current().tracing.load() != 0; };
    if (tracing() || frame_.ActiveView() != EView::Model) return;
    frame_.ModelView().OnTreeClick(code);
    // The item may belong to another batch than the one tested above, and that one may trace.
    if (tracing()) return;
    ECommand editor = ECommand::EditBatch;
    switch (code.Level()) {
        case ETreeLevel::Edges:
            editor = ECommand::EditEdges;
            break;
        case ETreeLevel::Plane:
            editor = ECommand::EditPlane;
            break;
        case ETreeLevel::Layer:
            editor = ECommand::EditLayer;
            break;
        case ETreeLevel::Batch:
            editor = ECommand::EditBatch;
            break;
        case ETreeLevel::Root:
            return;
    }
    frame_.Router().Run(editor, frame_.ActiveView());
}

}  // namespace brelix
