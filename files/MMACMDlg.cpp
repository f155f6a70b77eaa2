#include "files/MMACMDlg.h"

#include <cstring>

#include "engine/MMACM.h"
#include "engine/MMWaveIO.h"

namespace files {

namespace {

// The text of a fixed-size character field, which a driver may leave unterminated.
std::string FieldText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

}  // namespace

bool GetWaveFormatText(const plat::WAVEFORMATEX* format, std::string& tag_name, std::string& format_text) {
  if (format == nullptr) return false;
  tag_name = engine::GetFormatTagName(format);
  format_text = engine::GetWaveFormatDescription(format);
  if (!engine::ACMUsable()) return true;
  const engine::TACMEntryPoints& acm = engine::ACM();
  if (acm.acmFormatTagDetailsA) {
    plat::ACMFORMATTAGDETAILSA details{};
    details.cbStruct = sizeof details;
    details.dwFormatTag = format->wFormatTag;
    if (acm.acmFormatTagDetailsA(nullptr, &details, plat::ACM_FORMATTAGDETAILSF_FORMATTAG) == 0)
      tag_name = FieldText(details.szFormatTag, sizeof details.szFormatTag);
  }
  if (acm.acmFormatDetailsA) {
    plat::ACMFORMATDETAILSA details{};
    details.cbStruct = sizeof details;
    details.dwFormatTag = format->wFormatTag;
    details.pwfx = const_cast<plat::WAVEFORMATEX*>(format);
    details.cbwfx = static_cast<plat::DWORD>(engine::GetWaveFormatSize(format));
    if (acm.acmFormatDetailsA(nullptr, &details, plat::ACM_FORMATDETAILSF_FORMAT) == 0)
      format_text = FieldText(details.szFormat, sizeof details.szFormat);
  }
  return true;
}

}  // namespace files
