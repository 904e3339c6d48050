// regdump KEY [KEY...]
// Prints the values of each key under HKEY_LOCAL_MACHINE, sorted by name, in a stable text form
// that expected files can be compared with:
//   [KEY]                  followed by one line per value, or
//   [KEY] absent           when the key cannot be opened.
// Value lines: "name"=sz:"text", expand:"text", multi:"a","b", dword:0000002a, hex(N):0a,0b.
// A string whose stored size is not its length plus the terminating zero gets " size=N".
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "win_handles.h"

namespace {

struct Value {
  std::string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

std::string Quote(const std::string& text) {
  return "\"" + text + "\"";
}

std::string StringFrom(const std::vector<BYTE>& data) {
  std::string text(data.begin(), data.end());
  const auto end = text.find('\0');
  return end == std::string::npos ? text : text.substr(0, end);
}

std::string Format(const Value& value) {
  std::string line = Quote(value.name) + "=";
  const auto& data = value.data;
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      const std::string text = StringFrom(data);
      line += (value.type == REG_SZ ? "sz:" : "expand:") + Quote(text);
      if (data.size() != text.size() + 1)
        line += " size=" + std::to_string(data.size());
      return line;
    }
    case REG_MULTI_SZ: {
      line += "multi:";
      for (size_t at = 0; at < data.size() && data[at] != 0;) {
        std::string entry;
        while (at < data.size() && data[at] != 0)
          entry += static_cast<char>(data[at++]);
        ++at;
        if (line.back() != ':')
          line += ",";
        line += Quote(entry);
      }
      return line;
    }
    case REG_DWORD:
      if (data.size() == 4) {
        char hex[16];
        const unsigned long number =
            static_cast<unsigned long>(data[0]) | static_cast<unsigned long>(data[1]) << 8 |
            static_cast<unsigned long>(data[2]) << 16 | static_cast<unsigned long>(data[3]) << 24;
        std::snprintf(hex, sizeof(hex), "dword:%08lx", number);
        return line + hex;
      }
      break;
    default:
      break;
  }
  line += "hex(" + std::to_string(value.type) + "):";
  for (size_t i = 0; i < data.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof(byte), "%02x", data[i]);
    line += (i ? "," : "") + std::string(byte);
  }
  return line;
}

void Dump(const char* path) {
  wine_test::RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
    std::printf("[%s] absent\n", path);
    return;
  }
  std::printf("[%s]\n", path);
  DWORD count = 0, longest_name = 0, longest_data = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &longest_name, &longest_data, nullptr, nullptr) != ERROR_SUCCESS) {
    std::printf("! RegQueryInfoKeyA failed\n");
    return;
  }
  std::vector<Value> values;
  for (DWORD index = 0; index < count; ++index) {
    std::vector<char> name(longest_name + 1);
    Value value;
    value.data.resize(longest_data);
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(value.data.size());
    if (RegEnumValueA(key.get(), index, name.data(), &name_size, nullptr, &value.type,
                      value.data.data(), &data_size) != ERROR_SUCCESS) {
      std::printf("! RegEnumValueA %lu failed\n", index);
      continue;
    }
    value.name.assign(name.data(), name_size);
    value.data.resize(data_size);
    values.push_back(std::move(value));
  }
  std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) {
    return lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0;
  });
  for (const auto& value : values)
    std::printf("%s\n", Format(value).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: regdump KEY [KEY...]\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i)
    Dump(argv[i]);
  return 0;
}
