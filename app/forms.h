// The program's windows besides the wizard, the source disk prompt and the warning: the backdrop,
// the reboot prompt and the notice.
#pragma once

#include <cstdint>

#include "framework/application.h"
#include "framework/form.h"
#include "platform/platform.h"

namespace talvex {

class TForm2;
class TForm5;

// The first form of that class the application has created, or null.
template <class T>
T* FindFormOf(TApplication& application) {
  for (const auto& form : application.Forms())
    if (auto* found = dynamic_cast<T*>(form.get()))
      return found;
  return nullptr;
}

// Clears the warning's WarnOnClose, when the warning exists.
void ClearWarnOnClose(TApplication& application);

// The backdrop, the main window: shows the wizard at its first showing and keeps it inside
// itself. Closing it ends the program.
class TForm1 : public TForm {
 public:
  TForm1(TApplication& application, Platform& platform);
  void FormShow(TObject* sender);
  void FormActivate(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void FormClose(TObject* sender);

  // How often the backdrop has been shown.
  int32_t ShowCount = 0;

 private:
  Platform& platform_;
};

// The reboot prompt, shown after the wizard's Finish.
class TForm3 : public TForm {
 public:
  TForm3(TApplication& application, Platform& platform);

  TMemo* Memo1 = nullptr;
  TButton* OK = nullptr;
  TButton* Cancel = nullptr;

  void OKClick(TObject* sender);
  void CancelClick(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void FormClose(TObject* sender);

 private:
  Platform& platform_;
};

// The notice shown while a smart card component installer starts.
class TForm6 : public TForm {
 public:
  TForm6(TApplication& application, Platform& platform);

  TMemo* Memo1 = nullptr;
};

}  // namespace talvex
