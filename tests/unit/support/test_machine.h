// A simulated machine written to a temporary folder by a test, in the machine folder format, and a
// whole run of the program on it.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/wizard/tform2.h"
#include "framework/headless/headless_ui.h"
#include "platform/sim/machine.h"

namespace talvex::testing {

// REGEDIT4 text of the version keys of each Windows.
std::string Windows98Keys();
std::string WindowsMeKeys();
std::string Windows2000Keys();
std::string WindowsXpKeys();
std::string WindowsNt4Keys();
// A registry section with a REG_MULTI_SZ HardwareID (no value at all when ids is empty).
std::string DeviceKey(const std::string& instancePath, std::initializer_list<std::string> ids);
std::string DeviceKeyWithIds(const std::string& instancePath, const std::vector<std::string>& ids);
// One registry section with string values.
std::string StringValuesKey(const std::string& path,
                            std::initializer_list<std::pair<std::string, std::string>> values);

struct RunResult {
  int exitCode = -1;
  std::string out;  // standard output: diagnostic lines
  std::string err;  // message boxes
};

class TestMachine {
 public:
  TestMachine();
  ~TestMachine();
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

  // machine.ini's text after "[machine]\nprogram = D:\SETUP\Setup.exe\n".
  TestMachine& Ini(const std::string& extra);
  // Replaces the whole machine.ini.
  TestMachine& RawIni(const std::string& text);
  // registry.reg: the sections after the "REGEDIT4" header.
  TestMachine& Registry(const std::string& sections);
  // registry.reg as these bytes (a Version 5.00 file, say), instead of Registry's.
  TestMachine& RegistryFile(const std::string& bytes);
  TestMachine& File(const std::string& relativePath, const std::string& bytes);
  // An empty folder (with its parents), e.g. "c/WINDOWS/Desktop/Work".
  TestMachine& Folder(const std::string& relativePath);
  // The sample driver package's INFs and their files under d/SETUP/auto/ (win2k, winxp, winme),
  // or under another folder of the machine's, and the Windows folder C:\WINDOWS they install into.
  TestMachine& Package(const std::string& folder = "d/SETUP");
  // The eight Windows 98 package files (each holding its own name) and the folders a Windows 98
  // has below C:\WINDOWS.
  TestMachine& Windows98Package();

  // Loads the machine (once) and gives its platform; standard output is collected.
  sim::SimMachine& Machine();
  std::string Out() const { return out_.str(); }
  void ClearOut() { out_.str(""); }

  // The whole program, as talvex-setup runs it, on the machine as its folder holds it then;
  // Machine() then gives the machine the run left (or reads the folder afresh when it was not
  // usable).
  RunResult Run(const std::vector<std::string>& arguments);

  const std::filesystem::path& folder() const { return folder_; }
  // A file of the machine folder as someone looking at the machine sees it: a loaded machine
  // first writes its registry changes (SimMachine::Flush).
  std::string ReadFile(const std::string& relativePath) const;
  bool Exists(const std::string& relativePath) const;
  // The saved registry.reg (written first, as ReadFile does), reloaded.
  sim::RegistryStore SavedRegistry() const;

 private:
  void Write(const std::string& relativePath, const std::string& bytes);
  void WriteMachineFiles();

  std::filesystem::path folder_;
  std::string ini_extra_;
  std::string raw_ini_;
  bool raw_ = false;
  bool written_ = false;
  std::string registry_;
  std::optional<std::string> registry_file_;
  std::ostringstream out_;
  std::unique_ptr<sim::SimMachine> machine_;
};

// A wizard window constructed on the machine without "-s" (or on another platform), kept for
// inspection; its message boxes are collected in boxes.
struct WizardOnMachine {
  explicit WizardOnMachine(TestMachine& machine, std::vector<std::string> arguments = {})
      : WizardOnMachine(machine.Machine().platform(), std::move(arguments)) {}
  explicit WizardOnMachine(Platform& platform, std::vector<std::string> arguments = {})
      : ui(boxes), application(ui, "Setup") {
    form = application.CreateForm<TForm2>(platform, std::move(arguments));
  }
  std::ostringstream boxes;
  HeadlessUi ui;
  TApplication application;
  TForm2* form = nullptr;
};

// The lines of a machine journal whose operation is one of operations (every line when none is
// given), in order.
std::vector<std::string> JournalLines(const std::string& journal,
                                      std::initializer_list<std::string> operations = {});

// The text of a REG_SZ value of the key at path, or "<missing>" / "<no key>".
std::string StringValue(sim::RegistryStore& store, const std::string& path,
                        const std::string& name);

}  // namespace talvex::testing
