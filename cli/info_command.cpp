#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "core/batch_list.h"
#include "core/format.h"
#include "optics/plane_models.h"
#include "trace/batch_check.h"
#include "trace/ray_sources.h"

namespace brelix {

namespace {

constexpr const char* kInfoUsage =
    "Usage: brelix-cli info DOC\n"
    "\n"
    "Lists the document's batches with their sweeps and controls, and each batch's model:\n"
    "a line per layer and per plane, as the model tree describes them.\n"
    "\n"
    "A batch that could not be traced says why; a plane that does nothing to rays says so.\n"
    "\n"
    "Exit codes: 0 success, 2 bad usage, 3 document unreadable, 4 standard output not written.\n";


void PrintSweep(std::ostream& out, const char* label, const CSweep& sweep, const char* unit) {
    out << "  " << label << ": " << Number(sweep.start) << " to " << Number(sweep.stop) << " step "
        << Number(sweep.step) << unit << "\n";
}

}  // namespace

int InfoCommand(const std::vector<std::string>& args, CCliEnvironment& env) {
    std::optional<std::string> path;
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            env.out << kInfoUsage;
            return ExitOk;
        }
        if (arg.starts_with("-") && arg != "-") return Usage(env, "unknown option '" + arg + "'.", "info");
        if (path) return Usage(env, "only one document at a time ('" + arg + "').", "info");
        path = arg;
    }
    if (!path) return Usage(env, "which document? Name it: brelix-cli info DOC.", "info");

    CBatchList list;
    if (!OpenOrReport(*path, list, env)) return ExitUnreadable;
    std::ostream& out = env.out;
    out << "Document: " << *path << "\n";
    for (uint32_t n = 0; n < list.GetCount(); ++n) {
        const CBatch& batch = list[n];
        out << "\nBatch " << n << ": " << batch.name << (n == list.GetCurrent() ? "  (current)" : "") << "\n";
        if (batch.useSpectrumFile)
            out << "  Wavelength: the points of the spectrum file\n";
        else
            PrintSweep(out, "Wavelength", batch.wavelengthSweep, " nm");
        PrintSweep(out, "X Position", batch.xSweep, "");
        PrintSweep(out, "Y Position", batch.ySweep, "");
        PrintSweep(out, "Z Position", batch.zSweep, "");
        PrintSweep(out, "Azimuth Angle", batch.azimuthSweep, " deg");
        PrintSweep(out, "Declination Angle", batch.declinationSweep, " deg");
        const uint64_t limit = kMaxSourceRays;
        const uint64_t rays = CountSourceRays(batch, limit);
        out << "  Source rays: " << (rays > limit ? "more than " + FormatInt(static_cast<int64_t>(limit))
                                                  : FormatInt(static_cast<int64_t>(rays)))
            << "\n";
        out << "  Minimum Intensity: " << Number(batch.minIntensity)
            << "   Number of Interface Divides: " << batch.interfaceDivides << "\n";
        out << "  Subdivide (position): " << batch.subdividePosition << "   (theta): " << batch.subdivideTheta
            << "   (xi): " << batch.subdivideXi << "   (scatter): " << batch.subdivideScatter << "\n";
        if (batch.constantSpectrum)
            out << "  Constant Spectrum: intensity " << Number(batch.constantIntensity) << "\n";
        else if (batch.fileSpectrum)
            out << "  File Spectrum: " << Quoted(batch.spectrumFile) << ", " << batch.spectrum.GetCount()
                << " points\n";
        else
            out << "  Spectrum: none (intensity 1)\n";
        std::string problem;
        if (batch.model.GetCount() > 0 && !CheckBatch(batch, problem)) out << "  " << problem << "\n";
        out << "  Layers: " << batch.model.GetCount() << "\n";
        for (uint32_t l = 0; l < batch.model.GetCount(); ++l) {
            const CLayer& layer = batch.model[l];
            out << "    " << l << " " << layer.Describe() << "\n";
            for (uint32_t p = 0; p < layer.GetCount(); ++p) {
                out << "        " << p << " " << layer[p].Describe() << "\n";
                if (const char* reason = NoEffectReason(layer[p], layer))
                    out << "          (no effect on rays: " << reason << ")\n";
            }
        }
    }
    return Written(env) ? ExitOk : ExitNotWritten;
}

}  // namespace brelix
