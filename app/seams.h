// Seams for everything that would block on the desk or depend on it: message boxes and file
// dialogs, the local clock, fixed pauses and the one-second timer. Production uses Qt; tests
// and the command-line tool script them.
#pragma once

#include <QDateTime>
#include <QString>


#include <functional>
#include <optional>

namespace pelzo {

// A 24-bit colour in the same layout as Qt's QRgb (0xffRRGGBB), so the widgets take it as is.
using Rgb = unsigned int;
constexpr Rgb MakeRgb(int r, int g, int b) { return 0xff000000u | (Rgb(r & 0xff) << 16) | (Rgb(g & 0xff) << 8) | Rgb(b & 0xff); }

inline const QString AppTitle = QStringLiteral("Pelzo Sound Link 1v2c");

enum Button : int { NoButton = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };
enum class Icon { None, Warning, Question, Error, Information };

// One modal message box. `caption` empty means the application title.
struct Message {
    QString text;
    QString caption;       // exactly as shown, blanks included
    int buttons = Ok;      // OR of Button
    Icon icon = Icon::None;
    bool ownerless = false;  // no owner window (the text save's failure message)
};

// The standard forms.
Message PlainMessage(const QString& text);                       // app title, OK, no icon
Message WarningMessage(const QString& text, int buttons);        // warning icon
Message ConfirmMessage(const QString& text);                     // Yes/No, question icon
Message CaptionedMessage(const QString& text, const QString& caption, int buttons, Icon icon);

// The three progress windows that animate while slow work runs.
enum class ProgressKind { Save, Open, Await };

struct SaveChoice {
    QString path;       // exactly as the dialog returned it
    int filterIndex;    // 1-based
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the box modally; returns the button pressed (one of Button).
    virtual int message(const Message& m) = 0;
    virtual std::optional<QString> openFile(const QString& filter) = 0;
    virtual std::optional<SaveChoice> saveFile(const QString& filter) = 0;
    // The same dialog starting on `initialName`; dialogs that cannot preset a name ignore it.
    virtual std::optional<SaveChoice> saveFileNamed(const QString& filter, const QString& initialName)
    {
        (void)initialName;
        return saveFile(filter);
    }
    // Colour picker opening on `initial`; nullopt when cancelled.
    virtual std::optional<Rgb> pickColor(Rgb initial) = 0;
    // Runs `work` while the progress window of `kind` animates. `progress` may be called by the
    // work with a text (how far it has come); implementations may show or ignore it.
    virtual void withProgress(ProgressKind kind, const std::function<void()>& work) = 0;
    virtual void progressText(const QString&) {}
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

class Pause {
public:
    virtual ~Pause() = default;
    virtual void pause(int ms) = 0;
};

// The window's one-second timer. The logic only switches it; whoever owns the real timer
// follows these calls.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setInterval(int ms) = 0;
};

// The timer stays off while this lives and is started again, at its one-second interval, on
// every way out of the scope, an escaping error included. For the commands during which no
// tick may fall between their meter requests or file steps.
class TimerOff {
public:
    explicit TimerOff(Timer& t) : t_(t) { t_.setEnabled(false); }
    ~TimerOff()
    {
        t_.setInterval(1000);
        t_.setEnabled(true);
    }
    TimerOff(const TimerOff&) = delete;
    TimerOff& operator=(const TimerOff&) = delete;

private:
    Timer& t_;
};

// Plain implementations used where no desktop is involved.
class SystemClock final : public Clock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

class SleepPause final : public Pause {
public:
    void pause(int ms) override;
};

class PlainTimer final : public Timer {
public:
    void setEnabled(bool on) override { on_ = on; }
    bool enabled() const override { return on_; }
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const { return interval_; }
private:
    bool on_ = false;
    int interval_ = 1000;
};

}  // namespace pelzo
