// The warning shown when a smart card component is still missing after its installer had its
// chance: which one, and where to download it. Closing it says once more that the smart card
// driver's installation is incomplete, unless the program is ending anyway.
#pragma once

#include <cstdint>

#include "framework/application.h"
#include "framework/form.h"
#include "install/setup_host.h"

namespace talvex {

class TForm5 : public TForm {
 public:
  // The components check of the window that runs the installation (the wizard) decides what the
  // window says.
  TForm5(TApplication& application, SetupHost& host);

  // While 1, closing the window reports the missing components. Cleared for good when the program
  // is being ended by the person (Cancel, closing the backdrop or the reboot prompt).
  uint8_t WarnOnClose = 1;
  TMemo* Memo1 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TButton* OK = nullptr;

  // Appends the text for what is missing and one empty line, and hides the address that does not
  // apply. With both components present it changes nothing.
  void ShowMissingComponents();
  void FormCloseQuery(TObject* sender, bool& canClose);
  void OKClick(TObject* sender);
  // The addresses are only shown.
  void Label1Click(TObject* sender);
  void Label2Click(TObject* sender);

 private:
  SetupHost& host_;
};

}  // namespace talvex
