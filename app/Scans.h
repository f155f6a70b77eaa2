#pragma once
// File scans of the average page: per spectrum column, the running sum of the
// rows a scan takes (one per pumped buffer, the first kMaxScanRows of them)
// for the column's average, the highest value over every row, and the value
// files the six result slots are kept in. Sums are 64-bit, so full-scale band
// values over every row do not wrap.
//
// Threads: the pump thread adds the row of each buffer right after the chain
// has analysed it; the main thread reads the sums once the pump has stopped
// and shows the progress meanwhile. Both go through TScanRows's lock.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "displays/MMSpectrum.h"

namespace app {

constexpr int kScanSlotCount = 6;
constexpr uint32_t kMaxScanRows = 2047;
constexpr int32_t kMaxScanColumns = displays::TMMSpectrum::kMaxBins;

// Sums of the rows of one scan and the highest value of every column. Not
// thread-safe by itself.
class TScanSums {
 public:
  // A new scan over `columns` columns (0..kMaxScanColumns); the width stays
  // until the next Start, whatever the display does meanwhile.
  void Start(int32_t columns);
  // Adds the first Columns() values of row to the sums, for the first
  // kMaxScanRows rows only, and to the highest values, for every row.
  void AddRow(std::span<const int32_t> row);
  uint32_t Rows() const { return rows_; }
  int32_t Columns() const { return columns_; }
  // The truncated average per column into out (Columns() values, never below
  // 0); false, writing nothing, when no row was added.
  bool Average(std::span<int32_t> out) const;
  // The highest value of each of the Columns() columns over every row; a
  // negative value is never a highest one, so a column starts at 0.
  std::span<const int32_t> Highest() const { return {highest_.data(), static_cast<size_t>(columns_)}; }

 private:
  std::array<int64_t, kMaxScanColumns> sums_{};
  std::array<int32_t, kMaxScanColumns> highest_{};
  int32_t columns_ = 0;
  uint32_t rows_ = 0;
};

// The rows of a running scan, shared by the main thread and the pump thread.
class TScanRows {
 public:
  // Main thread, before the pump starts: a new scan of `columns` columns.
  void Begin(int32_t columns);
  // Pump thread, once per analysed buffer: its values become a row.
  void AddRow(std::span<const int32_t> row);
  // The state of the scan so far, copied whole.
  TScanSums Sums() const;

  // The scan's progress in percent, written by the pump and shown by the
  // main thread.
  void SetProgress(int32_t percent) { progress_.store(percent, std::memory_order_relaxed); }
  int32_t Progress() const { return progress_.load(std::memory_order_relaxed); }

 private:
  mutable std::mutex lock_;
  TScanSums sums_;
  std::atomic<int32_t> progress_{0};
};

// Percent of a position in a playing time, both in ms; 0 for a playing time
// of 0 and at most 100.
int32_t ScanProgress(int64_t position_ms, int64_t length_ms);

// Writes a value file: one decimal integer per line, CR LF, replacing the old
// file only once the new one is complete. False when it cannot be written.
bool WriteValueFile(const std::string& file_name, std::span<const int32_t> values);

// The result files of slot 1..6 in folder (ending in '/'):
// "FileN_avg_amp.sav" and "FileN_hi_amp.sav".
std::string ScanAverageFile(const std::string& folder, int slot);
std::string ScanHighestFile(const std::string& folder, int slot);

}  // namespace app
