#include "platform/win32/win32_registry.h"

#include <algorithm>
#include <vector>

#include "platform/win32/windows_support.h"

namespace talvex::win32 {

namespace {

HKEY ToHkey(RegKey key) {
  return reinterpret_cast<HKEY>(key);
}
RegKey FromHkey(HKEY key) {
  return reinterpret_cast<RegKey>(key);
}

// A DWORD in-out parameter for a caller's optional uint32_t (DWORD is unsigned long here).
class DwordParam {
 public:
  explicit DwordParam(uint32_t* target) : target_(target), value_(target ? *target : 0) {}
  ~DwordParam() {
    if (target_ != nullptr)
      *target_ = static_cast<uint32_t>(value_);
  }
  DwordParam(const DwordParam&) = delete;
  DwordParam& operator=(const DwordParam&) = delete;
  DWORD* get() { return target_ != nullptr ? &value_ : nullptr; }

 private:
  uint32_t* target_;
  DWORD value_;
};

}  // namespace

int32_t Win32Registry::RegOpenKeyA(RegKey root, const std::string& subKey, RegKey* result) {
  HKEY opened = nullptr;
  LONG status = ::RegOpenKeyA(ToHkey(root), subKey.c_str(), &opened);
  if (result != nullptr)
    *result = status == ERROR_SUCCESS ? FromHkey(opened) : 0;
  return status;
}

int32_t Win32Registry::RegOpenKeyExA(RegKey root, const std::string& subKey, uint32_t options,
                                     uint32_t samDesired, RegKey* result) {
  HKEY opened = nullptr;
  LONG status = ::RegOpenKeyExA(ToHkey(root), subKey.c_str(), options, samDesired, &opened);
  if (result != nullptr)
    *result = status == ERROR_SUCCESS ? FromHkey(opened) : 0;
  return status;
}

int32_t Win32Registry::RegCloseKey(RegKey key) {
  return ::RegCloseKey(ToHkey(key));
}

int32_t Win32Registry::RegQueryValueExA(RegKey key, const std::string& name, uint32_t* type,
                                        uint8_t* data, uint32_t* dataSize) {
  DwordParam typeParam(type);
  DwordParam sizeParam(dataSize);
  return ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, typeParam.get(), data,
                            sizeParam.get());
}

int32_t Win32Registry::RegSetValueExA(RegKey key, const std::string& name, uint32_t type,
                                      const uint8_t* data, uint32_t dataSize) {
  return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, dataSize);
}

int32_t Win32Registry::RegDeleteValueA(RegKey key, const std::string& name) {
  return ::RegDeleteValueA(ToHkey(key), name.c_str());
}

int32_t Win32Registry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
  return ::RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

int32_t Win32Registry::RegQueryInfoKeyA(RegKey key, uint32_t* subKeyCount) {
  DwordParam count(subKeyCount);
  return ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, count.get(), nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr);
}

int32_t Win32Registry::RegEnumKeyExA(RegKey key, uint32_t index, std::string* name) {
  // Key names are at most 255 characters; the buffer still grows if a system reports more.
  std::vector<char> buffer(256);
  for (;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG status = ::RegEnumKeyExA(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr,
                                  nullptr, nullptr);
    if (status == ERROR_MORE_DATA && buffer.size() < 32768) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status == ERROR_SUCCESS && name != nullptr)
      name->assign(buffer.data(), std::min<size_t>(length, buffer.size()));
    return status;
  }
}

}  // namespace talvex::win32
