#pragma once
// Files are Windows-1252 (one byte a character); everything inside the program is UTF-8.

#include <string>
#include <string_view>

namespace korvala {

std::string cp1252ToUtf8(std::string_view bytes);
// Characters that Windows-1252 cannot hold become "?".
std::string utf8ToCp1252(std::string_view utf8);
// Number of characters (code points) of a UTF-8 text, and its first n characters.
std::size_t utf8Length(std::string_view utf8);
std::string utf8Left(std::string_view utf8, std::size_t n);

}  // namespace korvala
