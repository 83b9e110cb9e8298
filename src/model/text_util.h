#pragma once
// Small text helpers with the classic BASIC meanings the file formats were defined with.

#include <string>
#include <string_view>

namespace korvala {

// Removes leading and trailing blanks (spaces only, as the file formats define trimming).
std::string_view trimBlanks(std::string_view s);
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);
inline bool contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

// Moves `p` past leading blanks and one "+" or "-", as a number field may begin; true for "-".
inline bool skipBlanksAndSign(const char*& p, const char* end) {
    while (p != end && *p == ' ')
        ++p;
    if (p != end && (*p == '+' || *p == '-'))
        return *p++ == '-';
    return false;
}

}  // namespace korvala
