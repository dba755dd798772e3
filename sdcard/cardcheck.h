// The first step of every card command: is a card in the meter?
#pragma once

#include "meter/requests.h"

namespace pelzo {

enum class CardCheck { Present, Absent, Failed };

// The settings byte and its card-present bit; shows "未能检测到SD卡！" when the bit
// is clear or no byte came back. A failed request has shown the link's message already.
CardCheck CheckCardPresent(Appusb& usb);

}  // namespace pelzo
