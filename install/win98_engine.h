// Installation on Windows 98: the chosen drivers' devices are removed and their files copied from
// the package's auto\win98 folder straight into the Windows folder.
#pragma once

namespace talvex {

class SetupHost;

// Installs the drivers whose check box is ticked and enabled. Every file is attempted; a copy that
// fails is reported on standard output and counted against its driver step (nothing is undone).
// Ends the program when the Windows folder cannot be had, or where the smart card components step
// ends it.
void InstallWin98(SetupHost& host);

}  // namespace talvex
