// The two operating system components the smart card driver needs on Windows 98 and Me: their
// detection, and their installers run and steered to their end.
#pragma once

namespace talvex {

class SetupHost;

// Sets SmclibPresent and SmartcardBasePresent afresh; true when both components are installed.
// Ends the program (exit code 1) when the Windows folder cannot be had.
bool CheckSmartCardComponents(SetupHost& host);

// Runs the installer of each missing component that the program folder holds, then decides:
// true installs the smart card driver now, false skips it. Interactive runs show the notice
// before each installer and the warning when a component is still missing; with no driver
// installed yet the program then ends (exit code 1).
bool SmartCardComponentsReady(SetupHost& host);

// Start one installer with " /Q", answer its windows, and return when it has ended. A start that
// fails is told and ends the program with exit code 0.
void RunSmclibInstaller(SetupHost& host);
void RunScbaseInstaller(SetupHost& host);

}  // namespace talvex
