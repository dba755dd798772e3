// pelzo card: the meter's SD card without the window, with the window's figures and rows.
#include "cli/cli.h"

#include "sdcard/cardcheck.h"
#include "sdcard/cardtexts.h"
#include "sdcard/fat32.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <optional>

namespace pelzo::cli {

namespace {

const char* const CardUsage =
    "usage: pelzo card info | ls | get NAME [DEST] | rm NAME\n"
    "\n"
    "The meter's Micro SD card (FAT32, root directory only), read and changed through the meter.\n"
    "\n"
    "  info            file system, used, free and total space in bytes and MB\n"
    "  ls              the root directory as the SD card window lists it: name, size, date, time\n"
    "  get NAME [DEST] copy the card file NAME (its 8.3 name) to the computer\n"
    "  rm NAME         delete the card file NAME\n"
    "\n"
    "Run 'pelzo card SUBCOMMAND --help' for details. Every sector costs about half a second.\n";

const char* const InfoUsage =
    "usage: pelzo card info\n"
    "\n"
    "Prints the card's figures as the SD card window shows them, one per line, tab-separated:\n"
    "the file system (FAT32), used, free and total space in bytes and in MB (2 decimals, cut),\n"
    "and the free and used shares of the pie in percent.\n";

const char* const LsUsage =
    "usage: pelzo card ls\n"
    "\n"
    "Lists the card's root directory, one row per entry, the four columns name, size (KB),\n"
    "date and time joined by tabs. The first entry (normally the volume label) is the root row\n"
    "\"...\". Long names and deleted entries are not listed; at most 500 rows are listed, and a\n"
    "note on standard error says when the list was cut.\n";

const char* const GetUsage =
    "usage: pelzo card get NAME [DEST]\n"
    "\n"
    "Copies the root file NAME (dotted 8.3 form, such as REC00001.PZO; case does not matter)\n"
    "byte for byte to DEST. DEST is a file path, or a folder that receives the file under its card\n"
    "name; without DEST the working directory receives it. The target appears only when the whole\n"
    "file arrived. Prints the target path.\n";

const char* const RmUsage =
    "usage: pelzo card rm NAME\n"
    "\n"
    "Deletes the root file NAME (dotted 8.3 form) from the card: its entry is marked free, the\n"
    "free count in FSInfo grows by its clusters and its chain in the first FAT is released.\n"
    "Directories are not deleted.\n";


int Usage(const char* text, int status)
{
    std::fputs(text, status ? stderr : stdout);
    return status;
}

// The link must be up. The card itself answers through the first sector read, so the wire
// starts with sector 0 (a meter without a card refuses that read).
bool CardReady(Context& c)
{
    c.st.UsbLinked = c.usb.OpenMeter() == MeterOpened;
    if (!c.st.UsbLinked) {
        c.dialogs.message(PlainMessage(MsgUsbNotLinked));
        return false;
    }
    return true;
}

void PrintInfo(const Fat32& fs)
{
    const SpaceFigures f = MakeSpaceFigures(fs.volume());
    const QChar tab = QLatin1Char('\t');
    Out(QString::fromUtf8("类型:") + tab + QString::fromUtf8("Micro SD 卡"));
    Out(QString::fromUtf8("文件系统:") + tab + FatTypeText.trimmed());
    Out(QString::fromUtf8("已用空间:") + tab + f.usedBytesText + tab + QString::fromUtf8("字节") + tab + f.usedMbText +
        tab + QStringLiteral("MB"));
    Out(QString::fromUtf8("可用空间:") + tab + f.freeBytesText + tab + QString::fromUtf8("字节") + tab + f.freeMbText +
        tab + QStringLiteral("MB"));
    Out(QString::fromUtf8("容量:") + tab + f.totalBytesText + tab + QString::fromUtf8("字节") + tab + f.totalMbText +
        tab + QStringLiteral("MB"));
    Out(QString::fromUtf8("可用/已用:") + tab + QString::number(f.freeShare) + tab + QString::number(100 - f.freeShare) +
        tab + QStringLiteral("%"));
}

void PrintRows(const Fat32& fs)
{
    const auto& table = fs.EntryTable();
    for (int i = 0; i < int(table.size()); ++i) {
        const auto row = EntryRow(table[size_t(i)], i);
        Out(i == 0 ? row[0] : row[0] + QLatin1Char('\t') + row[1] + QLatin1Char('\t') + row[2] + QLatin1Char('\t') + row[3]);
    }
    if (fs.listCut()) Err(QStringLiteral("pelzo card: the list is cut after %1 entries").arg(MaxEntries));
}

QString TargetPath(const QString& appDir, const std::optional<QString>& dest, const Name11& name)
{
    const QString folderOrFile = dest ? *dest : appDir;
    if (QFileInfo(folderOrFile).isDir()) return QDir(folderOrFile).filePath(CardFileName(name, false));
    return folderOrFile;
}

int Get(Context& c, Fat32& fs, const Name11& name, const QString& target)
{
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        c.dialogs.message(PlainMessage(MsgCannotWriteTarget + target));
        return 1;
    }
    const int r = fs.CopyCardEntry(name, out);
    if (r == CopyTargetFailed) c.dialogs.message(PlainMessage(MsgCannotWriteTarget + target));
    if (r != CopyEnded || !fs.complete()) {
        out.cancelWriting();
        return 1;
    }
    if (!out.commit()) {
        c.dialogs.message(PlainMessage(MsgCannotWriteTarget + target));
        return 1;
    }
    Out(target);
    return 0;
}

}  // namespace

int CmdCard(Context& c, const QStringList& allArgs)
{
    if (allArgs.isEmpty()) return Usage(CardUsage, 2);
    const QString sub = allArgs[0];
    const QStringList args = allArgs.mid(1);
    struct Sub {
        const char* name;
        const char* usage;
        int minArgs, maxArgs;
    };
    static const Sub subs[] = {{"info", InfoUsage, 0, 0}, {"ls", LsUsage, 0, 0}, {"get", GetUsage, 1, 2}, {"rm", RmUsage, 1, 1}};
    if (sub == QLatin1String("--help") || sub == QLatin1String("-h")) return Usage(CardUsage, 0);
    const Sub* s = nullptr;
    for (const Sub& x : subs)
        if (sub == QLatin1String(x.name)) s = &x;
    if (!s) {
        Err(QStringLiteral("pelzo card: unknown subcommand ") + sub);
        return Usage(CardUsage, 2);
    }
    if (WantsHelp(args)) return Usage(s->usage, 0);
    if (args.size() < s->minArgs || args.size() > s->maxArgs) return Usage(s->usage, 2);

    // Names are checked before the card is touched; an invalid one costs no sector.
    std::optional<Name11> name;
    const int before = c.dialogs.shown();
    if (s->minArgs > 0) {
        QByteArray bytes = CardBytes(args[0]);
        if (ShortName(bytes, c.dialogs)) return 1;
        name.emplace();
        std::copy_n(bytes.begin(), name->size(), name->begin());
    }

    c.timer.setEnabled(false);  // no tick between the requests of a sector
    if (!CardReady(c)) return 1;
    MeterCard card(c.usb);
    Fat32 fs(card, c.dialogs);
    const bool mounted = fs.MountVolume() == MountOk;
    if (!mounted) {
        if (!fs.transferFailed()) {
            Err(QStringLiteral("pelzo card: no FAT32 volume on the card"));
        } else if (c.usb.OpenMeter() == MeterOpened) {
            // The meter refused the first sector: a missing card is the usual reason, say so.
            CheckCardPresent(c.usb);
        }
        return 1;
    }
    int status = 0;
    if (sub == QLatin1String("info")) {
        PrintInfo(fs);
    } else if (sub == QLatin1String("ls")) {
        fs.ListRootDir();
        PrintRows(fs);
    } else if (sub == QLatin1String("get")) {
        const std::optional<QString> dest = args.size() > 1 ? std::optional<QString>(args[1]) : std::nullopt;
        status = Get(c, fs, *name, TargetPath(c.st.AppDir, dest, *name));
    } else {
        fs.DeleteCardFile(*name);
    }
    return status || fs.transferFailed() || c.dialogs.shown() > before ? 1 : 0;
}

}  // namespace pelzo::cli
