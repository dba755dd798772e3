// The assessment window: the tables of the noise assessment, kept current tick by tick, with the
// event threshold, the shortest event, the alarm and the "save report" button. It opens from a
// click on the statistics of the main window's status strip.
#pragma once

#include "app/mainstate.h"
#include "app/seams.h"
#include "assess/feeder.h"
#include "assess/report.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;

namespace pelzo {

// The hourly table or the event list, read straight from the accumulator.
class AssessRowsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Kind { Hours, Events };
    AssessRowsModel(const assess::Accumulator& acc, Kind kind, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    // Follows the accumulator: new rows inserted, the last known one redrawn; all anew after a reset.
    void follow(bool reset);

private:
    size_t count() const;
    const assess::Accumulator& acc_;
    Kind kind_;
    int shown_ = 0;
};

class AssessWindow final : public QWidget {
    Q_OBJECT
public:
    AssessWindow(const MainState& st, Dialogs& dialogs, QWidget* parent);

    // Takes the new samples of the views and shows the result.
    void refresh();
    double threshold() const;
    const assess::Accumulator& accumulator() const { return acc_; }
    void saveReport();

private:
    void ruleChanged();
    void showSummary(bool fit);
    void showAlarm();

    const MainState& st_;
    Dialogs& dialogs_;
    assess::Accumulator acc_;
    assess::StateFeeder feeder_;
    QString source_;  // the file the samples came from
    QDoubleSpinBox* threshold_ = nullptr;
    QSpinBox* minSeconds_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* alarm_ = nullptr;
    std::vector<QTableWidget*> tables_;  // recording, levels, exposure, dose, periods
    AssessRowsModel* hours_ = nullptr;
    AssessRowsModel* events_ = nullptr;
    QLabel* eventTitle_ = nullptr;
    bool fitted_ = false;  // the columns were fitted to figures since the samples started over
};

// Makes the status strip's statistics label open the window, and puts the alarm into its text.
class AssessLink final : public QObject {
    Q_OBJECT
public:
    AssessLink(QLabel* label, const MainState& st, Dialogs& dialogs, QWidget* owner);
    // The statistics line with the alarm in front while one is on; an open window catches up.
    QString statusLine(const QString& stats);
    void open();
    AssessWindow* window() const { return window_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label_;
    const MainState& st_;
    Dialogs& dialogs_;
    QWidget* owner_;
    QPointer<AssessWindow> window_;
};

}  // namespace pelzo
