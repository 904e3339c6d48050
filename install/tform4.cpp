#include "install/tform4.h"

#include <cstdlib>

#include "framework/registry_object.h"
#include "framework/sys_utils.h"
#include "install/setup_host.h"

namespace talvex {
namespace {

const char kSetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
const char kSourcePath[] = "SourcePath";

}  // namespace

TForm4::TForm4(TApplication& application, Platform& platform)
    : TForm(application, "Form4", "Form4.design"), platform_(platform) {
  BindControl("KvFolderTree", KvFolderTree);
  BindControl("Memo1", Memo1);
  BindControl("Ok", Ok);
  BindControl("Cancel", Cancel);
  BindControl("SourceDiskPath", SourceDiskPath);
  BindTreeChangeHandler("KvFolderTreeChange", [this](TObject* sender, TTreeNode* node) {
    KvFolderTreeChange(sender, node);
  });
  BindHandler("KvFolderTreeClick", [this](TObject* sender) { KvFolderTreeClick(sender); });
  BindHandler("KvFolderTreeDblClick", [this](TObject* sender) { KvFolderTreeDblClick(sender); });
  BindHandler("OkClick", [this](TObject* sender) { OkClick(sender); });
  BindHandler("CancelClick", [this](TObject* sender) { CancelClick(sender); });
  LoadDesign();
  TRegistry registry(platform_.registry);
  if (registry.OpenKey(kSetupKey, false)) {
    try {
      SourceDiskPath->SetText(registry.ReadString(kSourcePath));
    } catch (const ERegistryException&) {
      // A value of another type than text is no folder to offer: the box stays empty, as for an
      // absent value, and the program's start goes on.
    }
  }
}

// The first change comes whenever the tree first selects a folder by itself, at activation or when
// it first gets the focus; it must not replace the registered path the box shows.
void TForm4::KvFolderTreeChange(TObject*, TTreeNode*) {
  if (TreeChangeSeen == 0) {
    TreeChangeSeen = 1;
    return;
  }
  SourceDiskPath->SetText(KvFolderTree->GetDirectory());
}

void TForm4::KvFolderTreeClick(TObject*) {}

void TForm4::KvFolderTreeDblClick(TObject*) {}

void TForm4::CancelClick(TObject*) {
  platform_.process.ExitProcess(1);
  std::abort();  // a backend's ExitProcess never returns
}

void TForm4::OkClick(TObject*) {
  // Appended as it is, also after a trailing backslash: the doubled one is accepted by Windows.
  if (!FileExists(platform_.files, SourceDiskPath->Text() + "\\NET8.CAB")) {
    Application().MessageDlg("OS source files can not be found!!", mtWarning);
    return;
  }
  {
    TRegistry registry(platform_.registry);
    if (registry.OpenKey(kSetupKey, false))
      registry.WriteString(kSourcePath, SourceDiskPath->Text());
  }
  Close();
  SetupHost* wizard = Application().FindForm<SetupHost>();
  if (wizard == nullptr)
    return;  // no installation without the wizard that carries the setup state
  wizard->InstallWin98();
  wizard->ReportIncompleteInstallation();
  wizard->ShowFinishState();
}

}  // namespace talvex
