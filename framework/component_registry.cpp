#include "framework/component_registry.h"

namespace talvex {

void TComponentRegistry::RegisterComponents(const std::string& palettePage,
                                            const std::string& className,
                                            TComponentFactory factory) {
  for (TComponentClass& entry : classes_)
    if (entry.className == className) {
      entry.palettePage = palettePage;
      entry.factory = std::move(factory);
      return;
    }
  classes_.push_back(TComponentClass{className, palettePage, std::move(factory)});
}

const TComponentClass* TComponentRegistry::Find(const std::string& className) const {
  for (const TComponentClass& entry : classes_)
    if (entry.className == className)
      return &entry;
  return nullptr;
}

}  // namespace talvex
