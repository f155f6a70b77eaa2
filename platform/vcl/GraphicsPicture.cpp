#include "platform/vcl/GraphicsPicture.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

struct FileFormat {
  std::string extension;  // lower case, no dot
  std::string description;
  TClass graphic_class;
};

std::mutex& FormatsMutex() {
  static std::mutex m;
  return m;
}
std::vector<FileFormat>& Formats() {
  static std::vector<FileFormat> formats{{"bmp", "Bitmaps", TBitmap::StaticClass()}};
  return formats;
}

std::string NormalizeExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return LowerCase(extension);
}

std::unique_ptr<TGraphic> NewGraphic(TClass cls) {
  if (cls == nullptr || !cls->InheritsFrom(TGraphic::StaticClass()))
    throw EInvalidGraphic("Invalid graphic class");
  std::unique_ptr<TObject> object(cls->Create(nullptr));
  auto* graphic = dynamic_cast<TGraphic*>(object.get());
  if (graphic == nullptr) throw EInvalidGraphic("Invalid graphic class");
  object.release();
  return std::unique_ptr<TGraphic>(graphic);
}

}  // namespace

VCL_IMPLEMENT_CLASS(TPicture)

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TClass graphic_class) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::string ext = NormalizeExtension(extension);
  auto& formats = Formats();
  std::erase_if(formats, [&](const FileFormat& f) { return f.extension == ext; });
  formats.push_back(FileFormat{ext, description, graphic_class});
}

void TPicture::UnregisterGraphicClass(TClass graphic_class) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::erase_if(Formats(), [&](const FileFormat& f) { return f.graphic_class == graphic_class; });
}

TClass TPicture::FileFormatClass(const std::string& extension) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::string ext = NormalizeExtension(extension);
  for (const FileFormat& f : Formats())
    if (f.extension == ext) return f.graphic_class;
  return nullptr;
}

std::string TPicture::FileFormatDescription(const std::string& extension) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::string ext = NormalizeExtension(extension);
  for (const FileFormat& f : Formats())
    if (f.extension == ext) return f.description;
  return {};
}

void TPicture::SetOwnedGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TObject* sender) { Changed(sender); };
  Changed(this);
}

void TPicture::SetGraphic(TGraphic* value) {
  if (value == graphic_.get()) return;
  if (value == nullptr) {
    SetOwnedGraphic(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> copy = NewGraphic(value->ClassType());
  copy->Assign(value);
  SetOwnedGraphic(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
  if (dynamic_cast<TBitmap*>(graphic_.get()) == nullptr) SetOwnedGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) SetGraphic(p->graphic_.get());
  } else if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(const_cast<TGraphic*>(g));
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::LoadFromFile(const std::string& file_name) {
  std::string ext = NormalizeExtension(ExtractFileExt(file_name));
  TClass cls = FileFormatClass(ext);
  if (cls == nullptr) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", {ext}));
  std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
  graphic->LoadFromFile(file_name);
  SetOwnedGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& file_name) {
  if (graphic_) graphic_->SaveToFile(file_name);
}

void TPicture::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); },
      graphic_ != nullptr && !graphic_->Empty());
}

// The class name as a length byte and its characters, then the graphic's data.
void TPicture::ReadData(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string name(length, '\0');
  stream.ReadBuffer(name.data(), length);
  TClass cls = GetClass(name);
  if (cls == nullptr) {
    std::lock_guard<std::mutex> lock(FormatsMutex());
    for (const FileFormat& f : Formats())
      if (SameText(f.graphic_class->ClassName(), name)) cls = f.graphic_class;
  }
  if (cls == nullptr) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", {name}));
  std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
  graphic->ReadData(stream);
  SetOwnedGraphic(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) {
  if (!graphic_) return;
  const std::string& name = graphic_->ClassName();
  uint8_t length = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  graphic_->WriteData(stream);
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

}  // namespace vcl
