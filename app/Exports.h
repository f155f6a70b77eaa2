#pragma once
// Exports of scan results and views: the decibel texts of the spreadsheet
// text and of the two equaliser files, the reader of the result files they
// are made from, and the writers, which put each file under a temporary name
// beside it and rename it over the old one only once it is complete.
// Reading never passes a table's end: a longer file gives only its first
// values, a shorter or missing one zeros for the rest.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Bands.h"

namespace vcl {
class TBitmap;
class TGraphic;
}  // namespace vcl

namespace app {

// Values an export takes from each of its two result files.
constexpr size_t kXlsTableSize = 2049;
constexpr size_t kEqTableSize = 1025;
constexpr int32_t kEqLineCount = 31;
// The first lines of an equaliser file take their values from the bins of
// these bands instead.
constexpr int32_t kEqBandLines = 5;
constexpr int32_t kEqFirstBand = 3;
constexpr int32_t kEqBandCount = 32;
constexpr int kJpegQuality = 90;

// "Analyzer Excel export" in the user's data folder, ending in '/'.
std::string ExcelExportFolder();

// 20 log10(|value| / max(reference, 1)) + offset as "%2.*f" with `decimals`;
// "-Inf" for 0.
std::string DecibelText(int32_t value, double reference, double offset, int decimals);

// Lines of a result file, one integer each, into table; the lines past the
// table's end are not read and the entries past the text's last line become
// 0. A line that is no integer raises EConvertError.
void ReadExportValues(std::string_view text, std::span<int32_t> table);
// The same from a file; a missing file, or one that is no regular file,
// gives zeros.
void ReadExportTable(const std::string& file_name, std::span<int32_t> table);

// The spreadsheet lines (without line ends) for a spectrum of half_fft bins:
// half_fft - 1 lines of "<first> amp1;<second> amp2;<frequency> freq". Below
// 1000 bins (the band modes) the frequency is the band's centre, else
// (i + 1) * 21.53.
std::vector<std::string> XlsExportLines(std::span<const int32_t> first, std::span<const int32_t> second,
                                        int32_t half_fft, std::span<const int32_t> band_centres);

// The peak detector's bins (bin_width Hz each, bin_count of them) of the
// centres kEqFirstBand.. of a 32-band table; without a bin width every bin is
// outside the table.
std::array<int32_t, kEqBandLines> EqBandBins(const TBandTable& table, float bin_width, int32_t bin_count);
// The 31 lines of an equaliser file. Entry j < kEqBandLines first becomes
// the entry at bins[j] of the same table (0 past its end), so a later line
// sees what an earlier one changed; each line is the entry's decibel text
// against 131072 without decimals, "0" for a zero entry.
std::vector<std::string> EqFileLines(std::span<int32_t> table, std::span<const int32_t, kEqBandLines> bins);

// Writes the lines with CR LF; false when the file could not be written,
// which leaves the old file as it was.
bool WriteExportLines(const std::string& file_name, const std::vector<std::string>& lines);
// The graphic in its own format; EFCreateError when the file cannot be
// written, which leaves the old file as it was.
void SaveGraphicFile(vcl::TGraphic& graphic, const std::string& file_name);
// The picture as a JPEG of the given quality; EFCreateError when the file
// cannot be written, which leaves the old file as it was.
void SaveJpegPicture(vcl::TBitmap& picture, const std::string& file_name, int quality);

}  // namespace app
