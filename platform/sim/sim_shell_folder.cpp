#include "platform/sim/sim_shell_folder.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/reg_store.h"
#include "platform/sim/sim_shell.h"
#include "platform/winconst.h"

namespace talvex::sim {

namespace {

std::string Narrow(const char16_t* wide) {
  std::string text;
  for (const char16_t* c = wide; *c != 0; ++c)
    text.push_back(static_cast<char>(Utf16ToCp1252(*c)));
  return text;
}

// A wide copy of the text in a task allocator block, as STRRET_WSTR carries it.
char16_t* WideInTask(SimShellCore& core, const std::string& text) {
  auto* wide = static_cast<char16_t*>(core.allocator.Alloc((text.size() + 1) * sizeof(char16_t)));
  for (size_t i = 0; i < text.size(); ++i)
    wide[i] = Cp1252ToUtf16(static_cast<uint8_t>(text[i]));
  wide[text.size()] = 0;
  return wide;
}

constexpr JournalName kEnumFlags[] = {
    {win::SHCONTF_FOLDERS, "SHCONTF_FOLDERS"},
    {win::SHCONTF_NONFOLDERS, "SHCONTF_NONFOLDERS"},
    {win::SHCONTF_INCLUDEHIDDEN, "SHCONTF_INCLUDEHIDDEN"},
};
constexpr JournalName kNameFlags[] = {
    {win::SHGDN_INFOLDER, "SHGDN_INFOLDER"},
    {win::SHGDN_FOREDITING, "SHGDN_FOREDITING"},
    {win::SHGDN_FORADDRESSBAR, "SHGDN_FORADDRESSBAR"},
    {win::SHGDN_FORPARSING, "SHGDN_FORPARSING"},
};
constexpr JournalName kStrretTypes[] = {{win::STRRET_WSTR, "STRRET_WSTR"},
                                        {win::STRRET_OFFSET, "STRRET_OFFSET"},
                                        {win::STRRET_CSTR, "STRRET_CSTR"}};

// An item of a folder as the journal shows it: the parsing name of the folder's list and the
// relative one joined.
std::string RelativeItemName(const SimShellCore& core, const std::vector<uint8_t>& folder,
                             PCIDL relative) {
  if (relative == nullptr)
    return "null";
  std::vector<uint8_t> combined = ILCombine(folder.data(), relative);
  return core.ItemName(combined.data());
}

bool LooksAbsolute(const std::string& name) {
  return (name.size() >= 2 && name[1] == ':') || name.rfind("\\\\", 0) == 0 ||
         name.rfind("::", 0) == 0;
}

class SimEnumIdList final : public ComObject<IEnumIDList> {
 public:
  SimEnumIdList(std::shared_ptr<SimShellCore> core, std::vector<uint8_t> folder,
                std::vector<std::vector<uint8_t>> items)
      : core_(std::move(core)), folder_(std::move(folder)), items_(std::move(items)) {}

  int32_t Next(uint32_t count, PIDL* items, uint32_t* fetched) override {
    size_t first = next_;
    int32_t result = DoNext(count, items, fetched);
    if (core_->journaling()) {
      JournalLine line("IEnumIDList::Next");
      line.Raw("folder", core_->ItemName(folder_.data())).Number("count", count);
      line.ResultCode(static_cast<uint32_t>(result));
      if (result >= 0) {
        line.Number("fetched", static_cast<int64_t>(next_ - first));
        for (size_t i = first; i < next_; ++i)
          line.Raw("item", RelativeItemName(*core_, folder_, items_[i].data()));
      }
      core_->journal->Write(line);
    }
    return result;
  }

  int32_t Skip(uint32_t count) override {
    int32_t result = DoSkip(count);
    if (core_->journaling())
      core_->journal->Write(JournalLine("IEnumIDList::Skip")
                                .Raw("folder", core_->ItemName(folder_.data()))
                                .Number("count", count)
                                .ResultCode(static_cast<uint32_t>(result)));
    return result;
  }

  int32_t Reset() override {
    next_ = 0;
    if (core_->journaling())
      core_->journal->Write(JournalLine("IEnumIDList::Reset")
                                .Raw("folder", core_->ItemName(folder_.data()))
                                .ResultCode(win::S_OK));
    return win::S_OK;
  }

 private:
  int32_t DoNext(uint32_t count, PIDL* items, uint32_t* fetched) {
    if (items == nullptr || (count > 1 && fetched == nullptr))
      return win::E_INVALIDARG;
    if (!core_->alive)
      return win::E_FAIL;
    uint32_t got = 0;
    while (got < count && next_ < items_.size())
      items[got++] = core_->ToTask(items_[next_++]);
    if (fetched != nullptr)
      *fetched = got;
    return got == count ? win::S_OK : win::S_FALSE;
  }

  int32_t DoSkip(uint32_t count) {
    size_t left = items_.size() - next_;
    next_ += std::min<size_t>(count, left);
    return count <= left ? win::S_OK : win::S_FALSE;
  }

  std::shared_ptr<SimShellCore> core_;
  std::vector<uint8_t> folder_;
  std::vector<std::vector<uint8_t>> items_;
  size_t next_ = 0;
};

class SimShellFolder final : public ComObject<IShellFolder> {
 public:
  SimShellFolder(std::shared_ptr<SimShellCore> core, ShellItem self, std::vector<uint8_t> absolute)
      : core_(std::move(core)), self_(std::move(self)), absolute_(std::move(absolute)) {}

  int32_t ParseDisplayName(WindowHandle owner, const char16_t* displayName, uint32_t* eaten,
                           PIDL* pidl, uint32_t* attributes) override {
    uint32_t asked = attributes ? *attributes : 0;
    int32_t result = DoParseDisplayName(displayName, eaten, pidl, attributes);
    if (core_->journaling()) {
      JournalLine line("IShellFolder::ParseDisplayName");
      line.Raw("folder", Self()).Handle("owner", owner);
      if (displayName != nullptr)
        line.Text("name", Narrow(displayName));
      if (attributes != nullptr)
        line.Handle("attributes", asked);
      line.ResultCode(static_cast<uint32_t>(result));
      if (result == win::S_OK && pidl != nullptr) {
        line.Raw("item", RelativeItemName(*core_, absolute_, *pidl));
        if (attributes != nullptr)
          line.Handle("attributes", *attributes);
      }
      core_->journal->Write(line);
    }
    return result;
  }

  int32_t EnumObjects(WindowHandle owner, uint32_t flags,
                      ComPtr<IEnumIDList>* enumerator) override {
    int32_t result = DoEnumObjects(flags, enumerator);
    if (core_->journaling())
      core_->journal->Write(JournalLine("IShellFolder::EnumObjects")
                                .Raw("folder", Self())
                                .Handle("owner", owner)
                                .Flags("flags", flags, kEnumFlags)
                                .ResultCode(static_cast<uint32_t>(result)));
    return result;
  }

  int32_t BindToObject(PCIDL pidl, ComPtr<IShellFolder>* folder) override {
    int32_t result = DoBindToObject(pidl, folder);
    if (core_->journaling())
      core_->journal->Write(JournalLine("IShellFolder::BindToObject")
                                .Raw("folder", Self())
                                .Raw("item", RelativeItemName(*core_, absolute_, pidl))
                                .ResultCode(static_cast<uint32_t>(result)));
    return result;
  }

  int32_t GetAttributesOf(uint32_t count, const PCIDL* items, uint32_t* inOut) override {
    uint32_t asked = inOut ? *inOut : 0;
    int32_t result = DoGetAttributesOf(count, items, inOut);
    if (core_->journaling()) {
      JournalLine line("IShellFolder::GetAttributesOf");
      line.Raw("folder", Self()).Number("count", count);
      for (uint32_t i = 0; items != nullptr && i < count; ++i)
        line.Raw("item", RelativeItemName(*core_, absolute_, items[i]));
      line.Handle("attributes", asked).ResultCode(static_cast<uint32_t>(result));
      if (result == win::S_OK)
        line.Handle("attributes", *inOut);
      core_->journal->Write(line);
    }
    return result;
  }

  int32_t GetDisplayNameOf(PCIDL pidl, uint32_t flags, STRRET* name) override {
    int32_t result = DoGetDisplayNameOf(pidl, flags, name);
    if (core_->journaling()) {
      JournalLine line("IShellFolder::GetDisplayNameOf");
      line.Raw("folder", Self()).Raw("item", RelativeItemName(*core_, absolute_, pidl));
      line.Flags("flags", flags, kNameFlags).ResultCode(static_cast<uint32_t>(result));
      if (result == win::S_OK)
        line.Named("type", name->uType, kStrretTypes);
      core_->journal->Write(line);
    }
    return result;
  }

 private:
  std::string Self() const { return core_->ItemName(absolute_.data()); }

  int32_t DoParseDisplayName(const char16_t* displayName, uint32_t* eaten, PIDL* pidl,
                             uint32_t* attributes) {
    if (pidl == nullptr || displayName == nullptr)
      return win::E_INVALIDARG;
    *pidl = nullptr;
    if (!core_->alive)
      return win::E_FAIL;
    std::string name = Narrow(displayName);
    if (auto failure = core_->Failure("ParseDisplayName", name,
                                      win::HResultFromWin32(win::ERROR_FILE_NOT_FOUND)))
      return *failure;
    std::optional<ShellItem> item = Resolve(name);
    if (!item)
      return win::HResultFromWin32(win::ERROR_FILE_NOT_FOUND);
    // The list relative to this folder: the item's absolute list without this folder's levels.
    std::vector<uint8_t> full = core_->names.EncodeAbsolute(*item);
    PCIDL relative = full.data();
    for (size_t i = ILItemCount(absolute_.data()); i > 0 && !ILIsEmpty(relative); --i)
      relative = ILNext(relative);
    if (eaten != nullptr)
      *eaten = static_cast<uint32_t>(name.size());
    if (attributes != nullptr)
      *attributes &= core_->names.Attributes(*item);
    *pidl = core_->ToTask(ILCombine(nullptr, relative));
    return win::S_OK;
  }

  int32_t DoEnumObjects(uint32_t flags, ComPtr<IEnumIDList>* enumerator) {
    if (enumerator == nullptr)
      return win::E_INVALIDARG;
    *enumerator = nullptr;
    if (!core_->alive)
      return win::E_FAIL;
    if (auto failure = core_->Failure("EnumObjects", core_->names.ParsingName(self_), win::E_FAIL))
      return *failure;
    std::vector<std::vector<uint8_t>> items;
    // The namespace holds folders only: asking for anything else lists nothing.
    if (flags & win::SHCONTF_FOLDERS) {
      std::vector<ShellItem> children;
      int32_t error = win::S_OK;
      if (!core_->names.Children(self_, (flags & win::SHCONTF_INCLUDEHIDDEN) != 0, &children,
                                 &error))
        return error;
      items.reserve(children.size());
      for (const ShellItem& child : children) {
        std::vector<uint8_t> item = core_->names.EncodeLast(child);
        item.insert(item.end(), kIdListTerminatorSize, 0);
        items.push_back(std::move(item));
      }
    }
    *enumerator = MakeComObject<IEnumIDList, SimEnumIdList>(core_, absolute_, std::move(items));
    return win::S_OK;
  }

  int32_t DoBindToObject(PCIDL pidl, ComPtr<IShellFolder>* folder) {
    if (folder == nullptr)
      return win::E_INVALIDARG;
    *folder = nullptr;
    if (!core_->alive)
      return win::E_FAIL;
    if (ILIsEmpty(pidl))
      return win::E_INVALIDARG;
    std::vector<uint8_t> combined = ILCombine(absolute_.data(), pidl);
    std::optional<ShellItem> item = core_->names.Decode(combined.data());
    if (!item)
      return win::E_INVALIDARG;
    if (auto failure = core_->Failure("BindToObject", core_->names.ParsingName(*item), win::E_FAIL))
      return *failure;
    *folder = MakeSimShellFolder(core_, *item, std::move(combined));
    return win::S_OK;
  }

  int32_t DoGetAttributesOf(uint32_t count, const PCIDL* items, uint32_t* inOut) {
    if (inOut == nullptr || (count > 0 && items == nullptr))
      return win::E_INVALIDARG;
    if (!core_->alive)
      return win::E_FAIL;
    uint32_t attributes = count == 0 ? core_->names.Attributes(self_) : ~uint32_t{0};
    for (uint32_t i = 0; i < count; ++i) {
      std::optional<ShellItem> item = Child(items[i]);
      if (!item)
        return win::E_INVALIDARG;
      if (i == 0)
        if (auto failure =
                core_->Failure("GetAttributesOf", core_->names.ParsingName(*item), win::E_FAIL))
          return *failure;
      attributes &= core_->names.Attributes(*item);
    }
    *inOut &= attributes;
    return win::S_OK;
  }

  int32_t DoGetDisplayNameOf(PCIDL pidl, uint32_t flags, STRRET* name) {
    if (name == nullptr)
      return win::E_INVALIDARG;
    if (!core_->alive)
      return win::E_FAIL;
    std::optional<ShellItem> item = Child(pidl);
    if (!item)
      return win::E_INVALIDARG;
    const ShellNamespace& names = core_->names;
    if (auto failure = core_->Failure("GetDisplayNameOf", names.ParsingName(*item), win::E_FAIL))
      return *failure;
    bool forParsing = (flags & win::SHGDN_FORPARSING) != 0;
    bool inFolder = (flags & win::SHGDN_INFOLDER) != 0;
    std::string text;
    if (forParsing && inFolder && item->kind == ShellItemKind::kFolder)
      text = item->names.back();
    else if (forParsing && inFolder && item->kind == ShellItemKind::kShare)
      text = item->share;
    else if (forParsing)
      text = names.ParsingName(*item);
    else
      text = inFolder ? names.InFolderName(*item) : names.NormalName(*item);

    // The forms Windows' folders use: a folder's own name from inside its item ID, a drive's
    // name and a short path as 8-bit text, everything else as a wide string.
    if (item->kind == ShellItemKind::kFolder && !forParsing && !ILIsEmpty(pidl)) {
      name->uType = win::STRRET_OFFSET;
      name->uOffset =
          static_cast<uint32_t>(ILFindLastID(pidl) - pidl) + ShellNamespace::kFolderNameOffset;
    } else if ((item->kind == ShellItemKind::kDrive || item->kind == ShellItemKind::kFolder) &&
               text.size() < sizeof name->cStr) {
      name->uType = win::STRRET_CSTR;
      std::memset(name->cStr, 0, sizeof name->cStr);
      std::memcpy(name->cStr, text.data(), text.size());
    } else {
      name->uType = win::STRRET_WSTR;
      name->pOleStr = WideInTask(*core_, text);
    }
    return win::S_OK;
  }

  // The item of a list relative to this folder (the folder itself for an empty list).
  std::optional<ShellItem> Child(PCIDL pidl) const {
    if (pidl == nullptr)
      return std::nullopt;
    std::vector<uint8_t> combined = ILCombine(absolute_.data(), pidl);
    return core_->names.Decode(combined.data());
  }

  std::optional<ShellItem> Resolve(const std::string& name) const {
    const ShellNamespace& names = core_->names;
    if (self_.kind == ShellItemKind::kMyComputer) {
      if (std::optional<ShellItem> item = names.ChildByName(self_, name))
        return item;
    }
    if (LooksAbsolute(name)) {
      if (self_.kind == ShellItemKind::kDesktop || self_.kind == ShellItemKind::kMyComputer ||
          self_.kind == ShellItemKind::kNetwork)
        return names.ItemOfPath(name);
      return std::nullopt;
    }
    ShellItem item = self_;
    size_t start = 0;
    while (start <= name.size()) {
      size_t end = name.find('\\', start);
      std::string part = name.substr(start, end - start);
      if (!part.empty()) {
        std::optional<ShellItem> child = names.ChildByName(item, part);
        if (!child)
          return std::nullopt;
        item = *child;
      }
      if (end == std::string::npos)
        break;
      start = end + 1;
    }
    if (item.kind == self_.kind && item.names == self_.names)
      return std::nullopt;  // an empty name names nothing
    return item;
  }

  std::shared_ptr<SimShellCore> core_;
  ShellItem self_;
  std::vector<uint8_t> absolute_;
};

}  // namespace

ComPtr<IShellFolder> MakeSimShellFolder(std::shared_ptr<SimShellCore> core, ShellItem item,
                                        std::vector<uint8_t> absolute) {
  return MakeComObject<IShellFolder, SimShellFolder>(std::move(core), std::move(item),
                                                     std::move(absolute));
}

}  // namespace talvex::sim
