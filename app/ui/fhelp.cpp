#include "app/ui/fhelp.h"

#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QMouseEvent>
#include <QUrl>

namespace pelzo {

void LinkLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) emit clicked();
    QLabel::mousePressEvent(e);
}

namespace {

QLabel* Text(QWidget* parent, const char* name, const QString& text, int px, bool bold, const QColor& colour)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f = l->font();
    f.setPixelSize(px);
    f.setBold(bold);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    l->adjustSize();
    return l;
}

}  // namespace

TF_Help::TF_Help(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("F_Help"));
    setWindowTitle(QString::fromUtf8("帮助"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(433, 283);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(QPixmap(QDir::currentPath() + QStringLiteral("/ico/banner.png")));
    image1->setGeometry(0, 0, 433, 193);
    const QColor navy(0, 0, 128);
    Text(this, "Label2", QString::fromUtf8("型号: "), 16, true, navy)->move(24, 120);
    Text(this, "Label_Mode", QStringLiteral("SL-2040(C)"), 16, true, navy)->move(88, 120);
    auto* bevel1 = new QFrame(this);
    bevel1->setObjectName(QStringLiteral("Bevel1"));
    bevel1->setFrameShape(QFrame::HLine);
    bevel1->setFrameShadow(QFrame::Sunken);
    bevel1->setGeometry(0, 200, 441, 2);
    Text(this, "Label1", QString::fromUtf8("Pelzo 声学仪器有限公司  版权所有  保留所有权利"), 12, true, Qt::black)->move(56, 208);

    label3_ = new LinkLabel(WebAddress, this);
    label3_->setObjectName(QStringLiteral("Label3"));
    QFont f = label3_->font();
    f.setPixelSize(16);
    f.setUnderline(true);
    label3_->setFont(f);
    label3_->adjustSize();
    label3_->move(136, 232);
    connect(label3_, &LinkLabel::clicked, this, &TF_Help::Label3Click);
    FormCreate();
}

void TF_Help::FormCreate()
{
    label3_->setCursor(Qt::PointingHandCursor);
    QPalette p = label3_->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    label3_->setPalette(p);
}

QString TF_Help::LinkTarget() { return WebAddress + QLatin1Char('/'); }

void TF_Help::Label3Click()
{
    // The outcome is not looked at: a link that cannot be opened says nothing.
    QDesktopServices::openUrl(QUrl::fromUserInput(LinkTarget()));
}

}  // namespace pelzo
