// pelzo settings: the meter's settings byte, read and changed as the settings dialog does.
#include "cli/cli.h"

#include "settings/setup.h"

#include <cstdio>

namespace pelzo::cli {

namespace {

const char* const SettingsUsage =
    "usage: pelzo settings [--range 0-6] [--weighting A|C] [--speed fast|slow] [--max-hold on|off]\n"
    "\n"
    "Reads the meter's settings (request 2) and prints them. With options, builds the new settings\n"
    "as confirming the settings dialog with those changes does (the card-present bit is never\n"
    "carried), writes them to the meter (request 3) when they differ from the byte read, and\n"
    "prints the settings again.\n"
    "\n"
    "  --range N         measuring range index:\n"
    "                      0  30- 80 dB   1  40- 90 dB   2  50-100 dB   3  60-110 dB\n"
    "                      4  70-120 dB   5  80-130 dB   6  30-130 dB\n"
    "  --weighting A|C   frequency weighting\n"
    "  --speed fast|slow time weighting\n"
    "  --max-hold on|off maximum hold\n";

struct Changes {
    std::optional<int> range;
    std::optional<bool> cWeighting;
    std::optional<bool> slow;
    std::optional<bool> maxHold;
    bool any() const { return range || cWeighting || slow || maxHold; }
};

// One of two words (case-insensitive) as false/true.
std::optional<bool> Choice(const QString& value, const char* no, const char* yes)
{
    if (value.compare(QLatin1String(no), Qt::CaseInsensitive) == 0) return false;
    if (value.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0) return true;
    return std::nullopt;
}

// Fills `out`; on a bad argument prints why and returns false.
bool ParseChanges(const QStringList& args, Changes& out)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& opt = args[i];
        if (i + 1 >= args.size()) {
            Err(QStringLiteral("pelzo settings: unknown option or missing value: ") + opt);
            return false;
        }
        const QString value = args[++i];
        bool ok = true;
        if (opt == QLatin1String("--range")) {
            const int r = value.toInt(&ok);
            ok = ok && r >= 0 && r < RangeCount;
            if (ok) out.range = r;
        } else if (opt == QLatin1String("--weighting")) {
            out.cWeighting = Choice(value, "A", "C");
            ok = out.cWeighting.has_value();
        } else if (opt == QLatin1String("--speed")) {
            out.slow = Choice(value, "fast", "slow");
            ok = out.slow.has_value();
        } else if (opt == QLatin1String("--max-hold")) {
            out.maxHold = Choice(value, "off", "on");
            ok = out.maxHold.has_value();
        } else {
            Err(QStringLiteral("pelzo settings: unknown option ") + opt);
            return false;
        }
        if (!ok) {
            Err(QStringLiteral("pelzo settings: bad value for %1: %2").arg(opt, value));
            return false;
        }
    }
    return true;
}

SetupFields Apply(SetupFields f, const Changes& ch)
{
    if (ch.range) f.range = *ch.range;
    if (ch.cWeighting) f.cWeighting = *ch.cWeighting;
    if (ch.slow) f.slow = *ch.slow;
    if (ch.maxHold) f.maxHold = *ch.maxHold;
    return f;
}

void PrintSettings(uint8_t b)
{
    const SetupFields f = DecodeSetup(b);
    const QString range = f.range < RangeCount ? RangeItems()[size_t(f.range)] : QStringLiteral("(none)");
    Out(QStringLiteral("byte\t0x%1").arg(b, 2, 16, QLatin1Char('0')));
    Out(QStringLiteral("range\t%1\t%2").arg(f.range).arg(range));
    Out(QStringLiteral("weighting\t") + (f.cWeighting ? QLatin1Char('C') : QLatin1Char('A')));
    Out(QStringLiteral("speed\t") + (f.slow ? QLatin1String("slow") : QLatin1String("fast")));
    Out(QStringLiteral("max-hold\t") + (f.maxHold ? QLatin1String("on") : QLatin1String("off")));
    Out(QStringLiteral("card\t") + (CardPresent(b) ? QLatin1String("present") : QLatin1String("absent")));
}

}  // namespace

int CmdSettings(Context& c, const QStringList& args)
{
    if (WantsHelp(args)) {
        std::fputs(SettingsUsage, stdout);
        return 0;
    }
    Changes changes;
    if (!ParseChanges(args, changes)) {
        std::fputs(SettingsUsage, stderr);
        return 2;
    }
    MainState& st = c.st;
    st.UsbLinked = c.usb.OpenMeter() == MeterOpened;
    if (!st.UsbLinked) {
        c.dialogs.message(PlainMessage(MsgMeterNotLinked));
        return 1;
    }
    const auto read = ReadSetupByte(c.usb);
    if (!read) return 1;  // the link has said why
    st.MeterSetup = *read;
    if (!changes.any()) {
        PrintSettings(st.MeterSetup);
        return 0;
    }
    const uint8_t wanted = EncodeSetup(Apply(DecodeSetup(st.MeterSetup), changes));
    if (wanted != st.MeterSetup) {
        if (!WriteSetupByte(c.usb, wanted)) return 1;
        st.MeterSetup = wanted;
    }
    PrintSettings(st.MeterSetup);
    return 0;
}

}  // namespace pelzo::cli
