#pragma once
// A fresh registry store in a temporary folder for each test.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryFile.h"
#include "support/TempDir.h"

namespace regtest {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = temp_.File("config/quellix/registry.reg");
    plat::RegistrySetStorePath(store_);
  }
  void TearDown() override { plat::RegistrySetStorePath(""); }

  std::string ReadStore() const {
    std::ifstream in(store_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  plat::HKEY Create(const char* path, plat::HKEY root = plat::HKEY_CURRENT_USER) {
    plat::HKEY key = nullptr;
    EXPECT_EQ(plat::RegCreateKeyExA(root, path, 0, nullptr, 0, plat::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              plat::ERROR_SUCCESS);
    return key;
  }

  static void SetDword(plat::HKEY key, const char* name, plat::DWORD v) {
    ASSERT_EQ(plat::RegSetValueExA(key, name, 0, plat::REG_DWORD, reinterpret_cast<const plat::BYTE*>(&v), 4),
              plat::ERROR_SUCCESS);
  }
  static void SetString(plat::HKEY key, const char* name, const std::string& s) {
    ASSERT_EQ(plat::RegSetValueExA(key, name, 0, plat::REG_SZ, reinterpret_cast<const plat::BYTE*>(s.c_str()),
                                   static_cast<plat::DWORD>(s.size() + 1)),
              plat::ERROR_SUCCESS);
  }
  // Type and bytes of a value, or the error.
  static plat::LONG Get(plat::HKEY key, const char* name, plat::DWORD& type, std::vector<plat::BYTE>& data) {
    plat::DWORD size = 0;
    plat::LONG r = plat::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (r != plat::ERROR_SUCCESS) return r;
    data.assign(size, 0);
    return plat::RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
  }
  static plat::DWORD GetDword(plat::HKEY key, const char* name) {
    plat::DWORD type = 0, v = 0, size = 4;
    EXPECT_EQ(plat::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<plat::BYTE*>(&v), &size),
              plat::ERROR_SUCCESS);
    EXPECT_EQ(type, plat::REG_DWORD);
    return v;
  }

  testsupport::TempDir temp_;
  std::string store_;
};

}  // namespace regtest
