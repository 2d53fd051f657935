// The fixture of the monitor's window tests: a zelk-devicesim on a free loopback port that the
// monitor's default address points at, a fresh current directory, and recorded operator messages.
#pragma once

#include "DeviceLink.h"
#include "DeviceSim.h"
#include "Seams.h"
#include "frmClient.h"

#include <QAbstractSocket>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

class MonitorStation {
public:
    // The set-up's failure is kept for ready(): a test starts with QVERIFY(s.ready()) and stops there.
    MonitorStation()
    {
        if (!dir.isValid())
            setUpError = dir.errorString();
        else if (!device.listen())
            setUpError = device.errorString();
        if (!setUpError.isEmpty())
            return;
        address = QStringLiteral("127.0.0.1:%1").arg(device.serverPort());
        qputenv("ZELK_DEFAULT_ADDRESS", address.toLatin1());
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    ~MonitorStation()
    {
        window.reset();
        if (!oldDir.isEmpty())
            QDir::setCurrent(oldDir);
    }
    bool ready() const
    {
        if (!setUpError.isEmpty())
            qWarning("The monitor station could not be set up: %s", qPrintable(setUpError));
        return setUpError.isEmpty();
    }
    MonitorStation(const MonitorStation &) = delete;
    MonitorStation &operator=(const MonitorStation &) = delete;

    // A new window through its start-up (which sends its first request).
    frmClient &startWindow()
    {
        window = std::make_unique<frmClient>();
        window->Form_Load();
        return *window;
    }
    // The raw bytes of every request the device received, or of one command's only.
    QList<QByteArray> requests(const QString &command = {}) const
    {
        QList<QByteArray> raw;
        for (const ZelkSim::RequestRecord &r : device.requests())
            if (command.isEmpty() || r.command == command)
                raw << r.raw;
        return raw;
    }
    int readings() const { return window->lblTotalReadingsD->text().toInt(); }
    bool idle() const { return !window->link().busy(); }
    void writeFile(const QString &name, const QByteArray &text) const
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QTemporaryDir dir;
    ZelkSim::DeviceSim device;
    Zelk::MsgBoxRecorder messages;
    QString setUpError;
    QString address;
    QString oldDir;
    std::unique_ptr<frmClient> window;
};

// Message boxes as a person answers them: each is recorded when it opens and stays open for HoldMs
// with its own event loop running, so timer ticks and socket events go on as under a real modal box.
// Past MaxOpen boxes open at once a box is answered at once, so that a flood of boxes still ends.
class HeldBoxes {
public:
    static constexpr int HoldMs = 1200;
    static constexpr int MaxOpen = 3;
    HeldBoxes() : m_previous(Zelk::currentMsgBoxHandler())
    {
        Zelk::setMsgBoxHandler([this](const QString &text, Zelk::MsgButtons, const QString &) {
            texts << text;
            if (m_open < MaxOpen) {
                ++m_open;
                Zelk::holdBoxOpen(HoldMs);
                --m_open;
            }
            return Zelk::MsgAnswer::Ok;
        });
    }
    ~HeldBoxes() { Zelk::setMsgBoxHandler(m_previous); }
    HeldBoxes(const HeldBoxes &) = delete;
    HeldBoxes &operator=(const HeldBoxes &) = delete;
    QStringList texts;

private:
    Zelk::MsgBoxHandler m_previous;
    int m_open = 0;
};
