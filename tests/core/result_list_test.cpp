#include "core/result_list.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace brelix
