// The application object: title, font, and the one place where errors that escape an event
// handler are caught and shown.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <stdexcept>

namespace pelzo {

// An error for the user, its text in UTF-8.
class UiError : public std::runtime_error {
public:
    explicit UiError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// The text an escaping error is shown with; a foreign one has an empty text.
QString ErrorText(const std::exception_ptr& e);

// A message box with the text, the application title and the error icon.
void ShowErrorBox(const QString& text);

class PelzoApplication final : public QApplication {
public:
    PelzoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // How an escaping error is shown (tests replace the message box).
    void setErrorReporter(std::function<void(const QString&)> r) { report_ = std::move(r); }

private:
    std::function<void(const QString&)> report_ = ShowErrorBox;
};

// Title, taskbar text, plain-box caption and the font every window inherits.
void SetUpApplication(QApplication& app);

}  // namespace pelzo
