#pragma once

#include <iosfwd>

namespace brelix {

class CBatch;
class CLayer;
class COpticalData;
class CPlane;
class CSpectrum;
class IMessages;

// Layer table formats, numbered as the layer page passes them.
enum ELayerFileFormat : int {
    FormatWNAS = 0,    // W N A S: wavelength, index, absorption coefficient, scattering coefficient
    FormatWNKS = 1,    // W N K S: as above with the extinction coefficient in place of the absorption
    FormatWNK = 2,     // W N K (WVase): three header lines, no scattering column
    FormatStokes = 5,  // W A S N K E: a Stokes table whose last column weights the re-emission
};

// Stream readers. Each empties the table it fills, then inserts one row per line in wavelength order
// (rows of equal wavelength keep their file order). A line is read like C's sscanf with "%f\t%f...":
// any run of white space separates numbers, each number is read as a float and widened, and the scan
// stops at the first text that is not a number. Columns a line does not supply keep the previous line's
// values (0 before the first line), so a blank or text line repeats the row before it. A line whose
// wavelength is not a finite number (NaN, as a title starting "Nan" reads, or ±inf) is not a row and
// changes no kept value.

// A layer table in one of the formats above, counted in tableCount (stokesCount for the Stokes format).
// Formats 1 and 2 turn the extinction coefficient K into alpha = 4πK/λ per cm. Any other format number
// only empties the table.
void ReadLayerTable(std::istream& in, int format, COpticalData& table);
// A plane's "W R" reflectance table, counted in tableCount.
void ReadPlaneTable(std::istream& in, COpticalData& table);
// A "W I" source spectrum.
void ReadSpectrum(std::istream& in, CSpectrum& spectrum);

// File readers for the pages. A file that cannot be opened is reported ("Error could not open "name"";
// one that is not a regular file, such as a FIFO or a device, adds ": it is not a regular file.") and
// leaves the table empty; they return false then and true otherwise.

// Reads the layer's stokesFile for the Stokes format, its dataFile for any other.
bool LoadDataFile(CLayer& layer, int format, IMessages& messages);
// Reads the plane's planeFile.
bool LoadDataFile(CPlane& plane, IMessages& messages);
// Reads the batch's spectrumFile, then shows how many points the spectrum holds.
bool LoadSpectrumFile(CBatch& batch, IMessages& messages);

}  // namespace brelix
