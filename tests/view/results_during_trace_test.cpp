#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/batch.h"
#include "graph/graph_series.h"
#include "tests/support/trace_helpers.h"
#include "tests/support/view_recorder.h"
#include "trace/trace_worker.h"
#include "view/results_table.h"

namespace brelix {
namespace {

// The results view and the graph view refresh from the tallies while the worker traces: each refresh sees
// a whole table, and the rows only grow. Re-emitted light adds records during the trace, after the source
// rays' records. ThreadSanitizer checks that nothing is read that the worker writes unguarded.
TEST(ViewsDuringATrace, TableAndSeriesReadTheTalliesAsTheyGrow) {
    CBatch batch;
    test::BuildScatteringBox(batch, true);
    test::SetNormalIncidenceSources(batch, 6, 600);
    batch.subdivideTheta = 2;
    batch.subdivideXi = 2;
    batch.model[1].treeChecked = 1;
    CThTrace worker;
    CNullSurface surface;
    batch.tracing = 1;
    worker.batchRequest = 1;
    worker.Start(&batch, &surface, nullptr);
    worker.Resume();

    uint64_t rows = 0, refreshes = 0;
    bool shrank = false, mismatched = false;
    do {
        const CResultsTable table(batch, 0);
        shrank |= table.RowCount() < rows;
        rows = table.RowCount();
        test::CViewRecorder recorder;
        table.Draw(recorder, 0, rows);
        const CGraphData data = BuildCheckedSeries(batch, GraphXPosition);
        for (const CGraphSeries& series : data.series) mismatched |= series.y.size() != data.x.size();
        ++refreshes;
    } while (worker.IsAlive());
    worker.Stop();

    EXPECT_FALSE(shrank);
    EXPECT_FALSE(mismatched);
    EXPECT_GT(refreshes, 0u);
    EXPECT_GT(batch.model.results.GetSize(), 6u);  // records of re-emitted wavelengths
    EXPECT_EQ(CResultsTable(batch, 0).RowCount(), batch.model.results.GetSize() + 6ull);
}

}  // namespace
}  // namespace brelix
