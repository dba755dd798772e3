#include "app/ui/formmain.h"

#include "app/commands.h"
#include "app/ui/application.h"
#include "app/ui/fhelp.h"
#include "app/ui/printchart.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QWindow>

#include <cmath>

namespace pelzo {

namespace {

const QColor FormBlue(0, 102, 204);     // the desk's hot-track colour
const QColor SkyBlue(166, 202, 240);
const QColor Teal(0, 128, 128);
const QColor PageBBlue(185, 209, 234);  // the desk's gradient active caption colour
const QColor BtnFace(240, 240, 240);
const QString HeavyFamily = QStringLiteral("Noto Sans CJK SC");

constexpr int StartWidth = 857;
constexpr int StartHeight = 592;
constexpr int RestoreWidth = 865;
constexpr int RestoreHeight = 626;

QFont PixelFont(int px, bool bold = false, bool italic = false)
{
    QFont f = QApplication::font();
    f.setPixelSize(px);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QFont HeavyFont(int px, bool italic = false)
{
    QFont f(HeavyFamily);
    f.setPixelSize(std::max(px, 1));
    f.setWeight(QFont::Black);
    f.setItalic(italic);
    return f;
}

void Fill(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void TextColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

QWidget* Panel(QWidget* parent, const char* name)
{
    auto* w = new QWidget(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QFont& font, const QColor& colour)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(font);
    TextColour(l, colour);
    l->adjustSize();
    return l;
}

// Run-time pictures that may be missing: an empty pixmap then.
QPixmap OptionalPicture(const QString& appDir, const QString& name)
{
    return QPixmap(appDir + QStringLiteral("/ico/") + name);
}

QRegion RoundRectRegion(int w, int h)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, w, h), 7.5, 7.5);  // corners: ellipses of 15 x 15
    return QRegion(path.toFillPolygon().toPolygon());
}

void SetLabel(QLabel* label, const QString& text, bool fit)
{
    if (label->text() == text) return;
    label->setText(text);
    if (fit) label->adjustSize();
}

}  // namespace

// ---- title strip -------------------------------------------------------------------------

void DragStrip::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;  // other buttons: nothing
    QWidget* top = window();
    QWindow* handle = top->windowHandle();
    if (handle && handle->startSystemMove()) return;
    // No window manager to hand the drag to: follow the mouse ourselves.
    dragging_ = true;
    grab_ = e->globalPosition().toPoint() - top->frameGeometry().topLeft();
}

void DragStrip::mouseMoveEvent(QMouseEvent* e)
{
    if (dragging_ && (e->buttons() & Qt::LeftButton)) window()->move(e->globalPosition().toPoint() - grab_);
}

void DragStrip::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) dragging_ = false;
}

// ---- construction ------------------------------------------------------------------------

TFormMain::TFormMain(FormSeams seams)
    : qtDialogs_(seams.dialogs ? nullptr : std::make_unique<QtDialogs>(pause_, QDir::currentPath())),
      dialogs_(seams.dialogs ? *seams.dialogs : *qtDialogs_),
      clock_(seams.clock ? *seams.clock : systemClock_),
      usb_(dialogs_, pause_),
      timer_([this] { Timer1STimer(); }),
      core_{st_, usb_, dialogs_, clock_, timer_, pause_}
{
    // 1. The controls.
    setObjectName(QStringLiteral("FormMain"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Pelzo Sound Link"));
    setWindowIcon(QIcon(OptionalPicture(QDir::currentPath(), QStringLiteral("pelzo.png"))));
    Fill(this, FormBlue);
    resize(StartWidth, StartHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(StartWidth / 2, StartHeight / 2));
    if (qtDialogs_) qtDialogs_->setOwner(this);

    // Memo1 lies behind the pages, never seen.
    memo1_ = new QPlainTextEdit(this);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setGeometry(16, 304, 777, 89);

    BuildTitleStrip();
    BuildToolbar();
    BuildStatusStrip();
    panelMain_ = Panel(this, "PanelMain");
    Fill(panelMain_, BtnFace);
    BuildPageA();
    BuildPageB();
    imageTop_->lower();
    memo1_->lower();

    // 2.-4. Texts, AppDir and the clock.
    st_.RecFileName.clear();
    st_.AppDir = QDir::currentPath();
    if (qtDialogs_) qtDialogs_->setAppDir(st_.AppDir);
    st_.LocalNow = clock_.now();
    // 5. One try to open the meter; nothing is shown either way.
    st_.UsbLinked = usb_.OpenMeter() == MeterOpened;
    // 6. Page A.
    st_.Recording = false;
    st_.PageAShown = true;
    panelA_->setVisible(true);
    panelB_->setVisible(false);
    // 7. Series colours.
    st_.ColorRec = MakeRgb(0, 0, 255);
    st_.ColorMax = MakeRgb(255, 0, 0);
    st_.ColorMin = MakeRgb(0, 128, 0);
    ApplySeriesColours();
    // 8. The time axis.
    st_.Axis.max = 300;
    st_.Axis.min = 0;
    // 9. The window button's picture; without it the program cannot start.
    LoadMaxMinPicture(QStringLiteral("/ico/min.bmp"));
    // 10.
    ArrangeControls();
    ShowState();

    timer_.setInterval(1000);
    timer_.setEnabled(true);
}

TFormMain::~TFormMain()
{
    timer_.setEnabled(false);
}

void TFormMain::BuildTitleStrip()
{
    imageTop_ = new DragStrip(this);
    imageTop_->setObjectName(QStringLiteral("ImageTop"));
    label1_ = Label(this, "Label1", QStringLiteral("Pelzo sound link "), PixelFont(16, true), Qt::white);
    label1_->move(17, 2);
    const auto chromeButton = [this](const char* name, const QString& picture, const QString& fallback) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIconSize(QSize(31, 18));
        const QPixmap pm = picture.isEmpty() ? QPixmap() : OptionalPicture(QDir::currentPath(), picture);
        if (pm.isNull()) {
            b->setText(fallback);
            TextColour(b, Qt::white);
            QPalette p = b->palette();
            p.setColor(QPalette::ButtonText, Qt::white);
            b->setPalette(p);
        } else {
            b->setIcon(QIcon(pm));
        }
        return b;
    };
    speedButtonMinim_ = chromeButton("SpeedButtonMinim", QStringLiteral("minimise.png"), QString::fromUtf8("—"));
    speedButtonMaxMin_ = chromeButton("SpeedButtonMaxMin", QString(), QString());
    speedButtonClose_ = chromeButton("SpeedButtonClose", QStringLiteral("close.png"), QString::fromUtf8("✕"));
    connect(speedButtonMinim_, &QToolButton::clicked, this, [this] { Handle([this] { SpeedButtonMinimClick(); }); });
    connect(speedButtonMaxMin_, &QToolButton::clicked, this, [this] { Handle([this] { SpeedButtonMaxMinClick(); }); });
    connect(speedButtonClose_, &QToolButton::clicked, this, [this] { Handle([this] { SpeedButtonCloseClick(); }); });
}

void TFormMain::BuildToolbar()
{
    imageToole_ = Panel(this, "ImageToole");
    toolBar1_ = Panel(this, "ToolBar1");
    Fill(toolBar1_, FormBlue);
    auto* row = new QHBoxLayout(toolBar1_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    struct Entry {
        const char* name;
        const char* hint;
        void (TFormMain::*handler)();
    };
    const Entry entries[8] = {
        {"ToolButton1", "打开文件", &TFormMain::ToolButton1Click},
        {"ToolButton2", "保存文件", &TFormMain::ToolButton2Click},
        {"ToolButton3", "在线记录", &TFormMain::ToolButton3Click},
        {"ToolButton_AtoB", "切换页面", &TFormMain::ToolButton_AtoBClick},
        {"ToolButton5", "设置仪表", &TFormMain::ToolButton5Click},
        {"ToolButton6", "SD卡操作", &TFormMain::ToolButton6Click},
        {"ToolButton4", "打印图表", &TFormMain::ToolButton4Click},
        {"ToolButton7", "关于", &TFormMain::ToolButton7Click},
    };
    for (int i = 0; i < 8; ++i) {
        auto* b = new QToolButton(toolBar1_);
        b->setObjectName(QString::fromLatin1(entries[i].name));
        b->setAutoRaise(true);
        b->setFixedSize(79, 79);
        b->setIconSize(QSize(72, 72));
        const QString hint = QString::fromUtf8(entries[i].hint);
        b->setToolTip(hint);
        const QPixmap pm = OptionalPicture(QDir::currentPath(), QStringLiteral("toolbar%1.png").arg(i));
        if (pm.isNull()) {
            b->setText(hint);  // no picture installed: the hint stands in
            QPalette p = b->palette();
            p.setColor(QPalette::ButtonText, Qt::white);
            b->setPalette(p);
        } else {
            b->setIcon(QIcon(pm));
        }
        const auto handler = entries[i].handler;
        connect(b, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
        row->addWidget(b);
        toolButtons_[size_t(i)] = b;
    }
    row->addStretch(1);
    image2_ = new QLabel(this);
    image2_->setObjectName(QStringLiteral("Image2"));
    image2_->setPixmap(OptionalPicture(QDir::currentPath(), QStringLiteral("logo.png")));
    image2_->setGeometry(0, 40, 153, 49);
}

void TFormMain::BuildStatusStrip()
{
    panelStat_ = Panel(this, "Panel_Stat");
    Fill(panelStat_, FormBlue);
    labelUSBState_ = Label(panelStat_, "LabelUSBState", st_.LabelUSBState, PixelFont(11), Qt::white);
    labelUSBState_->move(16, 6);
    // The acoustic statistics of the samples in the views, beside the link state; its box is
    // set by ArrangeControls.
    labelStats_ = Label(panelStat_, "LabelStats", QString(), PixelFont(11), Qt::white);
    assessLink_ = new AssessLink(labelStats_, st_, dialogs_, this);
}

void TFormMain::BuildPageA()
{
    panelA_ = Panel(panelMain_, "PanelA");
    Fill(panelA_, BtnFace);
    panelA_LU_ = Panel(panelA_, "PanelA_LU");
    Fill(panelA_LU_, SkyBlue);
    panelA_LD_ = Panel(panelA_, "PanelA_LD");
    panelA_R_ = Panel(panelA_, "PanelA_R");
    BuildReadout(panelA_LU_);

    grid_ = new GridView(panelA_LD_);
    grid_->setObjectName(QStringLiteral("StringGrid"));
    model_ = new GridModel(st_.Grid, grid_);
    grid_->setModel(model_);
    grid_->setFont(PixelFont(11));
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setMinimumSectionSize(17);
    grid_->verticalHeader()->setDefaultSectionSize(17);
    grid_->horizontalHeader()->setMinimumSectionSize(10);
    grid_->horizontalHeader()->setSectionsMovable(true);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setFixedHeight(18);
    const int widths[StringGrid::ColCount] = {42, 35, 29, 54, 60};
    for (int c = 0; c < StringGrid::ColCount; ++c) grid_->setColumnWidth(c, widths[c]);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setShowGrid(true);
    grid_->setTabKeyNavigation(true);
    grid_->setWordWrap(false);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);

    BuildChart1(panelA_R_);
}

void TFormMain::BuildReadout(QWidget* panel)
{
    auto* image1 = new QLabel(panel);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(OptionalPicture(QDir::currentPath(), QStringLiteral("scale.png")));
    image1->setGeometry(0, 29, 250, 65);
    const QFont small = PixelFont(13, true);
    labelLcdStart_ = Label(panel, "Label_LcdStart", st_.Label_LcdStart, small, Teal);
    labelLcdStart_->move(5, 31);
    labelLcdEnd_ = Label(panel, "Label_LcdEnd", st_.Label_LcdEnd, small, Teal);
    labelLcdEnd_->move(221, 29);
    labelDB_ = Label(panel, "Label_DB", st_.Label_DB, HeavyFont(60), Teal);
    labelDB_->setAlignment(Qt::AlignCenter);
    labelDB_->setGeometry(32, 85, 160, 85);
    labelAC_ = Label(panel, "LabelAC", st_.LabelAC, small, Teal);
    labelAC_->move(217, 113);
    Label(panel, "Label2", QStringLiteral("dB"), small, Teal)->move(212, 143);
    Label(panel, "Label3", QStringLiteral("SPL"), small, Teal)->move(4, 147);
    labelFS_ = Label(panel, "LabelFS", st_.LabelFS, small, Teal);
    labelFS_->move(104, 164);
}

void TFormMain::BuildChart1(QWidget* panel)
{
    chart1_ = new QCustomPlot(panel);
    chart1_->setObjectName(QStringLiteral("Chart1"));
    chart1_->setNoAntialiasingOnDrag(true);
    chart1_->setPlottingHint(QCP::phCacheLabels, true);
    // Line series without antialiasing, each drawn as one polyline, so a tick redraws quickly.
    chart1_->setPlottingHint(QCP::phFastPolylines, false);
    chart1_->setNotAntialiasedElements(QCP::aePlottables | QCP::aeGrid | QCP::aeAxes);
    chart1_->plotLayout()->insertRow(0);
    auto* title = new QCPTextElement(chart1_, QStringLiteral("SPL Graph Analyzing"), PixelFont(12, true));
    title->setTextColor(QColor(0, 0, 128));
    chart1_->plotLayout()->addElement(0, 0, title);
    chart1_->legend->setVisible(false);

    QCPAxis* x = chart1_->xAxis;
    QCPAxis* y = chart1_->yAxis;
    x->setRange(0, 300);
    x->setTickLabelFont(PixelFont(10));
    y->setRange(25, 135);
    y->setTickLabelFont(PixelFont(10));
    y->setLabel(QStringLiteral("SPL Unit DB"));
    y->setLabelColor(Qt::red);
    y->setLabelFont(PixelFont(12));

    // Panning and zoom along the time axis only; the zoom rectangle is red.
    QCPAxisRect* rect = chart1_->axisRect();
    rect->setRangeDrag(Qt::Horizontal);
    rect->setRangeZoom(Qt::Horizontal);
    rect->setRangeZoomAxes(x, nullptr);
    rect->setRangeDragAxes(x, nullptr);
    chart1_->setInteractions(QCP::iRangeZoom);
    chart1_->setSelectionRectMode(QCP::srmZoom);
    chart1_->selectionRect()->setPen(QPen(Qt::red));
    chart1_->selectionRect()->setBrush(Qt::NoBrush);
    // The state owns the axis: whatever the user does to it, the tick scrolls on from there.
    connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this](const QCPRange& r) {
        st_.Axis.min = r.lower;
        st_.Axis.max = r.upper;
    });

    const Series* series[3] = {&st_.Series_rec, &st_.Series_max, &st_.Series_min};
    for (size_t i = 0; i < 3; ++i) {
        QCPGraph* g = chart1_->addGraph(x, y);
        g->setAdaptiveSampling(true);
        g->setLineStyle(QCPGraph::lsLine);
        g->setScatterStyle(QCPScatterStyle::ssNone);
        mirrors_[i].attach(g, *series[i]);
    }
    chart1_->graph(0)->setName(QStringLiteral("Series_rec"));
    chart1_->graph(1)->setName(QStringLiteral("Series_max"));
    chart1_->graph(2)->setName(QStringLiteral("Series_min"));

    chartTool1_ = new CrossHair(chart1_, x, y, QColor(255, 128, 64));
    chart1_->setMouseTracking(true);
    chart1_->installEventFilter(this);

    chartToolTxt_ = new QCPItemText(chart1_);
    chartToolTxt_->setObjectName(QStringLiteral("ChartTool_Txt"));
    chartToolTxt_->position->setType(QCPItemPosition::ptAxisRectRatio);
    chartToolTxt_->position->setCoords(0, 1);
    chartToolTxt_->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    chartToolTxt_->setTextAlignment(Qt::AlignLeft);
    chartToolTxt_->setPadding(QMargins(4, 10, 11, 4));
    chartToolTxt_->setColor(QColor(255, 0, 128));
    chartToolTxt_->setFont(PixelFont(12));
    chartToolTxt_->setBrush(Qt::NoBrush);
    chartToolTxt_->setPen(Qt::NoPen);
    chartToolTxt_->setClipToAxisRect(false);
    chartToolTxt_->setSelectable(false);
}

void TFormMain::BuildPageB()
{
    panelB_ = Panel(panelMain_, "PanelB");
    Fill(panelB_, PageBBlue);

    chart2_ = new QCustomPlot(panelB_);
    chart2_->setObjectName(QStringLiteral("Chart2"));
    chart2_->setBackground(PageBBlue);
    chart2_->legend->setVisible(false);
    chart2_->xAxis->setVisible(false);
    chart2_->xAxis->setRange(-0.5, 0.5);
    QCPAxis* y = chart2_->yAxis;
    y->setRange(25, 135);
    y->setTickLabelColor(Qt::white);
    y->setTickLabelFont(PixelFont(8));
    y->setBasePen(QPen(Qt::white));
    y->setTickPen(QPen(Qt::white));
    y->setSubTickPen(QPen(Qt::white));
    y->grid()->setVisible(false);
    chart2_->axisRect()->setAutoMargins(QCP::msLeft);
    series1_ = new QCPBars(chart2_->xAxis, y);
    series1_->setName(QStringLiteral("Series1"));
    series1_->setWidth(1.0);  // the bar fills its slot
    series1_->setPen(QPen(Qt::yellow));

    label4_ = Label(panelB_, "Label4", st_.Label4, HeavyFont(228), Qt::white);
    label4_->move(104, 56);
    label6_ = Label(panelB_, "Label6", QStringLiteral("dB"), HeavyFont(64, true), Qt::white);
    label6_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label6_->resize(200, 90);
}

void TFormMain::FormCreate()
{
    ArrangeControls();
    SetWindowRegion();
    ArrangeControls();
    st_.Grid.setCell(0, 0, QStringLiteral("REC"));
    st_.Grid.setCell(1, 0, QStringLiteral("dB"));
    st_.Grid.setCell(2, 0, QStringLiteral("A/C"));
    st_.Grid.setCell(3, 0, QStringLiteral("Time"));
    st_.Grid.setCell(4, 0, QStringLiteral("Date"));
}

// ---- layout ------------------------------------------------------------------------------

void TFormMain::ArrangeControls()
{
    const int W = width();
    const int H = height();
    imageTop_->setGeometry(0, 0, W, 25);
    imageToole_->setGeometry(10, 25, 652, 75);
    toolBar1_->setGeometry(10, 25, 647, 79);
    image2_->move(W - 169, image2_->y());
    panelStat_->setGeometry(0, H - 30, W, 30);
    // A fixed box: the statistics change with every sample, and fitting the label each time costs
    // a text layout per tick.
    labelStats_->setGeometry(170, 6, std::max(0, W - 186), labelStats_->fontMetrics().height() + 2);
    panelMain_->setGeometry(2, 110, W - 5, H - 140);
    speedButtonClose_->setGeometry(W - 50, 2, 35, 22);
    speedButtonMaxMin_->setGeometry(W - 85, 2, 35, 22);
    speedButtonMinim_->setGeometry(W - 120, 2, 35, 22);
    // Both pages fill the main panel.
    panelA_->setGeometry(0, 0, panelMain_->width(), panelMain_->height());
    panelB_->setGeometry(0, 0, panelMain_->width(), panelMain_->height());
    const int wA = panelA_->width();
    const int hA = panelA_->height();
    panelA_LU_->setGeometry(0, 0, 250, 185);
    panelA_LD_->setGeometry(0, 185, 250, hA - 185);
    panelA_R_->setGeometry(250, 0, wA - 250, hA);
    grid_->setGeometry(0, 0, panelA_LD_->width(), panelA_LD_->height());
    chart1_->setGeometry(0, 0, panelA_R_->width(), panelA_R_->height());
    const int wB = panelB_->width();
    const int hB = panelB_->height();
    chart2_->setGeometry(chart2_->x(), chart2_->y(), 105, hB);
    ApplyChart2Margins();
    label4_->setFont(HeavyFont(int(std::trunc((wB - 180) * 0.34))));
    label4_->adjustSize();
    label6_->move(wB - 150, hB - 137);
    for (QWidget* w : {static_cast<QWidget*>(label1_), static_cast<QWidget*>(speedButtonMinim_),
                       static_cast<QWidget*>(speedButtonMaxMin_), static_cast<QWidget*>(speedButtonClose_),
                       static_cast<QWidget*>(image2_)})
        w->raise();
}

void TFormMain::ApplyChart2Margins()
{
    // Margins in percent of the chart: 5 top, 5 bottom, 0 left (the axis needs its own), 15 right.
    const int h = chart2_->height();
    const int w = chart2_->width();
    QMargins m = chart2_->axisRect()->margins();
    m.setTop(h * 5 / 100);
    m.setBottom(h * 5 / 100);
    m.setRight(w * 15 / 100);
    chart2_->axisRect()->setMargins(m);
    chart2Dirty_ = true;
}

void TFormMain::SetWindowRegion() { setMask(RoundRectRegion(width(), height())); }

void TFormMain::LoadMaxMinPicture(const QString& fixedPart)
{
    const QString path = st_.AppDir + fixedPart;
    QPixmap pm;
    if (!pm.load(path)) {
        const QString native = QDir::toNativeSeparators(path);
        throw UiError(QFileInfo::exists(path) ? QStringLiteral("The picture \"%1\" cannot be read.").arg(native)
                                              : QStringLiteral("Cannot open file \"%1\". No such file or directory.").arg(native));
    }
    speedButtonMaxMin_->setIcon(QIcon(pm));
    speedButtonMaxMin_->setIconSize(pm.size().boundedTo(QSize(33, 20)));
}

// ---- state to screen ---------------------------------------------------------------------

void TFormMain::ApplySeriesColours()
{
    const Rgb colours[3] = {st_.ColorRec, st_.ColorMax, st_.ColorMin};
    for (size_t i = 0; i < 3; ++i) {
        if (shownColours_[i] == colours[i]) continue;
        shownColours_[i] = colours[i];
        mirrors_[i].graph()->setPen(QPen(QColor::fromRgb(colours[i])));
    }
}

void TFormMain::ShowState()
{
    SetLabel(labelUSBState_, st_.LabelUSBState, true);
    SetLabel(labelStats_, assessLink_->statusLine(StatsLine(st_.Stats)), false);
    SetLabel(labelDB_, st_.Label_DB, false);
    SetLabel(labelLcdStart_, st_.Label_LcdStart, true);
    SetLabel(labelLcdEnd_, st_.Label_LcdEnd, true);
    SetLabel(labelAC_, st_.LabelAC, true);
    SetLabel(labelFS_, st_.LabelFS, true);
    SetLabel(label4_, st_.Label4, true);

    bool chart1Changed = false;
    ApplySeriesColours();
    for (SeriesMirror& m : mirrors_) chart1Changed |= m.sync();
    QCPAxis* x = chart1_->xAxis;
    if (x->range().lower != st_.Axis.min || x->range().upper != st_.Axis.max) {
        x->setRange(st_.Axis.min, st_.Axis.max);
        chart1Changed = true;
    }
    if (chartToolTxt_->text() != st_.ChartTool_Txt) {
        chartToolTxt_->setText(st_.ChartTool_Txt);
        chart1Changed = true;
    }
    chart1Dirty_ |= chart1Changed;

    if (shownBarValue_ != st_.Series1.value || shownBarColor_ != st_.Series1.color) {
        shownBarValue_ = st_.Series1.value;
        shownBarColor_ = st_.Series1.color;
        ShowBar(series1_, shownBarValue_, shownBarColor_);
        chart2Dirty_ = true;
    }
    panelA_->setVisible(st_.PageAShown);
    panelB_->setVisible(!st_.PageAShown);
    // A chart on the hidden page is drawn when its page comes back.
    if (chart1Dirty_ && st_.PageAShown) {
        chart1_->replot(QCustomPlot::rpQueuedReplot);
        chart1Dirty_ = false;
    }
    if (chart2Dirty_ && !st_.PageAShown) {
        chart2_->replot(QCustomPlot::rpQueuedReplot);
        chart2Dirty_ = false;
    }
}

// ---- handlers ----------------------------------------------------------------------------

template <typename F>
void TFormMain::Handle(F&& handler)
{
    try {
        handler();
    } catch (...) {
        // Ends only this handler; the program goes on.
        dialogs_.message(CaptionedMessage(ErrorText(std::current_exception()), AppTitle, Ok, Icon::Error));
    }
    ShowState();
}

void TFormMain::Timer1STimer()
{
    bool finished = false;
    Handle([&] {
        pelzo::Timer1STimer(core_);
        finished = true;
    });
    // A tick that broke off must not leave the monitoring switched off for good.
    if (!finished) timer_.setEnabled(true);
}

void TFormMain::ToolButton1Click() { Handle([this] { pelzo::ToolButton1Click(core_); }); }
void TFormMain::ToolButton2Click() { Handle([this] { pelzo::ToolButton2Click(core_); }); }
void TFormMain::ToolButton3Click() { Handle([this] { pelzo::ToolButton3Click(core_); }); }
void TFormMain::ToolButton5Click() { Handle([this] { pelzo::ToolButton5Click(core_, this); }); }
void TFormMain::ToolButton6Click() { Handle([this] { pelzo::ToolButton6Click(core_, this); }); }

void TFormMain::ToolButton_AtoBClick()
{
    Handle([this] {
        st_.PageAShown = !st_.PageAShown;
        panelA_->setVisible(st_.PageAShown);
        panelB_->setVisible(!st_.PageAShown);
        ArrangeControls();
    });
}

void TFormMain::ToolButton4Click() { Handle([this] { PrintChart(*chart1_); }); }

void TFormMain::ToolButton7Click()
{
    Handle([this] {
        TF_Help help(this);
        help.exec();
    });
}

void TFormMain::SpeedButtonCloseClick() { close(); }

void TFormMain::SpeedButtonMinimClick() { showMinimized(); }

void TFormMain::SpeedButtonMaxMinClick()
{
    if (maximised_) {
        maximised_ = false;
        if (isMaximized()) showNormal();
        setGeometry(QRect(normalPos_, QSize(RestoreWidth, RestoreHeight)));
        LoadMaxMinPicture(QStringLiteral("/ico/min.bmp"));
    } else {
        normalPos_ = pos();
        maximised_ = true;
        // Set by hand: a window manager would not let a maximised window be 30 pixels shorter.
        const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect avail = s ? s->availableGeometry() : QRect(0, 0, width(), height() + 30);
        setGeometry(avail.x(), avail.y(), avail.width(), avail.height() - 30);
        LoadMaxMinPicture(QStringLiteral("/ico/max.bmp"));
    }
    SetWindowRegion();
    ArrangeControls();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool isMouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                         type == QEvent::MouseButtonRelease;
    if (watched == chart1_ && type == QEvent::Leave) chartTool1_->hide();
    if (watched == chart1_ && isMouse) {
        // The right button pans the time axis; the left one draws the zoom rectangle.
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (type) {
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::RightButton) {
                panFrom_ = mouse->position().x();
                panRange_ = chart1_->xAxis->range();
                panning_ = true;
                return true;
            }
            break;
        case QEvent::MouseMove:
            chartTool1_->moveTo(mouse->position());
            if (panning_ && (mouse->buttons() & Qt::RightButton)) {
                const double perPixel = panRange_.size() / std::max(1, chart1_->axisRect()->width());
                const double shift = (panFrom_ - mouse->position().x()) * perPixel;
                chart1_->xAxis->setRange(panRange_.lower + shift, panRange_.upper + shift);
                chart1_->replot(QCustomPlot::rpQueuedReplot);
            }
            break;
        case QEvent::MouseButtonRelease:
            if (mouse->button() == Qt::RightButton && panning_) {
                panning_ = false;
                return true;
            }
            break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pelzo
