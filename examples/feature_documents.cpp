#include "examples/feature_documents.h"

#include "examples/sample_models.h"

namespace brelix::samples {

namespace {

COpticalPoint Coating(double wavelength, double thickness, double index) {
    COpticalPoint row;
    row.wavelength = wavelength;
    row.tDielectric = thickness;
    row.nDielectric = index;
    return row;
}

COpticalPoint Reflectance(double wavelength, double reflectance) {
    COpticalPoint row;
    row.wavelength = wavelength;
    row.reflectance = reflectance;
    return row;
}

void SetReflectanceTable(CPlane& plane, std::initializer_list<COpticalPoint> rows) {
    plane.SetPlaneMode(PlaneTable);
    for (const COpticalPoint& row : rows) plane.optics.InsertSorted(row, ERowCount::Table);
}

// Every ray ends as remainder once it falls below minIntensity itself: no subdivision shares it out.
void UndividedThreshold(CBatch& batch, double minIntensity) {
    batch.minIntensity = minIntensity;
    batch.interfaceDivides = 0;
    batch.subdividePosition = batch.subdivideTheta = batch.subdivideXi = batch.subdivideScatter = 1;
}

}  // namespace

void BuildInterfaceDocument(CBatchList& list) {
    {
        CBatch& batch = list[0];
        batch.name = "Divided";
        BuildSlab(batch, 2.0, 50, 50);
        CPlane& front = batch.model[0][0];
        front.planeType = PlanarSingleLayerAR;
        front.SetPlaneMode(PlaneTable);
        front.optics.InsertSorted(Coating(400, 60, 1.4), ERowCount::Table);
        front.optics.InsertSorted(Coating(800, 110, 1.6), ERowCount::Table);
        batch.model[1][0].planeType = PlanarIdeal;
        SetReflectanceTable(batch.model[2][1], {Reflectance(400, 0.1), Reflectance(800, 0.5)});
        SetNormalIncidenceSources(batch, 1);
        batch.wavelengthSweep = {450, 750, 150, 0};
        batch.declinationSweep = {0, 40, 40, 0};
        batch.interfaceDivides = 3;
    }
    {
        CBatch& batch = list.Append();
        batch.name = "Random";
        BuildSlab(batch, 1.5, 200, 30);
        batch.model[1][1].planeType = PlanarIdeal;
        SetNormalIncidenceSources(batch, 4, 550);
        batch.declinationSweep = {60, 60, 0, 0};
        batch.interfaceDivides = 0;
    }
    {
        CBatch& batch = list.Append();
        batch.name = "Threshold";
        BuildSlab(batch, 1.3, 0, 10);
        for (CPlane* catcher : {&batch.model[0][1], &batch.model[2][1]}) catcher->SetConstants(0, 0, 0.5);
        SetNormalIncidenceSources(batch, 2, 500);
        batch.constantIntensity = 2.5;
        UndividedThreshold(batch, 0.2);
    }
}

void BuildReflectorDocument(CBatchList& list) {
    CBatch& batch = list[0];
    batch.name = "Lambertian";
    BuildLambertianSlab(batch, 3.0, 20, 100, 0.9);
    // 700 nm lies beyond the table: the last row holds.
    SetReflectanceTable(batch.model[1][1], {Reflectance(450, 0.95), Reflectance(650, 0.7)});
    SetNormalIncidenceSources(batch, 1);
    batch.wavelengthSweep = {500, 700, 200, 0};
    batch.azimuthSweep = {0, 45, 45, 0};
    batch.declinationSweep = {30, 30, 0, 0};
    batch.subdivideTheta = 3;
    batch.subdivideXi = 2;
    batch.interfaceDivides = 2;
}

void BuildTextureDocument(CBatchList& list) {
    {
        // Air, glass and a gap, 300 um wide, so that rays moved to random points near an edge may leave.
        CBatch& batch = list[0];
        batch.name = "Tails";
        const double w = 300;
        CLayer& air = batch.model.Append();
        air.SetName("Air");
        SetHorizontal(AddPlane(air, "Top catcher", PlanarReflector), 50, true, w);
        SetHorizontal(AddPlane(air, "Inert", TransmitSubdivideAngle), -20, false, w);
        SetHorizontal(AddPlane(air, "Subdivide", RandomiseTailTransmitSubdivide, 1), -50, false, w);
        CLayer& glass = batch.model.Append();
        glass.SetName("Glass");
        glass.SetConstants(1.5, 20, 0, 0);
        SetHorizontal(AddPlane(glass, "Out", RandomiseTailTransmit, 0), -50, true, w);
        SetHorizontal(AddPlane(glass, "Down", RandomiseTailTransmit, 2), -150, false, w);
        CLayer& gap = batch.model.Append();
        gap.SetName("Gap");
        gap.SetConstants(1.0, 5, 0, 0);
        SetHorizontal(AddPlane(gap, "Up", RandomiseTailTransmit, 1), -150, true, w);
        SetHorizontal(AddPlane(gap, "Mirror", RandomiseTailReflect), -250, false, w);
        SetNormalIncidenceSources(batch, 1);
        batch.declinationSweep = {0, 20, 20, 0};
        batch.subdividePosition = 3;
    }
    {
        CBatch& batch = list.Append();
        batch.name = "Periodic";
        BuildTexturedCell(batch, true);
        for (CPlane& wall : batch.model[1])
            if (wall.planeType == TranslateAcrossRandomizeTail) wall.planeType = TranslateAcrossProportional;
        batch.xSweep = {2.5, 7.5, 5, 0};
        batch.ySweep = {5, 5, 0, 0};
        batch.wavelengthSweep = {800, 800, 0, 0};
        batch.azimuthSweep = {30, 30, 0, 0};
        batch.declinationSweep = {40, 40, 0, 0};
        batch.subdivideTheta = 2;
        batch.subdivideXi = 2;
    }
}

void BuildScatteringDocument(CBatchList& list) {
    auto box = [](CBatch& batch, const char* name, bool luminescent) {
        batch.name = name;
        BuildScatteringBox(batch, luminescent);
        batch.subdivideTheta = batch.subdivideXi = batch.subdivideScatter = 2;
    };
    {
        CBatch& batch = list[0];
        box(batch, "Scatter", false);
        // An absorbing layer in path-length mode tallies the path and lets all the light through.
        batch.model[2].SetConstants(1.0, 50, 0, 0);
        batch.model[2].SetPathLength(1);
        SetNormalIncidenceSources(batch, 2, 600);
    }
    {
        CBatch& batch = list.Append();
        box(batch, "Band", false);
        batch.model[1].SetMode(LayerBand);
        batch.model[1].optics.SetBand(60, 5, 200, 50, 1.6, 1.45, 500, 100, 120);
        SetNormalIncidenceSources(batch, 1);
        batch.wavelengthSweep = {450, 650, 100, 0};  // 450 and 550 lie on the band's edges
    }
    {
        CBatch& batch = list.Append();
        box(batch, "Stokes", true);
        SetNormalIncidenceSources(batch, 1);
        batch.wavelengthSweep = {600, 700, 100, 0};  // 600 lies below the table
    }
}

void BuildSweepDocument(CBatchList& list) {
    {
        // An 88 um wide front: at the steeper angle the rays from z = 10 miss it or not by their x, y
        // and azimuth, and are lost when they do.
        CBatch& batch = list[0];
        batch.name = "Axes";
        BuildSlab(batch, 1.8, 80, 40);
        SetHorizontal(batch.model[0][0], -50, false, 88);
        batch.xSweep = {-2, 2, 4, 0};
        batch.ySweep = {-1, 1, 2, 0};
        batch.zSweep = {0, 10, 10, 0};
        batch.azimuthSweep = {0, 90, 90, 0};
        batch.declinationSweep = {0, 30, 30, 0};
        batch.wavelengthSweep = {550, 550, 0, 0};
        batch.xOffset = 0.5;
        batch.yOffset = -0.25;
        batch.zOffset = 5;
        batch.azimuthOffset = 15;
        batch.declinationOffset = 5;
    }
    auto spectrum = [](CBatch& batch, const char* name) {
        batch.name = name;
        BuildSlab(batch, 2.5, 150, 20);
        SetNormalIncidenceSources(batch, 1);
        batch.constantSpectrum = 0;
        batch.fileSpectrum = 1;
        for (const auto& [w, intensity] : {std::pair{420.0, 0.6}, {530.0, 1.0}, {650.0, 0.8}})
            batch.spectrum.InsertSorted(w, intensity);
    };
    {
        CBatch& batch = list.Append();
        spectrum(batch, "Spectrum points");
        batch.useSpectrumFile = 1;
        batch.wavelengthSweep = {0, 1, 1, 0};
    }
    {
        // Weights of the first point at or above each wavelength; none above 650, so 700 weighs 1.
        CBatch& batch = list.Append();
        spectrum(batch, "Spectrum weights");
        batch.wavelengthSweep = {400, 700, 150, 0};
    }
}

void BuildDrawnDocument(CBatchList& list) {
    CBatch& batch = list[0];
    batch.name = "Drawn";
    const double w = 40;
    CLayer& air = batch.model.Append();
    air.SetName("Air");
    SetHorizontal(AddPlane(air, "Front", PlanarBare, 1), -50, false, w);
    SetHorizontal(AddPlane(air, "Top catcher", PlanarReflector), 50, true, w);
    CLayer& slab = batch.model.Append();
    slab.SetName("Slab");
    slab.SetConstants(1.5, 100, 0, 0);
    SetHorizontal(AddPlane(slab, "Front", PlanarBare, 0), -50, true, w);
    CPlane& rear = AddPlane(slab, "Rear", LambertianReflector);
    SetHorizontal(rear, -70, false, w);
    rear.SetConstants(0, 0, 0.8);
    batch.xSweep = {3, 3, 0, 0};
    batch.wavelengthSweep = {550, 550, 0, 0};
    batch.azimuthSweep = {30, 30, 0, 0};
    batch.declinationSweep = {20, 20, 0, 0};
    batch.subdivideTheta = 2;
    batch.subdivideXi = 2;

    CDrawTools& view = batch.drawTools;
    view.tilt = 1.2;
    view.UpdateTilt();
    view.rotation = 0.4;
    view.scale = 3;
    view.originX = 250;
    view.originY = 200;
    view.compressZ = 1;
    view.stepFactor = 0.7;
}

}  // namespace brelix::samples
