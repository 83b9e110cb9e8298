#include "device/card_commands.h"

namespace korvala {

bool clearCard(SerialLink& link) {
    if (!link.isOpen())
        return false;
    link.write(kClearCardCommand);
    return true;
}

}  // namespace korvala
