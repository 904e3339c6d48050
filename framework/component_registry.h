// Control classes that come from outside the framework (components), registered by class name with
// the palette page a form designer shows them on. The design loader creates them by class name.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"

namespace talvex {

class TForm;

// Creates a component named name on parent, for the form being loaded.
using TComponentFactory = std::function<std::unique_ptr<TControl>(const std::string& name,
                                                                  TControl* parent, TForm& form)>;

struct TComponentClass {
  std::string className;
  std::string palettePage;
  TComponentFactory factory;
};

class TComponentRegistry {
 public:
  // Registering a class again replaces the earlier entry.
  void RegisterComponents(const std::string& palettePage, const std::string& className,
                          TComponentFactory factory);
  const TComponentClass* Find(const std::string& className) const;
  const std::vector<TComponentClass>& Classes() const { return classes_; }

 private:
  std::vector<TComponentClass> classes_;
};

}  // namespace talvex
