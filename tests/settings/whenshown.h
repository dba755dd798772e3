// Drives the settings dialog while ToolButton5Click holds it modally.
#pragma once

#include "settings/ui/sermeter.h"

#include <QApplication>
#include <QObject>
#include <QTimer>

#include <functional>

namespace pelzo::settingstest {

// Runs `act` on the settings dialog once it is shown modally. Should `act` leave it open, it is
// closed so the test fails instead of hanging.
class WhenShown {
public:
    explicit WhenShown(std::function<void(TForm_SetupMeter&)> act) : act_(std::move(act)) { arm(); }
    bool ran() const { return ran_; }
    bool leftOpen() const { return leftOpen_; }

private:
    void arm()
    {
        QTimer::singleShot(5, &guard_, [this] {
            auto* d = qobject_cast<TForm_SetupMeter*>(QApplication::activeModalWidget());
            if (!d) return arm();
            ran_ = true;
            act_(*d);
            if (d->isVisible()) {
                leftOpen_ = true;
                d->reject();
            }
        });
    }
    QObject guard_;  // no poll outlives this object
    std::function<void(TForm_SetupMeter&)> act_;
    bool ran_ = false;
    bool leftOpen_ = false;
};

}  // namespace pelzo::settingstest
