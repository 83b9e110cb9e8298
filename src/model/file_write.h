#pragma once
// Writing a whole file so that neither a failure nor the write itself takes from the user what
// the file was: its content until the new one is complete, its owner, its mode and its links.

#include <string>
#include <string_view>

namespace korvala {

// Writes `content` to `path`, replacing it. The bytes go to a temporary file beside the target,
// which is renamed over it only when complete, so a full disk or a vanished drive never leaves a
// half-written file or destroys the previous one. Beyond that it acts as a plain open would:
// - a symbolic link is followed and its target rewritten; the link stays;
// - a file the user may not write is refused, whatever the folder allows;
// - a replaced file keeps owner, group and mode; a new one gets 0666 less the umask;
// - a file with several names (hard links), or one whose owner or group cannot be kept (a file
//   of another user the user may write), is rewritten in place after its disk space has been
//   reserved, so every name shows the new content and a full disk still fails before any old
//   byte changes;
// - a folder that forbids new files fails the write, even for a file the user may write;
// - a device or pipe is written straight.
// Returns false with `error` set to a German sentence naming the file and the reason.
bool writeFileBytes(const std::string& path, std::string_view content,
                    std::string* error = nullptr);

// Whether both paths name the same existing file (device and inode, links followed), however
// differently they are spelled.
bool isSameFile(const std::string& a, const std::string& b);

// The refusal to write the output over the input `path` it is made from.
std::string outputIsInputText(const std::string& path);

}  // namespace korvala
