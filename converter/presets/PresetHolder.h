// Presets: named bundles of output settings, and the list that owns them.
//
// A preset says which format a page is written in (BMP, JPEG or GIF) and, for JPEG, its quality,
// progressive encoding and grey scale; a GIF preset carries a grey-scale flag of its own. Each
// preset has a plain-text form of key=value lines ending in CR LF: WriteTo writes the name and
// type lines and the kind's own settings; ReadFrom reads the kind's own settings only (the name
// and type lines belong to whoever reads the file).
//
// The one TGFPresetList, PresetList, lives for the whole process. It owns its entries: Add and
// Replace store clones, so the caller keeps, and frees, what it passed in.
#pragma once

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// Preset types.
constexpr BYTE kPresetTypeEmpty = 0;
constexpr BYTE kPresetTypeBMP = 1;
constexpr BYTE kPresetTypeJPG = 2;
constexpr BYTE kPresetTypeGIF = 3;

// The preset definition file's name (in the installation directory) and its identification
// line. The list is always built by LoadDefaults; the file is not read.
inline constexpr const char* kPresetFileName = "gfpreset.ini";
inline constexpr const char* kPresetFileIdent = "Tallyvane!: Preset Definition File";

// The output format code a preset type selects when it becomes current: BMP 3, JPG 4, GIF 5,
// anything else 0.
BYTE OutputFormatOfPresetType(BYTE presetType);

// Splits "key=value" at the first "=", trimming blanks and control characters off both parts.
// An empty line or one without "=" gives no pair.
bool SplitKeyValue(const std::string& line, std::string& key, std::string& value);

// The abstract preset: a display name and a type fixed by the class.
class TGFPreset {
public:
    explicit TGFPreset(const std::string& name = std::string());
    virtual ~TGFPreset() = default;
    TGFPreset(const TGFPreset&) = delete;
    TGFPreset& operator=(const TGFPreset&) = delete;

    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    BYTE PresetType() const { return m_presetType; }

    // A new preset of the same class and name with the same settings.
    virtual std::unique_ptr<TGFPreset> Clone() const = 0;
    // Copies the class's own settings (not the name); throws std::bad_cast for a source of
    // another class.
    virtual void AssignFrom(const TGFPreset& source) = 0;
    // Both answer false on the first input/output or conversion error and stop there; what was
    // written or read before it stands.
    virtual bool WriteTo(std::ostream& out) const;
    virtual bool ReadFrom(std::istream& in);

protected:
    BYTE m_presetType = kPresetTypeEmpty;

private:
    std::string m_name;
};

class TGFPresetBMP : public TGFPreset {
public:
    explicit TGFPresetBMP(const std::string& name = std::string());
    std::unique_ptr<TGFPreset> Clone() const override;
    void AssignFrom(const TGFPreset& source) override;
};

class TGFPresetJPG : public TGFPreset {
public:
    explicit TGFPresetJPG(const std::string& name = std::string());
    std::unique_ptr<TGFPreset> Clone() const override;
    void AssignFrom(const TGFPreset& source) override;
    bool WriteTo(std::ostream& out) const override;
    // Reads exactly three lines: CompressionQuality (60 unless given within 1..100),
    // ProgressiveEncoding and GrayScale (false unless "TRUE" in any case). A line with another
    // key is consumed and leaves the default.
    bool ReadFrom(std::istream& in) override;

    // Stores q only when 0 < q <= 100.
    void SetQuality(int quality);
    int GetQuality() const { return m_compressionQuality; }
    void SetProgressive(bool progressive) { m_progressiveEncoding = progressive; }
    bool GetProgressive() const { return m_progressiveEncoding; }
    void SetGrayScale(bool grayScale) { m_grayScale = grayScale; }
    bool GetGrayScale() const { return m_grayScale; }

private:
    int m_compressionQuality = 0; // 1..100 once set; 0 in a new preset
    bool m_progressiveEncoding = false;
    bool m_grayScale = false;
};

class TGFPresetGIF : public TGFPreset {
public:
    explicit TGFPresetGIF(const std::string& name = std::string());
    std::unique_ptr<TGFPreset> Clone() const override;
    void AssignFrom(const TGFPreset& source) override;

    void SetGrayScale(bool grayScale) { m_grayScale = grayScale; }
    bool GetGrayScale() const { return m_grayScale; }

private:
    bool m_grayScale = false; // not part of the text form
};

// The list of presets with a default and a current index (-1 until set). Entries may be empty
// (nullptr) only after Replace with no preset.
class TGFPresetList {
public:
    TGFPresetList() = default;
    TGFPresetList(const TGFPresetList&) = delete;
    TGFPresetList& operator=(const TGFPresetList&) = delete;

    int Count() const { return static_cast<int>(m_items.size()); }
    // The entry at index; throws std::out_of_range for an index outside the list. The list keeps
    // ownership.
    TGFPreset* Item(int index) const;
    int DefaultIndex() const { return m_defaultIndex; }
    int CurrentIndex() const { return m_currentIndex; }
    // The current entry, or nullptr when the current index names none.
    TGFPreset* Current() const;

    // Frees every entry, last first; the indexes stay as they are.
    void Clear();
    // Stores a clone of preset at index, freeing the old entry, unless preset is that very
    // entry. Throws std::out_of_range for an index outside the list.
    void Replace(int index, const TGFPreset* preset);
    // Appends a clone; answers its index, or -1 without a preset.
    int Add(const TGFPreset* preset);
    // The five built-in presets; default and current index 1 ("Text & Lines").
    void LoadDefaults();
    // Makes index current, or the default index when index names no entry.
    void SetCurrent(int index);

private:
    std::vector<std::unique_ptr<TGFPreset>> m_items;
    int m_defaultIndex = -1;
    int m_currentIndex = -1;
};

// The process's one preset list.
extern TGFPresetList PresetList;
