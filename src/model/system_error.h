#pragma once
// Why a file could not be read or written, in German whatever the machine's locale.

#include <string>

namespace korvala {

// The reason behind an errno value as a short German clause ("Keine Berechtigung") for the end
// of a message; a value without a text of its own is named by its number.
std::string systemErrorText(int err);

}  // namespace korvala
