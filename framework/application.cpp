#include "framework/application.h"

namespace talvex {

namespace {
constexpr uint32_t kMbOk = 0x0;
}

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
    if (form->ParentForm() == nullptr && !form->CloseQuery())
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

void TApplication::ShowException(const std::exception& error) {
  ui_.ShowException(title_, error.what());
}

}  // namespace talvex
