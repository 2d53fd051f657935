// Writing files so that a failure is seen where it happens and reported with the operating system's
// reason ("No space left on device"), and a file is replaced only by a complete new one.
#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

class QSaveFile;

namespace Zelk {

// Open mode of every file the programs write: no buffer in the program, so each write meets the disk
// at once and its failure comes back from that write, not later from a flush nobody checks.
constexpr QIODevice::OpenMode DirectWrite = QIODevice::WriteOnly | QIODevice::Unbuffered;

// Writes every byte of `data`. A short write (the disk filled up in the middle of it) goes on with the
// rest, which then fails with the reason. False, with the reason in `error`, when not all was written.
bool writeAll(QIODevice &out, QByteArrayView data, QString *error);

// Flushes, syncs and commits a file written through a temporary, in that order, each step checked:
// the previous file is replaced only when all of that went through. Otherwise the temporary is dropped,
// the previous file stays as it was, and `error` gets the reason.
bool commitAll(QSaveFile &file, QString *error);

// `data` as the whole new content of `path`, through a temporary (DirectWrite, writeAll, commitAll).
bool saveWhole(const QString &path, QByteArrayView data, QString *error);

} // namespace Zelk
