// Writing files so that a failure is seen where it happens: every byte written, the flush and the sync
// checked, and only then a temporary file committed in place of the previous one.
#include "SafeWrite.h"

#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace Zelk {

namespace {

bool failed(const QString &reason, QString *error)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool writeAll(QIODevice &out, QByteArrayView data, QString *error)
{
    while (!data.isEmpty()) {
        const qint64 written = out.write(data.data(), data.size());
        if (written <= 0)
            return failed(out.errorString(), error);
        data = data.sliced(written);
    }
    return true;
}

bool commitAll(QSaveFile &file, QString *error)
{
    // QSaveFile::commit() renames the temporary into place even when its own flush or sync failed.
    QString reason;
    if (!file.flush())
        reason = file.errorString();
    else if (::fsync(file.handle()) != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    else if (file.commit())
        return true;
    else
        reason = file.errorString();
    file.cancelWriting();
    return failed(reason, error);
}

bool saveWhole(const QString &path, QByteArrayView data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(DirectWrite))
        return failed(file.errorString(), error);
    if (writeAll(file, data, error))
        return commitAll(file, error);
    file.cancelWriting();
    return false;
}

} // namespace Zelk
