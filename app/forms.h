// The program's windows besides the wizard and the source disk prompt: the backdrop, the reboot
// prompt, the missing-components warning and the notice.
#pragma once

#include "framework/application.h"
#include "framework/form.h"
#include "platform/platform.h"

namespace talvex {

// The backdrop, the main window. Closing it ends the program.
class TForm1 : public TForm {
 public:
  TForm1(TApplication& application, Platform& platform);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void FormClose(TObject* sender);

 private:
  Platform& platform_;
};

class TForm3 : public TForm {
 public:
  explicit TForm3(TApplication& application);
};

class TForm5 : public TForm {
 public:
  explicit TForm5(TApplication& application);
};

class TForm6 : public TForm {
 public:
  explicit TForm6(TApplication& application);
};

}  // namespace talvex
