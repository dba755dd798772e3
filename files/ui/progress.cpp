#include "files/ui/progress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMovie>
#include <QScreen>

namespace pelzo {

namespace {

void CentreOnDesktop(QWidget* w)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    w->move(avail.center() - QPoint(w->width() / 2, w->height() / 2));
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner, const QString& caption, const QString& clipPath, int stopFrame)
    : QDialog(owner), animate1_(new QLabel(this)), movie_(new QMovie(clipPath, QByteArray(), this)), stopFrame_(stopFrame)
{
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Blocks input to every other window while the work runs, without a nested exec().
    setWindowModality(Qt::ApplicationModal);
    animate1_->setObjectName(QStringLiteral("Animate1"));
    animate1_->setAlignment(Qt::AlignCenter);
    animate1_->setMovie(movie_);
    movie_->setCacheMode(QMovie::CacheAll);
    // Frames after the stop frame are not part of the loop.
    connect(movie_, &QMovie::frameChanged, this, [this](int frame) {
        if (stopFrame_ > 0 && frame > stopFrame_) movie_->jumpToFrame(0);
    });
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::placeAnimation(int x, int y, int w, int h) { animate1_->setGeometry(x, y, w, h); }

void ProgressWindow::startAnimation()
{
    if (movie_->isValid()) movie_->start();
}

void ProgressWindow::stopAnimation() { movie_->stop(); }

bool ProgressWindow::animating() const { return movie_->state() == QMovie::Running; }

void ProgressWindow::closeEvent(QCloseEvent* e) { e->ignore(); }

TFormSave::TFormSave(QWidget* owner, const QString& appDir)
    : ProgressWindow(owner, QStringLiteral("Save File"), appDir + QStringLiteral("/ico/exchange.gif"), 24)
{
    setObjectName(QStringLiteral("FormSave"));
    setFixedSize(290, 77);
    placeAnimation(8, 8, 272, 60);
    CentreOnDesktop(this);
}

TForm_MOpen::TForm_MOpen(QWidget* owner, const QString& appDir)
    : ProgressWindow(owner, QStringLiteral("Open File"), appDir + QStringLiteral("/ico/Open.gif"), 16)
{
    setObjectName(QStringLiteral("Form_MOpen"));
    setFixedSize(275, 67);
    placeAnimation(8, 16, 260, 40);
    CentreOnDesktop(this);
}

TForm_await::TForm_await(QWidget* owner, const QString& appDir)
    : ProgressWindow(owner, QString::fromUtf8("正在处理数据,请等待."), appDir + QStringLiteral("/ico/palmpilot.gif"), 19)
{
    setObjectName(QStringLiteral("Form_await"));
    // Outer 296 x 109 with a sizeable border: about 288 x 78 inside.
    resize(288, 78);
    setSizeGripEnabled(true);
    placeAnimation(8, 8, 272, 60);
    CentreOnDesktop(this);
}

std::unique_ptr<ProgressWindow> CreateProgressWindow(ProgressKind kind, QWidget* owner, const QString& appDir)
{
    switch (kind) {
    case ProgressKind::Save: return std::make_unique<TFormSave>(owner, appDir);
    case ProgressKind::Open: return std::make_unique<TForm_MOpen>(owner, appDir);
    case ProgressKind::Await: return std::make_unique<TForm_await>(owner, appDir);
    }
    return std::make_unique<TForm_await>(owner, appDir);
}

}  // namespace pelzo
