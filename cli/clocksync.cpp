// pelzo clock-sync: sets the meter's clock from the computer's, as the dialog's clock button does.
#include "cli/cli.h"

#include "settings/setup.h"

#include <cstdio>

namespace pelzo::cli {

namespace {

const char* const ClockSyncUsage =
    "usage: pelzo clock-sync\n"
    "\n"
    "Sends the computer's local date and, half a second later, its time of day to the meter\n"
    "(request 5, BCD fields) and prints what was sent.\n"
    "\n"
    "For tests only: PELZO_FAKE_NOW=YYYY-MM-DDTHH:MM:SS replaces the computer's clock.\n";

// A clock stopped at one moment, for tests.
class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime t) : t_(std::move(t)) {}
    QDateTime now() override { return t_; }

private:
    QDateTime t_;
};

QString Hex(const RequestBlock& b)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(b[0], 2, 16, QLatin1Char('0'))
        .arg(b[1], 2, 16, QLatin1Char('0'))
        .arg(b[2], 2, 16, QLatin1Char('0'))
        .arg(b[3], 2, 16, QLatin1Char('0'));
}

}  // namespace

int CmdClockSync(Context& c, const QStringList& args)
{
    if (WantsHelp(args)) {
        std::fputs(ClockSyncUsage, stdout);
        return 0;
    }
    if (!args.isEmpty()) {
        Err(QStringLiteral("pelzo clock-sync: unknown option ") + args[0]);
        std::fputs(ClockSyncUsage, stderr);
        return 2;
    }
    std::optional<FixedClock> fixed;
    const QByteArray fake = qgetenv("PELZO_FAKE_NOW");
    if (!fake.isEmpty()) {
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(fake), Qt::ISODate);
        if (!t.isValid()) {
            Err(QStringLiteral("pelzo clock-sync: PELZO_FAKE_NOW is not YYYY-MM-DDTHH:MM:SS"));
            return 2;
        }
        fixed.emplace(t);
    }
    Core core{c.st, c.usb, c.dialogs, fixed ? static_cast<Clock&>(*fixed) : c.clock, c.timer, c.pause};

    c.st.UsbLinked = c.usb.OpenMeter() == MeterOpened;
    if (!c.st.UsbLinked) {
        c.dialogs.message(PlainMessage(MsgMeterNotLinked));
        return 1;
    }
    const int before = c.dialogs.shown();
    const ClockSyncBlocks sent = SyncMeterClock(core);
    if (c.dialogs.shown() > before) return 1;
    Out(QStringLiteral("date\t%1-%2-%3\t%4").arg(c.st.TextYear, c.st.TextMonth, c.st.TextDay, Hex(sent.date)));
    Out(QStringLiteral("time\t%1:%2:%3\t%4").arg(c.st.TextHour, c.st.TextMinute, c.st.TextSecond, Hex(sent.time)));
    return 0;
}

}  // namespace pelzo::cli
