#pragma once
// The paginated RTF list of all records (ASCII only).

#include <string>

#include "model/measurement.h"

namespace korvala {

// The document; empty when there are no records (the list needs a last index).
std::string formatRtfList(const Table& records);
// The bytes the export writes: the document followed by one CR LF.
std::string rtfFileContent(const std::string& document);

}  // namespace korvala
