#include "sdcard/cardcheck.h"

#include "sdcard/cardtexts.h"

namespace pelzo {

CardCheck CheckCardPresent(Appusb& usb)
{
    const SetupReply r = RequestSetup(usb);
    if (r.got < 0) return CardCheck::Failed;
    // No byte back says nothing about a card: judged as none.
    if (r.got < 1 || !CardPresent(r.setup)) {
        usb.dialogs().message(PlainMessage(MsgNoCard));
        return CardCheck::Absent;
    }
    return CardCheck::Present;
}

}  // namespace pelzo
