// The three small progress windows that play a clip while slow file or card work runs.
#pragma once

#include "app/seams.h"

#include <QDialog>

#include <memory>

class QLabel;
class QMovie;

namespace pelzo {

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    // The clip is AppDir + `clip`; `stopFrame` is the last frame played before it starts over.
    ProgressWindow(QWidget* owner, const QString& caption, const QString& clipPath, int stopFrame);
    ~ProgressWindow() override;

    void startAnimation();
    void stopAnimation();
    bool animating() const;
    QLabel* animate1() const { return animate1_; }
    QMovie* movie() const { return movie_; }

protected:
    void placeAnimation(int x, int y, int w, int h);
    void closeEvent(QCloseEvent* e) override;  // the work decides when it ends
    void reject() override {}                  // Escape does not close it either

private:
    QLabel* animate1_;
    QMovie* movie_;
    int stopFrame_;
};

class TFormSave final : public ProgressWindow {
    Q_OBJECT
public:
    TFormSave(QWidget* owner, const QString& appDir);
};

class TForm_MOpen final : public ProgressWindow {
    Q_OBJECT
public:
    TForm_MOpen(QWidget* owner, const QString& appDir);
};

class TForm_await final : public ProgressWindow {
    Q_OBJECT
public:
    TForm_await(QWidget* owner, const QString& appDir);
};

std::unique_ptr<ProgressWindow> CreateProgressWindow(ProgressKind kind, QWidget* owner, const QString& appDir);

}  // namespace pelzo
