#pragma once
// TRegistry: the class library's view of the registry, one open key at a time.
#include <string>

#include "platform/registry/Registry.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Lists.h"

namespace vcl {

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int DataSize = 0;
};

struct TRegKeyInfo {
  int NumSubKeys = 0;
  int MaxSubKeyLen = 0;
  int NumValues = 0;
  int MaxValueLen = 0;
  int MaxDataLen = 0;
  plat::FILETIME FileTime;
};

VCL_DECLARE_EXCEPTION(ERegistryException, Exception);

class TRegistry : public TObject {
  VCL_DECLARE_CLASS(TRegistry, TObject)
 public:
  TRegistry() : TRegistry(plat::KEY_ALL_ACCESS) {}
  explicit TRegistry(plat::REGSAM access) : access_(access) {}
  ~TRegistry() override;

  // Key names are relative to the current key, or to the root key when they
  // start with '\' or no key is open.
  bool OpenKey(const std::string& key, bool can_create);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  // ERegistryException when the key cannot be made.
  bool CreateKey(const std::string& key);
  // With everything below it.
  bool DeleteKey(const std::string& key);
  bool DeleteValue(const std::string& name);
  bool KeyExists(const std::string& key);
  bool ValueExists(const std::string& name);
  bool HasSubKeys();

  bool GetDataInfo(const std::string& name, TRegDataInfo& info);
  // -1 when there is no such value.
  int GetDataSize(const std::string& name);
  TRegDataType GetDataType(const std::string& name);
  bool GetKeyInfo(TRegKeyInfo& info);
  // Subkeys sorted by name, values in the order first written.
  void GetKeyNames(TStrings* strings);
  void GetValueNames(TStrings* strings);

  // Reads raise ERegistryException "Invalid data type for '<name>'" when the
  // value has another type and "Failed to get data for '<name>'" when it
  // cannot be read; ReadString gives "" for a missing value. Writes raise
  // "Failed to set data for '<name>'".
  std::string ReadString(const std::string& name);
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  int ReadInteger(const std::string& name);
  void WriteInteger(const std::string& name, int value);
  // An integer; anything but 0 reads as true.
  bool ReadBool(const std::string& name);
  void WriteBool(const std::string& name, bool value);
  // An 8-byte binary double.
  double ReadFloat(const std::string& name);
  void WriteFloat(const std::string& name, double value);
  // Binary (or untyped) data of at most buffer_size bytes; returns the size,
  // 0 for a missing value.
  int ReadBinaryData(const std::string& name, void* buffer, int buffer_size);
  void WriteBinaryData(const std::string& name, const void* buffer, int buffer_size);

  plat::HKEY RootKey() const { return root_key_; }
  // Closes the current key.
  void SetRootKey(plat::HKEY value);
  plat::HKEY CurrentKey() const { return current_key_; }
  const std::string& CurrentPath() const { return current_path_; }
  plat::REGSAM Access() const { return access_; }
  void SetAccess(plat::REGSAM value) { access_ = value; }
  // Every change is written through at once; the flag is kept for callers.
  bool LazyWrite() const { return lazy_write_; }
  void SetLazyWrite(bool value) { lazy_write_ = value; }
  // The result of the last registry call.
  plat::LONG LastError() const { return last_error_; }

 private:
  bool Check(plat::LONG result);
  plat::HKEY BaseKey(bool relative) const;
  // Opens `key` with the current access; null when it cannot.
  plat::HKEY GetKey(const std::string& key);
  void ChangeKey(plat::HKEY key, const std::string& path);
  void PutData(const std::string& name, const void* data, size_t size, plat::DWORD type);
  // Reads into `buffer` and returns the value's type; raises when it cannot.
  TRegDataType GetData(const std::string& name, void* buffer, plat::DWORD size);
  void DeleteTree(plat::HKEY key);

  plat::HKEY root_key_ = plat::HKEY_CURRENT_USER;
  plat::HKEY current_key_ = nullptr;
  std::string current_path_;
  plat::REGSAM access_;
  bool lazy_write_ = true;
  plat::LONG last_error_ = plat::ERROR_SUCCESS;
};

}  // namespace vcl
