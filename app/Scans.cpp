#include "app/Scans.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace app {

void TScanSums::Start(int32_t columns) {
  columns_ = std::clamp(columns, 0, kMaxScanColumns);
  rows_ = 0;
  sums_.fill(0);
  highest_.fill(0);
}

void TScanSums::AddRow(std::span<const int32_t> row) {
  const size_t n = std::min(row.size(), static_cast<size_t>(columns_));
  for (size_t i = 0; i < n; ++i) highest_[i] = std::max(highest_[i], row[i]);
  if (rows_ >= kMaxScanRows) return;
  for (size_t i = 0; i < n; ++i) sums_[i] += row[i];
  ++rows_;
}

bool TScanSums::Average(std::span<int32_t> out) const {
  if (rows_ == 0) return false;
  const size_t n = std::min(out.size(), static_cast<size_t>(columns_));
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<int32_t>(std::max<int64_t>(0, sums_[i] / rows_));
  return true;
}

void TScanRows::Begin(int32_t columns) {
  std::lock_guard lock(lock_);
  sums_.Start(columns);
  progress_ = 0;
}

void TScanRows::AddRow(std::span<const int32_t> row) {
  std::lock_guard lock(lock_);
  sums_.AddRow(row);
}

TScanSums TScanRows::Sums() const {
  std::lock_guard lock(lock_);
  return sums_;
}

int32_t ScanProgress(int64_t position_ms, int64_t length_ms) {
  if (length_ms <= 0) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(position_ms * 100 / length_ms, 0, 100));
}

bool WriteValueFile(const std::string& file_name, std::span<const int32_t> values) {
  std::string text;
  text.reserve(values.size() * 8);
  for (int32_t v : values) {
    text += std::to_string(v);
    text += "\r\n";
  }
  // Beside the target, so the rename stays on one file system.
  const std::string temp = file_name + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temp, file_name, error);
  if (error) std::remove(temp.c_str());
  return !error;
}

std::string ScanAverageFile(const std::string& folder, int slot) {
  return folder + "File" + std::to_string(slot) + "_avg_amp.sav";
}

std::string ScanHighestFile(const std::string& folder, int slot) {
  return folder + "File" + std::to_string(slot) + "_hi_amp.sav";
}

}  // namespace app
