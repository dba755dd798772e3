#include "sdcard/cardcheck.h"

#include "sdcard/cardtexts.h"

namespace pelzo {

CardCheck CheckCardPresent(Appusb& usb)
{
    std::array<uint8_t, 1> setup{};
    const int r = usb.MeterRequest(DirIn, 2, RequestBlock{1, 0, 0, 0}, setup);
    if (r < 0) return CardCheck::Failed;
    // No byte back says nothing about a card: judged as none.
    if (r < 1 || !(setup[0] & CardPresentBit)) {
        usb.dialogs().message(PlainMessage(MsgNoCard));
        return CardCheck::Absent;
    }
    return CardCheck::Present;
}

}  // namespace pelzo
