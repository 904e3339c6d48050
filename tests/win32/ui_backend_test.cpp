// The Win32 form backend: real windows for a form loaded from a test design, their states, clicks,
// close requests, the message loop and message boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "framework/application.h"
#include "framework/form.h"
#include "framework/win32/design_font.h"
#include "framework/win32/win32_entry.h"
#include "framework/win32/win32_ui_backend.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {
namespace {

class TTestForm : public TForm {
 public:
  explicit TTestForm(TApplication& application)
      : TForm(application, "TestForm", "TestForm.design") {
    BindControl("OK", OK);
    BindControl("MSCheckBox", MSCheckBox);
    BindControl("SDCheckBox", SDCheckBox);
    BindControl("Notes", Notes);
    BindControl("Title", Title);
    BindControl("Hint", Hint);
    BindControl("Path", Path);
    BindHandler("OKClick", [this](TObject*) { ++clicks; });
    BindCloseQueryHandler("FormCloseQuery", [this](TObject*, bool& canClose) {
      ++closeQueries;
      canClose = allowClose;
    });
    LoadDesign();
  }

  TButton* OK = nullptr;
  TCheckBox* MSCheckBox = nullptr;
  TCheckBox* SDCheckBox = nullptr;
  TMemo* Notes = nullptr;
  TLabel* Title = nullptr;
  TLabel* Hint = nullptr;
  TEdit* Path = nullptr;
  int clicks = 0;
  int closeQueries = 0;
  bool allowClose = true;
};

HWND WindowOf(const TControl& control) {
  return reinterpret_cast<HWND>(Win32UiBackend::WindowOf(control));
}

std::string TextOf(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

bool HasStyle(HWND window, LONG style) {
  return (::GetWindowLongA(window, GWL_STYLE) & style) == style;
}

RECT BoundsInParent(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

LOGFONTA FontOf(HWND window) {
  LOGFONTA font{};
  auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0));
  EXPECT_NE(handle, nullptr);
  ::GetObjectA(handle, sizeof font, &font);
  return font;
}

void Click(HWND control) {
  ::SendMessageA(::GetParent(control), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(control), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

class UiBackendTest : public ::testing::Test {
 protected:
  Win32UiBackend ui_;
  TApplication application_{ui_, "Setup"};
};

TEST_F(UiBackendTest, FormWindowIsHiddenTopLevelOwnedByTheApplication) {
  auto* form = application_.CreateForm<TTestForm>();
  HWND window = WindowOf(*form);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(::GetParent(window), nullptr);
  EXPECT_EQ(::GetWindow(window, GW_OWNER), reinterpret_cast<HWND>(application_.Handle()));
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_FALSE(::IsWindowVisible(reinterpret_cast<HWND>(application_.Handle())));
  EXPECT_EQ(TextOf(window), "Test window");
  RECT rect{};
  ::GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 40);
  EXPECT_EQ(rect.top, 30);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 300);

  form->Show();
  EXPECT_TRUE(::IsWindowVisible(window));
  form->Hide();
  EXPECT_FALSE(::IsWindowVisible(window));
}

TEST_F(UiBackendTest, ControlsAreChildWindowsOfTheDesign) {
  auto* form = application_.CreateForm<TTestForm>();
  HWND ok = WindowOf(*form->OK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ClassOf(ok), "Button");
  EXPECT_EQ(TextOf(ok), "OK");
  EXPECT_EQ(::GetParent(ok), WindowOf(*form));
  RECT bounds = BoundsInParent(ok);
  EXPECT_EQ(bounds.left, 300);
  EXPECT_EQ(bounds.top, 230);
  EXPECT_EQ(bounds.right - bounds.left, 75);
  EXPECT_EQ(bounds.bottom - bounds.top, 25);

  // Inside the group box, at bounds relative to it.
  HWND ms = WindowOf(*form->MSCheckBox);
  HWND group = ::GetParent(ms);
  EXPECT_EQ(TextOf(group), "Drivers");
  EXPECT_TRUE(HasStyle(group, BS_GROUPBOX));
  EXPECT_EQ(BoundsInParent(ms).left, 12);
  EXPECT_EQ(BoundsInParent(ms).top, 20);
  EXPECT_TRUE(HasStyle(ms, BS_AUTOCHECKBOX));
  EXPECT_EQ(::SendMessageA(ms, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(::IsWindowEnabled(ms));
  EXPECT_FALSE(::IsWindowEnabled(WindowOf(*form->SDCheckBox)));

  HWND notes = WindowOf(*form->Notes);
  EXPECT_EQ(ClassOf(notes), "Edit");
  EXPECT_TRUE(HasStyle(notes, ES_MULTILINE | ES_READONLY));
  EXPECT_EQ(TextOf(notes), "first line\r\nsecond line");

  EXPECT_EQ(ClassOf(WindowOf(*form->Title)), "Static");
  EXPECT_TRUE(HasStyle(WindowOf(*form->Title), WS_VISIBLE));
  EXPECT_FALSE(HasStyle(WindowOf(*form->Hint), WS_VISIBLE));
  EXPECT_EQ(TextOf(WindowOf(*form->Path)), "C:\\WINDOWS");
  EXPECT_TRUE(HasStyle(WindowOf(*form->FindControl("Line")), SS_ETCHEDHORZ));
}

TEST_F(UiBackendTest, FontsComeFromTheDesignAndFromTheParent) {
  auto* form = application_.CreateForm<TTestForm>();
  LOGFONTA title = FontOf(WindowOf(*form->Title));
  EXPECT_STREQ(title.lfFaceName, "Arial");
  EXPECT_EQ(title.lfHeight, -20);
  EXPECT_EQ(title.lfCharSet, ANSI_CHARSET);  // inherited from the form

  LOGFONTA ms = FontOf(WindowOf(*form->MSCheckBox));
  EXPECT_STREQ(ms.lfFaceName, "Tahoma");  // the form's, through the group box
  EXPECT_EQ(ms.lfHeight, -13);
  EXPECT_EQ(ms.lfWeight, FW_BOLD);
  EXPECT_EQ(FontOf(WindowOf(*form->OK)).lfWeight, FW_NORMAL);

  EXPECT_EQ(CharsetFromName("EASTEUROPE_CHARSET"), EASTEUROPE_CHARSET);
  EXPECT_EQ(CharsetFromName("NO_SUCH_CHARSET"), -1);
}

TEST_F(UiBackendTest, StateChangesReachTheWindows) {
  auto* form = application_.CreateForm<TTestForm>();
  HWND ok = WindowOf(*form->OK);
  form->OK->SetCaption("Finish");
  form->OK->SetEnabled(false);
  EXPECT_EQ(TextOf(ok), "Finish");
  EXPECT_FALSE(::IsWindowEnabled(ok));
  form->OK->SetBounds(5, 6, 70, 20);
  EXPECT_EQ(BoundsInParent(ok).left, 5);
  EXPECT_EQ(BoundsInParent(ok).bottom, 26);

  form->MSCheckBox->SetChecked(false);
  EXPECT_EQ(::SendMessageA(WindowOf(*form->MSCheckBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  form->Hint->Show();
  EXPECT_TRUE(HasStyle(WindowOf(*form->Hint), WS_VISIBLE));

  form->Notes->Clear();
  form->Notes->Add("one");
  form->Notes->Add("two");
  EXPECT_EQ(TextOf(WindowOf(*form->Notes)), "one\r\ntwo");
  form->Path->SetText("D:\\");
  EXPECT_EQ(TextOf(WindowOf(*form->Path)), "D:\\");
}

TEST_F(UiBackendTest, ClicksReachButtonsAndCheckBoxes) {
  auto* form = application_.CreateForm<TTestForm>();
  Click(WindowOf(*form->OK));
  EXPECT_EQ(form->clicks, 1);
  form->OK->SetEnabled(false);
  Click(WindowOf(*form->OK));
  EXPECT_EQ(form->clicks, 1);

  // A click on an automatic check box toggles its mark first; the control follows. The box sits
  // in the group box, which hands the notification on to the form.
  HWND ms = WindowOf(*form->MSCheckBox);
  ::SendMessageA(ms, BM_SETCHECK, BST_UNCHECKED, 0);
  Click(ms);
  EXPECT_FALSE(form->MSCheckBox->Checked());

  // A disabled box keeps its state, and its window shows that state again.
  HWND sd = WindowOf(*form->SDCheckBox);
  ::SendMessageA(sd, BM_SETCHECK, BST_CHECKED, 0);
  Click(sd);
  EXPECT_FALSE(form->SDCheckBox->Checked());
  EXPECT_EQ(::SendMessageA(sd, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(UiBackendTest, CloseButtonAsksTheFormAndKeepsTheWindow) {
  auto* form = application_.CreateForm<TTestForm>();
  HWND window = WindowOf(*form);
  form->Show();
  form->allowClose = false;
  ::SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(form->closeQueries, 1);
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(application_.Terminated());

  form->allowClose = true;
  ::SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(form->closeQueries, 2);
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_TRUE(application_.Terminated());  // it is the main form
}

TEST_F(UiBackendTest, RunEndsWhenTheMainFormCloses) {
  auto* form = application_.CreateForm<TTestForm>();
  ::PostMessageA(WindowOf(*form), WM_CLOSE, 0, 0);
  application_.Run();
  EXPECT_TRUE(application_.Terminated());
  EXPECT_EQ(form->closeQueries, 1);
}

TEST_F(UiBackendTest, ProcessMessagesHandlesWaitingMessagesAndQuit) {
  auto* form = application_.CreateForm<TTestForm>();
  form->allowClose = false;
  ::PostMessageA(WindowOf(*form), WM_CLOSE, 0, 0);
  application_.ProcessMessages();
  EXPECT_EQ(form->closeQueries, 1);
  EXPECT_FALSE(application_.Terminated());
  ::PostQuitMessage(0);
  application_.ProcessMessages();
  EXPECT_TRUE(application_.Terminated());
}

// Answers the first box with the caption by pressing OK, and records what it saw.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::string caption) : caption_(std::move(caption)) {
    thread_ = std::thread([this] {
      for (int i = 0; i < 500; ++i) {
        HWND box = ::FindWindowA("#32770", caption_.c_str());
        if (box != nullptr) {
          owner = ::GetWindow(box, GW_OWNER);
          ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(this));
          ::PostMessageA(box, WM_COMMAND, IDOK, 0);
          found = true;
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
  }
  ~BoxAnswerer() {
    if (thread_.joinable())
      thread_.join();
  }
  void Join() { thread_.join(); }

  std::atomic<bool> found{false};
  HWND owner = nullptr;
  std::string texts;

 private:
  static BOOL CALLBACK CollectText(HWND child, LPARAM self) {
    reinterpret_cast<BoxAnswerer*>(self)->texts += TextOf(child) + "|";
    return TRUE;
  }
  std::string caption_;
  std::thread thread_;
};

TEST_F(UiBackendTest, MessageBoxesAreOwnedByTheApplicationWindow) {
  BoxAnswerer answerer("Setup");
  application_.ShowMessage("Plain text");
  answerer.Join();
  ASSERT_TRUE(answerer.found);
  EXPECT_EQ(answerer.owner, reinterpret_cast<HWND>(application_.Handle()));
  EXPECT_NE(answerer.texts.find("Plain text|"), std::string::npos) << answerer.texts;

  BoxAnswerer second("ERROR");
  EXPECT_EQ(application_.MessageBox("No chip found", "ERROR", MB_OKCANCEL), IDOK);
  second.Join();
  EXPECT_NE(second.texts.find("No chip found|"), std::string::npos) << second.texts;
}

TEST_F(UiBackendTest, ExceptionBoxShowsTheText) {
  BoxAnswerer answerer("Setup");
  application_.ShowException(std::runtime_error("Failed to set data for 'x'"));
  answerer.Join();
  ASSERT_TRUE(answerer.found);
  EXPECT_EQ(answerer.owner, reinterpret_cast<HWND>(application_.Handle()));
  EXPECT_NE(answerer.texts.find("Failed to set data for 'x'|"), std::string::npos)
      << answerer.texts;
}

// The program's start: a framework that cannot start and a program that throws both end in the
// exception box, captioned with the program's title, and exit code 0; an ordinary end keeps its
// code and shows nothing.
TEST(EntryTest, AnExceptionAtTheEntryShowsTheBoxAndEndsWithZero) {
  bool ran = false;
  {
    BoxAnswerer answerer(ProgramBaseName());
    int code = RunAtEntry(
        [&](Platform&, UiBackend&) {
          ran = true;
          return 1;
        },
        []() -> std::unique_ptr<UiBackend> {
          throw std::runtime_error("cannot create the application window");
        });
    answerer.Join();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(ran) << "the program ran without its windows";
    ASSERT_TRUE(answerer.found);
    EXPECT_EQ(answerer.owner, nullptr);
    EXPECT_NE(answerer.texts.find("cannot create the application window|"), std::string::npos)
        << answerer.texts;
  }
  {
    BoxAnswerer answerer(ProgramBaseName());
    int code = RunAtEntry([&](Platform&, UiBackend& ui) -> int {
      ran = ui.ApplicationHandle() != 0;
      throw std::runtime_error("Failed to set data for 'x'");
    });
    answerer.Join();
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(ran) << "the real backend had no application window";
    ASSERT_TRUE(answerer.found);
    EXPECT_NE(answerer.texts.find("Failed to set data for 'x'|"), std::string::npos)
        << answerer.texts;
  }
}

TEST(EntryTest, AnOrdinaryEndKeepsItsExitCode) {
  EXPECT_EQ(RunAtEntry([](Platform&, UiBackend&) { return 6; }), 6);
}

}  // namespace
}  // namespace talvex::win32
