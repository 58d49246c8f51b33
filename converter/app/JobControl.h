// Start-up and the dispatch of the one job a start of the converter runs.
#pragma once

#include <string>
#include <vector>

// Checks the installation, fills the presets and image properties, parses the command line and
// runs the job. Answers true when a job ran (false: no arguments, or the installation is damaged).
bool StartUp();
// Runs the job the command line names (after ReadJobSettings succeeds) and, when reporting,
// closes with "Tallyvane!: Job is completed.".
void RunJob();

// The paths a job works on, from JobSettings.
std::string InputPath();
std::string OutputPath();

// The registry key holding InstallPath.
inline constexpr const char* kProductKey = "Software\\Orvan\\Tallyvane!";
