// Presets and the preset list.
#include "converter/presets/PresetHolder.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <typeinfo>

TGFPresetList PresetList;

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int kQualityWhenUnread = 60;

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& text) {
    size_t start = 0, end = text.size();
    while (start < end && IsBlankOrControl(text[start]))
        ++start;
    while (end > start && IsBlankOrControl(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

// A decimal 32-bit integer with an optional sign and nothing else.
bool ParseInt(const std::string& text, int& value) {
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
    value = static_cast<int>(number);
    return true;
}

// Reads one line without its CR LF. The end of the file reads as an empty line, as a text file
// does past its end; only a failing stream is an error.
bool ReadLine(std::istream& in, std::string& line) {
    line.clear();
    if (in.bad())
        return false;
    if (!std::getline(in, line)) {
        if (in.bad())
            return false;
        in.clear(std::ios::eofbit);
        line.clear();
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// The value of line when its key is exactly key.
bool ValueOf(const std::string& line, const char* key, std::string& value) {
    std::string found;
    return SplitKeyValue(line, found, value) && found == key;
}

} // namespace

BYTE OutputFormatOfPresetType(BYTE presetType) {
    switch (presetType) {
    case kPresetTypeBMP:
        return 3;
    case kPresetTypeJPG:
        return 4;
    case kPresetTypeGIF:
        return 5;
    default:
        return 0;
    }
}

bool SplitKeyValue(const std::string& line, std::string& key, std::string& value) {
    size_t equals = line.find('=');
    if (line.empty() || equals == std::string::npos)
        return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return true;
}

// ---------------------------------------------------------------------------------------------
// TGFPreset

TGFPreset::TGFPreset(const std::string& name) : m_name(name) {}

bool TGFPreset::WriteTo(std::ostream& out) const {
    const char* type = "EMPTY";
    switch (m_presetType) {
    case kPresetTypeBMP:
        type = "BMP";
        break;
    case kPresetTypeJPG:
        type = "JPG";
        break;
    case kPresetTypeGIF:
        type = "GIF";
        break;
    default:
        break;
    }
    out << kLineEnd << "PresetName=" << m_name << kLineEnd << "PresetType=" << type << kLineEnd;
    return static_cast<bool>(out);
}

bool TGFPreset::ReadFrom(std::istream&) {
    return true;
}

// ---------------------------------------------------------------------------------------------
// TGFPresetBMP

TGFPresetBMP::TGFPresetBMP(const std::string& name) : TGFPreset(name) {
    m_presetType = kPresetTypeBMP;
}

std::unique_ptr<TGFPreset> TGFPresetBMP::Clone() const {
    auto copy = std::make_unique<TGFPresetBMP>(Name());
    copy->AssignFrom(*this);
    return copy;
}

void TGFPresetBMP::AssignFrom(const TGFPreset& source) {
    (void)dynamic_cast<const TGFPresetBMP&>(source);
}

// ---------------------------------------------------------------------------------------------
// TGFPresetJPG

TGFPresetJPG::TGFPresetJPG(const std::string& name) : TGFPreset(name) {
    m_presetType = kPresetTypeJPG;
}

std::unique_ptr<TGFPreset> TGFPresetJPG::Clone() const {
    auto copy = std::make_unique<TGFPresetJPG>(Name());
    copy->AssignFrom(*this);
    return copy;
}

void TGFPresetJPG::AssignFrom(const TGFPreset& source) {
    const auto& jpg = dynamic_cast<const TGFPresetJPG&>(source);
    m_compressionQuality = jpg.m_compressionQuality;
    m_progressiveEncoding = jpg.m_progressiveEncoding;
    m_grayScale = jpg.m_grayScale;
}

void TGFPresetJPG::SetQuality(int quality) {
    if (quality > 0 && quality <= 100)
        m_compressionQuality = quality;
}

bool TGFPresetJPG::WriteTo(std::ostream& out) const {
    if (!TGFPreset::WriteTo(out))
        return false;
    out << "CompressionQuality=" << m_compressionQuality << kLineEnd
        << "ProgressiveEncoding=" << (m_progressiveEncoding ? "TRUE" : "FALSE") << kLineEnd
        << "GrayScale=" << (m_grayScale ? "TRUE" : "FALSE") << kLineEnd;
    return static_cast<bool>(out);
}

bool TGFPresetJPG::ReadFrom(std::istream& in) {
    if (!TGFPreset::ReadFrom(in))
        return false;
    std::string line, value;

    m_compressionQuality = kQualityWhenUnread;
    if (!ReadLine(in, line))
        return false;
    if (ValueOf(line, "CompressionQuality", value)) {
        int quality = 0;
        if (!ParseInt(value, quality))
            return false;
        SetQuality(quality);
    }

    m_progressiveEncoding = false;
    if (!ReadLine(in, line))
        return false;
    if (ValueOf(line, "ProgressiveEncoding", value))
        m_progressiveEncoding = UpperAscii(value) == "TRUE";

    m_grayScale = false;
    if (!ReadLine(in, line))
        return false;
    if (ValueOf(line, "GrayScale", value))
        m_grayScale = UpperAscii(value) == "TRUE";
    return true;
}

// ---------------------------------------------------------------------------------------------
// TGFPresetGIF

TGFPresetGIF::TGFPresetGIF(const std::string& name) : TGFPreset(name) {
    m_presetType = kPresetTypeGIF;
}

std::unique_ptr<TGFPreset> TGFPresetGIF::Clone() const {
    auto copy = std::make_unique<TGFPresetGIF>(Name());
    copy->AssignFrom(*this);
    return copy;
}

void TGFPresetGIF::AssignFrom(const TGFPreset& source) {
    m_grayScale = dynamic_cast<const TGFPresetGIF&>(source).m_grayScale;
}

// ---------------------------------------------------------------------------------------------
// TGFPresetList

TGFPreset* TGFPresetList::Item(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("preset index out of bounds");
    return m_items[static_cast<size_t>(index)].get();
}

TGFPreset* TGFPresetList::Current() const {
    if (m_currentIndex < 0 || m_currentIndex >= Count())
        return nullptr;
    return m_items[static_cast<size_t>(m_currentIndex)].get();
}

void TGFPresetList::Clear() {
    while (!m_items.empty())
        m_items.pop_back();
}

void TGFPresetList::Replace(int index, const TGFPreset* preset) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("preset index out of bounds");
    auto& slot = m_items[static_cast<size_t>(index)];
    if (slot.get() == preset)
        return;
    // Clone before freeing, so a preset that lives inside the old entry's owner stays valid.
    std::unique_ptr<TGFPreset> copy = preset ? preset->Clone() : nullptr;
    slot = std::move(copy);
}

int TGFPresetList::Add(const TGFPreset* preset) {
    if (!preset)
        return -1;
    std::unique_ptr<TGFPreset> copy = preset->Clone();
    if (!copy)
        return -1;
    m_items.push_back(std::move(copy));
    return Count() - 1;
}

void TGFPresetList::LoadDefaults() {
    Clear();
    TGFPresetBMP current("Current");
    Add(&current);
    TGFPresetGIF textAndLines("Text & Lines");
    textAndLines.SetGrayScale(false);
    Add(&textAndLines);
    TGFPresetJPG textAndPhoto("Text & Photo");
    textAndPhoto.SetQuality(70);
    textAndPhoto.SetProgressive(true);
    textAndPhoto.SetGrayScale(false);
    Add(&textAndPhoto);
    TGFPresetJPG greetingCard("Greeting Card");
    greetingCard.SetQuality(90);
    greetingCard.SetProgressive(true);
    greetingCard.SetGrayScale(false);
    Add(&greetingCard);
    TGFPresetBMP wallpaper("Desktop Wallpaper");
    Add(&wallpaper);
    m_defaultIndex = 1;
    m_currentIndex = 1;
}

void TGFPresetList::SetCurrent(int index) {
    if (index < 0 || index >= Count() || !m_items[static_cast<size_t>(index)])
        index = m_defaultIndex;
    m_currentIndex = index;
}
