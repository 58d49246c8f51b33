// Dotferry: installs the word-processor integration, reporting in its status window and log.
#include "common/RunMode.h"
#include "common/StatusProgram.h"
#include "installer/Dotferry.h"

int main(int argc, char** argv) {
    ResetFerry(ParseRunMode(JoinCommandLine(argc, argv), "pause"));

    TStatusProgram program;
    program.className = kFerryClassName;
    program.title = kFerryTitle;
    program.runMode = Ferry.RunMode;
    program.debugHeightLines = 31;
    program.page = [] { return FerryPage(); };
    program.work = [] {
        RunInstallSteps();
        WriteInstallLog();
    };
    return RunStatusProgram(program, argc, argv);
}
