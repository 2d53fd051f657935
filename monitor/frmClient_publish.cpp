// frmClient: publishing the station's weights, inputs and outputs, runs and faults to a broker: the
// Publish box, the station settings file and what each reply, run and fault hands to the broker link.
#include "frmClient.h"

#include "BrokerLink.h"
#include "Controls.h"
#include "Seams.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHostInfo>
#include <QLineEdit>
#include <QSettings>

namespace {

// The box shows three states, the operator switches between two: a click on a box that is on (ticked,
// or half ticked while not connected) switches publishing off.
class PublishBox : public QCheckBox {
public:
    PublishBox(const QString &caption, QWidget *parent) : QCheckBox(caption, parent) {}

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
    }
};

QString settingsPath()
{
    return QDir::current().filePath(Publish::SettingsFileName);
}

QDateTime now()
{
    return QDateTime::currentDateTimeUtc();
}

} // namespace

void frmClient::createPublishing()
{
    // In the free room of the Activation Mode frame, right of the time-out box: on every screen the frame
    // holds it without growing.
    chkPublish = new PublishBox(QStringLiteral("Publish"), FraTimers);
    chkPublish->setObjectName(QStringLiteral("chkPublish"));
    Zelk::setGeometryTwips(chkPublish, 174 * 15, 102 * 15, 76 * 15, 24 * 15);
    showPublishState(false, {});
    connect(chkPublish, &QCheckBox::stateChanged, this, &frmClient::chkPublish_Click);
}

// Publishing starts with the window when the station settings file says so; a file with unusable values
// is reported at the start, whether it switches publishing on or not.
void frmClient::loadPublishing()
{
    if (!QFileInfo::exists(settingsPath()))
        return;
    QSettings file(settingsPath(), QSettings::IniFormat);
    const Publish::LoadedSettings loaded =
        Publish::loadSettings(file, QHostInfo::localHostName(), TxtIP->text());
    if (loaded.settings.enabled)
        chkPublish->setCheckState(Qt::Checked); // startPublishing names the problems
    else if (!loaded.problems.isEmpty())
        reportStationFile(loaded.problems);
}

void frmClient::reportStationFile(const QStringList &problems)
{
    Zelk::MsgBox(QStringLiteral("Publishing stays off: %1 cannot be used.\n%2")
                     .arg(QDir::toNativeSeparators(settingsPath()), problems.join(QLatin1Char('\n'))));
}

void frmClient::chkPublish_Click()
{
    const bool on = chkPublish->checkState() != Qt::Unchecked;
    if (on == bool(m_broker))
        return; // the box only shows the connection's state
    if (on)
        startPublishing();
    else
        stopPublishing();
    QSettings file(settingsPath(), QSettings::IniFormat);
    // The operator's choice holds for the next start too; a file that cannot be read is left as it is.
    const QString key = QStringLiteral("Publish/Enabled");
    if (file.status() == QSettings::NoError && bool(m_broker) == on && file.value(key).toBool() != on)
        file.setValue(key, on);
}

void frmClient::startPublishing()
{
    QSettings file(settingsPath(), QSettings::IniFormat);
    const Publish::LoadedSettings loaded =
        Publish::loadSettings(file, QHostInfo::localHostName(), TxtIP->text());
    QStringList problems = loaded.problems;
    const Publish::Settings &s = loaded.settings;
    QByteArray password;
    QString error;
    if (!s.passwordFile.isEmpty()) {
        const std::optional<QByteArray> read = Publish::readPassword(s.passwordFile, &error);
        if (read)
            password = *read;
        else
            problems << error;
    }
    if (!problems.isEmpty()) {
        showPublishState(false, {});
        reportStationFile(problems);
        return;
    }
    m_publishing = s;
    m_weightThinner = Publish::Thinner(s.weightRate);
    m_publishClock.start();
    m_ioPublished.reset();
    m_station = {s.clientId, TxtIP->text(), QStringLiteral(ZELK_VERSION)};
    m_broker = std::make_unique<BrokerLink>(
        BrokerLink::Config{s, password, Publish::status(s.topicPrefix, m_station, true, now()),
                           Publish::status(s.topicPrefix, m_station, false, now())});
    connect(m_broker.get(), &BrokerLink::stateChanged, this, &frmClient::showPublishState);
    connect(m_broker.get(), &BrokerLink::failed, this, [this](const QString &reason) {
        Zelk::MsgBox(QStringLiteral("Publishing to the broker %1 failed: %2\nThe station keeps trying; "
                                    "meanwhile up to %3 messages wait, the oldest weights dropped first.")
                         .arg(m_publishing.broker(), reason, QString::number(m_publishing.queueLimit)));
    });
    showPublishState(false, {});
    m_broker->start();
    publishIo();
}

void frmClient::stopPublishing()
{
    if (m_broker) {
        m_broker->disconnect(this);
        m_broker->setFarewell(Publish::status(m_publishing.topicPrefix, m_station, false, now()));
    }
    m_broker.reset();
    showPublishState(false, {});
}

void frmClient::showPublishState(bool connected, const QString &lastError)
{
    QString tip = QStringLiteral("Publish the station's weights, inputs and outputs, runs and faults");
    if (m_broker) {
        tip += QStringLiteral(" to the broker %1 under %2/.\n")
                   .arg(m_publishing.broker(), m_publishing.topicPrefix);
        tip += connected ? QStringLiteral("Connected.") : QStringLiteral("Not connected.");
        if (!lastError.isEmpty())
            tip += QStringLiteral("\nLast error: ") + lastError;
        if (const std::int64_t dropped = m_broker->dropped())
            tip += QStringLiteral("\nMessages dropped while the broker was away: %1").arg(dropped);
    } else {
        tip += QStringLiteral(" to a broker, as %1 sets it up.").arg(Publish::SettingsFileName);
    }
    chkPublish->setToolTip(tip);
    m_publishError = lastError;
    const Qt::CheckState state = !m_broker ? Qt::Unchecked : connected ? Qt::Checked : Qt::PartiallyChecked;
    if (chkPublish->checkState() != state) {
        const QSignalBlocker quiet(chkPublish);
        chkPublish->setCheckState(state);
    }
}

void frmClient::publishStatusReply(std::optional<double> gross, std::optional<std::int32_t> a2d,
                                   bool overflow)
{
    if (!m_broker)
        return;
    publishIo();
    if (!m_weightThinner.take(m_publishClock.elapsed()))
        return;
    Publish::WeightSample sample;
    sample.time = now();
    const double tare = shownTare();
    if (gross)
        sample.weight = *gross - tare;
    sample.unit = m_unit;
    sample.tare = tare;
    sample.a2d = a2d;
    bool channelOk = false;
    if (const int channel = m_channel.toInt(&channelOk); channelOk)
        sample.channel = channel;
    sample.overflow = overflow;
    m_broker->publish(Publish::weight(m_publishing.topicPrefix, sample));
    if (m_broker->dropped() > 0)
        showPublishState(m_broker->connected(), m_publishError);
}

// The input and output words as the device reported them last, whenever either changes.
void frmClient::publishIo()
{
    if (!m_broker || !m_ioReported)
        return;
    const std::pair<int, int> words{iInStatus, iOutStatus};
    if (m_ioPublished == words)
        return;
    m_ioPublished = words;
    m_broker->publish(Publish::io(m_publishing.topicPrefix, words.first, words.second, now()));
}

Publish::RunSummary frmClient::runSummary() const
{
    return {QFileInfo(txtHistFileName->text()).absoluteFilePath(), lReadingCount, lBlockCount,
            m_runClock.isValid() ? m_runClock.elapsed() : 0};
}

void frmClient::publishRunStarted()
{
    m_runClock.start();
    m_runFaultPublished = false;
    if (m_broker)
        m_broker->publish(Publish::runStarted(m_publishing.topicPrefix,
                                              QFileInfo(txtHistFileName->text()).absoluteFilePath(), now()));
}

void frmClient::publishRunEnded(const QString &failure)
{
    if (m_broker)
        m_broker->publish(Publish::runEnded(m_publishing.topicPrefix, runSummary(), failure, now()));
}

// A run cut off by a fault of the device, said once per run.
void frmClient::publishRunFault(const QString &reason)
{
    if (m_broker && m_runUnsaved && !std::exchange(m_runFaultPublished, true))
        m_broker->publish(Publish::runFaulted(m_publishing.topicPrefix, runSummary(), reason, now()));
}

void frmClient::publishFault(Publish::FaultKind kind, const QString &text)
{
    if (m_broker)
        m_broker->publish(Publish::fault(m_publishing.topicPrefix, kind, text, now()));
}

void frmClient::showWriteFailure(const QString &text, bool later)
{
    publishFault(Publish::FaultKind::WriteFailure, text);
    if (later)
        msgBoxAfterEvent(text);
    else
        Zelk::MsgBox(text);
}
