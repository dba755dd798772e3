#include "assess/ui/assesswindow.h"

#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pelzo {

using assess::Assessment;

// ---- rows model -----------------------------------------------------------------------------

AssessRowsModel::AssessRowsModel(const assess::Accumulator& acc, Kind kind, QObject* parent)
    : QAbstractTableModel(parent), acc_(acc), kind_(kind)
{
}

size_t AssessRowsModel::count() const { return kind_ == Kind::Hours ? acc_.hourCount() : acc_.eventCount(); }

int AssessRowsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int AssessRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 6; }

QVariant AssessRowsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_ || size_t(index.row()) >= count())
        return {};
    const size_t r = size_t(index.row());
    const QStringList cells = kind_ == Kind::Hours ? assess::HourCells(acc_.hour(r)) : assess::EventCells(acc_.event(r));
    return cells.value(index.column());
}

QVariant AssessRowsModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Vertical) return section + 1;
    return (kind_ == Kind::Hours ? assess::HourHeaders() : assess::EventHeaders()).value(section);
}

void AssessRowsModel::follow(bool reset)
{
    const int now = int(count());
    if (reset || now < shown_) {
        beginResetModel();
        shown_ = now;
        endResetModel();
        return;
    }
    if (shown_ > 0) emit dataChanged(index(shown_ - 1, 0), index(shown_ - 1, 5));
    if (now > shown_) {
        beginInsertRows({}, shown_, now - 1);
        shown_ = now;
        endInsertRows();
    }
}

// ---- window ---------------------------------------------------------------------------------

namespace {

QTableWidget* SmallTable(QWidget* parent, const char* name)
{
    auto* t = new QTableWidget(parent);
    t->setObjectName(QLatin1String(name));
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setDefaultSectionSize(20);
    return t;
}

// Cells are set only where their text changed, so a tick redraws little; columns are fitted
// to their texts only when asked (a fit per tick would measure every cell each second).
void ShowTable(QTableWidget* w, const assess::Table& t, bool fit)
{
    if (auto* box = qobject_cast<QGroupBox*>(w->parentWidget()); box && box->title() != t.title) box->setTitle(t.title);
    if (w->columnCount() != t.headers.size()) {
        w->setColumnCount(int(t.headers.size()));
        w->setHorizontalHeaderLabels(t.headers);
    }
    if (w->rowCount() != int(t.rows.size())) w->setRowCount(int(t.rows.size()));
    for (int r = 0; r < int(t.rows.size()); ++r) {
        for (int c = 0; c < int(t.rows[size_t(r)].size()); ++c) {
            const QString& text = t.rows[size_t(r)][c];
            QTableWidgetItem* item = w->item(r, c);
            if (!item) {
                w->setItem(r, c, new QTableWidgetItem(text));
            } else if (item->text() != text) {
                item->setText(text);
            }
        }
    }
    if (fit) w->resizeColumnsToContents();
}

// A small table in a box that carries its title.
QGroupBox* Boxed(QTableWidget* t)
{
    auto* box = new QGroupBox(t->parentWidget());
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(4, 4, 4, 4);
    t->setParent(box);
    l->addWidget(t);
    return box;
}

QTableView* RowsView(QWidget* parent, const char* name, AssessRowsModel* model)
{
    auto* v = new QTableView(parent);
    v->setObjectName(QLatin1String(name));
    v->setModel(model);
    v->verticalHeader()->setDefaultSectionSize(20);
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    return v;
}

}  // namespace

AssessWindow::AssessWindow(const MainState& st, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), st_(st), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("AssessWindow"));
    setWindowTitle(Assessment::tr("噪声评估"));
    resize(1020, 740);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(Assessment::tr("阈值 (dB)"), this));
    threshold_ = new QDoubleSpinBox(this);
    threshold_->setObjectName(QStringLiteral("Threshold"));
    threshold_->setRange(0, 200);
    threshold_->setDecimals(1);
    threshold_->setSingleStep(1);
    threshold_->setValue(acc_.rule().threshold);
    threshold_->setKeyboardTracking(false);  // one rescan per value, not per key
    top->addWidget(threshold_);
    top->addSpacing(12);
    top->addWidget(new QLabel(Assessment::tr("最短持续时间 (秒)"), this));
    minSeconds_ = new QSpinBox(this);
    minSeconds_->setObjectName(QStringLiteral("MinSeconds"));
    minSeconds_->setRange(1, 24 * 3600);
    minSeconds_->setValue(acc_.rule().minSeconds);
    minSeconds_->setKeyboardTracking(false);
    top->addWidget(minSeconds_);
    top->addSpacing(12);
    save_ = new QPushButton(Assessment::tr("保存报告"), this);
    save_->setObjectName(QStringLiteral("SaveReport"));
    top->addWidget(save_);
    top->addStretch(1);

    alarm_ = new QLabel(this);
    alarm_->setObjectName(QStringLiteral("Alarm"));
    alarm_->setStyleSheet(QStringLiteral("QLabel { color: white; background: #c00000; font-weight: bold; padding: 4px; }"));
    alarm_->hide();

    const char* names[] = {"RecordingTable", "LevelTable", "ExposureTable", "DoseTable", "PeriodTable"};
    for (const char* n : names) tables_.push_back(SmallTable(this, n));
    auto* grid = new QGridLayout;
    grid->addWidget(Boxed(tables_[0]), 0, 0);
    grid->addWidget(Boxed(tables_[1]), 0, 1);
    grid->addWidget(Boxed(tables_[4]), 0, 2);
    grid->addWidget(Boxed(tables_[2]), 1, 0);
    grid->addWidget(Boxed(tables_[3]), 1, 1, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    hours_ = new AssessRowsModel(acc_, AssessRowsModel::Kind::Hours, this);
    events_ = new AssessRowsModel(acc_, AssessRowsModel::Kind::Events, this);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("Tabs"));
    tabs->addTab(RowsView(tabs, "HourTable", hours_), Assessment::tr("每小时"));
    auto* eventPage = new QWidget(tabs);
    auto* eventLayout = new QVBoxLayout(eventPage);
    eventTitle_ = new QLabel(eventPage);
    eventTitle_->setObjectName(QStringLiteral("EventTitle"));
    eventLayout->addWidget(eventTitle_);
    eventLayout->addWidget(RowsView(eventPage, "EventTable", events_));
    tabs->addTab(eventPage, Assessment::tr("事件"));

    auto* note = new QLabel(assess::PeakNote(), this);
    note->setObjectName(QStringLiteral("PeakNote"));
    note->setWordWrap(true);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(alarm_);
    main->addLayout(grid, 4);
    main->addWidget(tabs, 2);
    main->addWidget(note);

    connect(threshold_, &QDoubleSpinBox::valueChanged, this, [this] { ruleChanged(); });
    connect(minSeconds_, &QSpinBox::valueChanged, this, [this] { ruleChanged(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveReport(); });
    refresh();
}

double AssessWindow::threshold() const { return threshold_->value(); }

void AssessWindow::refresh()
{
    const assess::CatchUp r = feeder_.catchUp(st_, acc_);
    if (r.restarted) source_ = st_.Recording ? st_.RecFileName : st_.OpenFileName;
    if (r.changed() || tables_[0]->rowCount() == 0) {
        // Columns fit their texts when the samples start over and once the first figures came.
        const bool fit = r.restarted || (!fitted_ && acc_.samples() > 0);
        if (fit) fitted_ = acc_.samples() > 0;
        showSummary(fit);
        hours_->follow(r.restarted);
        events_->follow(r.restarted);
    }
    showAlarm();
}

void AssessWindow::showSummary(bool fit)
{
    const assess::Summary s = acc_.summary();
    ShowTable(tables_[0], assess::RecordingTable(QFileInfo(source_).fileName(), s), fit);
    ShowTable(tables_[1], assess::LevelTable(s), fit);
    ShowTable(tables_[2], assess::ExposureTable(s), fit);
    ShowTable(tables_[3], assess::DoseTable(s), fit);
    ShowTable(tables_[4], assess::PeriodTable(s), fit);
    const QString title = assess::EventTitle(acc_.rule());
    if (eventTitle_->text() != title) eventTitle_->setText(title);
}

void AssessWindow::showAlarm()
{
    const auto level = assess::AlarmLevel(st_, threshold());
    const QString text = level ? assess::AlarmText(*level, threshold()) : QString();
    if (alarm_->text() != text) alarm_->setText(text);
    if (alarm_->isVisibleTo(this) != bool(level)) alarm_->setVisible(bool(level));
}

void AssessWindow::ruleChanged()
{
    acc_.reset(assess::EventRule{threshold_->value(), minSeconds_->value()});
    feeder_.restart();
    refresh();
}

void AssessWindow::saveReport()
{
    const auto choice = dialogs_.saveFile(Assessment::tr("PDF 报告 (*.pdf)"));
    if (!choice || choice->path.isEmpty()) return;
    QString path = choice->path;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    refresh();
    if (!assess::WriteReportPdf(path, source_, acc_))
        dialogs_.message(PlainMessage(Assessment::tr("无法写入报告文件: ") + path));
}

// ---- link from the status strip -------------------------------------------------------------

AssessLink::AssessLink(QLabel* label, const MainState& st, Dialogs& dialogs, QWidget* owner)
    : QObject(owner), label_(label), st_(st), dialogs_(dialogs), owner_(owner)
{
    label_->installEventFilter(this);
    label_->setCursor(Qt::PointingHandCursor);
    label_->setToolTip(Assessment::tr("点击打开噪声评估"));
}

void AssessLink::open()
{
    if (!window_) window_ = new AssessWindow(st_, dialogs_, owner_);
    window_->refresh();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

QString AssessLink::statusLine(const QString& stats)
{
    if (window_ && window_->isVisible()) window_->refresh();
    const double threshold = window_ ? window_->threshold() : assess::EventRule{}.threshold;
    const auto level = assess::AlarmLevel(st_, threshold);
    if (!level) return stats;
    return assess::AlarmText(*level, threshold) + QStringLiteral("   ") + stats;
}

bool AssessLink::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == label_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        open();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace pelzo
