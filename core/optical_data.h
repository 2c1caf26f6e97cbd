#pragma once

#include <cstdint>
#include <string>

#include "core/optical_point.h"
#include "core/owning_list.h"
#include "core/random.h"

namespace brelix {

// Sources of a layer's values.
enum ELayerMode : uint32_t {
    LayerConstant = 0,
    LayerTable = 1,
    LayerBand = 4,  // "Constant Linear Shift Conversion"
    LayerStokes = 5,
};

// Sources of a plane's values; any other value acts as constant.
enum EPlaneMode : uint32_t {
    PlaneConstant = 20,
    PlaneTable = 21,
};

// Which count a table row belongs to.
enum class ERowCount { Table, Stokes, None };

// The optical properties of a layer (index, absorption, scattering, re-emission) or of a plane
// (reflectance, coating index and thickness), each a constant or a function of wavelength given by a table
// kept in ascending wavelength. A wavelength of exactly 0 always asks for the constant value.
class COpticalData : public COwningList<COpticalPoint> {
public:
    COpticalData() = default;

    // Layer lookups
    double GetRefractiveIndex(double wavelength) const;
    double GetExtinction(double wavelength) const;
    double GetAbsorption(double wavelength) const;
    double GetScattering(double wavelength) const;
    // The wavelength a ray absorbed and re-emitted in the layer leaves with; the Stokes table draws once.
    double GetEmissionWavelength(double wavelength, CRandom& random) const;

    // Plane lookups
    double GetReflectance(double wavelength) const;
    double GetDielectricIndex(double wavelength) const;
    double GetDielectricThickness(double wavelength) const;

    // The constant row
    const COpticalPoint& GetConstants() const { return constants; }
    void SetConstants(double rindx, double alpha, double extnc, double scatt);
    void SetBand(double inbandAlpha, double outbandAlpha, double inbandScatt, double outbandScatt,
                 double inbandRindx, double outbandRindx, double centerWavelength, double bandwidth,
                 double emissionShift);
    void SetPlaneConstants(double tDielectric, double nDielectric, double reflectance);

    uint32_t GetMode() const { return layerMode; }
    void SetMode(uint32_t mode) { layerMode = mode; }
    uint32_t GetPlaneMode() const { return planeMode; }
    void SetPlaneMode(uint32_t mode) { planeMode = mode; }
    int32_t GetPathLength() const { return pathLength; }
    void SetPathLength(int32_t on) { pathLength = on; }
    // Mode 5 addresses the Stokes file, any other mode the layer data file.
    const std::string& GetFileName(uint32_t mode) const { return mode == LayerStokes ? stokesFile : dataFile; }
    void SetFileName(const std::string& name, uint32_t mode);
    uint32_t GetPointCount(uint32_t mode) const { return mode == LayerStokes ? stokesCount : tableCount; }

    // Inserts a row in wavelength order (after rows of equal wavelength) and counts it. Used by the file
    // readers on a table they have emptied, which is therefore sorted.
    void InsertSorted(const COpticalPoint& row, ERowCount count);
    // Appends a row as a document read does, counting it by the current modes.
    void AppendCounted(const COpticalPoint& row);
    // Deletes every row; both counts 0.
    void RemoveAll();
    // The count a row stored or copied under the current modes belongs to.
    ERowCount RowCountByMode() const;
    // The number of rows a document stores and a copy takes under the current modes.
    uint32_t StoredRowCount() const;

    void CopyFrom(const COpticalData& other);

    // Fields, named as in the document format.
    uint32_t tableCount = 0;
    uint32_t stokesCount = 0;
    std::string dataFile;
    uint32_t layerMode = LayerConstant;
    int32_t pathLength = 0;
    COpticalPoint constants;
    std::string planeFile;
    std::string spareText;
    uint32_t planeMode = 0;
    std::string stokesFile;

private:
    using Column = double COpticalPoint::*;
    double LayerLookup(double wavelength, Column column, Column inband, Column outband) const;
    double TableLookup(double wavelength, uint32_t rows, Column column) const;
    double PlaneLookup(double wavelength, Column column) const;
    void Count(ERowCount count);
    void InsertRow(uint32_t at, const COpticalPoint& row);

    // True while the rows are in ascending wavelength; lets lookups use a binary search.
    bool sorted_ = true;
};

}  // namespace brelix
