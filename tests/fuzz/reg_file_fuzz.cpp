// Parses arbitrary bytes as registry.reg. Anything other than a RegFileError is a fault (the
// sanitizer build catches crashes and undefined behaviour). A file that parses must be written in
// either format as one that reads back to the same registry and writes out byte for byte the
// same again: the format it was read in keeps everything; a REGEDIT4 registry keeps everything in
// a Version 5.00 file too; a Version 5.00 registry written as REGEDIT4 keeps what Windows-1252
// can hold, and what is read from that is then stable.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/reg_store.h"

using talvex::sim::RegFileError;
using talvex::sim::RegFileFormat;
using talvex::sim::RegistryStore;

namespace {

// What the store writes it must be able to read.
RegistryStore ReadBack(const std::string& written) {
  try {
    return RegistryStore::Parse(written);
  } catch (const RegFileError&) {
    std::abort();
  }
}

void CheckWrittenAs(RegistryStore& store, RegFileFormat format, bool keepsEverything) {
  store.set_format(format);
  const std::string written = store.Serialize();
  RegistryStore again = ReadBack(written);
  if (again.format() != format)
    std::abort();
  if (keepsEverything) {
    if (!(again.root() == store.root()) || again.Serialize() != written)
      std::abort();
    return;
  }
  // Names that differed only in what Windows-1252 lacks may now be one; what was read is stable.
  const std::string rewritten = again.Serialize();
  const RegistryStore third = ReadBack(rewritten);
  if (!(third.root() == again.root()) || third.Serialize() != rewritten)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  RegistryStore store;
  try {
    store = RegistryStore::Parse(bytes);
  } catch (const RegFileError&) {
    return 0;
  }
  const RegFileFormat read = store.format();
  CheckWrittenAs(store, read, true);
  const RegFileFormat other =
      read == RegFileFormat::kRegedit4 ? RegFileFormat::kVersion5 : RegFileFormat::kRegedit4;
  CheckWrittenAs(store, other, read == RegFileFormat::kRegedit4);
  return 0;
}
