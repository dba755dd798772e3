// The about window: banner, the meter's model, the maker's notice and a link to its site.
#pragma once

#include <QDialog>
#include <QLabel>

namespace pelzo {

// A label that reports a left click.
class LinkLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

class TF_Help final : public QDialog {
    Q_OBJECT
public:
    static inline const QString WebAddress = QStringLiteral("www.pelzo.example");

    explicit TF_Help(QWidget* owner);
    void FormCreate();
    void Label3Click();
    // The address the link opens: the shown one with a trailing "/".
    static QString LinkTarget();

private:
    LinkLabel* label3_ = nullptr;
};

}  // namespace pelzo
