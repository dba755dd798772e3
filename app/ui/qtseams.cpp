#include "app/ui/qtseams.h"

#include "files/ui/progress.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>

#include <thread>

namespace pelzo {

void PumpingPause::pause(int ms)
{
    if (!pumping()) {
        if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(std::max(ms, 0), &loop, &QEventLoop::quit);
    loop.exec();
}

QStringList QtNameFilters(const QString& delphiFilter)
{
    const QStringList items = delphiFilter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QString pattern = items[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << items[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

namespace {

QMessageBox::Icon QtIcon(Icon icon)
{
    switch (icon) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

struct ButtonPair {
    int ours;
    QMessageBox::StandardButton qt;
};
constexpr ButtonPair ButtonMap[] = {
    {Yes, QMessageBox::Yes}, {No, QMessageBox::No}, {Ok, QMessageBox::Ok}, {Cancel, QMessageBox::Cancel}};

int FirstButton(int buttons)
{
    for (const ButtonPair& b : ButtonMap)
        if (buttons & b.ours) return b.ours;
    return Ok;
}

}  // namespace

int QtDialogs::message(const Message& m)
{
    const int buttons = m.buttons ? m.buttons : Ok;
    QMessageBox box(QtIcon(m.icon), m.caption.isEmpty() ? AppTitle : m.caption, m.text, QMessageBox::NoButton,
                    m.ownerless ? nullptr : owner_.data());
    for (const ButtonPair& b : ButtonMap)
        if (buttons & b.ours) box.addButton(b.qt);
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const ButtonPair& b : ButtonMap)
        if (pressed == b.qt) return b.ours;
    // Closed without a button: the box's escape answer.
    return (buttons & Cancel) ? Cancel : (buttons & No) ? No : FirstButton(buttons);
}

std::optional<QString> QtDialogs::openFile(const QString& filter)
{
    QFileDialog dlg(owner_, QString(), QDir::currentPath());
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::AnyFile);  // a name that does not exist is accepted
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setNameFilters(QtNameFilters(filter));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return dlg.selectedFiles().constFirst();
}

std::optional<SaveChoice> QtDialogs::saveFile(const QString& filter)
{
    QFileDialog dlg(owner_, QString(), QDir::currentPath());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = QtNameFilters(filter);
    dlg.setNameFilters(filters);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    // With the details hidden the dialog may hand back the description alone.
    const QString selected = dlg.selectedNameFilter();
    int index = 0;
    for (qsizetype i = 0; i < filters.size() && !index; ++i)
        if (filters[i] == selected || filters[i].startsWith(selected + QStringLiteral(" ("))) index = int(i) + 1;
    return SaveChoice{dlg.selectedFiles().constFirst(), index > 0 ? index : 1};
}

std::optional<Rgb> QtDialogs::pickColor(Rgb)
{
    QColorDialog dlg(QColor::fromRgb(lastColor_), owner_);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    lastColor_ = dlg.selectedColor().rgb();
    return lastColor_;
}

void QtDialogs::withProgress(ProgressKind kind, const std::function<void()>& work)
{
    std::unique_ptr<ProgressWindow> win = CreateProgressWindow(kind, owner_, appDir_);
    win->show();
    win->startAnimation();
    QCoreApplication::processEvents();  // the window is on screen before the work starts

    // Whatever way the work ends, the window goes and the pauses sleep again.
    struct Scope {
        PumpingPause& pause;
        ProgressWindow& win;
        ~Scope()
        {
            pause.setPumping(false);
            win.stopAnimation();
            win.hide();
        }
    } scope{pause_, *win};
    pause_.setPumping(true);
    work();
}

void QtDialogs::progressText(const QString&)
{
    // Long work reports here between its steps: a chance to repaint.
    if (pause_.pumping()) QCoreApplication::processEvents();
}

QtTimer::QtTimer(std::function<void()> onTimeout)
{
    timer_.setInterval(1000);
    QObject::connect(&timer_, &QTimer::timeout, std::move(onTimeout));
}

void QtTimer::setEnabled(bool on)
{
    if (on)
        timer_.start();
    else
        timer_.stop();
}

}  // namespace pelzo
