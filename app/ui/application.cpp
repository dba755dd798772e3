#include "app/ui/application.h"

#include "app/seams.h"

#include <QFont>
#include <QMessageBox>

namespace pelzo {

QString ErrorText(const std::exception_ptr& e)
{
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        return QString::fromUtf8(ex.what());
    } catch (...) {
        return QString();
    }
}

void ShowErrorBox(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, AppTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

PelzoApplication::PelzoApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool PelzoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // Ends only the handler that raised it; the program goes on.
        report_(ErrorText(std::current_exception()));
        return true;
    }
}

void SetUpApplication(QApplication& app)
{
    app.setApplicationName(AppTitle);
    // No display name: Qt would append it to every window title, message box captions included.
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(11);
    app.setFont(font);
}

}  // namespace pelzo
