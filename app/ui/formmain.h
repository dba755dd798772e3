// The main window: frameless, rounded, its own title strip, the toolbar of eight commands, the
// status strip and the two pages. It is thin: handlers call the core, then show the state.
#pragma once

#include "app/mainstate.h"
#include "app/ui/charts.h"
#include "app/ui/gridmodel.h"
#include "app/ui/qtseams.h"
#include "assess/ui/assesswindow.h"
#include "meter/appusb.h"
#include "monitor/monitor.h"

#include <QWidget>
#include <qcustomplot.h>

#include <array>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QTableView;
class QToolButton;
class QCustomPlot;
class QCPBars;
class QCPItemText;

namespace pelzo {

// What a test puts in place of the desk; null means the real one.
struct FormSeams {
    Dialogs* dialogs = nullptr;
    Clock* clock = nullptr;
};

// The title strip: a left press hands the drag to the desktop, or moves the window by hand
// where the desktop cannot.
class DragStrip final : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    bool dragging() const { return dragging_; }

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool dragging_ = false;
    QPoint grab_;  // press position relative to the window's top left
};

class TFormMain final : public QWidget {
    Q_OBJECT
public:
    // Construction fails with a UiError when ico/min.bmp cannot be loaded from the working folder.
    explicit TFormMain(FormSeams seams = {});
    ~TFormMain() override;

    void FormCreate();
    void ArrangeControls();

    // Handlers.
    void Timer1STimer();
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton_AtoBClick();
    void ToolButton5Click();
    void ToolButton6Click();
    void ToolButton4Click();
    void ToolButton7Click();
    void SpeedButtonCloseClick();
    void SpeedButtonMinimClick();
    void SpeedButtonMaxMinClick();

    // Puts the shared state on screen: labels, table, graphs, axis, summary, page B.
    void ShowState();

    MainState& state() { return st_; }
    Core& core() { return core_; }
    QtTimer& timer1s() { return timer_; }
    bool maximised() const { return maximised_; }
    QCustomPlot* chart1() const { return chart1_; }
    QCustomPlot* chart2() const { return chart2_; }
    QTableView* stringGrid() const { return grid_; }
    GridModel* gridModel() const { return model_; }
    QCPItemText* chartToolTxt() const { return chartToolTxt_; }
    QCPBars* series1() const { return series1_; }
    const std::array<SeriesMirror, 3>& seriesMirrors() const { return mirrors_; }
    QToolButton* toolButton(int index) const { return toolButtons_[size_t(index)]; }
    AssessLink* assessLink() const { return assessLink_; }

private:
    template <typename F>
    void Handle(F&& handler);
    void BuildTitleStrip();
    void BuildToolbar();
    void BuildStatusStrip();
    void BuildPageA();
    void BuildReadout(QWidget* panel);
    void BuildChart1(QWidget* panel);
    void BuildPageB();
    void LoadMaxMinPicture(const QString& fixedPart);
    void SetWindowRegion();
    void ApplySeriesColours();
    void ApplyChart2Margins();
    bool eventFilter(QObject* watched, QEvent* event) override;

    MainState st_;
    PumpingPause pause_;
    std::unique_ptr<QtDialogs> qtDialogs_;
    Dialogs& dialogs_;
    SystemClock systemClock_;
    Clock& clock_;
    Appusb usb_;
    QtTimer timer_;
    Core core_;
    bool maximised_ = false;
    QPoint normalPos_;

    DragStrip* imageTop_ = nullptr;
    QLabel* label1_ = nullptr;
    QToolButton* speedButtonMinim_ = nullptr;
    QToolButton* speedButtonMaxMin_ = nullptr;
    QToolButton* speedButtonClose_ = nullptr;
    QWidget* imageToole_ = nullptr;
    QWidget* toolBar1_ = nullptr;
    std::array<QToolButton*, 8> toolButtons_{};
    QLabel* image2_ = nullptr;
    QWidget* panelStat_ = nullptr;
    QLabel* labelUSBState_ = nullptr;
    QLabel* labelStats_ = nullptr;
    AssessLink* assessLink_ = nullptr;  // a click on the statistics opens the assessment
    QWidget* panelMain_ = nullptr;
    QWidget* panelA_ = nullptr;
    QWidget* panelB_ = nullptr;
    QWidget* panelA_LU_ = nullptr;
    QWidget* panelA_LD_ = nullptr;
    QWidget* panelA_R_ = nullptr;
    QLabel* labelLcdStart_ = nullptr;
    QLabel* labelLcdEnd_ = nullptr;
    QLabel* labelDB_ = nullptr;
    QLabel* labelAC_ = nullptr;
    QLabel* labelFS_ = nullptr;
    QTableView* grid_ = nullptr;
    GridModel* model_ = nullptr;
    QCustomPlot* chart1_ = nullptr;
    QCPItemText* chartToolTxt_ = nullptr;
    CrossHair* chartTool1_ = nullptr;
    std::array<SeriesMirror, 3> mirrors_;
    QCustomPlot* chart2_ = nullptr;
    QCPBars* series1_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label6_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    // What page B and the chart show, so a tick redraws only what changed.
    bool panning_ = false;
    double panFrom_ = 0;
    QCPRange panRange_;
    bool chart1Dirty_ = true;
    bool chart2Dirty_ = true;
    double shownBarValue_ = -1;
    Rgb shownBarColor_ = 0;
    Rgb shownColours_[3] = {0, 0, 0};
};

}  // namespace pelzo
