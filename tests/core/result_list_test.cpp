#include "core/result_list.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/model.h"

namespace brelix {
namespace {

CRay KeyRay(double wavelength, double x = 0) {
    CRay ray;
    ray.wavelength = wavelength;
    ray.xSource = x;
    return ray;
}

TEST(FindOrAddResult, OneRecordPerKeyInEveryList) {
    CModel model;
    model.Append().Append();
    CLayer& glass = model.Append();
    glass.Append();
    glass.Append();
    EXPECT_EQ(model.FindOrAddResult(KeyRay(500)), 0);
    EXPECT_EQ(model.FindOrAddResult(KeyRay(600)), 1);
    EXPECT_EQ(model.FindOrAddResult(KeyRay(500)), 0);
    EXPECT_EQ(model.FindOrAddResult(KeyRay(600, -0.0)), 1);  // -0 equals 0
    EXPECT_EQ(model.FindOrAddResult(KeyRay(500, 1)), 2);
    for (const CResultList* list : {&model.results, &model[0].results, &model[0][0].results, &glass[1].results})
        ASSERT_EQ(list->GetSize(), 3u);
    EXPECT_EQ(model.results[2].kind, ResultModel);
    EXPECT_EQ(glass.results[2].kind, ResultLayer);
    EXPECT_EQ(glass[1].results[2].kind, ResultPlane);
    EXPECT_EQ(glass[1].results[2].key.x, 1.0);

    model.ClearResults();
    EXPECT_EQ(glass[1].results.GetSize(), 0u);
    EXPECT_EQ(model.FindOrAddResult(KeyRay(700)), 0);
    EXPECT_EQ(glass[0].results[0].key.wavelength, 700.0);

    // Keys are found by hashing, not by scanning every record.
    for (int i = 1; i < 200000; ++i) ASSERT_EQ(model.FindOrAddResult(KeyRay(700 + i)), i);
}

TEST(CResultList, TalliesAddAtTheRayIndexAndIgnoreOthers) {
    CResultList list;
    list.Append(ResultLayer, CResultKey{});
    list.Append(ResultLayer, CResultKey{});
    CRay ray;
    ray.resultIndex = 1;
    list.AddAbsorbed(ray, 0.25);
    list.AddAbsorbed(ray, 0.5);
    list.AddPathLength(ray, 10);
    list.AddRemainder(ray, 0.125);
    list.AddLost(ray, 2);
    const CResultRecord record = list[1].Snapshot();
    EXPECT_EQ(record.absorbed, 0.75);
    EXPECT_EQ(record.pathLength, 10.0);
    EXPECT_EQ(record.remainder, 0.125);
    EXPECT_EQ(record.lost, 2.0);
    for (int32_t index : {2, 5000, -1}) {
        ray.resultIndex = index;
        list.AddAbsorbed(ray, 1);
    }
    EXPECT_EQ(list.GetSize(), 2u);
    EXPECT_EQ(list[0].absorbed, 0.0);
}

// Only the tallies a list was given take memory; the lists of a model's layers and planes share its keys;
// a reader sees zeros where nothing was added, also in records reused after Clear().
TEST(CResultList, ColumnsAreMadeWhenUsedAndKeysShared) {
    CModel model;
    CLayer& layer = model.Append();
    layer.Append();
    model.ReserveResults(3);
    for (double w : {500.0, 600.0, 700.0}) model.AppendNewResult(CResultKey{w});
    model.ShareResults();
    ASSERT_EQ(layer[0].results.GetSize(), 3u);
    EXPECT_EQ(layer[0].results[2].key.wavelength, 700.0);
    EXPECT_EQ(layer[0].results[2].kind, ResultPlane);
    CRay ray;
    ray.resultIndex = 1;
    layer.results.AddAbsorbed(ray, 0.5);
    layer.results.AddPathLength(ray, INFINITY);
    EXPECT_EQ(layer.results[1].absorbed, 0.5);
    EXPECT_TRUE(layer.results.TalliesAreFinite());  // the table does not show path lengths
    layer.results.AddAbsorbed(ray, NAN);
    EXPECT_FALSE(layer.results.TalliesAreFinite());

    model.ClearResults();
    EXPECT_EQ(model.FindOrAddResult(KeyRay(800)), 0);
    EXPECT_EQ(model.FindOrAddResult(KeyRay(900)), 1);
    EXPECT_EQ(layer.results[1].absorbed, 0.0);
    EXPECT_EQ(layer.results[1].key.wavelength, 900.0);
    EXPECT_TRUE(layer.results.TalliesAreFinite());
}

}  // namespace
}  // namespace brelix
