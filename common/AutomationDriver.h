// The automation driver: runs a script of commands against the program's windows when
// ZELK_AUTOMATION names a script file (or "-" for standard input) and prints JSON lines.
#pragma once

namespace Zelk {

// Installs the driver when ZELK_AUTOMATION is set (call after QApplication exists and before the
// program's own start-up). Returns true when the driver is active.
bool installAutomationFromEnvironment();

// True while a driver is active (message boxes are printed and answered, not shown).
bool automationActive();

// Prints the closing {"event":"exit","code":N} line when the driver is active; returns `code`.
int finishAutomation(int code);

} // namespace Zelk
