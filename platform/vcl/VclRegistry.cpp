#include "platform/vcl/VclRegistry.h"

#include <cstring>
#include <vector>

#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TRegistry)

namespace {

bool IsRelative(const std::string& key) { return key.empty() || key[0] != '\\'; }

std::string StripLeading(const std::string& key) { return IsRelative(key) ? key : key.substr(1); }

TRegDataType DataTypeToRegData(plat::DWORD type) {
  switch (type) {
    case plat::REG_SZ:
      return rdString;
    case plat::REG_EXPAND_SZ:
      return rdExpandString;
    case plat::REG_DWORD:
      return rdInteger;
    case plat::REG_BINARY:
      return rdBinary;
    default:
      return rdUnknown;
  }
}

[[noreturn]] void ReadError(const std::string& name) {
  throw ERegistryException("Invalid data type for '%s'", {name});
}

}  // namespace

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::Check(plat::LONG result) {
  last_error_ = result;
  return result == plat::ERROR_SUCCESS;
}

plat::HKEY TRegistry::BaseKey(bool relative) const {
  return current_key_ && relative ? current_key_ : root_key_;
}

plat::HKEY TRegistry::GetKey(const std::string& key) {
  const bool relative = IsRelative(key);
  plat::HKEY result = nullptr;
  if (!Check(plat::RegOpenKeyExA(BaseKey(relative), StripLeading(key).c_str(), 0, access_, &result)))
    return nullptr;
  return result;
}

void TRegistry::ChangeKey(plat::HKEY key, const std::string& path) {
  CloseKey();
  current_key_ = key;
  current_path_ = path;
}

bool TRegistry::OpenKey(const std::string& key, bool can_create) {
  const bool relative = IsRelative(key);
  std::string sub_key = StripLeading(key);
  plat::HKEY opened = nullptr;
  bool ok;
  if (can_create)
    ok = Check(plat::RegCreateKeyExA(BaseKey(relative), sub_key.c_str(), 0, nullptr,
                                     plat::REG_OPTION_NON_VOLATILE, access_, nullptr, &opened, nullptr));
  else
    ok = Check(plat::RegOpenKeyExA(BaseKey(relative), sub_key.c_str(), 0, access_, &opened));
  if (!ok) return false;
  if (current_key_ && relative) sub_key = current_path_ + '\\' + sub_key;
  ChangeKey(opened, sub_key);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  SetAccess(plat::KEY_READ);
  return OpenKey(key, false);
}

void TRegistry::CloseKey() {
  if (!current_key_) return;
  plat::RegCloseKey(current_key_);
  current_key_ = nullptr;
  current_path_.clear();
}

void TRegistry::SetRootKey(plat::HKEY value) {
  if (value == root_key_) return;
  root_key_ = value;
  CloseKey();
}

bool TRegistry::CreateKey(const std::string& key) {
  const bool relative = IsRelative(key);
  plat::HKEY made = nullptr;
  if (!Check(plat::RegCreateKeyExA(BaseKey(relative), StripLeading(key).c_str(), 0, nullptr,
                                   plat::REG_OPTION_NON_VOLATILE, plat::KEY_ALL_ACCESS, nullptr, &made,
                                   nullptr)))
    throw ERegistryException("Failed to create key %s", {key});
  plat::RegCloseKey(made);
  return true;
}

void TRegistry::DeleteTree(plat::HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (plat::DWORD i = 0;; ++i) {
    plat::DWORD size = sizeof name;
    if (plat::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != plat::ERROR_SUCCESS)
      break;
    names.emplace_back(name, size);
  }
  for (const std::string& sub : names) {
    plat::HKEY child = nullptr;
    if (plat::RegOpenKeyExA(key, sub.c_str(), 0, plat::KEY_ALL_ACCESS, &child) == plat::ERROR_SUCCESS) {
      DeleteTree(child);
      plat::RegCloseKey(child);
    }
    plat::RegDeleteKeyA(key, sub.c_str());
  }
}

bool TRegistry::DeleteKey(const std::string& key) {
  const bool relative = IsRelative(key);
  const std::string sub_key = StripLeading(key);
  plat::HKEY doomed = nullptr;
  if (plat::RegOpenKeyExA(BaseKey(relative), sub_key.c_str(), 0, plat::KEY_ALL_ACCESS, &doomed) ==
      plat::ERROR_SUCCESS) {
    DeleteTree(doomed);
    plat::RegCloseKey(doomed);
  }
  return Check(plat::RegDeleteKeyA(BaseKey(relative), sub_key.c_str()));
}

bool TRegistry::DeleteValue(const std::string& name) {
  return Check(plat::RegDeleteValueA(current_key_, name.c_str()));
}

bool TRegistry::KeyExists(const std::string& key) {
  const plat::REGSAM old_access = access_;
  access_ = plat::KEY_READ;
  plat::HKEY probe = GetKey(key);
  access_ = old_access;
  if (probe) plat::RegCloseKey(probe);
  return probe != nullptr;
}

bool TRegistry::ValueExists(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

bool TRegistry::HasSubKeys() {
  TRegKeyInfo info;
  return GetKeyInfo(info) && info.NumSubKeys > 0;
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
  plat::DWORD type = 0, size = 0;
  info = TRegDataInfo();
  if (!Check(plat::RegQueryValueExA(current_key_, name.c_str(), nullptr, &type, nullptr, &size)))
    return false;
  info.RegData = DataTypeToRegData(type);
  info.DataSize = static_cast<int>(size);
  return true;
}

int TRegistry::GetDataSize(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info) {
  info = TRegKeyInfo();
  plat::DWORD sub_keys = 0, max_sub_key = 0, values = 0, max_value_name = 0, max_data = 0;
  if (!Check(plat::RegQueryInfoKeyA(current_key_, nullptr, nullptr, nullptr, &sub_keys, &max_sub_key, nullptr,
                                    &values, &max_value_name, &max_data, nullptr, &info.FileTime)))
    return false;
  info.NumSubKeys = static_cast<int>(sub_keys);
  info.MaxSubKeyLen = static_cast<int>(max_sub_key);
  info.NumValues = static_cast<int>(values);
  info.MaxValueLen = static_cast<int>(max_value_name);
  info.MaxDataLen = static_cast<int>(max_data);
  return true;
}

void TRegistry::GetKeyNames(TStrings* strings) {
  strings->Clear();
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  std::vector<char> name(static_cast<size_t>(info.MaxSubKeyLen) + 1);
  for (plat::DWORD i = 0;; ++i) {
    plat::DWORD size = static_cast<plat::DWORD>(name.size());
    if (plat::RegEnumKeyExA(current_key_, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
        plat::ERROR_SUCCESS)
      break;
    strings->Add(std::string(name.data(), size));
  }
}

void TRegistry::GetValueNames(TStrings* strings) {
  strings->Clear();
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  std::vector<char> name(static_cast<size_t>(info.MaxValueLen) + 1);
  for (plat::DWORD i = 0;; ++i) {
    plat::DWORD size = static_cast<plat::DWORD>(name.size());
    if (plat::RegEnumValueA(current_key_, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
        plat::ERROR_SUCCESS)
      break;
    strings->Add(std::string(name.data(), size));
  }
}

void TRegistry::PutData(const std::string& name, const void* data, size_t size, plat::DWORD type) {
  if (!Check(plat::RegSetValueExA(current_key_, name.c_str(), 0, type, static_cast<const plat::BYTE*>(data),
                                  static_cast<plat::DWORD>(size))))
    throw ERegistryException("Failed to set data for '%s'", {name});
}

TRegDataType TRegistry::GetData(const std::string& name, void* buffer, plat::DWORD size) {
  plat::DWORD type = 0;
  if (!Check(plat::RegQueryValueExA(current_key_, name.c_str(), nullptr, &type,
                                    static_cast<plat::BYTE*>(buffer), &size)))
    throw ERegistryException("Failed to get data for '%s'", {name});
  return DataTypeToRegData(type);
}

std::string TRegistry::ReadString(const std::string& name) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info) || info.DataSize <= 0) return {};
  if (info.RegData != rdString && info.RegData != rdExpandString) ReadError(name);
  std::string text(static_cast<size_t>(info.DataSize), '\0');
  GetData(name, text.data(), static_cast<plat::DWORD>(text.size()));
  // Up to the terminating zero.
  text.resize(std::strlen(text.c_str()));
  return text;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), value.size() + 1, plat::REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), value.size() + 1, plat::REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const std::string& name) {
  TRegDataInfo info;
  // A value of another type and size is a type error, not a failed read.
  if (GetDataInfo(name, info) && info.RegData != rdInteger) ReadError(name);
  int32_t value = 0;
  if (GetData(name, &value, sizeof value) != rdInteger) ReadError(name);
  return value;
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  int32_t data = value;
  PutData(name, &data, sizeof data, plat::REG_DWORD);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

double TRegistry::ReadFloat(const std::string& name) {
  TRegDataInfo info;
  if (GetDataInfo(name, info) && (info.RegData != rdBinary || info.DataSize != sizeof(double)))
    ReadError(name);
  double value = 0;
  if (GetData(name, &value, sizeof value) != rdBinary) ReadError(name);
  return value;
}

void TRegistry::WriteFloat(const std::string& name, double value) {
  PutData(name, &value, sizeof value, plat::REG_BINARY);
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int buffer_size) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info)) return 0;
  if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > buffer_size) ReadError(name);
  GetData(name, buffer, static_cast<plat::DWORD>(info.DataSize));
  return info.DataSize;
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int buffer_size) {
  PutData(name, buffer, static_cast<size_t>(buffer_size), plat::REG_BINARY);
}

}  // namespace vcl
