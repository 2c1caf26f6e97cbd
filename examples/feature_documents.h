#pragma once

// Small documents that together use every feature of the engine: each plane type, scattering, band and
// Stokes re-emission, path length, every sweep axis with its offset, source spectra, random and divided
// splitting and every subdivision. Their traces are the golden traces the tests compare with, so a change
// here changes those files.

#include "core/batch_list.h"

namespace brelix::samples {

struct CFeatureDocument {
    const char* name;
    void (*build)(CBatchList& list);
};

// Bare, coated (coating from a table), ideal and reflecting planes (reflectance from a table), split
// deterministically and at random; a batch whose rays end early as remainder.
void BuildInterfaceDocument(CBatchList& list);
// A Lambertian rear whose reflectance is a table, under several angles of incidence.
void BuildReflectorDocument(CBatchList& list);
// The moving planes: randomised tails, position subdivision, a plane without effect, and a periodic cell
// with randomised and proportional walls.
void BuildTextureDocument(CBatchList& list);
// Scattering with a path-length layer below, band re-emission and Stokes re-emission.
void BuildScatteringDocument(CBatchList& list);
// Every sweep axis with its offset, and source spectra as ray wavelengths and as weights.
void BuildSweepDocument(CBatchList& list);

inline constexpr CFeatureDocument kFeatureDocuments[] = {
    {"interfaces", BuildInterfaceDocument}, {"reflectors", BuildReflectorDocument},
    {"textures", BuildTextureDocument},     {"scattering", BuildScatteringDocument},
    {"sweeps", BuildSweepDocument},
};

// One ray into a narrow slab on a Lambertian rear, drawn in a tilted, rotated, scaled and compressed view
// with pens by intensity: the drawing the tests pin.
void BuildDrawnDocument(CBatchList& list);

}  // namespace brelix::samples
