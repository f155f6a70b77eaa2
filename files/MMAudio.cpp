#include "files/MMAudio.h"

#include <utility>

#include "engine/MMWaveHdr.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

[[noreturn]] void Abstract() { throw EAbstractError("Abstract Error"); }

struct Entry {
  const TMMFileClass* file_class;
  uint32_t priority;
};

// Written at start-up only, read from the main thread.
std::vector<Entry>& Registry() {
  static std::vector<Entry> registry;
  return registry;
}

}  // namespace

const std::string& TMMFileClass::ClassName() const { return Class->ClassName(); }

TMMCustomFile* TMMFileClass::Create(vcl::TComponent* owner) const {
  if (Class == nullptr || !Class->CanCreate()) return nullptr;
  vcl::TObject* object = Class->Create(owner);
  auto* file = dynamic_cast<TMMCustomFile*>(object);
  if (file == nullptr) delete object;
  return file;
}

VCL_IMPLEMENT_CLASS(TMMCustomFile)

bool TMMCustomFile::CanOpenFile(const std::string&, const TMMDecryptCallback&, void*, int32_t) {
  return false;
}

bool TMMCustomFile::GetFileInfo(const std::string&, TMMFileInfo&, bool, int32_t, void*,
                                const TMMDecryptCallback&) {
  return false;
}

int32_t TMMCustomFile::GetBlockSize() { Abstract(); }
void TMMCustomFile::SetTrailingHeader(int32_t) { Abstract(); }
int32_t TMMCustomFile::GetTrailingHeader() { Abstract(); }
bool TMMCustomFile::IsEmpty() { Abstract(); }
int32_t TMMCustomFile::GetTime() { Abstract(); }
std::string TMMCustomFile::GetFileName() { Abstract(); }
void TMMCustomFile::SetFileName(const std::string&) { Abstract(); }
int64_t TMMCustomFile::GetPosition() { Abstract(); }
void TMMCustomFile::SetPosition(int64_t) { Abstract(); }
int64_t TMMCustomFile::GetTimePosition() { Abstract(); }
void TMMCustomFile::SetTimePosition(int64_t) { Abstract(); }
void TMMCustomFile::SetDecryptCallback(const TMMDecryptCallback&) { Abstract(); }
void TMMCustomFile::SetDecryptMode(int32_t) { Abstract(); }
void TMMCustomFile::ScanFile() { Abstract(); }
void TMMCustomFile::ScanFileEx() { Abstract(); }
void TMMCustomFile::EncryptFile() { Abstract(); }
void TMMCustomFile::ReadTagInfo(TMMTagInfo&) { Abstract(); }

int32_t TMMCustomFile::GetSampleRate() {
  const plat::WAVEFORMATEX* f = GetFormat();
  return f != nullptr ? static_cast<int32_t>(f->nSamplesPerSec) : 0;
}

int32_t TMMCustomFile::GetChannels() {
  const plat::WAVEFORMATEX* f = GetFormat();
  return f != nullptr ? f->nChannels : 0;
}

void TMMCustomFile::DoChange() {
  if (OnChange) OnChange(this);
  if (OnChanged) OnChanged(this);
}

// ---- Registry ----

void RegisterFileClass(const TMMFileClass& file_class, uint32_t priority) {
  std::vector<Entry>& registry = Registry();
  for (const Entry& e : registry)
    if (e.file_class->ClassName() == file_class.ClassName()) return;
  auto it = registry.begin();
  while (it != registry.end() && it->priority <= priority) ++it;
  registry.insert(it, Entry{&file_class, priority});
}

const TMMFileClass* FindFileClass(TMMAudioFileType file_type) {
  for (const Entry& e : Registry())
    if (e.file_class->FileTypeId() == file_type) return e.file_class;
  return nullptr;
}

std::vector<const TMMFileClass*> RegisteredFileClasses() {
  std::vector<const TMMFileClass*> classes;
  for (const Entry& e : Registry()) classes.push_back(e.file_class);
  return classes;
}

std::string BuildAudioFileFilter(bool all_entry) {
  std::string joined;
  int joined_count = 0;
  for (const Entry& e : Registry()) {
    if (joined_count++ > 0) joined += '|';
    joined += e.file_class->GetFilter();
  }
  if (!all_entry || joined_count < 2) return joined;
  const std::string exts = MergeExtensionList(joined);
  return "All Audio Files (" + exts + ")|" + exts + "|" + joined;
}

std::string MergeExtensionList(const std::string& filter) {
  const std::string text = filter + "|";
  std::string result;
  size_t bar = text.find('|');
  while (bar != std::string::npos) {
    const size_t next = text.find('|', bar + 1);
    if (next == std::string::npos) break;
    const std::string pattern = text.substr(bar + 1, next - bar - 1);
    if (result.find(pattern) == std::string::npos) {
      if (!result.empty() && result.back() != ';') result += ';';
      result += pattern;
    }
    bar = text.find('|', next + 1);
  }
  return result;
}

void ClearFileClasses() { Registry().clear(); }

bool LoopAtEnd(plat::WAVEHDR* lpwh, bool& more_buffers) {
  auto* hdr = static_cast<engine::TMMWaveHdr*>(lpwh);
  if (!hdr->Looping) return false;
  if (hdr->LoopCount > 0) --hdr->LoopsLeft;
  if (hdr->LoopCount != 0 && hdr->LoopsLeft < 0) return false;
  more_buffers = true;
  hdr->LoopMark = -1;
  return true;
}

}  // namespace files
