// Parses arbitrary bytes as registry.reg. Anything other than a RegFileError is a fault (the
// sanitizer build catches crashes and undefined behaviour); a file that parses must write out
// as one that reads back to the same tree and writes out byte for byte the same again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/reg_store.h"

using talvex::sim::RegFileError;
using talvex::sim::RegistryStore;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string written;
  RegistryStore first;
  try {
    first = RegistryStore::Parse(bytes);
  } catch (const RegFileError&) {
    return 0;
  }
  written = first.Serialize();
  try {
    const RegistryStore second = RegistryStore::Parse(written);
    if (second.format() != first.format() || !(second.root() == first.root()) ||
        second.Serialize() != written) {
      std::abort();
    }
  } catch (const RegFileError&) {
    std::abort();  // What the store writes it must be able to read.
  }
  return 0;
}
