// The SD card command of the main window's toolbar.
#include "app/commands.h"
#include "files/openfile.h"
#include "sdcard/cardcheck.h"
#include "sdcard/cardtexts.h"
#include "sdcard/ui/sdcardwindow.h"

#include <QWidget>

namespace pelzo {

namespace {

struct WaitCursor {
    explicit WaitCursor(QWidget* w) : widget(w)
    {
        if (widget) widget->setCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (widget) widget->unsetCursor();
    }
    QWidget* widget;
};

}  // namespace

void ToolButton6Click(Core& c, QWidget* owner)
{
    TimerOff timerOff(c.timer1s);  // from the first step to the last
    // A failed read of the settings byte has dropped the link and said so: no window over a dead link.
    if (c.st.UsbLinked && CheckCardPresent(c.usb) != CardCheck::Present) return;
    c.st.OpenFileName.clear();
    if (!c.st.UsbLinked) {
        c.dialogs.message(PlainMessage(MsgUsbNotLinked));
        return;
    }
    WaitCursor cursor(owner);
    {
        TForm_sd window(c, owner);
        window.exec();
    }
    if (!c.st.OpenFileName.isEmpty()) OpenFileIntoViews(c);
}

}  // namespace pelzo
