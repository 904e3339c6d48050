// Installation through the system's Plug and Play driver update (newdev.dll) on Windows Me, 2000
// and XP: for each chosen driver, each of its hardware IDs that is present gets the driver's INF
// file from the package beside the program.
#pragma once

namespace talvex {

class SetupHost;

// Installs the drivers whose check box is ticked and enabled, in the order Memory Stick, SD, smart
// card. Ends the process with code 1 when the preparation fails and with code 6 when a driver
// update fails.
void InstallWin2000XP(SetupHost& host);

// The same on Windows Me, from auto\winme\: the Memory Stick and SD steps mark DriverInstalled,
// and the smart card components step decides about the smart card driver.
void InstallWinMe(SetupHost& host);

}  // namespace talvex
