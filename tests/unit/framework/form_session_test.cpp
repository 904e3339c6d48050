// The framework's side of the end of a Windows session and of forms living inside other forms:
// which close queries run, in which order, and what a refusal means.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "framework/application.h"
#include "framework/headless/headless_ui.h"
#include "platform/process.h"

namespace talvex {
namespace {

// A form of the program's notice design (it binds no handler), with a close query the test sets.
class TPlainForm : public TForm {
 public:
  TPlainForm(TApplication& application, std::string name, std::string* trace, bool allow)
      : TForm(application, std::move(name), "Form6.design") {
    LoadDesign();
    OnCloseQuery = [this, trace, allow](TObject*, bool& canClose) {
      *trace += Name() + " ";
      canClose = allow;
    };
  }
};

class FormSessionTest : public ::testing::Test {
 protected:
  std::ostringstream boxes_;
  HeadlessUi ui_{boxes_};
  TApplication application_{ui_, "Setup"};
  std::string trace_;
};

TEST_F(FormSessionTest, EndSessionAsksEveryTopLevelFormHiddenOnesIncludedInCreationOrder) {
  auto* backdrop = application_.CreateForm<TPlainForm>("Backdrop", &trace_, true);
  auto* wizard = application_.CreateForm<TPlainForm>("Wizard", &trace_, true);
  application_.CreateForm<TPlainForm>("Prompt", &trace_, true);
  application_.CreateForm<TPlainForm>("Warning", &trace_, true);
  backdrop->Show();
  EXPECT_TRUE(application_.QueryEndSession());
  EXPECT_EQ(trace_, "Backdrop Wizard Prompt Warning ");

  // Once inside the backdrop, the wizard is no longer a top-level window and is not asked.
  trace_.clear();
  wizard->SetParentForm(*backdrop);
  EXPECT_EQ(wizard->ParentForm(), backdrop);
  EXPECT_TRUE(application_.QueryEndSession());
  EXPECT_EQ(trace_, "Backdrop Prompt Warning ");
  // Asking neither closes nor hides a window, nor ends the application.
  EXPECT_TRUE(backdrop->Visible());
  EXPECT_FALSE(application_.Terminated());
}

TEST_F(FormSessionTest, OneRefusalRefusesTheEndButEveryFormIsStillAsked) {
  application_.CreateForm<TPlainForm>("First", &trace_, true);
  application_.CreateForm<TPlainForm>("Refuses", &trace_, false);
  application_.CreateForm<TPlainForm>("Last", &trace_, true);
  EXPECT_FALSE(application_.QueryEndSession());
  EXPECT_EQ(trace_, "First Refuses Last ");
}

TEST_F(FormSessionTest, HeadlessModalWindowWithNobodyAtTheMachineStopsTheRun) {
  application_.CreateForm<TPlainForm>("Main", &trace_, true);
  auto* warning = application_.CreateForm<TPlainForm>("Warning", &trace_, true);
  try {
    warning->ShowModal();
    ADD_FAILURE() << "the modal window returned with no action to close it";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, kNoActionPossibleExitCode);
  }
  EXPECT_EQ(trace_, "");
  EXPECT_TRUE(warning->Visible());
  EXPECT_NE(boxes_.str().find("no [user] action left; the program waits for input in a modal "
                              "window"),
            std::string::npos);
  EXPECT_NE(warning->Handle(), 0u);
  EXPECT_NE(warning->Handle(), application_.MainForm()->Handle());
}

}  // namespace
}  // namespace talvex
