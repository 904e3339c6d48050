#include "framework/application.h"

#include "framework/tree_view.h"
#include "platform/winconst.h"

namespace talvex {

namespace {

constexpr uint32_t kMbOk = 0x0;

struct DialogKind {
  const char* caption;
  uint32_t symbol;
};

DialogKind KindOf(TMsgDlgType dlgType) {
  switch (dlgType) {
    case mtWarning:
      return {"Warning", win::MB_ICONWARNING};
    case mtError:
      return {"Error", win::MB_ICONERROR};
    case mtInformation:
      return {"Information", win::MB_ICONINFORMATION};
    case mtConfirmation:
      return {"Confirm", win::MB_ICONQUESTION};
  }
  return {"", 0};
}

}  // namespace

TApplication::TApplication(UiBackend& ui, std::string title) : ui_(ui), title_(std::move(title)) {}

// Windows are destroyed newest first, as the framework releases its components.
TApplication::~TApplication() {
  while (!forms_.empty())
    forms_.pop_back();
}

void TApplication::Run() {
  if (main_form_ != nullptr)
    main_form_->Show();
  if (!terminated_)
    ui_.Run(*this);
}

void TApplication::ProcessMessages() {
  ui_.ProcessMessages(*this);
}

bool TApplication::QueryEndSession() {
  bool allowed = true;
  for (const auto& form : forms_) {
    if (form->ParentForm() != nullptr)
      continue;
    if (!form->CloseQuery())
      allowed = false;
    // The form passes the question on to its controls with a window procedure of their own (tree
    // views) as WM_QUERYENDSESSION: a result of 0 refuses.
    for (const auto& control : form->Controls())
      if (auto* tree = dynamic_cast<TCustomTreeView*>(control.get()))
        if (tree->Perform(kWmQueryEndSession) == 0)
          allowed = false;
  }
  return allowed;
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  return ui_.MessageBoxA(Handle(), text, caption, flags);
}

void TApplication::ShowMessage(const std::string& text) {
  MessageBox(text, title_, kMbOk);
}

void TApplication::MessageDlg(const std::string& text, TMsgDlgType dlgType) {
  DialogKind kind = KindOf(dlgType);
  // No owner with MB_TASKMODAL: every window of the program is disabled while the box is up.
  ui_.MessageBoxA(0, text, kind.caption,
                  win::MB_OK | kind.symbol | win::MB_TASKMODAL | win::MB_TOPMOST);
}

void TApplication::ShowException(const std::exception& error) {
  ui_.ShowException(title_, error.what());
}

}  // namespace talvex
