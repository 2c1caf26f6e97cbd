#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/model.h"
#include "core/shared_value.h"
#include "core/ray_queue.h"
#include "core/source_rays.h"
#include "core/spectrum.h"
#include "optics/plane_search.h"
#include "view/draw_tools.h"

namespace brelix {

// One swept source parameter: Start, Stop, Step, and the value picked in the builder's "Plot:" box.
struct CSweep {
    double start = 0;
    double stop = 0;
    double step = 0;
    double plotValue = 0;  // neither stored nor copied
};

// One simulation job: its own model, the sweeps of source rays, the controls of splitting and
// termination, the source spectrum, the rays in flight and the counters the trace leaves behind.
class CBatch {
public:
    CBatch() = default;
    CBatch(const CBatch&) = delete;
    CBatch& operator=(const CBatch&) = delete;

    // Copies the stored settings; not the z sweep, the source offsets, zVaries, the seed, the counters,
    // the tracing flag or the queue.
    void CopyFrom(const CBatch& other);
    // The source weight of a wavelength: the constant intensity, the spectrum, or 1.0.
    double GetSourceIntensity(double wavelength) const;
    // A new seed: the generator seeded with the clock's seconds, then its tenth value.
    void Reseed();
    void Reseed(uint32_t clockSeconds);

    CModel model;
    CDrawTools drawTools;
    // The rays in flight, and the source rays still to launch (made one at a time, from their index).
    CRayQueue rayQueue;
    CSourceRays sources;
    // The planes laid out for the trace ops' plane search when the batch starts.
    CPlaneSearch planeSearch;
    std::string name;
    CSweep wavelengthSweep;
    CSweep xSweep;
    CSweep ySweep;
    CSweep zSweep;
    CSweep azimuthSweep;
    CSweep declinationSweep;
    // The source offsets: the model view's Shift keys and drags change them, also while the worker reads
    // them to start a batch, so both sides use LoadShared/StoreShared (core/shared_value.h).
    double xOffset = 0, yOffset = 0, zOffset = 0;
    double azimuthOffset = 0, declinationOffset = 0;
    double minIntensity = 0.001;
    uint32_t interfaceDivides = 1;
    uint32_t subdividePosition = 100;
    uint32_t subdivideTheta = 4;
    uint32_t subdivideXi = 16;
    uint32_t subdivideScatter = 2;
    // Set by ray generation when the sweep is stepped; choose the results' columns. The worker writes them
    // while the results may be formatted or saved, so both sides use LoadShared/StoreShared.
    int32_t xVaries = 0, yVaries = 0, zVaries = 0, wavelengthVaries = 0, azimuthVaries = 0,
            declinationVaries = 0;
    int32_t spareFlag = 1;
    int32_t constantSpectrum = 1;
    int32_t fileSpectrum = 0;
    std::string spectrumFile;
    int32_t useSpectrumFile = 0;
    CSpectrum spectrum;
    double constantIntensity = 1.0;
    // "Re-seed" may write it while the worker reads it to start a batch.
    std::atomic<uint32_t> seed{0};
    // Written by the worker, read by the user interface.
    std::atomic<uint32_t> pendingRays{0};
    std::atomic<uint64_t> traceOps{0};
    // Rays whose path reached the interaction limit and ended as remainder.
    std::atomic<uint64_t> expiredRays{0};
    std::atomic<uint32_t> tracing{0};
    // Set by the document when the batch's last trace ran to its end: only such results are exported.
    // Run time only, like the counters.
    bool tracedToEnd = false;
    // "Draw on Raytrace": toggled from the menu while the worker reads it; LoadShared/StoreShared.
    int32_t drawOnRaytrace = 1;
    int32_t viewFlags[3] = {1, 0, 0};
};

}  // namespace brelix
