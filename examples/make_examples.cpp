// Writes the example documents and the data files they were built from:
//
//   brelix-make-examples OUTPUT_FOLDER
//
// The documents in examples/ are this program's output; a test regenerates them and compares the bytes.

#include <cmath>
#include <fstream>
#include <iostream>
#include <string>

#include "core/batch_list.h"
#include "core/format.h"
#include "document/data_readers.h"
#include "document/document_file.h"
#include "examples/sample_models.h"

namespace brelix {
namespace {

using namespace samples;

const double kPi = 2 * std::asin(1.0);

class CFailOnMessage : public IMessages {
public:
    void Show(const std::string& text, const std::string& caption) override {
        // The spectrum reader reports how many points it loaded; only failures matter here.
        if (text.rfind("Number of Points Loaded", 0) == 0) return;
        std::cerr << "brelix-make-examples: " << caption << ": " << text << "\n";
        failed = true;
    }
    bool failed = false;
};

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out.flush()) {
        std::cerr << "brelix-make-examples: cannot write " << path << "\n";
        return false;
    }
    return true;
}

// An illustrative crystalline-silicon-like table in the "W N K" form (three header lines): an index
// falling from 5.0 at 300 nm towards 3.5 in the infrared, and an absorption edge that falls from 10^6
// to 10 per cm between 300 and 1100 nm and vanishes beyond. Made up for the examples, not measured.
std::string SiliconLikeTable() {
    std::string text = "Illustrative silicon-like optical constants (made up for the Brelix examples)\n"
                       "n and k at 300 K, wavelength in nm\n"
                       "nm\tn\tk\n";
    for (int w = 300; w <= 1200; w += 10) {
        const double n = 3.45 + 1.55 * std::pow(300.0 / w, 3);
        const double alpha = w <= 1100 ? std::pow(10.0, 6 - 5.0 * (w - 300) / 800) : 10 * std::exp(-(w - 1100) / 15.0);
        const double k = alpha * (w * 1e-7) / (4 * kPi);
        text += FormatInt(w) + "\t" + FormatFixed(n, 0, 4) + "\t" + FormatFixed(k, 0, 9) + "\n";
    }
    return text;
}

// A solar-like source spectrum: the relative spectral irradiance of a 5778 K black body, peak 1.
std::string SolarLikeSpectrum() {
    auto planck = [](double nm) {
        const double lambda = nm * 1e-9;
        return 1 / (std::pow(lambda, 5) * (std::exp(0.0143877735 / (lambda * 5778)) - 1));
    };
    double peak = 0;
    for (int w = 300; w <= 1200; w += 5) peak = std::max(peak, planck(w));
    std::string text;
    for (int w = 300; w <= 1200; w += 5) text += FormatInt(w) + "\t" + FormatFixed(planck(w) / peak, 0, 6) + "\n";
    return text;
}

// The Stokes table of a luminescent plate: absorbs below about 620 nm, re-emits in a band around 680 nm.
// Columns: wavelength, absorption (per cm), scattering (per cm), n, k, emission weight.
std::string LuminescentStokesTable() {
    std::string text;
    for (int w = 500; w <= 800; w += 10) {
        const double alpha = 40 / (1 + std::exp((w - 620) / 12.0)) + 0.5;
        const double weight = std::exp(-std::pow((w - 680) / 25.0, 2));
        text += FormatInt(w) + "\t" + FormatFixed(alpha, 0, 4) + "\t30\t1.5\t0\t" + FormatFixed(weight, 0, 6) + "\n";
    }
    return text;
}

// Loads a data file into the document as the property pages do, then keeps only its bare name.
template <class Load>
bool LoadBeside(const std::string& folder, const std::string& name, std::string& field, Load&& load) {
    CFailOnMessage messages;
    field = folder + "/" + name;
    const bool loaded = load(messages);
    field = name;
    return loaded && !messages.failed;
}

bool MakeExamples(const std::string& folder) {
    bool ok = true;
    auto save = [&](const std::string& name, CBatchList& list) {
        std::string error;
        if (!SaveDocument(folder + "/" + name, list, error)) {
            std::cerr << "brelix-make-examples: " << error << "\n";
            ok = false;
        }
    };

    {  // A planar wafer in air, random splitting: each source ray follows one random path.
        CBatchList list;
        CBatch& batch = list.Current();
        batch.name = "Wafer";
        BuildSlab(batch, 3.5, 100, 100);
        SetNormalIncidenceSources(batch, 1000);
        batch.interfaceDivides = 0;
        save("planar_wafer.brx", list);
    }
    {  // The wafer with a single-layer anti-reflection coating, over wavelength, split deterministically.
        CBatchList list;
        CBatch& batch = list.Current();
        batch.name = "Coated";
        BuildSlab(batch, 3.5, 100, 100);
        for (CPlane* front : {&batch.model[0][0], &batch.model[1][0]}) {
            front->planeType = PlanarSingleLayerAR;
            front->SetConstants(78, 1.92, 0);
        }
        SetNormalIncidenceSources(batch, 1);
        batch.wavelengthSweep = {400, 1100, 50, 0};
        batch.interfaceDivides = 10;
        save("ar_coated_wafer.brx", list);
    }
    {  // A weakly absorbing wafer on a Lambertian reflector: light trapping.
        CBatchList list;
        CBatch& batch = list.Current();
        batch.name = "Lambertian";
        BuildLambertianSlab(batch, 3.5, 10, 200, 0.95);
        SetNormalIncidenceSources(batch, 10);
        batch.interfaceDivides = 2;
        save("lambertian_rear.brx", list);
    }
    {  // One period of a texture: side walls translate rays to the opposite wall.
        CBatchList list;
        CBatch& batch = list.Current();
        batch.name = "Cell";
        BuildTexturedCell(batch, false);
        batch.xSweep = {0.5, 9.5, 1, 0};
        batch.ySweep = {5, 5, 0, 0};
        batch.declinationSweep = {0, 60, 15, 0};
        batch.wavelengthSweep = {900, 900, 0, 0};
        batch.interfaceDivides = 2;
        // Opens turned and tilted, with z compressed, so that the tall, narrow cell fills the model view.
        CDrawTools& view = batch.drawTools;
        view.rotation = -0.5;
        view.tilt = 1.25;
        view.UpdateTilt();
        view.scale = 30;
        view.originX = 335;
        view.originY = 330;
        view.compressZ = 1;
        // Intensity bands that halve, so that the weak rays after the Lambertian rear still show colours.
        view.stepFactor = 0.5;
        save("textured_cell.brx", list);
    }
    {  // A luminescent plate: absorbed light is re-emitted at longer wavelengths from a Stokes table.
        ok &= WriteText(folder + "/luminescent_stokes.txt", LuminescentStokesTable());
        CBatchList list;
        CBatch& batch = list.Current();
        batch.name = "Luminescent";
        BuildScatteringBox(batch, false);
        CLayer& plate = batch.model[1];
        plate.SetName("Plate");
        plate.SetMode(LayerStokes);
        ok &= LoadBeside(folder, "luminescent_stokes.txt", plate.optics.stokesFile,
                         [&](IMessages& m) { return LoadDataFile(plate, 5, m); });
        SetNormalIncidenceSources(batch, 1);
        batch.wavelengthSweep = {500, 650, 50, 0};
        batch.subdivideTheta = 2;
        batch.subdivideXi = 4;
        save("luminescent_layer.brx", list);
    }
    {  // A wavelength sweep of a wafer with tabulated n and k, weighted by a source spectrum.
        ok &= WriteText(folder + "/silicon_like_wnk.txt", SiliconLikeTable());
        ok &= WriteText(folder + "/solar_like_spectrum.txt", SolarLikeSpectrum());
        CBatchList list;
        CBatch& batch = list.Current();
        batch.name = "Sweep";
        BuildSlab(batch, 3.5, 0, 200);
        CLayer& wafer = batch.model[1];
        wafer.SetName("Wafer");
        wafer.SetMode(LayerTable);
        ok &= LoadBeside(folder, "silicon_like_wnk.txt", wafer.optics.dataFile,
                         [&](IMessages& m) { return LoadDataFile(wafer, 2, m); });
        batch.constantSpectrum = 0;
        batch.fileSpectrum = 1;
        ok &= LoadBeside(folder, "solar_like_spectrum.txt", batch.spectrumFile,
                         [&](IMessages& m) { return LoadSpectrumFile(batch, m); });
        SetNormalIncidenceSources(batch, 1);
        batch.wavelengthSweep = {300, 1200, 25, 0};
        batch.interfaceDivides = 10;
        save("wavelength_sweep.brx", list);
    }
    return ok;
}

}  // namespace
}  // namespace brelix

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::cerr << "Usage: brelix-make-examples OUTPUT_FOLDER\n"
                     "Writes the example documents and their data files into OUTPUT_FOLDER.\n";
        return argc == 2 ? 0 : 2;
    }
    return brelix::MakeExamples(argv[1]) ? 0 : 1;
}
