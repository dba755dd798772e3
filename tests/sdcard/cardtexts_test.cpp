// Texts of the SD card window and the file names made from card names.
#include "sdcard/cardtexts.h"
#include "sdcard/fat32.h"
#include "tests/sdcard/cardfixture.h"
#include "tests/support/testseams.h"

#include <gtest/gtest.h>

namespace pelzo::test {
namespace {

DirEntry Entry(const char name11[12], uint32_t size = 0, uint16_t date = 0, uint16_t time = 0)
{
    DirEntry e{};
    std::copy_n(name11, 11, e.begin());
    e[11] = 0x20;
    e[14] = uint8_t(time);
    e[15] = uint8_t(time >> 8);
    e[16] = uint8_t(date);
    e[17] = uint8_t(date >> 8);
    for (int i = 0; i < 4; ++i) e[size_t(28 + i)] = uint8_t(size >> (8 * i));
    return e;
}

Name11 Raw(QByteArrayView b)
{
    Name11 n;
    std::copy_n(b.begin(), 11, n.begin());
    return n;
}

TEST(CardTexts, SizeColumnCutsKilobytes)
{
    const std::pair<uint32_t, const char*> cases[] = {
        {1000, "0.976   KB"}, {1024, "1   KB"}, {0, "0   KB"}, {1536, "1.5   KB"}, {10000, "9.765   KB"},
        {4294967295u, "4194304   KB"}};
    for (const auto& [size, text] : cases) EXPECT_EQ(EntrySizeText(Entry("A       TXT", size)), text) << size;
}

TEST(CardTexts, DateAndTimeFieldsAreHeldToValidValues)
{
    struct Case {
        uint16_t date, time;
        QDate d;
        QTime t;
    } cases[] = {
        {0x42CF, 0x73CA, {2013, 6, 15}, {14, 30, 20}},
        {0, 0, {1980, 1, 1}, {0, 0, 0}},
        {0x001E, 0x001E, {1980, 1, 30}, {0, 0, 59}},   // seconds field 30: 60 s, held to 59
        {0x005D, 0x001F, {1980, 2, 29}, {0, 0, 59}},   // 29 Feb 1980 exists
        {0x025E, 0xFFFF, {1981, 2, 28}, {23, 59, 59}}, // 30 Feb held to the month's last day
        {0xFFFF, 0, {2107, 12, 31}, {0, 0, 0}},        // month 15 held to 12
    };
    for (const Case& c : cases) {
        const DirEntry e = Entry("A       TXT", 0, c.date, c.time);
        EXPECT_EQ(EntryDate(e), c.d) << std::hex << c.date;
        EXPECT_EQ(EntryTime(e), c.t) << std::hex << c.time;
    }
}

TEST(CardTexts, NameColumnKeepsInnerBlanksAndShowsControlsHarmlessly)
{
    EXPECT_EQ(EntryNameText(Entry("AB      TXT")), "AB      .txt");
    EXPECT_EQ(EntryNameText(Entry("REC00001PZO")), "REC00001.pzo");
    EXPECT_EQ(EntryNameText(Entry("README     ")), "README  .");
    EXPECT_EQ(EntryNameText(Entry("\x1b[2JAB  TXT")), "[2JAB  .txt");  // leading control trimmed
    EXPECT_EQ(EntryNameText(Entry("A\x1b[2J   TXT")), "A?[2J   .txt");  // inside: shown as "?"
    DirEntry nul = Entry("A       TXT");
    nul[1] = 0;
    nul[3] = 0xFF;  // no character in code page 936
    const QString shown = EntryNameText(nul);
    EXPECT_TRUE(shown.startsWith("A?")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(".txt"));
    // Code page 936 bytes read as their characters.
    EXPECT_EQ(EntryNameText(Entry("\xb2\xe2\xca\xd4    TXT")), QString::fromUtf8("测试    .txt"));
    EXPECT_EQ(EntryRow(Entry("VOLUME  LBL"), 0), (std::array<QString, 4>{"...", "", "", ""}));
}

TEST(CardTexts, ShortNameMakesTheDirectoryForm)
{
    const std::pair<const char*, const char*> valid[] = {
        {"ab.txt", "AB      TXT"}, {"ab.t", "AB      T  "},   {".txt", "        TXT"},
        {"abcdefgh.txtx", "ABCDEFGHTXT"}, {"REC00001.PZO", "REC00001PZO"}, {"ab      .TXT", "AB      TXT"},
        {"x.", "X          "}};
    for (const auto& [in, out] : valid) {
        ScriptedDialogs d;
        QByteArray name(in);
        EXPECT_FALSE(ShortName(name, d)) << in;
        EXPECT_EQ(name, QByteArray(out)) << in;
        EXPECT_TRUE(d.shown.empty());
    }
    for (const char* in : {"abcdefghi.txt", "noextension", "", "abcdefghijkl.txt"}) {
        ScriptedDialogs d;
        QByteArray name(in);
        EXPECT_TRUE(ShortName(name, d)) << in;
        EXPECT_EQ(d.texts(), QStringList{MsgInvalidFileName});
    }
}

TEST(CardTexts, FileNamesFromCardNamesStayInTheirFolder)
{
    const std::tuple<QByteArray, bool, QString> cases[] = {
        {"REC00001PZO", true, "REC00001.PZO"},
        {"AB      TXT", true, "AB      .TXT"},
        {"AB      TXT", false, "AB.TXT"},
        {"README     ", false, "README"},
        {"../../ETCPW", true, ".._.._ET.CPW"},
        {"A/B     TXT", false, "A_B.TXT"},
        {QByteArray("A\0B\x01    T\nT", 11), false, "A_B_.T_T"},
        {"..      ...", false, "______"},
        {"..         ", false, "__"},
        {".         .", false, "..  ."},
        {"           ", false, "_"},
    };
    for (const auto& [raw, blanks, expected] : cases) {
        const QString name = CardFileName(Raw(raw), blanks);
        EXPECT_EQ(name, expected) << raw.toStdString();
        EXPECT_FALSE(name.contains('/'));
        EXPECT_NE(name, ".");
        EXPECT_NE(name, "..");
    }
    EXPECT_EQ(CardExtension(Raw("AB      /\0X")), QString::fromLatin1("__X"));
    EXPECT_EQ(DottedName(Raw("AB      TXT")), "AB      .TXT");
}

TEST(CardTexts, SpaceFiguresAndPieShares)
{
    VolumeState v;
    v.TotalBytes = 10485760;
    v.FreeBytes = 1572864;
    SpaceFigures f = MakeSpaceFigures(v);
    EXPECT_EQ(f.freeBytesText, "1572864");
    EXPECT_EQ(f.freeMbText, "1.5");
    EXPECT_EQ(f.usedBytesText, "8912896");
    EXPECT_EQ(f.usedMbText, "8.5");
    EXPECT_EQ(f.totalMbText, "10");
    EXPECT_EQ(f.freeShare, 15);

    v.TotalBytes = 32000000000ull;  // a 32 GB card, 30 % free
    v.FreeBytes = v.TotalBytes * 3 / 10;
    EXPECT_EQ(MakeSpaceFigures(v).freeShare, 30);

    EXPECT_EQ(MakeSpaceFigures(VolumeState{}).freeShare, 0);  // nothing mounted: no division
    EXPECT_EQ(MbText(1048575), "0.99");
}

}  // namespace
}  // namespace pelzo::test
