#include "platform/gdi/FontMatch_p.h"

#include "platform/gdi/CoreFaces_p.h"
#include "platform/gdi/TextEncoding_p.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <tuple>

namespace gdi {

namespace {

constexpr BYTE kSymbolCharset = 2;
constexpr BYTE kShiftJisCharset = 128;
constexpr BYTE kHangulCharset = 129;
constexpr BYTE kJohabCharset = 130;
constexpr BYTE kGb2312Charset = 134;
constexpr BYTE kBig5Charset = 136;
constexpr BYTE kFixedPitch = 1;
constexpr BYTE kFamilyRoman = 0x10;
constexpr BYTE kFamilyModern = 0x30;

// Faces of the producer's machine and the installed face that stands in for each. The first
// group keeps every advance width of the original; the rest only keep the look. The older
// faces carry in their OS/2 table the average width of the lowercase letters weighted by
// frequency, while the installed faces may carry the plain average of all their glyphs, a good
// deal wider; GDI sizes windows from that figure, so those substitutes report the weighted one.
// The vertical metrics and smoothing rule of a face that a look-alike stands in for.
struct TOriginalFace {
    int unitsPerEm;
    int winAscent;      // OS/2 usWinAscent
    int winDescent;     // OS/2 usWinDescent
    int bilevelThrough; // its gasp table asks for no smoothing up to this many pixels per em
};

// Tahoma: the em sits low in a tall cell (ascent 2049 of 2048 units), and standard smoothing
// leaves it crisp through 16 pixels per em, the sizes of dialog and caption text.
constexpr TOriginalFace kTahoma{2048, 2049, 423, 16};

struct TSubstitute {
    const char16_t* name; // lower case
    const char* family;
    bool metricCompatible;
    bool lowercaseAverage; // the original's average width is the weighted lowercase one
    const TOriginalFace* original = nullptr; // for a look-alike: the face it stands in for
};

constexpr TSubstitute kSubstitutes[] = {
    {u"arial", "Liberation Sans", true, true},
    {u"helvetica", "Liberation Sans", true, true},
    {u"arial narrow", "Liberation Sans Narrow", true, true},
    {u"times new roman", "Liberation Serif", true, true},
    {u"times", "Liberation Serif", true, true},
    {u"courier new", "Liberation Mono", true, true},
    {u"courier", "Liberation Mono", true, true},
    {u"calibri", "Carlito", true, false},
    {u"cambria", "Caladea", true, false},
    {u"ms sans serif", "Liberation Sans", false, true},
    {u"microsoft sans serif", "Liberation Sans", false, true},
    {u"ms shell dlg", "Liberation Sans", false, true},
    {u"ms shell dlg 2", "Liberation Sans", false, true},
    {u"tahoma", "DejaVu Sans", false, true, &kTahoma},
    {u"verdana", "DejaVu Sans", false, true},
    {u"segoe ui", "Liberation Sans", false, false},
    {u"system", "Liberation Sans", false, true},
    {u"fixedsys", "Liberation Mono", false, true},
    {u"terminal", "Liberation Mono", false, true},
    {u"lucida console", "Liberation Mono", false, true},
    {u"consolas", "Liberation Mono", false, false},
    {u"ms serif", "Liberation Serif", false, true},
    {u"georgia", "Liberation Serif", false, true},
    {u"book antiqua", "Liberation Serif", false, true},
    {u"garamond", "Liberation Serif", false, true},
    {u"century schoolbook", "Liberation Serif", false, true},
    {u"symbol", "OpenSymbol", false, false},
    {u"wingdings", "OpenSymbol", false, false},
    {u"wingdings 2", "OpenSymbol", false, false},
    {u"wingdings 3", "OpenSymbol", false, false},
    {u"webdings", "OpenSymbol", false, false},
};

using TCacheKey = std::tuple<std::u16string, LONG, bool, BYTE, BYTE>;

std::mutex g_cacheLock;
std::map<TCacheKey, TFaceMatch>& Cache() {
    static std::map<TCacheKey, TFaceMatch> cache;
    return cache;
}

const TSubstitute* FindSubstitute(const std::u16string& faceName) {
    std::u16string lower = AsciiLower(faceName);
    for (const auto& entry : kSubstitutes) {
        if (lower == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

// The family name as fontconfig spells it when a scalable face of that family is installed.
std::string InstalledFamily(const std::string& family) {
    if (family.empty()) {
        return {};
    }
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    std::string found;
    if (set != nullptr && set->nfont > 0) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(set->fonts[0], FC_FAMILY, 0, &name) == FcResultMatch) {
            found = reinterpret_cast<const char*>(name);
        }
    }
    if (set != nullptr) {
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

// The language fontconfig should cover for a CJK character set; empty for the others.
const char* CjkLanguage(BYTE charSet) {
    switch (charSet) {
    case kShiftJisCharset:
        return "ja";
    case kHangulCharset:
    case kJohabCharset:
        return "ko";
    case kGb2312Charset:
        return "zh-cn";
    case kBig5Charset:
        return "zh-tw";
    default:
        return "";
    }
}

// A family that covers the language, found through fontconfig's own preferences.
std::string FamilyForLanguage(const char* language) {
    FcPattern* pattern = FcPatternCreate();
    FcLangSet* languages = FcLangSetCreate();
    FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(language));
    FcPatternAddLangSet(pattern, FC_LANG, languages);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    std::string family;
    if (found != nullptr) {
        FcLangSet* covered = nullptr;
        FcChar8* name = nullptr;
        if (FcPatternGetLangSet(found, FC_LANG, 0, &covered) == FcResultMatch &&
            FcLangSetHasLang(covered, reinterpret_cast<const FcChar8*>(language)) == FcLangEqual &&
            FcPatternGetString(found, FC_FAMILY, 0, &name) == FcResultMatch) {
            family = reinterpret_cast<const char*>(name);
        }
        FcPatternDestroy(found);
    }
    FcLangSetDestroy(languages);
    FcPatternDestroy(pattern);
    return family;
}

std::string FamilyByPitchAndFamily(BYTE pitchAndFamily) {
    BYTE family = pitchAndFamily & 0xF0;
    if ((pitchAndFamily & 0x03) == kFixedPitch || family == kFamilyModern) {
        return "Liberation Mono";
    }
    if (family == kFamilyRoman) {
        return "Liberation Serif";
    }
    return "Liberation Sans";
}

int FontconfigWeight(LONG weight) {
    if (weight <= 0) {
        weight = 400;
    }
    return FcWeightFromOpenType(weight > 1000 ? 1000 : static_cast<int>(weight));
}

// Completes a query with the request's weight and slant, scalable files only, and the system's
// substitutions, ready for matching.
void AddStyleAndSubstitute(FcPattern* pattern, const TFaceRequest& request) {
    FcPatternAddInteger(pattern, FC_WEIGHT, FontconfigWeight(request.weight));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
}

// Picks the file of `family` closest to the weight and slant; fills file, index and the
// synthesis flags.
bool ResolveFile(const std::string& family, const TFaceRequest& request, TFaceMatch& match) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    AddStyleAndSubstitute(pattern, request);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (found == nullptr) {
        return false;
    }
    FcChar8* file = nullptr;
    FcChar8* foundFamily = nullptr;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch;
    if (ok) {
        match.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(found, FC_INDEX, 0, &index);
        FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(found, FC_SLANT, 0, &slant);
        if (FcPatternGetString(found, FC_FAMILY, 0, &foundFamily) == FcResultMatch) {
            match.family = reinterpret_cast<const char*>(foundFamily);
        }
        match.index = index;
        match.syntheticBold = request.weight >= 600 && weight < FC_WEIGHT_DEMIBOLD;
        match.syntheticItalic = request.italic && slant == FC_SLANT_ROMAN;
    }
    FcPatternDestroy(found);
    return ok;
}

TFaceMatch Resolve(const TFaceRequest& request) {
    TFaceMatch match;
    const TSubstitute* substitute = FindSubstitute(request.faceName);
    std::string requested = Utf16ToUtf8(request.faceName);
    std::string family = InstalledFamily(requested);
    bool nameKept = !family.empty();
    if (family.empty() && request.charSet != kSymbolCharset) {
        const char* language = CjkLanguage(request.charSet);
        if (*language != '\0') {
            family = FamilyForLanguage(language);
        }
    }
    bool substituted = false;
    if (family.empty() && substitute != nullptr) {
        family = InstalledFamily(substitute->family);
        nameKept = !family.empty() && substitute->metricCompatible;
        substituted = !family.empty();
    }
    if (family.empty() && request.charSet == kSymbolCharset) {
        family = InstalledFamily("OpenSymbol");
    }
    if (family.empty()) {
        family = InstalledFamily(FamilyByPitchAndFamily(request.pitchAndFamily));
    }
    if (family.empty()) {
        family = "sans-serif";
    }
    if (!ResolveFile(family, request, match)) {
        return match;
    }
    match.name =
        nameKept && !request.faceName.empty() ? request.faceName : Utf8ToUtf16(match.family);
    match.symbolMapped = request.charSet == kSymbolCharset;
    match.symbolEncoded = AsciiLower(request.faceName) == u"symbol";
    match.symbolFace = match.symbolMapped || match.family == "OpenSymbol" ||
                       (substitute != nullptr && std::string(substitute->family) == "OpenSymbol");
    match.lowercaseAverage = substituted && substitute->lowercaseAverage;
    if (substituted && substitute->original != nullptr) {
        match.unitsPerEm = substitute->original->unitsPerEm;
        match.winAscent = substitute->original->winAscent;
        match.winDescent = substitute->original->winDescent;
        match.bilevelThrough = substitute->original->bilevelThrough;
    }
    return match;
}

TFaceMatch ResolveFallback(char32_t character, const TFaceRequest& request) {
    TFaceMatch match;
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, static_cast<FcChar32>(character));
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    AddStyleAndSubstitute(pattern, request);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    for (int i = 0; sorted != nullptr && i < sorted->nfont; ++i) {
        FcPattern* font = sorted->fonts[i];
        FcCharSet* covered = nullptr;
        FcChar8* file = nullptr;
        FcBool scalable = FcFalse;
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &covered) != FcResultMatch ||
            !FcCharSetHasChar(covered, static_cast<FcChar32>(character)) ||
            FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
            (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable)) {
            continue;
        }
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcChar8* family = nullptr;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);
        match.file = reinterpret_cast<const char*>(file);
        match.index = index;
        if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch) {
            match.family = reinterpret_cast<const char*>(family);
        }
        match.name = Utf8ToUtf16(match.family);
        match.syntheticBold = request.weight >= 600 && weight < FC_WEIGHT_DEMIBOLD;
        match.syntheticItalic = request.italic && slant == FC_SLANT_ROMAN;
        break;
    }
    if (sorted != nullptr) {
        FcFontSetDestroy(sorted);
    }
    FcCharSetDestroy(wanted);
    FcPatternDestroy(pattern);
    return match;
}

} // namespace

bool MatchFallbackFace(char32_t character, const TFaceRequest& request, TFaceMatch& match) {
    static std::mutex lock;
    static std::map<std::tuple<char32_t, bool, bool>, TFaceMatch> cache;
    std::tuple<char32_t, bool, bool> key{character, request.weight >= 600, request.italic};
    AddCoreFaces();
    std::lock_guard<std::mutex> guard(lock);
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.emplace(key, ResolveFallback(character, request)).first;
    }
    match = it->second;
    return !match.file.empty();
}

std::string SubstituteFaceName(const std::u16string& faceName) {
    const TSubstitute* substitute = FindSubstitute(faceName);
    return substitute != nullptr ? substitute->family : std::string();
}

bool MatchFontFace(const TFaceRequest& request, TFaceMatch& match) {
    TCacheKey key{AsciiLower(request.faceName), request.weight >= 600 ? 700 : 400, request.italic,
                  request.charSet, request.pitchAndFamily};
    AddCoreFaces();
    std::lock_guard<std::mutex> guard(g_cacheLock);
    auto& cache = Cache();
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.emplace(key, Resolve(request)).first;
    }
    match = it->second;
    if (!match.name.empty() && AsciiLower(match.name) == std::get<0>(key)) {
        match.name = request.faceName;
    }
    return !match.file.empty();
}

} // namespace gdi
