// Reading the job settings from the command line.
#include "converter/app/JobSettings.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <new>

#include "platform/WinBase.h"
#include "platform/WinUser.h"

TJobSettings JobSettings;

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string Value(TJobKey key) {
    return GetKeyValue(key);
}
std::string Word(TJobKey key) {
    return Upper(GetKeyValue(key));
}

bool Reporting() {
    return JobSettings.ReportLevel != 0;
}

void Report(const std::string& text) {
    if (Reporting())
        ShowError(text);
}

// A decimal 32-bit integer: optional sign, digits, nothing else.
bool ToInt(const std::string& text, std::int32_t& value) {
    if (text.empty())
        return false;
    size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size())
        return false;
    long long number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number = number * 10 + (text[i] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1)
            return false;
    }
    if (text[0] == '-')
        number = -number;
    if (number < INT_MIN || number > INT_MAX)
        return false;
    value = static_cast<std::int32_t>(number);
    return true;
}

// A decimal number with the locale's decimal separator and an optional exponent, held as a
// 32-bit float. A number too large for a float fails like text that is no number.
bool ToFloat(const std::string& text, float& value) {
    const char* point = std::localeconv()->decimal_point;
    char separator = point && *point ? *point : '.';
    std::string plain;
    size_t i = 0;
    auto digits = [&] {
        size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            plain += text[i++];
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        plain += text[i++];
    size_t whole = digits();
    size_t fraction = 0;
    if (i < text.size() && text[i] == separator) {
        plain += '.';
        ++i;
        fraction = digits();
    }
    if (whole + fraction == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            plain += text[i++];
        if (digits() == 0)
            return false;
    }
    if (i != text.size())
        return false;
    // strtod reads "." whatever the locale; the text above uses "." already.
    std::string cText = plain;
    if (separator != '.') {
        for (char& c : cText)
            if (c == '.')
                c = separator;
    }
    char* end = nullptr;
    double number = std::strtod(cText.c_str(), &end);
    float narrow = static_cast<float>(number);
    if (!std::isfinite(narrow))
        return false;
    value = narrow;
    return true;
}

// The path part of a file name: up to and including the last separator.
void SplitFileName(const std::string& path, std::string& dir, std::string& name, std::string& ext) {
    dir = tallyvane::path::ExtractFilePath(path);
    name = tallyvane::path::ExtractFileName(path);
    ext = tallyvane::path::ExtractFileExt(name);
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributes(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WithoutOneTrailingSeparator(const std::string& path) {
    if (!path.empty() && (path.back() == '/' || path.back() == '\\'))
        return path.substr(0, path.size() - 1);
    return path;
}

// Steps 10 and 11: a directory from the command line, else the current directory.
bool ReadDirectory(TJobKey key, const char* what, std::string& directory, bool& result,
                   bool keepOnFailure) {
    std::string value = Value(key);
    if (value.empty()) {
        result = ReadCurrentDirectory(directory) && result;
        return true;
    }
    if (IsDirectory(value)) {
        directory = WithoutOneTrailingSeparator(value);
        return true;
    }
    Report(std::string("Tallyvane!: ") + what + " Directory " + value + " not exist! .");
    if (keepOnFailure) {
        result = false;
    } else {
        result = ReadCurrentDirectory(directory) && result;
    }
    return false;
}

} // namespace

const TCmdKeys& JobKeys() {
    static const TCmdKeys keys = {
        "at:",  "st:",  "dt:",  "ift:", "oft:", "ifn:", "ofn:", "idn:", "odn:",
        "dbg:", "plx:", "ply:", "cem:", "os:",  "osp:", "psn:", "isu:", "dlm:"};
    return keys;
}

void ShowError(const std::string& text) {
    MessageBox(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

void ShowInformation(const std::string& text) {
    MessageBox(nullptr, text.c_str(), "Information", MB_OK | MB_ICONINFORMATION);
}

bool ReadCurrentDirectory(std::string& directory) {
    DWORD size = GetCurrentDirectory(0, nullptr);
    if (size == 0) {
        MessageBox(nullptr, "Application Error", nullptr, MB_OK | MB_ICONERROR);
        return false;
    }
    std::string buffer;
    try {
        buffer.resize(size);
    } catch (const std::bad_alloc&) {
        MessageBox(nullptr, "Not enough of memory!", nullptr, MB_OK | MB_ICONERROR);
        return false;
    }
    DWORD length = GetCurrentDirectory(size, buffer.data());
    if (length == 0 || length >= size) {
        MessageBox(nullptr, "Application Error", nullptr, MB_OK | MB_ICONERROR);
        return false;
    }
    buffer.resize(length);
    directory = buffer;
    return true;
}

void ResetJobSettings() {
    JobSettings = TJobSettings();
}

bool ReadJobSettings() {
    TJobSettings& job = JobSettings;
    bool result = true;

    // 1. First, so that every later message knows whether to report.
    std::string word = Value(kKeyReport);
    job.ReportLevel = word == "1" ? 1 : word == "2" ? 2 : 0;

    // 2. The job.
    word = Word(kKeyAction);
    if (word == "CONVERT")
        job.Action = kActionConvert;
    else if (word == "ADDTOLIST")
        job.Action = kActionAddToList;
    else if (word == "CONVERTLIST")
        job.Action = kActionConvertList;
    else if (word == "SPLASHSCREEN")
        job.Action = kActionSplashScreen;

    // 3. Preview.
    word = Word(kKeyPreview);
    job.PreviewMode = word == "SENDTOMAIL"   ? kPreviewSendToMail
                      : word == "SAVETOFILE" ? kPreviewSaveToFile
                                             : kPreviewNone;

    // 4, 5. Source and destination.
    auto place = [](const std::string& w) {
        return w == "CLP" ? kPlaceClipboard : w == "FILE" ? kPlaceFile : kPlaceNone;
    };
    job.Source = place(Word(kKeySource));
    job.Destination = place(Word(kKeyDestination));

    // 6. Input type.
    job.InputIsWmf = false;
    job.InputExt = ".emf";
    if (Word(kKeyInputType) == "WMF") {
        job.InputIsWmf = true;
        job.InputExt = ".wmf";
    }

    // 7. Input file name.
    job.InputName.clear();
    std::string value = Value(kKeyInputName);
    if (!value.empty()) {
        SplitFileName(value, job.InputDir, job.InputName, job.InputExt);
        if (!job.InputExt.empty()) {
            std::string ext = Upper(job.InputExt);
            if (ext == ".EMF")
                job.InputIsWmf = false;
            else if (ext == ".WMF")
                job.InputIsWmf = true;
        }
    }

    // 8. Output type.
    word = Word(kKeyOutputType);
    if (word == "BMP") {
        job.OutputFormat = kOutputBMP;
        job.OutputExt = ".bmp";
    } else if (word == "JPG") {
        job.OutputFormat = kOutputJPG;
        job.OutputExt = ".jpg";
    } else if (word == "GIF") {
        job.OutputFormat = kOutputGIF;
        job.OutputExt = ".gif";
    } else {
        job.OutputFormat = kOutputEMF;
        job.OutputExt = ".emf";
    }

    // 9. Output file name; its directory part is not used.
    job.OutputName = "etalon";
    value = Value(kKeyOutputName);
    if (!value.empty()) {
        job.OutputName = tallyvane::path::ExtractFileName(value);
        job.OutputExt = tallyvane::path::ExtractFileExt(job.OutputName);
        std::string ext = Upper(job.OutputExt);
        if (ext == ".EMF")
            job.OutputFormat = kOutputEMF;
        else if (ext == ".BMP")
            job.OutputFormat = kOutputBMP;
        else if (ext == ".JPG")
            job.OutputFormat = kOutputJPG;
        else if (ext == ".GIF")
            job.OutputFormat = kOutputGIF;
    }

    // 10, 11. Directories. Reading the current directory for the output step never turns a
    // missing input directory back into success: the job would run on the wrong files.
    ReadDirectory(kKeyInputDir, "Input", job.InputDir, result, true);
    ReadDirectory(kKeyOutputDir, "Output", job.OutputDir, result, false);

    // 12. Size defaults.
    job.PercentGiven = job.ScaleGiven = job.WidthGiven = job.HeightGiven = false;
    job.Percent = 100;
    job.Scale = 1.0f;
    job.Width = job.Height = -1;

    // 13. Unit.
    word = Word(kKeySizeUnit);
    job.SizeUnit = word == "MM" ? kSizeMM : word == "IN" ? kSizeInches : kSizePixels;

    // 14. Percent scale.
    value = Value(kKeyPercent);
    if (!value.empty()) {
        std::int32_t percent = 0;
        if (ToInt(value, percent)) {
            job.Percent = percent;
            if (percent < 1) {
                ShowError("Incorrect Scale.\nSet to 100%.");
                job.Percent = 100;
            }
            job.PercentGiven = true;
        } else {
            Report("Tallyvane!: Incorrect Percent Scale!");
            result = false;
        }
    }

    // 15. Scale divisor.
    if (!job.PercentGiven) {
        value = Value(kKeyScale);
        if (!value.empty()) {
            float scale = 0;
            if (ToFloat(value, scale)) {
                job.Scale = scale;
                if (!(scale > 0)) {
                    ShowError("Incorrect Scale.\nSet to 1.");
                    job.Scale = 1.0f;
                }
                job.ScaleGiven = true;
            } else {
                Report("Tallyvane!: Incorrect Scale!");
                result = false;
            }
        }
    }

    // 16. Target width and height.
    if (!job.PercentGiven && !job.ScaleGiven) {
        value = Value(kKeyWidth);
        if (!value.empty()) {
            if (ToInt(value, job.Width)) {
                job.WidthGiven = true;
            } else {
                Report("Tallyvane!: Incorrect PlWidth!");
                result = false;
            }
        }
        value = Value(kKeyHeight);
        if (!value.empty()) {
            if (ToInt(value, job.Height)) {
                job.HeightGiven = true;
            } else {
                Report("Tallyvane!: Incorrect PlHeight!");
                result = false;
            }
        }
    }

    // 17. Preset.
    job.PresetNumber = -1;
    value = Value(kKeyPreset);
    if (!value.empty()) {
        std::int32_t number = -1;
        if (ToInt(value, number)) {
            job.PresetNumber = number;
        } else {
            Report("Tallyvane!: Incorrect Preset Number!");
            result = false;
        }
    }

    // 18. Delete mode.
    if (Word(kKeyDeleteMode) == "OFF")
        job.KeepSources = true;

    return result;
}
