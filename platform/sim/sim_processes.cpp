#include "platform/sim/sim_processes.h"

#include <algorithm>
#include <fstream>
#include <iostream>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {

SimProcesses::SimProcesses(std::string programPath, std::vector<ProgramScript> scripts,
                           SimClock& clock, SimWindows& windows, RegistryStore& store,
                           SimRegistry& registry, DrivePaths& paths, SimThreadErrors& errors,
                           FailurePlan& failures, Journal& journal)
    : startup_title_(std::move(programPath)),
      scripts_(std::move(scripts)),
      clock_(clock),
      windows_(windows),
      store_(store),
      registry_(registry),
      paths_(paths),
      errors_(errors),
      failures_(failures),
      journal_(journal) {
  clock_.OnAdvance([this](uint64_t now) { CatchUp(now); });
}

namespace {
constexpr JournalName kCreationFlags[] = {
    {0x4, "CREATE_SUSPENDED"},          {0x8, "DETACHED_PROCESS"},
    {0x10, "CREATE_NEW_CONSOLE"},       {0x20, "NORMAL_PRIORITY_CLASS"},
    {0x40, "IDLE_PRIORITY_CLASS"},      {win::HIGH_PRIORITY_CLASS, "HIGH_PRIORITY_CLASS"},
    {0x100, "REALTIME_PRIORITY_CLASS"}, {0x200, "CREATE_NEW_PROCESS_GROUP"},
};
constexpr JournalName kExitCodes[] = {{win::STILL_ACTIVE, "STILL_ACTIVE"}};
// sizeof(STARTUPINFOA) of the 32-bit program that the machine runs.
constexpr uint32_t kStartupInfoSize = 68;
constexpr JournalName kStartupFlags[] = {
    {win::STARTF_USESHOWWINDOW, "STARTF_USESHOWWINDOW"},
    {0x2, "STARTF_USESIZE"},
    {0x4, "STARTF_USEPOSITION"},
    {0x8, "STARTF_USECOUNTCHARS"},
    {0x10, "STARTF_USEFILLATTRIBUTE"},
    {0x20, "STARTF_RUNFULLSCREEN"},
    {0x40, "STARTF_FORCEONFEEDBACK"},
    {0x80, "STARTF_FORCEOFFFEEDBACK"},
    {0x100, "STARTF_USESTDHANDLES"},
    {0x200, "STARTF_USEHOTKEY"},
};
constexpr JournalName kShowCommands[] = {
    {0, "SW_HIDE"},           {win::SW_SHOWNORMAL, "SW_SHOWNORMAL"},
    {2, "SW_SHOWMINIMIZED"},  {3, "SW_SHOWMAXIMIZED"},
    {4, "SW_SHOWNOACTIVATE"}, {5, "SW_SHOW"},
    {6, "SW_MINIMIZE"},       {7, "SW_SHOWMINNOACTIVE"},
    {8, "SW_SHOWNA"},         {9, "SW_RESTORE"},
    {10, "SW_SHOWDEFAULT"},   {11, "SW_FORCEMINIMIZE"},
};

// Every field of a startup information record, in the record's order, under its Windows name:
// texts as texts, the reserved block as its bytes.
void StartupInfoFields(JournalLine& line, const StartupInfo& info) {
  line.Number("cb", info.cb)
      .Text("lpReserved", info.lpReserved)
      .Text("lpDesktop", info.lpDesktop)
      .Text("lpTitle", info.lpTitle)
      .Number("dwX", info.dwX)
      .Number("dwY", info.dwY)
      .Number("dwXSize", info.dwXSize)
      .Number("dwYSize", info.dwYSize)
      .Number("dwXCountChars", info.dwXCountChars)
      .Number("dwYCountChars", info.dwYCountChars)
      .Number("dwFillAttribute", info.dwFillAttribute)
      .Flags("dwFlags", info.dwFlags, kStartupFlags)
      .Named("wShowWindow", info.wShowWindow, kShowCommands)
      .Number("cbReserved2", info.cbReserved2);
  if (info.lpReserved2 == nullptr) {
    line.Raw("lpReserved2", "null");
  } else {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string bytes = "hex:";
    for (size_t i = 0; i < info.cbReserved2; ++i) {
      if (i > 0)
        bytes += ',';
      bytes += kDigits[info.lpReserved2[i] >> 4];
      bytes += kDigits[info.lpReserved2[i] & 0xF];
    }
    line.Raw("lpReserved2", bytes);
  }
  line.Handle("hStdInput", info.hStdInput)
      .Handle("hStdOutput", info.hStdOutput)
      .Handle("hStdError", info.hStdError);
}
}  // namespace

void SimProcesses::HandleField(JournalLine& line, const char* name, KernelHandle handle) const {
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    line.Handle(name, handle);
    return;
  }
  line.Raw(name, JournalHandle(handle) + ":" + JournalText(instances_[it->second].name));
}

void SimProcesses::GetStartupInfoA(StartupInfo* info) {
  *info = StartupInfo{};
  info->cb = kStartupInfoSize;
  info->lpDesktop = startup_desktop_.data();
  info->lpTitle = startup_title_.data();
  info->dwFlags = win::STARTF_USESHOWWINDOW;
  info->wShowWindow = win::SW_SHOWNORMAL;
  if (journal_.on())
    journal_.Write(JournalLine("GetStartupInfoA").Result("void"));
}

bool SimProcesses::CreateProcessA(const std::string& applicationName,
                                  const std::string& commandLine, bool inheritHandles,
                                  uint32_t creationFlags, const StartupInfo& startupInfo,
                                  ProcessInformation* information) {
  started_.push_back({applicationName, commandLine, inheritHandles, creationFlags});
  bool ok = Create(applicationName, information);
  if (journal_.on()) {
    JournalLine line("CreateProcessA");
    line.Text("application", applicationName).Text("commandline", commandLine);
    line.Raw("inherit", inheritHandles ? "TRUE" : "FALSE");
    line.Flags("flags", creationFlags, kCreationFlags);
    StartupInfoFields(line, startupInfo);
    line.Result(ok);
    if (ok)
      line.Handle("process", information->hProcess)
          .Handle("thread", information->hThread)
          .Number("pid", information->dwProcessId);
    journal_.Write(line);
  }
  return ok;
}

bool SimProcesses::Create(const std::string& applicationName, ProcessInformation* information) {
  if (auto failure = failures_.Check("CreateProcessA", applicationName, win::ERROR_ACCESS_DENIED)) {
    errors_.Set(*failure);
    return false;
  }
  std::error_code error;
  std::optional<std::filesystem::path> file = paths_.FindExisting(applicationName);
  if (!file || !std::filesystem::is_regular_file(*file, error)) {
    errors_.Set(win::ERROR_FILE_NOT_FOUND);
    return false;
  }
  const ProgramScript* script = nullptr;
  for (const ProgramScript& candidate : scripts_)
    if (EqualsIgnoreCase(candidate.path, applicationName))
      script = &candidate;
  if (script != nullptr && script->startFails) {
    errors_.Set(script->startError);
    return false;
  }
  // The program may look at the machine: registry.reg holds every change made so far.
  if (!registry_.Flush())
    std::cerr << "talvex-setup: registry.reg cannot be written\n";
  journal_.Flush();
  int index = static_cast<int>(instances_.size());
  instances_.push_back({script, clock_.Now(), true, 0, 0, applicationName});
  information->hProcess = next_handle_++;
  information->hThread = next_handle_++;
  information->dwProcessId = static_cast<uint32_t>(0x100 + index * 4);
  information->dwThreadId = information->dwProcessId + 1;
  handles_[information->hProcess] = index;
  handles_[information->hThread] = index;
  if (script == nullptr)
    End(index, 0);  // does nothing and ends at once
  CatchUp(clock_.Now());
  errors_.Set(0);
  return true;
}

void SimProcesses::CatchUp(uint64_t now) {
  for (size_t i = 0; i < instances_.size(); ++i) {
    Instance& instance = instances_[i];
    if (!instance.running || instance.script == nullptr)
      continue;
    const ProgramScript& script = *instance.script;
    uint64_t endTime = script.endsAt ? instance.start + *script.endsAt : UINT64_MAX;
    while (instance.nextEvent < script.events.size() &&
           instance.start + script.events[instance.nextEvent].at <= now &&
           instance.start + script.events[instance.nextEvent].at < endTime) {
      Apply(static_cast<int>(i), script.events[instance.nextEvent]);
      ++instance.nextEvent;
    }
    if (endTime <= now)
      End(static_cast<int>(i), script.exitCode);
  }
}

void SimProcesses::Apply(int instance, const ScriptEvent& event) {
  switch (event.kind) {
    case ScriptEvent::Kind::kWindow:
      windows_.Open(event.first, event.second, instance);
      break;
    case ScriptEvent::Kind::kKey:
      store_.CreateKey(event.first);
      break;
    case ScriptEvent::Kind::kFile:
      if (paths_.OnReadOnlyDrive(event.first))
        break;  // nothing can be written to a CD
      if (std::optional<std::filesystem::path> target = paths_.ForCreate(event.first)) {
        std::ofstream create(*target, std::ios::binary | std::ios::app);
      }
      break;
  }
}

void SimProcesses::End(int instance, uint32_t exitCode) {
  instances_[instance].running = false;
  instances_[instance].exitCode = exitCode;
  windows_.CloseAllOf(instance);
}

SimProcesses::Instance* SimProcesses::InstanceOf(KernelHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    errors_.Set(win::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &instances_[it->second];
}

bool SimProcesses::GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) {
  Instance* instance = InstanceOf(process);
  if (instance != nullptr) {
    *exitCode = instance->running ? win::STILL_ACTIVE : instance->exitCode;
    errors_.Set(0);
  }
  if (journal_.on()) {
    JournalLine line("GetExitCodeProcess");
    HandleField(line, "process", process);
    line.Result(instance != nullptr);
    if (instance != nullptr)
      line.Named("exitcode", *exitCode, kExitCodes);
    journal_.Write(line);
  }
  return instance != nullptr;
}

bool SimProcesses::TerminateProcess(KernelHandle process, uint32_t exitCode) {
  Instance* instance = InstanceOf(process);
  bool ok = false;
  if (instance != nullptr && !instance->running) {
    errors_.Set(win::ERROR_ACCESS_DENIED);
  } else if (instance != nullptr) {
    End(handles_[process], exitCode);
    errors_.Set(0);
    ok = true;
  }
  if (journal_.on()) {
    JournalLine line("TerminateProcess");
    HandleField(line, "process", process);
    journal_.Write(line.Code("exitcode", exitCode).Result(ok));
  }
  return ok;
}

bool SimProcesses::CloseHandle(KernelHandle handle) {
  std::optional<JournalLine> line;
  if (journal_.on())
    HandleField(line.emplace("CloseHandle"), "handle", handle);
  bool ok = handles_.erase(handle) != 0;
  errors_.Set(ok ? 0 : win::ERROR_INVALID_HANDLE);
  if (line)
    journal_.Write(line->Result(ok));
  return ok;
}

void SimProcesses::Sleep(uint32_t milliseconds) {
  if (journal_.on())
    journal_.Write(JournalLine("Sleep").Number("ms", milliseconds).Result("void"));
  clock_.Advance(milliseconds);
}

// MsgWaitForMultipleObjects on the process with QS_ALLINPUT.
void SimProcesses::WaitForProcessOrMessage(KernelHandle process, uint32_t milliseconds) {
  Instance* instance = InstanceOf(process);
  bool signalled = instance != nullptr && !instance->running;
  if (!signalled) {
    // The wait ends when the process does, as Windows signals its handle at once.
    uint64_t wait = milliseconds;
    if (instance != nullptr && instance->script != nullptr && instance->script->endsAt) {
      const uint64_t endTime = instance->start + *instance->script->endsAt;
      if (endTime > clock_.Now())
        wait = std::min(wait, endTime - clock_.Now());
    }
    clock_.Advance(wait);
    signalled = instance != nullptr && !instance->running;
  }
  if (journal_.on()) {
    JournalLine line("MsgWaitForMultipleObjects");
    HandleField(line, "process", process);
    line.Number("ms", milliseconds).Result(signalled ? "WAIT_OBJECT_0" : "WAIT_TIMEOUT");
    journal_.Write(line);
  }
}

int SimProcesses::Running() const {
  int running = 0;
  for (const Instance& instance : instances_)
    running += instance.running ? 1 : 0;
  return running;
}

}  // namespace talvex::sim
