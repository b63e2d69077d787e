#pragma once

#include <QByteArray>
#include <QString>

namespace kesterly::test {

// The bytes of a file, or "<missing>" when it cannot be read.
QByteArray bytesOf(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Every file under a folder with its bytes, one "relative/path=bytes" line each, sorted:
// compares a whole folder before and after a step.
QByteArray snapshot(const QString& folder);

} // namespace kesterly::test
