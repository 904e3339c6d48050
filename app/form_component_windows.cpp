#include "app/form_component_windows.h"

namespace talvex {

void FormComponentWindows::ShowNotice(const std::string& text) {
  notice_.Show();
  notice_.Memo1->Clear();
  notice_.Memo1->Show();
  notice_.Memo1->SetText(text);
}

void FormComponentWindows::HideNotice() {
  notice_.Hide();
}

void FormComponentWindows::ShowMissingComponentsWarning() {
  warning_.ShowMissingComponents();
  warning_.ShowModal();
}

}  // namespace talvex
