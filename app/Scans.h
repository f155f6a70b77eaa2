#pragma once
// File scans of the average page: per spectrum column, the running sum of the
// rows a scan takes (one per pumped buffer, the first kMaxScanRows of them)
// for the column's average, and the value files the six result slots are kept
// in. Sums are 64-bit, so full-scale band values over every row do not wrap.
//
// Threads: the main thread publishes the spectrum's display values after each
// refresh pass; the pump thread takes the last published values as the row
// of each buffer it pumps. Both go through TScanRows's lock, so a row is
// always one whole pass.
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

// Sums of the rows of one scan. Not thread-safe by itself.
class TScanSums {
 public:
  // A new scan over `columns` columns (0..kMaxScanColumns); the width stays
  // until the next Start, whatever the display does meanwhile.
  void Start(int32_t columns);
  // Adds the first Columns() values of row; past kMaxScanRows rows nothing is added.
  void AddRow(std::span<const int32_t> row);
  uint32_t Rows() const { return rows_; }
  int32_t Columns() const { return columns_; }
  // The truncated average per column into out (Columns() values, never below
  // 0); false, writing nothing, when no row was added.
  bool Average(std::span<int32_t> out) const;

 private:
  std::array<int64_t, kMaxScanColumns> sums_{};
  int32_t columns_ = 0;
  uint32_t rows_ = 0;
};

// The rows of a running scan, shared by the main thread and the pump thread.
class TScanRows {
 public:
  // Main thread, before the pump starts: a new scan of `columns` columns
  // whose rows are 0 until the first pass of the scan is published.
  void Begin(int32_t columns);
  // Main thread, after a refresh pass: the display values of that pass.
  void Publish(const displays::TMMSpectrum& spectrum);
  // Pump thread, once per buffer: the last published values become a row.
  void TakeRow();
  // The state of the scan so far, copied whole.
  TScanSums Sums() const;

  // The scan's progress in percent, written by the pump and shown by the
  // main thread.
  void SetProgress(int32_t percent) { progress_.store(percent, std::memory_order_relaxed); }
  int32_t Progress() const { return progress_.load(std::memory_order_relaxed); }

 private:
  mutable std::mutex lock_;
  std::array<int32_t, kMaxScanColumns> published_{};
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
