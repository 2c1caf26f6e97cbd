// Whole traces of the single worker, kept byte for byte: the exports of randomised documents that reach
// every plane type, layer mode, table, spectrum use and sweep, at seeds 0 and 1, and of the example
// documents at seed 1 (golden_test.cpp holds seeds 0 and 4242). The files were written by the engine
// before its trace was made faster; a faster trace must give the same rows, in the same order, from the
// same random draws.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "document/document_file.h"
#include "tests/golden/golden_files.h"
#include "tests/golden/random_documents.h"

namespace brelix {
namespace {

TEST(UnchangedExports, RandomDocuments) {
    for (uint32_t seed : {0u, 1u}) {
        std::string text;
        for (uint32_t d = 0; d < test::kRandomDocuments; ++d) {
            CBatchList list;
            test::BuildRandomDocument(list, d);
            text += "Document " + std::to_string(d) + "\n" + test::TraceAll(list, seed) + "\n";
        }
        test::ExpectGolden("random_documents" + test::SeedName(seed), text);
    }
}

// The randomised documents are only a net if they hold every feature the trace has.
TEST(UnchangedExports, RandomDocumentsHoldEveryFeature) {
    std::set<std::string> seen;
    for (uint32_t d = 0; d < test::kRandomDocuments; ++d) {
        CBatchList list;
        test::BuildRandomDocument(list, d);
        for (const CBatch& batch : list) {
            for (const CLayer& layer : batch.model) {
                seen.insert("layer mode " + std::to_string(layer.GetMode()));
                if (layer.GetPathLength()) seen.insert("path length");
                if (layer.GetScattering(0) != 0) seen.insert("scattering");
                for (const CPlane& plane : layer) {
                    seen.insert("plane type " + std::to_string(plane.planeType));
                    if (plane.shape == ShapeTriangle) seen.insert("triangle");
                    if (plane.GetPlaneMode() == PlaneTable) seen.insert("plane table");
                }
            }
            if (batch.useSpectrumFile) seen.insert("spectrum as wavelengths");
            if (batch.fileSpectrum && !batch.useSpectrumFile) seen.insert("spectrum as weights");
            for (uint32_t p = 1; p < batch.spectrum.GetCount(); ++p)
                if (batch.spectrum[p].wavelength == batch.spectrum[p - 1].wavelength) seen.insert("shared key");
            const CSweep* sweeps[] = {&batch.wavelengthSweep, &batch.xSweep,           &batch.ySweep,
                                      &batch.zSweep,          &batch.azimuthSweep,     &batch.declinationSweep};
            for (int s = 0; s < 6; ++s)
                if (sweeps[s]->step > 0 && sweeps[s]->stop > sweeps[s]->start) seen.insert("sweep " + std::to_string(s));
            if (batch.declinationOffset != 0) seen.insert("offsets");
        }
    }
    for (uint32_t type = 0; type <= 11; ++type) EXPECT_TRUE(seen.contains("plane type " + std::to_string(type))) << type;
    for (uint32_t mode : {LayerConstant, LayerTable, LayerBand, LayerStokes})
        EXPECT_TRUE(seen.contains("layer mode " + std::to_string(mode))) << mode;
    for (int s = 0; s < 6; ++s) EXPECT_TRUE(seen.contains("sweep " + std::to_string(s))) << s;
    for (const char* feature : {"path length", "scattering", "triangle", "plane table", "spectrum as wavelengths",
                                "spectrum as weights", "shared key", "offsets"})
        EXPECT_TRUE(seen.contains(feature)) << feature;
}

TEST(UnchangedExports, ExampleDocuments) {
    std::string text;
    for (const char* name : {"planar_wafer", "ar_coated_wafer", "lambertian_rear", "textured_cell",
                             "luminescent_layer", "wavelength_sweep"}) {
        CBatchList list;
        std::string error;
        ASSERT_TRUE(OpenDocument(std::string(BRELIX_EXAMPLES) + "/" + name + ".brx", list, error)) << error;
        text += std::string(name) + "\n" + test::TraceAll(list, 1) + "\n";
    }
    test::ExpectGolden("examples" + test::SeedName(1), text);
}

}  // namespace
}  // namespace brelix
