#pragma once
// The picture: one graphic of any registered class, and the table of file
// formats that says which class reads a file.
#include <memory>
#include <string>

#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace vcl {

// Holds one graphic of any registered class; files choose the class by extension.
class TPicture : public TPersistent {
  VCL_DECLARE_CLASS(TPicture, TPersistent)
 public:
  TPicture();
  ~TPicture() override;

  void Assign(const TPersistent* source) override;
  TGraphic* Graphic() const { return graphic_.get(); }
  // Keeps a copy of the value (null empties the picture).
  void SetGraphic(TGraphic* value);
  // The picture as a bitmap; any other graphic is replaced by an empty bitmap.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* value) { SetGraphic(value); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // EInvalidGraphic for an extension no class is registered for.
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name);
  void DefineProperties(TFiler& filer) override;

  // Extensions without the dot, letter case ignored; a later registration of
  // an extension replaces an earlier one.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 TClass graphic_class);
  static void UnregisterGraphicClass(TClass graphic_class);
  // The class registered for an extension, or null.
  static TClass FileFormatClass(const std::string& extension);
  static std::string FileFormatDescription(const std::string& extension);

  TNotifyEvent OnChange;

 protected:
  virtual void Changed(TObject* sender);

 private:
  void SetOwnedGraphic(std::unique_ptr<TGraphic> graphic);
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace vcl
