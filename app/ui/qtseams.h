// The desk side of the seams: real message boxes and file/colour dialogs, the one-second QTimer,
// and pauses that keep the windows alive while a progress window animates.
#pragma once

#include "app/seams.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace pelzo {

// A fixed pause. While a progress window is up the pause runs the event loop, so the windows
// keep repainting and the clip keeps playing; otherwise it simply sleeps (nothing may run in
// between, e.g. between the two clock requests).
class PumpingPause final : public Pause {
public:
    void pause(int ms) override;
    void setPumping(bool on) { pumping_ += on ? 1 : -1; }
    bool pumping() const { return pumping_ > 0; }

private:
    int pumping_ = 0;
};

// "desc|pattern|desc|pattern" to Qt's name filters; the patterns stay inside the last "()".
QStringList QtNameFilters(const QString& delphiFilter);

class QtDialogs final : public Dialogs {
public:
    QtDialogs(PumpingPause& pause, QString appDir) : pause_(pause), appDir_(std::move(appDir)) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    void setAppDir(const QString& dir) { appDir_ = dir; }

    int message(const Message& m) override;
    std::optional<QString> openFile(const QString& filter) override;
    std::optional<SaveChoice> saveFile(const QString& filter) override;
    std::optional<Rgb> pickColor(Rgb initial) override;
    void withProgress(ProgressKind kind, const std::function<void()>& work) override;
    void progressText(const QString& text) override;

private:
    PumpingPause& pause_;
    QString appDir_;
    QPointer<QWidget> owner_;
    Rgb lastColor_ = MakeRgb(0, 0, 0);  // the colour dialog keeps its last confirmed colour
};

// Timer1S: the logic switches it, the QTimer really stops and starts.
class QtTimer final : public Timer {
public:
    explicit QtTimer(std::function<void()> onTimeout);
    void setEnabled(bool on) override;
    bool enabled() const override { return timer_.isActive(); }
    void setInterval(int ms) override { timer_.setInterval(ms); }
    int interval() const { return timer_.interval(); }

private:
    QTimer timer_;
};

}  // namespace pelzo
