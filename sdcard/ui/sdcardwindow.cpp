#include "sdcard/ui/sdcardwindow.h"

#include "sdcard/cardtexts.h"

#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>

namespace pelzo {

namespace {

const QColor Fuchsia(0xFF, 0x00, 0xFF);
const QColor Blue(0x00, 0x00, 0xFF);
const QColor SliceBorder(0x80, 0x80, 0xC0);  // 0xC08080 in the 0x00BBGGRR form

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, QRect r, bool enabled = true)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(r);
    b->setEnabled(enabled);
    return b;
}

QFrame* MakeSquare(QWidget* parent, QRect r, const QColor& color)
{
    auto* f = new QFrame(parent);
    f->setGeometry(r);
    f->setAutoFillBackground(true);
    QPalette p = f->palette();
    p.setColor(QPalette::Window, color);
    f->setPalette(p);
    f->setFrameShape(QFrame::Box);
    return f;
}

QPixmap CardIcon()
{
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x40, 0x40, 0x80));
    p.setBrush(QColor(0xF0, 0xF0, 0xFF));
    p.drawRect(QRectF(1.5, 0.5, 9, 11));
    p.drawLine(QPointF(3.5, 4), QPointF(8.5, 4));
    p.drawLine(QPointF(3.5, 6.5), QPointF(8.5, 6.5));
    return pm;
}

}  // namespace

SdPie::SdPie(QWidget* parent) : QWidget(parent) {}

void SdPie::setShares(std::optional<int> freeShare)
{
    free_ = freeShare ? std::optional<int>(std::clamp(*freeShare, 0, 100)) : std::nullopt;
    update();
}

void SdPie::paintEvent(QPaintEvent*)
{
    if (!free_) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Radii 55 x 25 seen from above at a slant: a flat ellipse with a shaded rim below it.
    const QRectF top(width() / 2.0 - 55, 1, 110, 50);
    const int depth = std::max(0, height() - 2 - 50);
    const int start = 20 * 16;  // rotated 20 degrees
    const int freeSpan = *free_ * 360 * 16 / 100;
    p.setPen(SliceBorder);
    for (int d = depth; d > 0; --d) {
        const QRectF r = top.translated(0, d);
        p.setBrush(Fuchsia.darker(140));
        if (freeSpan) p.drawPie(r, start, freeSpan);
        p.setBrush(Blue.darker(140));
        if (freeSpan < 360 * 16) p.drawPie(r, start + freeSpan, 360 * 16 - freeSpan);
    }
    p.setBrush(Fuchsia);
    if (freeSpan) p.drawPie(top, start, freeSpan);
    p.setBrush(Blue);
    if (freeSpan < 360 * 16) p.drawPie(top, start + freeSpan, 360 * 16 - freeSpan);
}

TForm_sd::TForm_sd(Core& c, QWidget* owner) : QDialog(owner), c_(c), card_(c.usb), fs_(card_, c.dialogs)
{
    build();
    fill();
}

void TForm_sd::build()
{
    setWindowTitle(QStringLiteral("Micro SD Card"));
    setFixedSize(747, 439);

    GroupBox1 = new QGroupBox(QString::fromUtf8(" 仪表SD卡文件列表 "), this);
    GroupBox1->setGeometry(8, 8, 433, 425);
    ListView1 = new QTreeWidget(GroupBox1);
    ListView1->setGeometry(7, 24, 418, 393);
    ListView1->setColumnCount(4);
    ListView1->setHeaderLabels({QString::fromUtf8("                      名        称"), QString::fromUtf8("大小"),
                                QString::fromUtf8("日期"), QString::fromUtf8("时间")});
    const int widths[] = {155, 80, 80, 80};
    for (int i = 0; i < 4; ++i) ListView1->setColumnWidth(i, widths[i]);
    for (int i = 1; i < 4; ++i) ListView1->headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setIconSize(QSize(12, 12));
    ListView1->setUniformRowHeights(true);
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!removing_) ListView1Click();
    });
    Label_ListCut = MakeLabel(GroupBox1, MsgListCut, 10, 6);
    Label_ListCut->move(433 - Label_ListCut->width() - 10, 6);
    Label_ListCut->hide();

    GroupBox2 = new QGroupBox(QString::fromUtf8(" SD卡信息 "), this);
    GroupBox2->setGeometry(448, 8, 289, 233);
    MakeLabel(GroupBox2, QString::fromUtf8("类型:"), 8, 24);
    MakeLabel(GroupBox2, QString::fromUtf8("Micro SD 卡"), 88, 24);
    MakeLabel(GroupBox2, QString::fromUtf8("文件系统:"), 8, 48);
    Label_FATTYPE = MakeLabel(GroupBox2, QString(), 88, 48);
    for (int y : {70, 120}) {
        auto* bevel = new QFrame(GroupBox2);
        bevel->setFrameShape(QFrame::HLine);
        bevel->setFrameShadow(QFrame::Sunken);
        bevel->setGeometry(8, y, 273, 2);
    }
    MakeSquare(GroupBox2, QRect(10, 80, 12, 12), Blue);
    MakeLabel(GroupBox2, QString::fromUtf8("已用空间: "), 32, 79);
    Label_UsedSpaceBity = MakeLabel(GroupBox2, QString(), 98, 79);
    MakeLabel(GroupBox2, QString::fromUtf8("字节 "), 176, 79);
    Label_UsedSpaceMB = MakeLabel(GroupBox2, QString(), 223, 79);
    MakeLabel(GroupBox2, QStringLiteral("MB"), 263, 79);
    MakeSquare(GroupBox2, QRect(10, 100, 12, 12), Fuchsia);
    MakeLabel(GroupBox2, QString::fromUtf8("可用空间: "), 32, 100);
    Label_FreeSpaceBity = MakeLabel(GroupBox2, QString(), 98, 100);
    MakeLabel(GroupBox2, QString::fromUtf8("字节"), 176, 100);
    Label_FreeSpaceMB = MakeLabel(GroupBox2, QString(), 223, 100);
    MakeLabel(GroupBox2, QStringLiteral("MB"), 263, 100);
    MakeLabel(GroupBox2, QString::fromUtf8("容量:"), 16, 128);
    Label_ALLSpaceBity = MakeLabel(GroupBox2, QString(), 98, 128);
    MakeLabel(GroupBox2, QString::fromUtf8("字节"), 176, 128);
    Label_ALLSpaceMB = MakeLabel(GroupBox2, QString(), 223, 128);
    Label_ALLSpaceMB->setAlignment(Qt::AlignHCenter);
    MakeLabel(GroupBox2, QStringLiteral("MB"), 264, 128);
    Chart1 = new SdPie(GroupBox2);
    Chart1->setGeometry(64, 152, 112, 58);
    MakeLabel(GroupBox2, QString::fromUtf8("SD 卡"), 16, 208);
    Button1 = MakeButton(GroupBox2, QString::fromUtf8("格式化SD卡"), QRect(184, 200, 87, 25), false);

    GroupBox3 = new QGroupBox(QString::fromUtf8("文件操作 "), this);
    GroupBox3->setGeometry(448, 248, 289, 145);
    Button2 = MakeButton(GroupBox3, QString::fromUtf8("删除选择文件"), QRect(16, 24, 121, 25));
    Button3 = MakeButton(GroupBox3, QString::fromUtf8("上传选择文件"), QRect(16, 64, 123, 25));
    Button4 = MakeButton(GroupBox3, QString::fromUtf8("删除全部文件"), QRect(152, 24, 121, 25), false);
    Button5 = MakeButton(GroupBox3, QString::fromUtf8("上传全部文件"), QRect(152, 64, 121, 25), false);
    Button6 = MakeButton(GroupBox3, QString::fromUtf8("打开选择文件"), QRect(16, 104, 257, 25));
    Button7 = MakeButton(this, QString::fromUtf8("关闭"), QRect(655, 406, 65, 25));
    for (QPushButton* b : {Button2, Button3, Button6, Button7}) b->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, &TForm_sd::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm_sd::Button3Click);
    connect(Button6, &QPushButton::clicked, this, &TForm_sd::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TForm_sd::Button7Click);
}

void TForm_sd::fill()
{
    bool mounted = false;
    c_.dialogs.withProgress(ProgressKind::Await, [&] {
        mounted = fs_.MountVolume() == MountOk;
        if (mounted) fs_.ListRootDir();
    });
    // A volume that did not mount shows no name and no figures rather than stale ones.
    Label_FATTYPE->setText(mounted ? FatTypeText : QString());
    if (mounted) {
        const SpaceFigures f = MakeSpaceFigures(fs_.volume());
        Label_FreeSpaceBity->setText(f.freeBytesText);
        Label_FreeSpaceMB->setText(f.freeMbText);
        Label_UsedSpaceBity->setText(f.usedBytesText);
        Label_UsedSpaceMB->setText(f.usedMbText);
        Label_ALLSpaceBity->setText(f.totalBytesText);
        Label_ALLSpaceMB->setText(f.totalMbText);
        Chart1->setShares(f.freeShare);
    } else {
        for (QLabel* l : {Label_FreeSpaceBity, Label_FreeSpaceMB, Label_UsedSpaceBity, Label_UsedSpaceMB,
                          Label_ALLSpaceBity, Label_ALLSpaceMB})
            l->clear();
        Chart1->setShares(std::nullopt);
    }
    for (QLabel* l : {Label_FATTYPE, Label_FreeSpaceBity, Label_FreeSpaceMB, Label_UsedSpaceBity, Label_UsedSpaceMB,
                      Label_ALLSpaceBity, Label_ALLSpaceMB})
        l->adjustSize();
    const QPixmap icon = CardIcon();
    for (int i = 0; i < fs_.EntryCount(); ++i) addRow(i);
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) ListView1->topLevelItem(i)->setIcon(0, icon);
    Label_ListCut->setVisible(fs_.listCut());
    CurrentEntry = 0;
}

void TForm_sd::addRow(int entry)
{
    const auto texts = EntryRow(fs_.EntryTable()[size_t(entry)], entry);
    auto* item = new QTreeWidgetItem(ListView1, QStringList(texts.begin(), texts.end()));
    item->setData(0, Qt::UserRole, entry);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    for (int col = 1; col < 4; ++col) item->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
}

void TForm_sd::ListView1Click()
{
    // The first selected row in list order stands for the picked file.
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ListView1->topLevelItem(i);
        if (item->isSelected()) {
            CurrentEntry = item->data(0, Qt::UserRole).toInt();
            return;
        }
    }
}

Name11 TForm_sd::currentName() const
{
    const auto& table = fs_.EntryTable();
    if (CurrentEntry < 0 || size_t(CurrentEntry) >= table.size()) return Name11{};
    return EntryName(table[size_t(CurrentEntry)]);
}

void TForm_sd::Button2Click()
{
    if (CurrentEntry == 0) {
        c_.dialogs.message(WarningMessage(MsgCannotDeleteRoot, Cancel));
        return;
    }
    if (c_.dialogs.message(WarningMessage(MsgReallyDelete, Yes | No)) != Yes) return;
    const Name11 name = currentName();
    bool deleted = false;
    c_.dialogs.withProgress(ProgressKind::Await, [&] { deleted = fs_.DeleteCardFile(name); });
    if (!deleted) return;
    // Only the row of the file that went; other selected rows still stand for files on the card.
    removing_ = true;
    for (int i = ListView1->topLevelItemCount() - 1; i >= 0; --i)
        if (ListView1->topLevelItem(i)->data(0, Qt::UserRole).toInt() == CurrentEntry) delete ListView1->takeTopLevelItem(i);
    removing_ = false;
}

bool TForm_sd::copyCurrentTo(const QString& target)
{
    const Name11 name = currentName();
    // The target is replaced only by a whole copy.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        c_.dialogs.message(PlainMessage(MsgCannotWriteTarget + target));
        return false;
    }
    int result = CopyEnded;
    c_.dialogs.withProgress(ProgressKind::Await, [&] {
        result = fs_.CopyCardEntry(name, out, [this](uint64_t done, uint64_t size) {
            c_.dialogs.progressText(QString::fromUtf8("%1 / %2 字节").arg(done).arg(size));
        });
    });
    if (result == CopyTargetFailed) c_.dialogs.message(PlainMessage(MsgCannotWriteTarget + target));
    if (result != CopyEnded || !fs_.complete()) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        c_.dialogs.message(PlainMessage(MsgCannotWriteTarget + target));
        return false;
    }
    return true;
}

void TForm_sd::Button3Click()
{
    const Name11 name = currentName();
    const std::optional<SaveChoice> choice =
        c_.dialogs.saveFileNamed(CardText(DottedName(name).sliced(9)), CardText(DottedName(name).first(8)));
    if (!choice) return;
    copyCurrentTo(choice->path + QLatin1Char('.') + CardExtension(name));
}

void TForm_sd::Button6Click()
{
    const QString target = c_.st.AppDir + QLatin1Char('/') + CardFileName(currentName(), /*keepBlanks=*/true);
    // Only a whole copy goes to the main window.
    if (!copyCurrentTo(target)) return;
    c_.st.OpenFileName = target;
    close();
}

}  // namespace pelzo
