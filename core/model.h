#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/optical_data.h"
#include "core/owning_list.h"
#include "core/ray.h"
#include "core/result_list.h"

namespace brelix {

// The optical model of a plane, its "Plane Type".
enum EPlaneType : uint32_t {
    PlanarBare = 0,
    PlanarSingleLayerAR = 1,
    PlanarIdeal = 2,
    PlanarReflector = 3,
    LambertianReflector = 4,
    TranslateAcrossProportional = 5,
    TranslateAcrossRandomizeTail = 6,
    RandomiseTailReflect = 7,
    RandomiseTailTransmit = 8,
    RandomiseTailTransmitSubdivide = 9,
    TransmitSubdivideAngle = 10,  // has a description key but no behaviour
};

enum EPlaneShape : uint32_t {
    ShapeParallelogram = 0,  // "Parallelpiped"
    ShapeTriangle = 1,       // "Triangular"
};

// The label of a plane type in the plane page, or empty for a type the page does not offer.
const char* PlaneTypeLabel(uint32_t type);
// The key of a plane type in a plane's description line ("Unknwn; " for an unknown type).
const char* PlaneTypeKey(uint32_t type);

// A flat interface bounding a layer: a parallelogram or triangle spanned by two edges from one corner,
// with an optical model.
class CPlane {
public:
    CPlane();

    const std::string& GetName() const { return name; }
    void SetName(const std::string& text) { name = text; }

    double GetReflectance(double wavelength) const { return optics.GetReflectance(wavelength); }
    double GetDielectricIndex(double wavelength) const { return optics.GetDielectricIndex(wavelength); }
    double GetDielectricThickness(double wavelength) const { return optics.GetDielectricThickness(wavelength); }
    double GetConstReflectance() const { return optics.constants.reflectance; }
    double GetConstDielectricIndex() const { return optics.constants.nDielectric; }
    double GetConstDielectricThickness() const { return optics.constants.tDielectric; }
    void SetConstants(double thickness, double index, double reflectance) {
        optics.SetPlaneConstants(thickness, index, reflectance);
    }
    uint32_t GetPlaneMode() const { return optics.planeMode; }
    void SetPlaneMode(uint32_t mode) { optics.planeMode = mode; }
    const std::string& GetFileName() const { return optics.planeFile; }
    void SetFileName(const std::string& file) { optics.planeFile = file; }
    uint32_t GetPointCount() const { return optics.tableCount; }

    // The normal: unit(E2 x E1) of the full edge vectors, starting at edge 2's origin, step 1.
    void ComputeNormal();

    // Deep copy of the stored fields. With swapEdges the edges are exchanged (so the copy faces the other
    // way) and the name gets a "!" prefix.
    void CopyFrom(const CPlane& other, bool swapEdges = false);

    // The plane's line in the model tree.
    std::string Describe() const;

    CRay edge1;
    CRay edge2;
    CRay normal;
    int32_t drawEdge[4] = {1, 1, 1, 1};
    CResultList results;
    std::string name;
    uint32_t planeType = PlanarBare;
    uint32_t shape = ShapeParallelogram;
    int32_t LyrTransmit = 0;
    int32_t PlnTransmit = 0;
    COpticalData optics;
    uint32_t treeExpanded = 0;
    uint32_t treeChecked = 0;
};

// A volume of one medium, bounded by its planes.
class CLayer : public COwningList<CPlane> {
public:
    CLayer() = default;

    const std::string& GetName() const { return name; }
    void SetName(const std::string& text) { name = text; }

    double GetRefractiveIndex(double wavelength) const { return optics.GetRefractiveIndex(wavelength); }
    double GetExtinction(double wavelength) const { return optics.GetExtinction(wavelength); }
    double GetAbsorption(double wavelength) const { return optics.GetAbsorption(wavelength); }
    double GetScattering(double wavelength) const { return optics.GetScattering(wavelength); }
    double GetEmissionWavelength(double wavelength, CRandom& random) const {
        return optics.GetEmissionWavelength(wavelength, random);
    }
    uint32_t GetMode() const { return optics.layerMode; }
    void SetMode(uint32_t mode) { optics.layerMode = mode; }
    int32_t GetPathLength() const { return optics.pathLength; }
    void SetPathLength(int32_t on) { optics.pathLength = on; }
    const std::string& GetFileName(uint32_t mode) const { return optics.GetFileName(mode); }
    void SetFileName(const std::string& file, uint32_t mode) { optics.SetFileName(file, mode); }
    uint32_t GetPointCount(uint32_t mode) const { return optics.GetPointCount(mode); }
    void SetConstants(double rindx, double alpha, double extnc, double scatt) {
        optics.SetConstants(rindx, alpha, extnc, scatt);
    }

    // Deep copy of the planes (unswapped), name, indices and optical data.
    void CopyFrom(const CLayer& other);

    // The layer's line in the model tree.
    std::string Describe() const;

    std::string name;
    COpticalData optics;
    CResultList results;
    uint32_t treeExpanded = 0;
    uint32_t treeChecked = 0;
};

// A batch's optical model: the layers in order. A layer's position is its identity everywhere.
class CModel : public COwningList<CLayer> {
public:
    CModel() = default;

    uint32_t GetLayerCount() const { return GetCount(); }

    // Deletes every layer; the current index goes back to 0.
    void RemoveAll() {
        COwningList<CLayer>::RemoveAll();
        SetCurrent(0);
        selectedLayer = nullptr;
        selectedPlane = nullptr;
        selectedEdges = nullptr;
    }

    // Deep copy of the layers and the current index; results and selections are not copied.
    void CopyFrom(const CModel& other);

    // The index of the result records for the ray's key, creating the records in the model and in every
    // layer and plane when the key is new. One lookup per key.
    int32_t FindOrAddResult(const CRay& ray) { return FindOrAddResult(CResultKey::Of(ray)); }
    int32_t FindOrAddResult(const CResultKey& key);
    // Makes room for `count` records in the model and in every layer and plane, at once.
    void ReserveResults(uint32_t count);
    // Appends the record of a key known to be new without looking it up (ray generation lays out the
    // records of its source keys so, in order); the layers and planes get theirs from ShareResults().
    uint32_t AppendNewResult(const CResultKey& key);
    // Gives every layer and plane the records the model has, sharing the model's keys.
    void ShareResults();
    // Empties the records of the model, its layers and their planes.
    void ClearResults();

    CResultList results;
    // What the model tree has selected; run time only.
    CLayer* selectedLayer = nullptr;
    CPlane* selectedPlane = nullptr;
    CPlane* selectedEdges = nullptr;
    uint32_t treeExpanded = 0;

private:
    // Finds the slot of a key in keySlots_: the one holding its record, or the empty one it would take.
    size_t SlotOf(const CResultKey& key) const;
    // Adds the records from indexed_ up to `count` to keySlots_, which stays at most half full with one
    // more key.
    void IndexRecords(uint32_t count);

    // Key -> record index + 1 (0: empty), by open addressing, so that finding a key does not scan every
    // record. Made on the first lookup: a batch that never looks a key up after its generation has none.
    std::vector<uint32_t> keySlots_;
    uint32_t indexed_ = 0;
};

}  // namespace brelix
