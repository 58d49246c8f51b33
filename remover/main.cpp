// Dotsweep: removes what Dotferry installed, reporting in its status window.
#include "common/RunMode.h"
#include "common/StatusProgram.h"
#include "remover/Dotsweep.h"

int main(int argc, char** argv) {
    ResetSweep(ParseRunMode(JoinCommandLine(argc, argv), "maxpause"));

    TStatusProgram program;
    program.className = kSweepClassName;
    program.title = kSweepTitle;
    program.runMode = Sweep.RunMode;
    program.debugHeightLines = 35;
    program.page = [] { return SweepPage(); };
    program.work = [] {
        RunRemovalSteps();
        DeleteLogFiles();
    };
    return RunStatusProgram(program, argc, argv);
}
