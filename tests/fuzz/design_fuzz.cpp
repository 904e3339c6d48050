// Window designs: any text either parses or is refused with EDesignError.
#include <cstdint>
#include <string>

#include "framework/design.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    talvex::DesignObject root = talvex::ParseDesign(text);
    (void)root;
  } catch (const talvex::EDesignError&) {
  }
  return 0;
}
