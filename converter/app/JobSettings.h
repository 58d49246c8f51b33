// The job settings: what one start of the converter is to do, read from the command line.
#pragma once

#include <cstdint>
#include <string>

#include "converter/app/CmdParam.h"

// Actions.
constexpr std::uint8_t kActionNone = 0;
constexpr std::uint8_t kActionConvert = 1;
constexpr std::uint8_t kActionAddToList = 2;
constexpr std::uint8_t kActionConvertList = 3;
constexpr std::uint8_t kActionSplashScreen = 4;

// Preview modes.
constexpr std::uint8_t kPreviewSendToMail = 0;
constexpr std::uint8_t kPreviewSaveToFile = 1;
constexpr std::uint8_t kPreviewNone = 2;

// Sources and destinations.
constexpr std::uint8_t kPlaceNone = 0;
constexpr std::uint8_t kPlaceFile = 1;
constexpr std::uint8_t kPlaceClipboard = 2;

// Output formats as the command line names them (not the image properties' codes).
constexpr std::uint8_t kOutputEMF = 0;
constexpr std::uint8_t kOutputBMP = 1;
constexpr std::uint8_t kOutputJPG = 2;
constexpr std::uint8_t kOutputGIF = 3;

// Size units.
constexpr std::uint8_t kSizePixels = 1;
constexpr std::uint8_t kSizeMM = 2;
constexpr std::uint8_t kSizeInches = 3;

// Directories carry no trailing separator; extensions carry their dot.
struct TJobSettings {
    std::uint8_t ReportLevel = 0; // 0 silent; 1 or 2 show the "Tallyvane!: " messages
    std::uint8_t Action = kActionNone;
    std::uint8_t PreviewMode = kPreviewNone;
    std::uint8_t Source = kPlaceNone;
    std::uint8_t Destination = kPlaceNone;
    bool InputIsWmf = false;
    std::string InputDir;  // the current directory once read
    std::string InputName; // file name with its extension
    std::string InputExt = ".emf";
    std::uint8_t OutputFormat = kOutputEMF;
    std::string OutputDir; // the current directory once read
    std::string OutputName = "etalon";
    std::string OutputExt = ".emf";
    std::uint8_t SizeUnit = kSizePixels;
    std::int32_t Percent = 100;
    bool PercentGiven = false;
    float Scale = 1.0f; // divisor
    bool ScaleGiven = false;
    std::int32_t Width = -1; // in SizeUnit
    bool WidthGiven = false;
    std::int32_t Height = -1;
    bool HeightGiven = false;
    std::int32_t PresetNumber = -1;
    bool KeepSources = false;
};

extern TJobSettings JobSettings;

// The keys of the command line, in the order their values are read by position.
enum TJobKey : int {
    kKeyAction,
    kKeySource,
    kKeyDestination,
    kKeyInputType,
    kKeyOutputType,
    kKeyInputName,
    kKeyOutputName,
    kKeyInputDir,
    kKeyOutputDir,
    kKeyReport,
    kKeyWidth,
    kKeyHeight,
    kKeyPreview,
    kKeyScale,
    kKeyPercent,
    kKeyPreset,
    kKeySizeUnit,
    kKeyDeleteMode,
};
const TCmdKeys& JobKeys();

// Fills JobSettings from the parsed key values, showing the messages of each step. Answers
// whether the job may run; no step stops the others.
bool ReadJobSettings();
// The current directory; on failure shows "Application Error" and answers false.
bool ReadCurrentDirectory(std::string& directory);
// JobSettings back to its values at process start.
void ResetJobSettings();

// Shows an error box ("Error", OK) or an information box ("Information", OK).
void ShowError(const std::string& text);
void ShowInformation(const std::string& text);
