// The SD card window: the card's space figures and pie, its root directory, and delete, upload
// and open on the picked file. All card work runs inside the wait window; widgets are filled
// only after the work has returned.
#pragma once

#include "monitor/monitor.h"
#include "sdcard/fat32.h"
#include "sdcard/sector.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace pelzo {

inline const QString MsgListCut = QString::fromUtf8("只列出了前 500 项");

// The two-slice pie: the free share in fuchsia, the used share in blue.
class SdPie final : public QWidget {
    Q_OBJECT
public:
    explicit SdPie(QWidget* parent);
    void setShares(std::optional<int> freeShare);
    std::optional<int> freeShare() const { return free_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::optional<int> free_;
};

class TForm_sd final : public QDialog {
    Q_OBJECT
public:
    // Fills itself: mounts the volume and lists the root directory.
    TForm_sd(Core& c, QWidget* owner);

    void ListView1Click();
    void Button2Click();  // delete
    void Button3Click();  // upload
    void Button6Click();  // open
    void Button7Click() { close(); }

    int CurrentEntry = 0;
    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3;
    QTreeWidget* ListView1;
    QLabel *Label_FATTYPE, *Label_UsedSpaceBity, *Label_UsedSpaceMB, *Label_FreeSpaceBity, *Label_FreeSpaceMB,
        *Label_ALLSpaceBity, *Label_ALLSpaceMB, *Label_ListCut;
    SdPie* Chart1;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7;

private:
    void build();
    void fill();
    void addRow(int entry);
    // Copies the current entry into `target`; true when the whole file arrived.
    bool copyCurrentTo(const QString& target);
    Name11 currentName() const;

    Core& c_;
    MeterCard card_;
    Fat32 fs_;
    bool removing_ = false;
};

}  // namespace pelzo
