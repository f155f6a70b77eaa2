#include "app/Exports.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/Projects.h"
#include "platform/shell/Xdg.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/Jpeg.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

namespace app {

namespace {

// Far longer than any integer; a longer line cannot be one.
constexpr size_t kMaxValueLine = 64;
constexpr double kXlsReference = 290000.0;
constexpr double kXlsOffset = 0.1;
constexpr int kXlsDecimals = 2;
constexpr double kEqReference = 131072.0;
// Hz per line of the spreadsheet's FFT modes, whatever the FFT length and rate.
constexpr double kXlsBinSpacing = 21.53;
// Fewer bins than this are the band modes.
constexpr int32_t kXlsBandModeBins = 1000;

const char* const kNoValue = "-Inf";

int32_t At(std::span<const int32_t> values, size_t i) { return i < values.size() ? values[i] : 0; }

}  // namespace

std::string ExcelExportFolder() { return UserDataFolder() + "Analyzer Excel export/"; }

std::string DecibelText(int32_t value, double reference, double offset, int decimals) {
  if (value == 0) return kNoValue;
  const double db =
      20.0 * std::log10(std::fabs(static_cast<double>(value)) / std::max(reference, 1.0)) + offset;
  return vcl::Format("%2.*f", {decimals, db});
}

void ReadExportValues(std::string_view text, std::span<int32_t> table) {
  std::fill(table.begin(), table.end(), 0);
  size_t at = 0;
  for (int32_t& entry : table) {
    if (at >= text.size()) break;
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxValueLine)
      throw vcl::EConvertError("'" + std::string(line.substr(0, kMaxValueLine)) +
                               "...' is not a valid integer value");
    entry = vcl::StrToInt(std::string(line));
  }
}

void ReadExportTable(const std::string& file_name, std::span<int32_t> table) {
  std::fill(table.begin(), table.end(), 0);
  std::error_code error;
  // A pipe or a device might never end, or block the open.
  if (!std::filesystem::is_regular_file(file_name, error)) return;
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return;
  // Enough for every line the table takes, unless one of them is too long to
  // be an integer, which the reading refuses before it gets to the cut.
  std::string text(table.size() * (kMaxValueLine + 2), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  ReadExportValues(text, table);
}

std::vector<std::string> XlsExportLines(std::span<const int32_t> first, std::span<const int32_t> second,
                                        int32_t half_fft, std::span<const int32_t> band_centres) {
  std::vector<std::string> lines;
  if (half_fft < 2) return lines;
  lines.reserve(static_cast<size_t>(half_fft - 1));
  for (size_t i = 0; i + 1 < static_cast<size_t>(half_fft); ++i) {
    const double frequency = half_fft < kXlsBandModeBins ? static_cast<double>(At(band_centres, i))
                                                         : static_cast<double>(i + 1) * kXlsBinSpacing;
    lines.push_back(DecibelText(At(first, i), kXlsReference, kXlsOffset, kXlsDecimals) + " amp1;" +
                    DecibelText(At(second, i), kXlsReference, kXlsOffset, kXlsDecimals) + " amp2;" +
                    vcl::FloatToStr(frequency) + " freq");
  }
  return lines;
}

std::array<int32_t, kEqBandLines> EqBandBins(const TBandTable& table, float bin_width, int32_t bin_count) {
  std::array<int32_t, kEqBandLines> bins{};
  for (int32_t j = 0; j < kEqBandLines; ++j)
    bins[static_cast<size_t>(j)] =
        bin_width > 0.0f
            ? FrequencyToBin(table.Centres[static_cast<size_t>(j + kEqFirstBand)], bin_width, bin_count)
            : -1;
  return bins;
}

std::vector<std::string> EqFileLines(std::span<int32_t> table, std::span<const int32_t, kEqBandLines> bins) {
  std::vector<std::string> lines;
  lines.reserve(kEqLineCount);
  for (size_t j = 0; j < static_cast<size_t>(kEqLineCount); ++j) {
    int32_t value = At(table, j);
    if (j < static_cast<size_t>(kEqBandLines)) {
      const int32_t bin = bins[j];
      value = bin >= 0 ? At(table, static_cast<size_t>(bin)) : 0;
      if (j < table.size()) table[j] = value;
    }
    const std::string text = DecibelText(value, kEqReference, 0.0, 0);
    lines.push_back(text == kNoValue ? "0" : text);
  }
  return lines;
}

bool WriteExportLines(const std::string& file_name, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return plat::ReplaceFileText(file_name, text);
}

void SaveGraphicFile(vcl::TGraphic& graphic, const std::string& file_name) {
  vcl::TMemoryStream data;
  graphic.SaveToStream(data);
  const std::string bytes(reinterpret_cast<const char*>(data.Memory()), static_cast<size_t>(data.Size()));
  if (!plat::ReplaceFileText(file_name, bytes))
    throw vcl::EFCreateError("Cannot create file \"" + file_name + "\"");
}

void SaveJpegPicture(vcl::TBitmap& picture, const std::string& file_name, int quality) {
  vcl::TJPEGImage jpeg;
  jpeg.SetCompressionQuality(quality);
  jpeg.Assign(&picture);
  SaveGraphicFile(jpeg, file_name);
}

}  // namespace app
