#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace kesterly::test {

// The bytes of a file, or "<missing>" when it cannot be read.
QByteArray bytesOf(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Every file under a folder with its bytes, one "relative/path=bytes" line each, sorted:
// compares a whole folder before and after a step.
QByteArray snapshot(const QString& folder);

// A real file system of 256 KiB, mounted at a temporary folder while the object lives: a
// disk that fills up for real.
class SmallDisk {
public:
    SmallDisk();
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Why it could not be mounted (mounting needs the right to, as root has).
    QString refusal() const { return refusal_; }
    QString path() const { return dir_.path(); }

    // Fills the disk with page-sized files in a folder of their own, then frees the
    // given number of pages.
    void fillLeaving(int freePages);
    void empty();

private:
    QTemporaryDir dir_;
    QString refusal_;
    int fillers_ = 0;
};

// Skips the test function when the small disk could not be mounted here.
#define KESTERLY_SKIP_WITHOUT(disk)                                                                \
    if (!(disk).refusal().isEmpty())                                                               \
    QSKIP(qPrintable("a small file system could not be mounted here (" + (disk).refusal() +        \
                     "); the full-disk case needs the right to mount one, as root has"))

} // namespace kesterly::test
