#include "framework/headless/headless_ui.h"

#include "framework/application.h"

namespace talvex {

namespace {
constexpr int kIdOk = 1;
}

std::string HeadlessUi::BoxLine(const std::string& caption, const std::string& text) {
  std::string line = "[" + caption + "] ";
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else {
      line += c;
    }
  }
  return line + "\n";
}

int HeadlessUi::MessageBoxA(WindowHandle, const std::string& text, const std::string& caption,
                            uint32_t) {
  boxes_ << BoxLine(caption, text) << std::flush;
  return kIdOk;
}

void HeadlessUi::ShowException(const std::string& caption, const std::string& text) {
  boxes_ << BoxLine(caption, text) << std::flush;
}

void HeadlessUi::Run(TApplication& application) {
  DispatchPostedMessages();
  if (application.MainForm() != nullptr)
    application.MainForm()->Close();
  application.Terminate();
}

void HeadlessUi::RunModal(TApplication&, TForm& form) {
  form.Close();
}

}  // namespace talvex
