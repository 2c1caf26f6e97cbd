#include <QTimer>
#include <QtTest>
#include <sstream>

#include "cli/runner.h"
#include "document/results_export.h"
#include "tests/app/app_fixture.h"
#include "tests/support/trace_helpers.h"

using namespace brelix;
using namespace brelix::test;

class TestTrace : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTestApp> t;

    // Starts a long trace and waits until it is well under way.
    void StartLongTrace() {
        QVERIFY(t->OpenLongTrace());
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(t->Batch().traceOps.load() > 2000, 30000);
        QVERIFY(t->Doc().Batches().worker.IsAlive());
    }

    // Launched intensity of a stopped trace not found in a tally or the queue: one source ray of
    // intensity 1 per key.
    static double Unaccounted(CBatch& batch) {
        const std::vector<double> launched(batch.model.results.GetSize(), 1.0);
        double missing = 0;
        for (const CBalance& balance : Balance(batch, launched)) missing += balance.launched - balance.accounted;
        return missing;
    }

private slots:
    void initTestCase() { UseTestSettings(); }
    void init() { t = std::make_unique<CTestApp>(); }
    void cleanup() { t.reset(); }

    // "Start" until the timer stops gives the runner's table for the same seed.
    void traceMatchesTheRunner() {
        QVERIFY(t->Open("planar_wafer.brx"));
        t->Batch().seed = 5;
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(!t->View().IsTraceTimerRunning(), 30000);
        QVERIFY(t->Enabled(ECommand::Start));

        std::ostringstream out, err;
        CCliEnvironment environment{out, err};
        const std::string path = (kExamples + "/planar_wafer.brx").toStdString();
        QCOMPARE(RunCli({"trace", path, "--seed", "5", "--threads", "0", "--quiet"}, environment), int(ExitOk));
        QCOMPARE(FormatBatchResults(t->Batch(), 0), out.str());
        QVERIFY(t->messages.isEmpty());
    }

    // Escape in the model view is "Stop": the worker is gone, the counters stay, and every bit of
    // launched intensity is in a tally or still queued.
    void escapeStops() {
        StartLongTrace();
        t->View().setFocus();
        QTest::keyClick(&t->View(), Qt::Key_Escape);
        QVERIFY(!t->Doc().Batches().worker.IsAlive());
        QCOMPARE(t->Batch().tracing.load(), 0u);
        QVERIFY(!t->View().IsTraceTimerRunning());
        QVERIFY(t->Enabled(ECommand::Start));
        const uint64_t ops = t->Batch().traceOps.load();
        QTest::qWait(100);
        QCOMPARE(t->Batch().traceOps.load(), ops);
        QVERIFY(std::abs(Unaccounted(t->Batch())) < 1e-6);
        QVERIFY(t->messages.isEmpty());
    }

    // New and a recent file during a trace stop the worker before its batch goes; so does closing the
    // window, before the view and its layer go. AddressSanitizer watches.
    void newOpenAndCloseDuringATrace() {
        StartLongTrace();
        t->Trigger(ECommand::FileNew);
        QVERIFY(!t->Doc().Batches().worker.IsAlive());
        QCOMPARE(t->Batch().model.GetCount(), 0u);
        QVERIFY(!t->View().IsTraceTimerRunning());

        StartLongTrace();
        t->Frame().RecentFileActions()[0]->trigger();  // the textured cell again, from the recent files
        QVERIFY(!t->Doc().Batches().worker.IsAlive());
        QCOMPARE(t->Batch().traceOps.load(), uint64_t(0));
        QVERIFY(t->Enabled(ECommand::Start));

        StartLongTrace();
        QVERIFY(t->Frame().close());
        QVERIFY(!t->Doc().Batches().worker.IsAlive());
        t.reset();
    }

    // The worker's messages come to the interface's thread.
    void aRefusedBatchSaysWhy() {
        QVERIFY(t->Open("planar_wafer.brx"));
        t->Batch().minIntensity = std::nan("");
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(!t->messages.isEmpty(), 10000);
        QVERIFY2(t->messages[0].contains("cannot be traced"), qPrintable(t->messages[0]));
        QTRY_VERIFY_WITH_TIMEOUT(t->Enabled(ECommand::Start), 10000);
    }
};

QTEST_MAIN(TestTrace)
#include "trace_test.moc"
