// The Windows 98 source disk prompt: what it shows, what Ok tests, writes and installs, Cancel.
#include <gtest/gtest.h>

#include "app/wizard/tform2.h"
#include "foldertree/kvfoldertree.h"
#include "framework/registry_object.h"
#include "install/tform4.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::StringValue;
using testing::StringValuesKey;
using testing::TestMachine;

const char kSetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

// A Windows 98 machine with a Memory Stick function and its package; setupKey is the registry
// section of the setup key, or empty for none.
void Win98Machine(TestMachine& machine, const std::string& setupKey) {
  machine.Registry(testing::Windows98Keys() + setupKey + DeviceKey("PCI\\MS\\0", {"*KVE0515"}))
      .Windows98Package();
}

std::string SourcePathKey(const std::string& value) {
  return StringValuesKey(kSetupKey, {{"SourcePath", value}});
}

// The wizard and, created after it, the prompt with its live folder tree, shown as a test shows
// it (show false: hidden, as the program keeps it).
struct PromptOnMachine {
  explicit PromptOnMachine(TestMachine& machine, bool show = true)
      : shell(machine.Machine().shell()), wizardOnMachine(machine) {
    TApplication& application = wizardOnMachine.application;
    HeadlessUi& ui = wizardOnMachine.ui;
    shell.SetMessagePoster(
        [&ui](WindowHandle window, uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
          return ui.PostMessageA(window, msg, wParam, lParam);
        });
    application.SetPlatformServices(&machine.Machine().platform());
    Register(application.Components());
    prompt = application.CreateForm<TForm4>(machine.Machine().platform());
    if (show)
      prompt->Show();
  }
  ~PromptOnMachine() { shell.SetMessagePoster(nullptr); }
  TKvFolderTree& tree() { return *prompt->KvFolderTree; }
  // A user's pick of a folder in the tree: the folders on the way are read and the folder
  // selected.
  void Pick(const std::string& path) { ASSERT_NE(tree().SetDirectory(path), nullptr) << path; }
  TForm2& wizard() { return *wizardOnMachine.form; }
  std::string Boxes() const { return wizardOnMachine.boxes.str(); }
  // Ok; the exit code when the program ended, -1 when it did not.
  int ClickOk() {
    try {
      prompt->Ok->Click();
    } catch (const ProcessExit& exit) {
      return exit.code;
    }
    return -1;
  }

  sim::SimShell& shell;
  testing::WizardOnMachine wizardOnMachine;
  TForm4* prompt = nullptr;
};

void ExpectNothingInstalled(TestMachine& machine, TForm2& wizard) {
  EXPECT_FALSE(machine.Exists("c/WINDOWS/inf/kvms.inf"));
  EXPECT_EQ(wizard.Next->Caption(), "Next >");
}

void ExpectInstalledAndFinished(TestMachine& machine, TForm2& wizard) {
  EXPECT_EQ(machine.ReadFile("c/WINDOWS/inf/kvms.inf"), "kvms.inf");
  EXPECT_EQ(machine.ReadFile("c/WINDOWS/system/IOSUBSYS/kvms.pdr"), "kvms.pdr");
  EXPECT_EQ(wizard.DriverInstalled, 1);
  EXPECT_TRUE(wizard.Next->Enabled());
  EXPECT_FALSE(wizard.Back->Enabled());
  EXPECT_EQ(wizard.Next->Caption(), "Finish");
  EXPECT_EQ(wizard.Memo1->Lines(), std::vector<std::string>{"Setup complete!"});
  EXPECT_EQ(
      wizard.Memo2->Lines(),
      std::vector<std::string>{"The setup program has finished copying files to your computer."});
  EXPECT_EQ(
      wizard.Memo3->Lines(),
      std::vector<std::string>{"Click Finish to complete setup.Please restart your computer."});
  // The prompt's path leaves the page counter alone.
  EXPECT_EQ(wizard.Page, 0);
}

TEST(SourceDiskPromptTest, ShowsTheRegisteredSourcePathAndItsTexts) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  PromptOnMachine onMachine(machine);
  TForm4& prompt = *onMachine.prompt;
  EXPECT_EQ(prompt.SourceDiskPath->Text(), "D:\\WIN98");
  EXPECT_EQ(prompt.Caption(), "Korvane Electronics Corp. FIR driver Installation");
  EXPECT_EQ(prompt.Memo1->Text(),
            "Please insert the disk labeled 'Windows 98 CD-ROM', and then click OK\r\n"
            "Or Click Cancel to exit setup program\r\n");
  EXPECT_EQ(prompt.Ok->Caption(), "Ok");
  EXPECT_EQ(prompt.TreeChangeSeen, 0);
  EXPECT_EQ(onMachine.Boxes(), "");
}

TEST(SourceDiskPromptTest, TheFirstTreeChangeKeepsTheRegisteredPathLaterPicksAndTypingReplaceIt) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  machine.Ini("[drives]\r\nE: = cdrom | WIN98SE\r\n")
      .File("e/WIN98/NET8.CAB", "cab")
      .File("d/WIN98/NET8.CAB", "cab");
  PromptOnMachine onMachine(machine);
  TForm4& prompt = *onMachine.prompt;
  ASSERT_TRUE(prompt.KvFolderTree->Active());
  EXPECT_EQ(prompt.KvFolderTree->Indent(), 19);
  ASSERT_NE(prompt.KvFolderTree->GetDesktopNode(), nullptr);

  onMachine.Pick("C:\\WINDOWS");
  EXPECT_EQ(prompt.TreeChangeSeen, 1);
  EXPECT_EQ(prompt.SourceDiskPath->Text(), "D:\\WIN98");
  onMachine.Pick("E:\\WIN98");
  EXPECT_EQ(prompt.SourceDiskPath->Text(), "E:\\WIN98");
  onMachine.Pick("C:\\WINDOWS");
  EXPECT_EQ(prompt.SourceDiskPath->Text(), "C:\\WINDOWS");
  // Typing after a pick replaces it; Ok takes what the box shows.
  prompt.SourceDiskPath->SetText("D:\\WIN98");
  EXPECT_EQ(onMachine.ClickOk(), -1);
  EXPECT_EQ(StringValue(machine.Machine().registry_store(), kSetupKey, "SourcePath"), "D:\\WIN98");
  ExpectInstalledAndFinished(machine, onMachine.wizard());
}

TEST(SourceDiskPromptTest, ADrivePickedInTheTreeIsTestedWithADoubledBackslash) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey(""));
  machine.Ini("[drives]\r\nE: = cdrom | WIN98SE\r\n").File("e/NET8.CAB", "cab");
  PromptOnMachine onMachine(machine);
  onMachine.Pick("C:\\");
  onMachine.Pick("E:\\");
  EXPECT_EQ(onMachine.prompt->SourceDiskPath->Text(), "E:\\");
  EXPECT_EQ(onMachine.ClickOk(), -1);
  EXPECT_EQ(StringValue(machine.Machine().registry_store(), kSetupKey, "SourcePath"), "E:\\");
  ExpectInstalledAndFinished(machine, onMachine.wizard());
}

TEST(SourceDiskPromptTest, TheHiddenPromptsTreeFollowsMediaAndFolderChanges) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  machine.Ini("[drives]\r\nE: = cdrom empty\r\n");
  PromptOnMachine onMachine(machine, false);
  TKvFolderTree& tree = onMachine.tree();
  ASSERT_NE(tree.FindPath("E:\\", true), nullptr);
  EXPECT_EQ(tree.FindPath("E:\\", true)->Text(), "CD Drive (E:)");
  ASSERT_NE(tree.SetDirectory("C:\\WINDOWS"), nullptr);  // C: read
  EXPECT_EQ(tree.FindPath("C:\\WIN98", true), nullptr);

  EXPECT_EQ(onMachine.shell.InsertMedium("E:", "WIN98SE"), "");
  EXPECT_EQ(onMachine.shell.MakeFolder("C:\\WIN98"), "");
  onMachine.wizardOnMachine.ui.DispatchPostedMessages();
  EXPECT_EQ(tree.FindPath("E:\\", true)->Text(), "WIN98SE (E:)");
  EXPECT_NE(tree.FindPath("C:\\WIN98", true), nullptr);
  EXPECT_FALSE(onMachine.prompt->Visible());
}

TEST(SourceDiskPromptTest, OkWithTheFolderOfNet8CabRecordsItInstallsAndFinishes) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  machine.File("e/CD/WIN98/net8.cab", "cab");
  PromptOnMachine onMachine(machine);
  onMachine.prompt->SourceDiskPath->SetText("E:\\CD\\WIN98");
  EXPECT_EQ(onMachine.ClickOk(), -1);
  EXPECT_EQ(onMachine.Boxes(), "");
  EXPECT_FALSE(onMachine.prompt->Visible());
  EXPECT_EQ(StringValue(machine.Machine().registry_store(), kSetupKey, "SourcePath"),
            "E:\\CD\\WIN98");
  ExpectInstalledAndFinished(machine, onMachine.wizard());
}

TEST(SourceDiskPromptTest, ATrailingBackslashIsDoubledInTheTestAndStoredUnchanged) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey(""));
  machine.File("d/WIN98/NET8.CAB", "cab");
  {
    // The exact path tested: a failure of just that lookup shows the warning.
    TestMachine refused;
    Win98Machine(refused, SourcePathKey(""));
    refused.File("d/WIN98/NET8.CAB", "cab")
        .Ini("[failures]\r\nGetFileAttributesA D:\\WIN98\\\\NET8.CAB = always\r\n");
    PromptOnMachine onRefused(refused);
    onRefused.prompt->SourceDiskPath->SetText("D:\\WIN98\\");
    onRefused.ClickOk();
    EXPECT_EQ(onRefused.Boxes(), "[Warning] OS source files can not be found!!\n");
  }
  PromptOnMachine onMachine(machine);
  onMachine.prompt->SourceDiskPath->SetText("D:\\WIN98\\");
  EXPECT_EQ(onMachine.ClickOk(), -1);
  EXPECT_EQ(StringValue(machine.Machine().registry_store(), kSetupKey, "SourcePath"),
            "D:\\WIN98\\");
  ExpectInstalledAndFinished(machine, onMachine.wizard());
}

TEST(SourceDiskPromptTest, AnEmptyTextTestsTheRootOfTheProgramsDrive) {
  // The program runs from D:\SETUP\, so its current drive is D:.
  TestMachine onC;
  Win98Machine(onC, SourcePathKey(""));
  onC.File("c/NET8.CAB", "cab");
  PromptOnMachine promptOnC(onC);
  promptOnC.ClickOk();
  EXPECT_EQ(promptOnC.Boxes(), "[Warning] OS source files can not be found!!\n");

  TestMachine onD;
  Win98Machine(onD, SourcePathKey("D:\\WIN98"));
  onD.File("d/NET8.CAB", "cab");
  PromptOnMachine promptOnD(onD);
  promptOnD.prompt->SourceDiskPath->SetText("");
  EXPECT_EQ(promptOnD.ClickOk(), -1);
  EXPECT_EQ(StringValue(onD.Machine().registry_store(), kSetupKey, "SourcePath"), "");
  ExpectInstalledAndFinished(onD, promptOnD.wizard());
}

TEST(SourceDiskPromptTest, WithoutNet8CabTheWarningKeepsThePromptOpenAndChangesNothing) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  machine.File("d/WIN98/NET8.CAB/inside", "a folder of that name is no file");
  PromptOnMachine onMachine(machine);
  for (const char* text : {"D:\\WIN98", "D:\\MISSING", "D:\\WIN9?", "\\\\server\\share"}) {
    onMachine.prompt->SourceDiskPath->SetText(text);
    EXPECT_EQ(onMachine.ClickOk(), -1) << text;
  }
  std::string warning = "[Warning] OS source files can not be found!!\n";
  EXPECT_EQ(onMachine.Boxes(), warning + warning + warning + warning);
  EXPECT_TRUE(onMachine.prompt->Visible());
  EXPECT_EQ(StringValue(machine.Machine().registry_store(), kSetupKey, "SourcePath"), "D:\\WIN98");
  ExpectNothingInstalled(machine, onMachine.wizard());

  // The user corrects the path and presses Ok again.
  machine.File("d/WIN98/CAB/NET8.CAB", "cab");
  onMachine.prompt->SourceDiskPath->SetText("D:\\WIN98\\CAB");
  EXPECT_EQ(onMachine.ClickOk(), -1);
  ExpectInstalledAndFinished(machine, onMachine.wizard());
}

TEST(SourceDiskPromptTest, WithoutTheSetupKeyNothingIsShownOrWritten) {
  TestMachine machine;
  Win98Machine(machine, "");
  machine.File("d/WIN98/NET8.CAB", "cab");
  PromptOnMachine onMachine(machine);
  EXPECT_EQ(onMachine.prompt->SourceDiskPath->Text(), "");
  onMachine.prompt->SourceDiskPath->SetText("D:\\WIN98");
  EXPECT_EQ(onMachine.ClickOk(), -1);
  EXPECT_EQ(onMachine.Boxes(), "");
  EXPECT_EQ(machine.SavedRegistry().FindKey(kSetupKey), nullptr);
  ExpectInstalledAndFinished(machine, onMachine.wizard());
}

TEST(SourceDiskPromptTest, ARefusedWriteRaisesOutOfOkAndInstallsNothing) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  machine.File("d/WIN98/NET8.CAB", "cab")
      .Ini("[failures]\r\nRegSetValueExA SourcePath = always\r\n");
  PromptOnMachine onMachine(machine);
  try {
    onMachine.prompt->Ok->Click();
    ADD_FAILURE() << "the refused write passed";
  } catch (const ERegistryException& error) {
    // What the framework's exception box shows.
    onMachine.wizardOnMachine.application.ShowException(error);
  }
  EXPECT_EQ(onMachine.Boxes(), "[Setup] Failed to set data for 'SourcePath'\n");
  EXPECT_TRUE(onMachine.prompt->Visible());
  ExpectNothingInstalled(machine, onMachine.wizard());
}

TEST(SourceDiskPromptTest, AFailedCopyIsToldAndThePromptStillPutsTheWizardOnFinish) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  machine.File("d/WIN98/NET8.CAB", "cab").Ini("journal = journal.txt\r\n");
  std::filesystem::remove(machine.folder() / "d/SETUP/auto/win98/kvms.pdr");
  PromptOnMachine onMachine(machine);
  EXPECT_EQ(onMachine.ClickOk(), -1);
  EXPECT_EQ(onMachine.Boxes(),
            "[Setup] Setup could not install the Memory Stick driver completely.\\nThe "
            "installation is incomplete.\n");
  TForm2& wizard = onMachine.wizard();
  EXPECT_EQ(wizard.Next->Caption(), "Finish");
  EXPECT_TRUE(wizard.Next->Enabled());
  EXPECT_FALSE(wizard.Back->Enabled());
  EXPECT_EQ(wizard.Memo1->Lines(), std::vector<std::string>{"Setup complete!"});
  EXPECT_EQ(wizard.Page, 0);
  EXPECT_EQ(machine.ReadFile("c/WINDOWS/inf/kvms.inf"), "kvms.inf");  // the rest was copied
  // Only the engine's own reset after the Memory Stick step: this road adds none.
  size_t resets = 0;
  for (const std::string& line :
       testing::JournalLines(machine.ReadFile("journal.txt"), {"RegOpenKeyExA"}))
    if (line.find("VxD\\KVMS") != std::string::npos)
      ++resets;
  EXPECT_EQ(resets, 1u);
}

TEST(SourceDiskPromptTest, CancelEndsTheProgram) {
  TestMachine machine;
  Win98Machine(machine, SourcePathKey("D:\\WIN98"));
  PromptOnMachine onMachine(machine);
  try {
    onMachine.prompt->Cancel->Click();
    ADD_FAILURE() << "Cancel returned";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 1);
  }
}

TEST(SourceDiskPromptTest, ASourcePathOfAnotherTypeLeavesTheBoxEmptyAndTheStartGoesOn) {
  for (const std::string value : {"dword:00000001", "hex:44,3a,5c,00"}) {
    TestMachine machine;
    Win98Machine(machine, "[HKEY_LOCAL_MACHINE\\" + std::string(kSetupKey) +
                              "]\r\n\"SourcePath\"=" + value + "\r\n\r\n");
    machine.Ini("[user]\r\nclose = TForm1\r\n");
    {
      PromptOnMachine onMachine(machine);
      EXPECT_EQ(onMachine.prompt->SourceDiskPath->Text(), "") << value;
    }
    // The prompt above lives on a machine that the run below loads afresh; it is gone first.
    // The whole program: the remaining windows are created and the person closes the backdrop;
    // no exception box.
    RunResult run = machine.Run({});
    EXPECT_EQ(run.exitCode, 1) << value;
    EXPECT_EQ(run.err, "") << value;
  }
}

}  // namespace
}  // namespace talvex
