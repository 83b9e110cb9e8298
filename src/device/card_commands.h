#pragma once
// Commands to the device that get no answer. Each is one character without a line end.

#include "device/serial_link.h"

namespace korvala {

inline constexpr char kReadCommand[] = "r";       // send the measurement of the card
inline constexpr char kClearCardCommand[] = "p";  // clear the card

// Clears the device's card. Sent only when the link is open; a closed link makes it do nothing.
// Returns whether the command went out. Nothing confirms that the device carried it out.
bool clearCard(SerialLink& link);

}  // namespace korvala
