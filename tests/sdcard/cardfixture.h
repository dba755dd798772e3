// Card images made at test time with mkfs.fat and mtools, and the tools that check them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << '"' << b.toHex().toStdString() << '"'; }

namespace pelzo::test {

struct ShellResult {
    int rc = -1;
    QString out;  // standard output and error together
};
ShellResult Sh(const QString& command);

enum class Layout { Plain, Partitioned, PartitionedHiddenZero };

struct CardLayout {
    Layout layout;
    int sectorsPerCluster;
    const char* name;
};

class CardImage {
public:
    CardImage(Layout layout, int sectorsPerCluster);
    QString path() const { return dir_.filePath(QStringLiteral("card.img")); }
    QString dirPath() const { return dir_.path(); }
    uint32_t partStart() const { return layout_ == Layout::Plain ? 0 : 8192; }
    QByteArray source(const QString& name) const;  // a file that was copied onto the card
    // mtools and fsck.fat on the volume (the partition cut out when there is one).
    ShellResult mdir();
    ShellResult fsck();
    ShellResult minfo();
    QByteArray mtoolsCopy(const QString& cardName);

private:
    QString volume();
    QTemporaryDir dir_;
    Layout layout_;
};

QByteArray ReadAll(const QString& path);

}  // namespace pelzo::test
