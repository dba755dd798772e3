#include "tests/gui/fixture.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTimer>

namespace pelzo::test {

void MakePicture(const QString& dir, const QString& name)
{
    QDir().mkpath(dir + QStringLiteral("/ico"));
    QImage img(31, 18, QImage::Format_RGB32);
    img.fill(Qt::white);
    ASSERT_TRUE(img.save(dir + QStringLiteral("/ico/") + name));
}

void WindowTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    oldCwd = QDir::currentPath();
    MakePicture(dir.path(), QStringLiteral("min.bmp"));
    MakePicture(dir.path(), QStringLiteral("max.bmp"));
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
}

void WindowTest::TearDown()
{
    form.reset();
    QDir::setCurrent(oldCwd);
}

void WindowTest::MakeForm()
{
    form = std::make_unique<TFormMain>(FormSeams{&dialogs, &clock});
    form->timer1s().setEnabled(false);
    form->FormCreate();
    form->show();
}

void OnNextModal(std::function<void(QWidget*)> probe)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, probe] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        poll->stop();
        poll->deleteLater();
        probe(modal);
    });
    poll->start();
}

}  // namespace pelzo::test
