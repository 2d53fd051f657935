// The offscreen platform on a laptop's screen of 1366x768 at 96 dpi, shared by the end-to-end tests and
// the benchmarks: the platform's own default screen is smaller than the monitor's window.
#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryFile>

// The QT_QPA_PLATFORM value. The driver does not click controls cut off by the screen, so the
// programs under test or measure run on this one.
inline QString laptopScreenPlatform()
{
    static QTemporaryFile file(QDir::tempPath() + QStringLiteral("/zelk-screen-XXXXXX.json"));
    if (!file.isOpen() && file.open()) {
        file.write(R"({"screens":[{"name":"laptop","x":0,"y":0,"width":1366,"height":768,)"
                   R"("logicalDpi":96,"logicalBaseDpi":96}]})");
        file.flush();
    }
    return QStringLiteral("offscreen:configfile=") + file.fileName();
}
