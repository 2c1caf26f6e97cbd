// Writes the documents of the runner benchmarks (docs/performance.md):
//
//   brelix-make-bench-documents OUTPUT_FOLDER
//
//   slab_rows.brx      a slab under 1,000,000 source rays, one results row per ray (an x sweep)
//   slab_shared.brx    the slab under 1,000,000 source rays, 1,000 rays per results row
//   slab_1e7.brx       the slab under 10,000,000 source rays, 1,000 rays per results row
//   slab_1e8.brx       the slab under 100,000,000 source rays, 1,000 rays per results row
//   spectrum_160k.brx  the slab under a spectrum of 160,000 points launched as wavelengths

#include <iostream>
#include <string>

#include "core/batch_list.h"
#include "document/document_file.h"
#include "examples/sample_models.h"

namespace brelix {
namespace {

using namespace samples;

void Slab(CBatch& batch, const char* name) {
    batch.name = name;
    BuildSlab(batch, 3.5, 100, 100);
    SetNormalIncidenceSources(batch, 1);
    batch.interfaceDivides = 0;
}

// `rows` x positions, each launching the same wavelength `repeats` times: the spectrum holds 600 nm
// `repeats` times, so the rays of one x share a row.
void SharedRows(CBatch& batch, int rows, int repeats) {
    batch.xSweep = {0, static_cast<double>(rows - 1), 1, 0};
    batch.constantSpectrum = 0;
    batch.fileSpectrum = 1;
    batch.useSpectrumFile = 1;
    batch.wavelengthSweep = {0, 1, 1, 0};
    for (int r = 0; r < repeats; ++r) batch.spectrum.InsertSorted(600, 1.0);
}

bool Save(const std::string& folder, const char* file, void (*build)(CBatch&)) {
    CBatchList list;
    build(list[0]);
    std::string error;
    if (SaveDocument(folder + "/" + file, list, error)) return true;
    std::cerr << "brelix-make-bench-documents: " << error << "\n";
    return false;
}

}  // namespace
}  // namespace brelix

int main(int argc, char** argv) {
    using namespace brelix;
    if (argc != 2) {
        std::cerr << "Usage: brelix-make-bench-documents OUTPUT_FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    const bool saved =
        Save(folder, "slab_rows.brx",
             [](CBatch& batch) {
                 Slab(batch, "One row per ray");
                 batch.xSweep = {0, 999999, 1, 0};
             }) &&
        Save(folder, "slab_shared.brx",
             [](CBatch& batch) {
                 Slab(batch, "1000 rays per row");
                 SharedRows(batch, 1000, 1000);
             }) &&
        Save(folder, "slab_1e7.brx",
             [](CBatch& batch) {
                 Slab(batch, "1e7 rays");
                 SharedRows(batch, 10000, 1000);
             }) &&
        Save(folder, "slab_1e8.brx",
             [](CBatch& batch) {
                 Slab(batch, "1e8 rays");
                 SharedRows(batch, 100000, 1000);
             }) &&
        Save(folder, "spectrum_160k.brx", [](CBatch& batch) {
            Slab(batch, "Spectrum of 160000 points");
            batch.constantSpectrum = 0;
            batch.fileSpectrum = 1;
            batch.useSpectrumFile = 1;
            batch.wavelengthSweep = {0, 1, 1, 0};
            for (int p = 0; p < 160000; ++p) batch.spectrum.InsertSorted(400 + p * 0.00390625, 1.0);
        });
    return saved ? 0 : 1;
}
