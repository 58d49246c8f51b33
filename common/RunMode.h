// The command-line switch that decides how much the installer and the remover do.
//
// Both programs take their whole argument string as one word: "debug" shows every step in the
// status window, the pause switch ("pause" for the installer, "maxpause" for the remover) works
// silently and closes by itself, and anything else only shows the version window.
#pragma once

#include <string>
#include <string_view>

constexpr int kRunModeNormal = 0; // version window only, no work
constexpr int kRunModeDebug = 1;  // work, then show every result until closed
constexpr int kRunModePause = 2;  // work, close by itself after the first paint

// The argument string as the system hands it to a program: the arguments after the program
// name, joined by single spaces.
std::string JoinCommandLine(int argc, char** argv);

// Compares the whole argument string, ignoring letter case, with "debug" and with
// pauseSwitch; anything else gives kRunModeNormal.
int ParseRunMode(std::string_view commandLine, std::string_view pauseSwitch);
