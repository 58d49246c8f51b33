// The converter program: one job per start, taken from the command line.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "converter/app/CmdParam.h"
#include "converter/app/JobControl.h"
#include "converter/ui/ImagePreview.h"
#ifdef TALLYVANE_WINDOWS
#include "converter/app/WindowsLoader.h"
#endif
#include "platform/WinUser.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    SetCommandLineArguments(arguments);
#ifdef TALLYVANE_WINDOWS
    RegisterWindowsOnDemand();
#else
    TfrmImagePreview::Register();
#endif
    try {
        StartUp();
    } catch (const std::exception& error) {
        // A job's code does not catch; what escapes it ends the program with a notice.
        MessageBox(nullptr, error.what(), "Error", MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}
