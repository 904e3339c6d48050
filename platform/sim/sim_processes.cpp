#include "platform/sim/sim_processes.h"

#include <algorithm>
#include <fstream>
#include <iostream>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {

SimProcesses::SimProcesses(std::vector<ProgramScript> scripts, SimClock& clock, SimWindows& windows,
                           RegistryStore& store, SimRegistry& registry, DrivePaths& paths,
                           SimThreadErrors& errors, FailurePlan& failures)
    : scripts_(std::move(scripts)),
      clock_(clock),
      windows_(windows),
      store_(store),
      registry_(registry),
      paths_(paths),
      errors_(errors),
      failures_(failures) {
  clock_.OnAdvance([this](uint64_t now) { CatchUp(now); });
}

void SimProcesses::GetStartupInfoA(StartupInfo* info) {
  *info = StartupInfo{};
}

bool SimProcesses::CreateProcessA(const std::string& applicationName,
                                  const std::string& commandLine, bool inheritHandles,
                                  uint32_t creationFlags, const StartupInfo&,
                                  ProcessInformation* information) {
  started_.push_back({applicationName, commandLine, inheritHandles, creationFlags});
  if (auto failure = failures_.Check("CreateProcessA", applicationName, win::ERROR_ACCESS_DENIED)) {
    errors_.SetLastError(*failure);
    return false;
  }
  std::error_code error;
  std::optional<std::filesystem::path> file = paths_.FindExisting(applicationName);
  if (!file || !std::filesystem::is_regular_file(*file, error)) {
    errors_.SetLastError(win::ERROR_FILE_NOT_FOUND);
    return false;
  }
  const ProgramScript* script = nullptr;
  for (const ProgramScript& candidate : scripts_)
    if (EqualsIgnoreCase(candidate.path, applicationName))
      script = &candidate;
  if (script != nullptr && script->startFails) {
    errors_.SetLastError(script->startError);
    return false;
  }
  // The program may look at the machine: registry.reg holds every change made so far.
  if (!registry_.Flush())
    std::cerr << "talvex-setup: registry.reg cannot be written\n";
  int index = static_cast<int>(instances_.size());
  instances_.push_back({script, clock_.Now(), true, 0, 0});
  information->hProcess = next_handle_++;
  information->hThread = next_handle_++;
  information->dwProcessId = static_cast<uint32_t>(0x100 + index * 4);
  information->dwThreadId = information->dwProcessId + 1;
  handles_[information->hProcess] = index;
  handles_[information->hThread] = index;
  if (script == nullptr)
    End(index, 0);  // does nothing and ends at once
  CatchUp(clock_.Now());
  errors_.SetLastError(0);
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
    errors_.SetLastError(win::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &instances_[it->second];
}

bool SimProcesses::GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) {
  Instance* instance = InstanceOf(process);
  if (instance == nullptr)
    return false;
  *exitCode = instance->running ? win::STILL_ACTIVE : instance->exitCode;
  errors_.SetLastError(0);
  return true;
}

bool SimProcesses::TerminateProcess(KernelHandle process, uint32_t exitCode) {
  Instance* instance = InstanceOf(process);
  if (instance == nullptr)
    return false;
  if (!instance->running) {
    errors_.SetLastError(win::ERROR_ACCESS_DENIED);
    return false;
  }
  End(handles_[process], exitCode);
  errors_.SetLastError(0);
  return true;
}

bool SimProcesses::CloseHandle(KernelHandle handle) {
  if (handles_.erase(handle) == 0) {
    errors_.SetLastError(win::ERROR_INVALID_HANDLE);
    return false;
  }
  errors_.SetLastError(0);
  return true;
}

void SimProcesses::Sleep(uint32_t milliseconds) {
  clock_.Advance(milliseconds);
}

void SimProcesses::WaitForProcessOrMessage(KernelHandle process, uint32_t milliseconds) {
  Instance* instance = InstanceOf(process);
  if (instance != nullptr && !instance->running)
    return;  // already signalled
  // The wait ends when the process does, as Windows signals its handle at once.
  uint64_t wait = milliseconds;
  if (instance != nullptr && instance->script != nullptr && instance->script->endsAt) {
    const uint64_t endTime = instance->start + *instance->script->endsAt;
    if (endTime > clock_.Now())
      wait = std::min(wait, endTime - clock_.Now());
  }
  clock_.Advance(wait);
}

int SimProcesses::Running() const {
  int running = 0;
  for (const Instance& instance : instances_)
    running += instance.running ? 1 : 0;
  return running;
}

}  // namespace talvex::sim
