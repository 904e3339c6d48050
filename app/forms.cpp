#include "app/forms.h"

#include <cstdlib>

#include "app/shutdown_privilege.h"
#include "app/wizard/tform2.h"
#include "platform/winconst.h"
#include "smartcard/tform5.h"

namespace talvex {
namespace {

const char kRebootText[] =
    "Setup program has finished copying TALVEX drivers on your computer and needs to restart "
    "your computer now. Click Reboot to restart your computer.";

[[noreturn]] void EndProgram(Platform& platform, int code) {
  platform.process.ExitProcess(code);
  std::abort();  // a backend's ExitProcess never returns
}

}  // namespace

void ClearWarnOnClose(TApplication& application) {
  if (TForm5* warning = FindFormOf<TForm5>(application))
    warning->WarnOnClose = 0;
}

TForm1::TForm1(TApplication& application, Platform& platform)
    : TForm(application, "Form1", "Form1.design"), platform_(platform) {
  BindHandler("FormShow", [this](TObject* sender) { FormShow(sender); });
  BindHandler("FormActivate", [this](TObject* sender) { FormActivate(sender); });
  BindCloseQueryHandler("FormCloseQuery", [this](TObject* sender, bool& canClose) {
    FormCloseQuery(sender, canClose);
  });
  BindHandler("FormClose", [this](TObject* sender) { FormClose(sender); });
  LoadDesign();
}

// The wizard comes up once, with the backdrop's first showing; a wizard that Finish has hidden
// stays hidden.
void TForm1::FormShow(TObject*) {
  ++ShowCount;
  if (ShowCount != 1)
    return;
  if (TForm2* wizard = FindFormOf<TForm2>(Application())) {
    wizard->Back->SetEnabled(false);
    wizard->Show();
  }
}

// The wizard lives inside the backdrop's client area and moves with it.
void TForm1::FormActivate(TObject*) {
  if (TForm2* wizard = FindFormOf<TForm2>(Application()))
    wizard->SetParentForm(*this);
}

void TForm1::FormCloseQuery(TObject*, bool& canClose) {
  ClearWarnOnClose(Application());
  canClose = true;
}

void TForm1::FormClose(TObject*) {
  EndProgram(platform_, 1);
}

TForm3::TForm3(TApplication& application, Platform& platform)
    : TForm(application, "Form3", "Form3.design"), platform_(platform) {
  BindControl("Memo1", Memo1);
  BindControl("OK", OK);
  BindControl("Cancel", Cancel);
  BindHandler("OKClick", [this](TObject* sender) { OKClick(sender); });
  BindHandler("CancelClick", [this](TObject* sender) { CancelClick(sender); });
  BindCloseQueryHandler("FormCloseQuery", [this](TObject* sender, bool& canClose) {
    FormCloseQuery(sender, canClose);
  });
  BindHandler("FormClose", [this](TObject* sender) { FormClose(sender); });
  LoadDesign();
  Memo1->SetText(kRebootText);
}

// The restart is requested whether or not the privilege could be enabled: Windows decides. A
// refused request leaves the prompt on screen for another try or Cancel.
void TForm3::OKClick(TObject*) {
  EnableShutdownPrivilege(platform_.session, platform_.errors);
  platform_.session.ExitWindowsEx(win::EWX_REBOOT, 0);
}

void TForm3::CancelClick(TObject*) {
  ClearWarnOnClose(Application());
  EndProgram(platform_, 1);
}

void TForm3::FormCloseQuery(TObject*, bool& canClose) {
  ClearWarnOnClose(Application());
  canClose = true;
}

void TForm3::FormClose(TObject*) {
  EndProgram(platform_, 1);
}

TForm6::TForm6(TApplication& application, Platform& platform)
    : TForm(application, "Form6", "Form6.design") {
  BindControl("Memo1", Memo1);
  LoadDesign();
  // Its own taskbar entry while visible, and no title-bar buttons.
  platform.windows.SetWindowLongA(Handle(), win::GWL_EXSTYLE,
                                  win::WS_EX_APPWINDOW | win::WS_EX_WINDOWEDGE);
  Hide();
}

}  // namespace talvex
