// The Windows 98 source disk prompt: asks for the folder of the Windows 98 installation files
// (the one holding NET8.CAB), records it as the system's setup source path, then runs the
// Windows 98 installation on the wizard and puts the wizard on its Finish state.
#pragma once

#include <cstdint>

#include "foldertree/kvfoldertree.h"
#include "framework/application.h"
#include "framework/form.h"
#include "platform/platform.h"

namespace talvex {

class TForm4 : public TForm {
 public:
  TForm4(TApplication& application, Platform& platform);

  // Set by the tree's first change event, which leaves the edit box as it was.
  uint8_t TreeChangeSeen = 0;
  TKvFolderTree* KvFolderTree = nullptr;
  TMemo* Memo1 = nullptr;
  TBitBtn* Ok = nullptr;
  TBitBtn* Cancel = nullptr;
  TEdit* SourceDiskPath = nullptr;

  // The tree's selection changed: from the second time on, the edit box shows the folder picked.
  void KvFolderTreeChange(TObject* sender, TTreeNode* node);
  void KvFolderTreeClick(TObject* sender);
  void KvFolderTreeDblClick(TObject* sender);
  void CancelClick(TObject* sender);
  void OkClick(TObject* sender);

 private:
  Platform& platform_;
};

}  // namespace talvex
