#include "rehearse/findings.h"

#include <cstdio>
#include <set>

#include "inf/install_plan.h"

namespace talvex::rehearse {
namespace {

std::string Hex(uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, code > 0xFFFF ? "0x%08X" : "%u", code);
  return text;
}

inf::TargetOs TargetOf(WindowsVersion version) {
  if (version == WindowsVersion::k2000)
    return {true, 5, 0};
  if (version == WindowsVersion::kXp)
    return {true, 5, 1};
  return {false, 4, 90};
}

void CheckCopies(const Package& package, ChipFunction function, std::vector<Finding>& findings) {
  for (const CopiedFile& file : Win98CopiesOf(function)) {
    std::string relative = std::string("auto\\win98\\") + file.source;
    if (!package.Read(relative))
      findings.push_back({relative, 0,
                          std::string("missing: Windows 98 copies it for the ") +
                              FunctionName(function) + " driver",
                          false});
  }
}

void CheckInf(const Package& package, ChipFunction function, WindowsVersion version,
              std::vector<Finding>& findings) {
  const std::string relative = InfOf(function, version);
  const std::string asked = std::string(VersionName(version)) + " asks for it for the " +
                            FunctionName(function) + " driver";
  std::optional<std::string> bytes = package.Read(relative);
  if (!bytes) {
    findings.push_back({relative, 0, "missing: " + asked, false});
    return;
  }
  inf::InfFile file;
  try {
    file = inf::InfFile::Parse(*bytes);
  } catch (const inf::InfError& error) {
    findings.push_back({relative, error.line(),
                        "not an INF SetupAPI can read (error " + Hex(error.code()) + ")", false});
    return;
  }
  const std::string folder = std::string("auto\\") + InfFolder(version);
  const bool nt = IsNt(version);
  inf::Folders folders{"C:\\WINDOWS", nt ? "C:\\WINDOWS\\system32" : "C:\\WINDOWS\\SYSTEM", folder,
                       nt};
  std::set<std::string> noted;
  auto note = [&](int line, const std::string& what) {
    if (noted.insert(std::to_string(line) + what).second)
      findings.push_back({relative, line, what, true});
  };
  for (const char* id : DriverOf(function).hardwareIds) {
    inf::PlanResult result = inf::PlanInstall(file, TargetOf(version), folders, {id});
    if (result.error != 0) {
      findings.push_back({relative, result.at.line,
                          std::string(VersionName(version)) + " installs no driver for " + id +
                              ": " + result.what + " (error " + Hex(result.error) + ")",
                          false});
      continue;
    }
    for (const inf::PlannedCopy& copy : result.plan.copies) {
      std::string source = copy.sourceFolder + "\\" + copy.sourceName;
      if (!package.Read(source))
        findings.push_back(
            {relative, copy.place.line,
             "copies " + copy.sourceName + ", which the package lacks (" + source + ")", false});
      if (!copy.listedInSourceDisks)
        note(copy.place.line, copy.sourceName +
                                  " is not in [SourceDisksFiles]: looked for beside "
                                  "the INF");
      if (!copy.destinationListed)
        note(copy.place.line, "no [DestinationDirs] entry for [" + copy.place.section +
                                  "]: copied into the system folder");
    }
    for (const std::string& directive : result.plan.notCarriedOut)
      note(0, "in [" + result.plan.section + "]: " + directive +
                  " is not carried out by this rehearsal");
  }
}

}  // namespace

std::vector<Finding> CheckPackage(const Package& package,
                                  const std::vector<ChipFunction>& functions) {
  std::vector<Finding> findings;
  for (WindowsVersion version : kVersions) {
    for (ChipFunction function : functions) {
      if (version == WindowsVersion::k98)
        CheckCopies(package, function, findings);
      else
        CheckInf(package, function, version, findings);
    }
  }
  for (ChipFunction function : functions) {
    if (function != ChipFunction::kSmartCard)
      continue;
    for (const char* installer : {"scbase.exe", "smclib.exe"})
      if (!package.Read(installer))
        findings.push_back({installer, 0,
                            "missing: a Windows 98 or Me machine without the smart card "
                            "components cannot get them from the package",
                            false});
  }
  // One line per fault, however many of the driver's IDs meet it.
  std::vector<Finding> unique;
  std::set<std::string> seen;
  for (Finding& finding : findings)
    if (seen.insert(FindingLine(finding)).second)
      unique.push_back(std::move(finding));
  return unique;
}

std::string FindingLine(const Finding& finding) {
  std::string where = finding.file.empty() ? std::string("package") : finding.file;
  if (finding.line > 0)
    where += ":" + std::to_string(finding.line);
  return where + ": " + (finding.note ? "note: " : "") + finding.what;
}

}  // namespace talvex::rehearse
