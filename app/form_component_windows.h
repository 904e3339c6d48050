// The notice and the warning of an interactive run, as the smart card components step uses them.
#pragma once

#include "app/forms.h"
#include "smartcard/component_windows.h"
#include "smartcard/tform5.h"

namespace talvex {

class FormComponentWindows : public ComponentWindows {
 public:
  FormComponentWindows(TForm5& warning, TForm6& notice) : warning_(warning), notice_(notice) {}

  void ShowNotice(const std::string& text) override;
  void HideNotice() override;
  void ShowMissingComponentsWarning() override;

 private:
  TForm5& warning_;
  TForm6& notice_;
};

}  // namespace talvex
