#include "app/seams.h"

#include <thread>

namespace pelzo {

Message PlainMessage(const QString& text) { return {text, AppTitle, Ok, Icon::None, false}; }

Message WarningMessage(const QString& text, int buttons) { return {text, QStringLiteral("Warning"), buttons, Icon::Warning, false}; }

Message ConfirmMessage(const QString& text) { return {text, QStringLiteral("Confirm"), Yes | No, Icon::Question, false}; }

Message CaptionedMessage(const QString& text, const QString& caption, int buttons, Icon icon)
{
    return {text, caption, buttons, icon, false};
}

void SleepPause::pause(int ms)
{
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace pelzo
