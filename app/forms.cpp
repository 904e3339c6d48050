#include "app/forms.h"

namespace talvex {

TForm1::TForm1(TApplication& application, Platform& platform)
    : TForm(application, "Form1", "Form1.design"), platform_(platform) {
  BindCloseQueryHandler("FormCloseQuery", [this](TObject* sender, bool& canClose) {
    FormCloseQuery(sender, canClose);
  });
  BindHandler("FormClose", [this](TObject* sender) { FormClose(sender); });
  LoadDesign();
}

void TForm1::FormCloseQuery(TObject*, bool& canClose) {
  canClose = true;
}

void TForm1::FormClose(TObject*) {
  platform_.process.ExitProcess(1);
}

TForm3::TForm3(TApplication& application) : TForm(application, "Form3", "Form3.design") {
  LoadDesign();
}

TForm5::TForm5(TApplication& application) : TForm(application, "Form5", "Form5.design") {
  LoadDesign();
}

TForm6::TForm6(TApplication& application) : TForm(application, "Form6", "Form6.design") {
  LoadDesign();
}

}  // namespace talvex
