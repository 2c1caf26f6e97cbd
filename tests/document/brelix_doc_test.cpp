#include "document/brelix_doc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "core/messages.h"
#include "core/shared_value.h"
#include "document/document_file.h"
#include "tests/support/recording_layer.h"
#include "tests/support/trace_helpers.h"
#include "view/model_view_input.h"

namespace brelix {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kPlanarWafer = BRELIX_EXAMPLES "/planar_wafer.brx";
const std::string kTexturedCell = BRELIX_EXAMPLES "/textured_cell.brx";

// The frame and views around the document, as the tests see them: what they were told, in order.
class CFakeViews : public IDocumentViews, public IMessages {
public:
    void UpdateAllViews(EUpdateHint hint) override { calls.push_back("hint " + std::to_string(hint)); }
    void UpdateOtherViews(EUpdateHint) override { ++ticks; }
    void ShowView(EView view) override { shown = view; }
    void SetGraphKind(int kind) override { calls.push_back("graph " + std::to_string(kind)); }
    void RebuildTree() override { calls.push_back("tree"); }
    void RefreshFrame() override { calls.push_back("frame"); }
    void SetTraceTimer(bool running) override { timer = running; }
    void SetProgress(uint32_t position) override { progress = position; }
    IDrawSurface& RayLayer() override { return layer; }
    void PostRaySettings(const CDrawTools& tools) override { layer.Post(tools); }
    IMessages& WorkerMessages() override { return *this; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void EditStopAtCount(uint32_t& count) override {
        ++dialogs;
        if (dialog) dialog(count);
    }
    void StateChanged() override { ++stateChanges; }
    void TraceStarting() override {
        calls.push_back("trace starting");
        if (onTraceStarting) onTraceStarting();
    }
    // The worker's messages, from its thread.
    void Show(const std::string& text, const std::string&) override {
        std::lock_guard lock(mutex);
        workerMessages.push_back(text);
    }

    std::vector<std::string> calls, messages, workerMessages;
    std::mutex mutex;
    test::CRecordingLayer layer;
    EView shown = EView::Model;
    bool timer = false;
    uint32_t progress = 0;
    int ticks = 0, dialogs = 0, stateChanges = 0;
    std::function<void(uint32_t&)> dialog;
    std::function<void()> onTraceStarting;
};

struct CScratch {
    CScratch() { fs::create_directories(path); }
    ~CScratch() { fs::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
    const fs::path path = fs::temp_directory_path() / ("brelix-doc-" + std::to_string(::getpid()));
};

// The model view's timer, ticking until the document kills it.
void RunTimer(CBrelix6Doc& doc, CFakeViews& views) {
    for (int i = 0; i < 60000 && views.timer; ++i) {
        std::this_thread::sleep_for(5ms);
        doc.TraceTimerTick();
    }
    ASSERT_FALSE(views.timer);
}

void WaitForOps(const CBatch& batch, uint64_t ops) {
    for (int i = 0; i < 60000 && batch.traceOps.load() < ops; ++i) std::this_thread::sleep_for(1ms);
}

// Launched intensity per key of a stopped trace: one source ray of intensity 1 per key.
double Unaccounted(CBatch& batch) {
    const std::vector<double> launched(batch.model.results.GetSize(), 1.0);
    double missing = 0;
    for (const test::CBalance& balance : test::Balance(batch, launched)) missing += balance.launched - balance.accounted;
    return missing;
}

// A textured cell with many source rays, so that a trace runs long enough to be interrupted.
void OpenLongTrace(CBrelix6Doc& doc) {
    ASSERT_TRUE(doc.Open(kTexturedCell));
    doc.Batches().Current().xSweep = {0, 9.99, 0.01, 0};
}

TEST(CBrelix6Doc, FileCommandsSendTheirHintsInOrder) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    doc.New();  // the one at start-up
    EXPECT_TRUE(views.calls.empty());

    ASSERT_TRUE(doc.Open(kPlanarWafer));
    EXPECT_EQ(views.calls, (std::vector<std::string>{"tree", "frame", "hint 1", "tree", "frame", "hint 1"}));
    EXPECT_EQ(doc.Path(), kPlanarWafer);
    EXPECT_EQ(doc.Title(), "planar_wafer.brx");
    EXPECT_EQ(doc.Batches().Current().name, "Wafer");

    CScratch scratch;
    views.calls.clear();
    doc.SetModified(true);
    ASSERT_TRUE(doc.Save(scratch.File("copy")));
    EXPECT_EQ(views.calls, (std::vector<std::string>{"hint 1", "tree", "frame", "hint 1"}));
    EXPECT_EQ(doc.Path(), scratch.File("copy"));
    EXPECT_FALSE(doc.IsModified());

    views.calls.clear();
    doc.SetModified(true);
    doc.New();
    EXPECT_EQ(views.calls, (std::vector<std::string>{"hint 1"}));
    EXPECT_EQ(doc.Path(), "");
    EXPECT_EQ(doc.Title(), "Untitled");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Batches().GetCount(), 1u);
    EXPECT_EQ(doc.Batches().Current().model.GetCount(), 0u);
    EXPECT_TRUE(views.messages.empty());
}

TEST(CBrelix6Doc, FailedOpenOrSaveSaysWhyAndKeepsTheDocument) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    ASSERT_TRUE(doc.Open(kPlanarWafer));
    doc.SetModified(true);
    const CBatch* batch = &doc.Batches().Current();
    views.calls.clear();

    CScratch scratch;
    const std::string garbage = scratch.File("garbage.brx");
    std::ofstream(garbage) << "not a document";
    for (const std::string& path : {garbage, scratch.File("missing.brx"), scratch.path.string()})
        EXPECT_FALSE(doc.Open(path)) << path;
    EXPECT_FALSE(doc.Save(scratch.File("no/such/folder/doc.brx")));

    ASSERT_EQ(views.messages.size(), 4u);
    EXPECT_NE(views.messages[0].find("garbage.brx"), std::string::npos) << views.messages[0];
    EXPECT_NE(views.messages[3].find("no/such/folder"), std::string::npos) << views.messages[3];
    EXPECT_TRUE(views.calls.empty());
    EXPECT_EQ(&doc.Batches().Current(), batch);
    EXPECT_EQ(doc.Path(), kPlanarWafer);
    EXPECT_TRUE(doc.IsModified());
}

TEST(CBrelix6Doc, EnablingRulesAndTheStopModes) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    doc.New();
    // An empty model: nothing to run; a new document has no path to export beside.
    EXPECT_FALSE(doc.CanStart());
    EXPECT_FALSE(doc.CanPauseOrStop());
    EXPECT_FALSE(doc.CanExport());
    EXPECT_TRUE(doc.StopWhenFinishedChecked());
    EXPECT_FALSE(doc.StopAtChecked());
    EXPECT_EQ(doc.StopAtText(), "Repeat After 1000 Trace Ops");

    // "Stop When Finished" twice: both flags back, the document marked modified.
    doc.ToggleStopWhenFinished();
    EXPECT_FALSE(doc.StopWhenFinishedChecked());
    EXPECT_TRUE(doc.StopAtChecked());
    doc.ToggleStopWhenFinished();
    EXPECT_TRUE(doc.StopWhenFinishedChecked());
    EXPECT_FALSE(doc.StopAtChecked());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(views.dialogs, 0);

    // "Stop At": the dialog opens only when the option comes on, and its value is kept.
    views.dialog = [](uint32_t& count) {
        EXPECT_EQ(count, 1000u);
        count = 500;
    };
    doc.ToggleStopAt();
    EXPECT_EQ(views.dialogs, 1);
    EXPECT_TRUE(doc.StopAtChecked());
    EXPECT_FALSE(doc.StopWhenFinishedChecked());
    EXPECT_EQ(doc.StopAtText(), "Repeat After 500 Trace Ops");
    doc.ToggleStopAt();
    EXPECT_EQ(views.dialogs, 1);
    EXPECT_FALSE(doc.StopAtChecked());

    ASSERT_TRUE(doc.Open(kPlanarWafer));
    EXPECT_TRUE(doc.CanStart());
    EXPECT_TRUE(doc.CanExport());
    doc.ShowResultsView();
    EXPECT_EQ(views.shown, EView::Results);
    EXPECT_EQ(doc.Batches().Current().viewFlags[1], 1);
    EXPECT_TRUE(doc.IsModified());
    views.calls.clear();
    doc.ShowGraphView(2);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"graph 2", "hint 5", "hint 1"}));
    EXPECT_EQ(views.shown, EView::Graph);
}

// The document's trace, driven by the timer as the model view drives it, gives the tallies of the same
// batch traced on one thread; the timer ends itself and Start is enabled again.
TEST(CBrelix6Doc, TraceRunByTheTimerMatchesTheSynchronousTrace) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    ASSERT_TRUE(doc.Open(kPlanarWafer));
    CBatch& batch = doc.Batches().Current();
    batch.seed = 5;
    doc.Start();
    EXPECT_TRUE(views.timer);
    RunTimer(doc, views);
    EXPECT_TRUE(doc.CanStart());
    EXPECT_FALSE(doc.CanPauseOrStop());
    EXPECT_EQ(views.progress, batch.traceOps.load() / 1000 % 1000);
    EXPECT_GT(views.ticks, 0);
    EXPECT_FALSE(views.layer.Lines().empty());

    CBatchList reference;
    std::string error;
    ASSERT_TRUE(OpenDocument(kPlanarWafer, reference, error));
    reference.Current().seed = 5;
    test::TraceSynchronously(reference.Current());
    EXPECT_EQ(test::Tallies(batch.model), test::Tallies(reference.Current().model));
    EXPECT_EQ(batch.traceOps.load(), reference.Current().traceOps.load());
}

// The views hear of a trace before the worker clears the last one's results, and before it is told to run.
TEST(CBrelix6Doc, ViewsHearOfATraceBeforeItsResultsAreCleared) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    ASSERT_TRUE(doc.Open(kPlanarWafer));
    CBatch& batch = doc.Batches().Current();
    doc.Start();
    RunTimer(doc, views);
    const std::vector<double> tallies = test::Tallies(batch.model);
    ASSERT_FALSE(tallies.empty());
    std::vector<double> seen;
    bool requested = true;
    views.onTraceStarting = [&] {
        seen = test::Tallies(batch.model);
        requested = doc.Batches().worker.batchRequest.load() != 0 || batch.tracing.load() != 0;
    };
    views.calls.clear();
    doc.Start();
    EXPECT_EQ(views.calls.front(), "trace starting");
    EXPECT_EQ(seen, tallies);
    EXPECT_FALSE(requested);
    RunTimer(doc, views);
}

// Everything the interface may do while the worker runs: turn the picture (which clears the worker's
// layer), move the source offsets, switch drawing, re-seed, pause, save. ThreadSanitizer watches.
TEST(CBrelix6Doc, TheInterfaceWorksBesideTheWorkerAndStopKeepsTheBalance) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    OpenLongTrace(doc);
    CBatch& batch = doc.Batches().Current();
    CScratch scratch;
    CModelViewInput input;
    doc.Start();
    WaitForOps(batch, 2000);
    EXPECT_FALSE(doc.CanStart());
    EXPECT_TRUE(doc.CanPauseOrStop());
    for (int i = 0; i < 20; ++i) {
        input.Key(batch, EViewKey::Home, false);
        views.PostRaySettings(batch.drawTools);
        input.Key(batch, EViewKey::Right, true);
        StoreShared(batch.drawOnRaytrace, i % 2);
        doc.Reseed();
        doc.TraceTimerTick();
        std::this_thread::sleep_for(1ms);
    }
    doc.PauseResume();
    EXPECT_TRUE(doc.IsPaused());
    EXPECT_FALSE(views.timer);
    EXPECT_TRUE(doc.Save(scratch.File("during")));
    doc.PauseResume();
    EXPECT_FALSE(doc.IsPaused());
    EXPECT_TRUE(views.timer);
    std::this_thread::sleep_for(20ms);

    doc.Stop();
    EXPECT_FALSE(doc.Batches().worker.IsAlive());
    EXPECT_EQ(batch.tracing.load(), 0u);
    EXPECT_FALSE(views.timer);
    const uint64_t ops = batch.traceOps.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(batch.traceOps.load(), ops);
    EXPECT_NEAR(Unaccounted(batch), 0, 1e-6);
    EXPECT_TRUE(views.workerMessages.empty());
}

// New and Open during a trace stop the worker before the batches it holds go, and clear its layer.
TEST(CBrelix6Doc, NewAndOpenDuringATraceStopItFirst) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    for (bool useNew : {true, false}) {
        OpenLongTrace(doc);
        doc.Start();
        WaitForOps(doc.Batches().Current(), 1000);
        const int clears = views.layer.Clears();
        if (useNew)
            doc.New();
        else
            ASSERT_TRUE(doc.Open(kPlanarWafer));
        EXPECT_FALSE(doc.Batches().worker.IsAlive());
        EXPECT_FALSE(views.timer);
        EXPECT_GT(views.layer.Clears(), clears);
        EXPECT_TRUE(views.layer.Lines().empty());
        EXPECT_TRUE(doc.CanStart() || useNew);
    }
    // And the next trace runs on the new batches.
    doc.Start();
    RunTimer(doc, views);
    EXPECT_GT(doc.Batches().Current().traceOps.load(), 0u);
}

// "Export Results" writes the batches traced to their end, and nothing for a stopped trace.
TEST(CBrelix6Doc, ExportWritesOnlyCompleteTraces) {
    CFakeViews views;
    CBrelix6Doc doc(views);
    CScratch scratch;
    const std::string path = scratch.File("cell");
    OpenLongTrace(doc);
    ASSERT_TRUE(doc.Save(path));
    doc.Start();
    WaitForOps(doc.Batches().Current(), 1000);
    doc.Stop();
    doc.ExportResults();
    ASSERT_EQ(views.messages.size(), 1u);
    EXPECT_NE(views.messages[0].find("Nothing was exported"), std::string::npos);
    EXPECT_FALSE(fs::exists(path + "_Cell.bxo"));

    ASSERT_TRUE(doc.Open(kPlanarWafer));
    ASSERT_TRUE(doc.Save(path));
    doc.Start();
    RunTimer(doc, views);
    views.messages.clear();
    doc.ExportResults();
    EXPECT_TRUE(views.messages.empty()) << views.messages[0];
    EXPECT_TRUE(fs::exists(path + "_Wafer.bxo"));
}

// The batch request of a redraw with "Stop At" on runs the partial trace again on a cleared layer.
TEST(CBrelix6Doc, PartialTraceRunsAgainOnRequest) {
    CFakeViews views;
    views.dialog = [](uint32_t& count) { count = 10; };
    CBrelix6Doc doc(views);
    ASSERT_TRUE(doc.Open(kPlanarWafer));
    doc.ToggleStopAt();
    CBatch& batch = doc.Batches().Current();
    doc.Start();
    RunTimer(doc, views);
    // The worker waits with its batch: still tracing, ready for the next request.
    EXPECT_TRUE(doc.Batches().worker.IsAlive());
    EXPECT_TRUE(doc.CanPauseOrStop());
    EXPECT_GT(batch.pendingRays.load(), 10u);
    const int clears = views.layer.Clears();
    doc.RequestPartialTrace();
    EXPECT_EQ(views.layer.Clears(), clears + 1);
    doc.Stop();
    EXPECT_FALSE(doc.Batches().worker.IsAlive());
    EXPECT_EQ(batch.tracing.load(), 0u);
}

}  // namespace
}  // namespace brelix
