#include "smartcard/tform5.h"

#include "platform/winconst.h"

namespace talvex {
namespace {

const char kBaseMissingText[] =
    "Please install the MICROSOFT(R) SCBASE.EXE component in your system before the driver "
    "installation; otherwise the Smart Card can not work normally. You can contact with your "
    "system vender or download the components in following address:";
const char kLibraryMissingText[] =
    "Please install the MICROSOFT(R) SMCLIB.EXE component in your system before the driver "
    "installation; otherwise the Smart Card can not work normally. You can contact with your "
    "system vender or download the component in following address:";
const char kBothMissingText[] =
    "Please install the MICROSOFT(R) SCBASE.EXE and SMCLIB.EXE components in your system before "
    "the driver installation; otherwise the Smart Car can not work normally. You can contact "
    "with your system vender or download the components in following address:";

const char kBothMissingOnClose[] =
    "You did not install MICROSOFT(R) SCBASE.exe and SMCLIB.exe components,\nso smart card "
    "driver installation was incomplete.";
const char kLibraryMissingOnClose[] =
    "You did not install MICROSOFT(R) SMCLIB.exe component,\nso smart card driver installation "
    "was incomplete.";
const char kBaseMissingOnClose[] =
    "You did not install MICROSOFT(R) SCBASE.exe component,\nso smart card driver installation "
    "was incomplete.";

}  // namespace

TForm5::TForm5(TApplication& application, SetupHost& host)
    : TForm(application, "Form5", "Form5.design"), host_(host) {
  BindControl("Memo1", Memo1);
  BindControl("Label1", Label1);
  BindControl("Label2", Label2);
  BindControl("OK", OK);
  BindCloseQueryHandler("FormCloseQuery", [this](TObject* sender, bool& canClose) {
    FormCloseQuery(sender, canClose);
  });
  BindHandler("OKClick", [this](TObject* sender) { OKClick(sender); });
  BindHandler("Label1Click", [this](TObject* sender) { Label1Click(sender); });
  BindHandler("Label2Click", [this](TObject* sender) { Label2Click(sender); });
  LoadDesign();
  WarnOnClose = 1;
}

void TForm5::ShowMissingComponents() {
  host_.CheckSmartCardComponents();
  bool library = host_.State().SmclibPresent != 0;
  bool base = host_.State().SmartcardBasePresent != 0;
  if (library && base)
    return;
  if (library) {
    Memo1->Add(kBaseMissingText);
    Label2->Hide();
  } else if (base) {
    Memo1->Add(kLibraryMissingText);
    Label1->Hide();
  } else {
    Memo1->Add(kBothMissingText);
  }
  Memo1->Add("");
}

// Runs also while the window is hidden, when Windows asks whether the session may end. It never
// keeps the window open.
void TForm5::FormCloseQuery(TObject*, bool& canClose) {
  canClose = true;
  if (host_.CheckSmartCardComponents() || WarnOnClose != 1)
    return;
  const char* text = kBaseMissingOnClose;
  if (!host_.State().SmclibPresent && !host_.State().SmartcardBasePresent) {
    text = kBothMissingOnClose;
  } else if (!host_.State().SmclibPresent) {
    text = kLibraryMissingOnClose;
  }
  Application().Ui().MessageBoxA(Application().Handle(), text, "Error", win::MB_OK);
}

void TForm5::OKClick(TObject*) {
  Close();
}

void TForm5::Label1Click(TObject*) {}

void TForm5::Label2Click(TObject*) {}

}  // namespace talvex
