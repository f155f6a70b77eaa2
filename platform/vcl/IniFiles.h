#pragma once
// INI files. Sections and keys keep the order they were first written in, a
// key written again keeps its place, names compare without letter case, and
// files are written whole with CR LF line ends through a temporary file that
// replaces the old one, so a reader never sees half a file. Comments and
// blank lines of a file that is read are kept.
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Lists.h"

namespace vcl {

VCL_DECLARE_EXCEPTION(EIniFileException, Exception);

class TCustomIniFile : public TObject {
  VCL_DECLARE_CLASS(TCustomIniFile, TObject)
 public:
  explicit TCustomIniFile(std::string file_name) : file_name_(std::move(file_name)) {}

  // As given; '\' separators and letter-case differences are resolved on access.
  const std::string& FileName() const { return file_name_; }

  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& default_value) = 0;
  // EIniFileException "Unable to write to <file>" when the name or value would
  // break the file's lines or the file cannot be written.
  virtual void WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) = 0;
  // Decimal, or hexadecimal with "0x" or '$'; anything else gives the default.
  int ReadInteger(const std::string& section, const std::string& ident, int default_value);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  // Written as 1 or 0; read as an integer, not 0 being true.
  bool ReadBool(const std::string& section, const std::string& ident, bool default_value);
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  // With the locale's decimal separator.
  double ReadFloat(const std::string& section, const std::string& ident, double default_value);
  void WriteFloat(const std::string& section, const std::string& ident, double value);

  // The section's keys.
  virtual void ReadSection(const std::string& section, TStrings* strings) = 0;
  virtual void ReadSections(TStrings* strings) = 0;
  // The section as "key=value" lines.
  virtual void ReadSectionValues(const std::string& section, TStrings* strings) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  virtual void UpdateFile() = 0;

  // A section counts as existing when it has a key.
  bool SectionExists(const std::string& section);
  bool ValueExists(const std::string& section, const std::string& ident);

 protected:
  void SetFileName(std::string value) { file_name_ = std::move(value); }

 private:
  std::string file_name_;
};

// The whole file in memory, read at construction; changes reach the file
// only through UpdateFile.
class TMemIniFile : public TCustomIniFile {
  VCL_DECLARE_CLASS(TMemIniFile, TCustomIniFile)
 public:
  explicit TMemIniFile(const std::string& file_name);
  ~TMemIniFile() override;

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSection(const std::string& section, TStrings* strings) override;
  void ReadSections(TStrings* strings) override;
  void ReadSectionValues(const std::string& section, TStrings* strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  void UpdateFile() override;
  // Forgets every change and reads the file again.
  void Rename(const std::string& file_name, bool reload);
  void Clear();

 protected:
  void Reload();
  // Both return whether anything changed.
  bool RemoveSection(const std::string& section);
  bool RemoveKey(const std::string& section, const std::string& ident);

 private:
  struct Model;
  std::unique_ptr<Model> model_;
};

// Every read looks at the file as it is now and every change is written
// through at once, so two objects on one file see each other's writes.
class TIniFile : public TMemIniFile {
  VCL_DECLARE_CLASS(TIniFile, TMemIniFile)
 public:
  explicit TIniFile(const std::string& file_name) : TMemIniFile(file_name) {}

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSection(const std::string& section, TStrings* strings) override;
  void ReadSections(TStrings* strings) override;
  void ReadSectionValues(const std::string& section, TStrings* strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  // Nothing waits to be written.
  void UpdateFile() override {}
};

}  // namespace vcl
