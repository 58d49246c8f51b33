// Path helpers. The separator is "/"; a "\" from a Win32-style path is read as one.
#include <string>

#include "platform/WinBase.h"

namespace tallyvane::path {

namespace {

bool IsDelimiter(char c) {
    return c == '/' || c == '\\';
}

size_t LastDelimiter(const std::string& path) {
    return path.find_last_of("/\\");
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string Normalize(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string IncludeTrailingDelimiter(const std::string& path) {
    std::string out = Normalize(path);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

std::string ExcludeTrailingDelimiter(const std::string& path) {
    std::string out = Normalize(path);
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::string ExtractFileName(const std::string& path) {
    size_t slash = LastDelimiter(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& path) {
    size_t slash = LastDelimiter(path);
    return slash == std::string::npos ? std::string() : Normalize(path.substr(0, slash + 1));
}

std::string ExtractFileExt(const std::string& path) {
    std::string name = ExtractFileName(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    size_t slash = LastDelimiter(path);
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start)
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return Normalize(name);
    size_t skip = 0;
    while (skip < name.size() && IsDelimiter(name[skip]))
        ++skip;
    return IncludeTrailingDelimiter(dir) + Normalize(name.substr(skip));
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    // Iterative glob with one backtrack point: linear in practice, no recursion on hostile input.
    size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace tallyvane::path
