// The simulated controller: load steps with settling and noise, toggling inputs, outputs and set point,
// and the fast-sampling recorder. Everything is a function of the seed and the device time.
#include "DeviceModel.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace ZelkSim {

namespace {

quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

quint64 key(quint32 seed, int channel, qint64 value, int salt)
{
    return mix(mix(mix(seed) ^ quint64(channel * 131 + salt)) ^ quint64(value));
}

// Uniform in [-1, 1).
double noise(quint64 k)
{
    return double(mix(k) >> 11) / 4503599627370496.0 - 1.0;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

struct Shape {
    qint64 stepMs;
    double minKg, maxKg;
    double settleMs;
    double noiseKg;
};

// Steady and busy stay below 114 kg (count below 118000); overload stays above 127.9 kg (count above
// 131900), so only the overload profile ever crosses the 130000 overflow limit.
Shape shapeOf(Profile profile)
{
    switch (profile) {
    case Profile::Busy:
        return {900, 0.0, 110.0, 120.0, 0.05};
    case Profile::Overload:
        return {2000, 128.0, 160.0, 200.0, 0.02};
    case Profile::Steady:
        break;
    }
    return {4000, 5.0, 60.0, 300.0, 0.005};
}

double targetOf(const ModelConfig &config, int channel, qint64 segment, const Shape &shape)
{
    const double u = (noise(key(config.seed, channel, segment, 1)) + 1.0) / 2.0;
    return shape.minKg + u * (shape.maxKg - shape.minKg);
}

struct Toggle {
    int bit;
    qint64 periodMs;
};

QList<Toggle> togglesOf(Profile profile)
{
    if (profile == Profile::Busy)
        return {{0, 400}, {1, 700}, {2, 1100}, {3, 1700}};
    return {{0, 3000}, {2, 7000}};
}

} // namespace

std::optional<Profile> profileFromName(const QString &name)
{
    for (Profile p : {Profile::Steady, Profile::Busy, Profile::Overload}) {
        if (profileName(p) == name)
            return p;
    }
    return std::nullopt;
}

QString profileName(Profile profile)
{
    switch (profile) {
    case Profile::Busy:
        return QStringLiteral("busy");
    case Profile::Overload:
        return QStringLiteral("overload");
    case Profile::Steady:
        break;
    }
    return QStringLiteral("steady");
}

double weightAt(const ModelConfig &config, int channel, qint64 ms)
{
    const Shape shape = shapeOf(config.profile);
    const qint64 segment = floorDiv(ms, shape.stepMs);
    const double intoStep = double(ms - segment * shape.stepMs);
    const double previous = targetOf(config, channel, segment - 1, shape);
    const double current = targetOf(config, channel, segment, shape);
    const double settled = current + (previous - current) * std::exp(-intoStep / shape.settleMs);
    return settled + noise(key(config.seed, channel, ms, 2)) * shape.noiseKg;
}

qint64 a2dForWeight(double kg)
{
    return std::llround(4000.0 + kg * 1000.0);
}

int inputWordAt(const ModelConfig &config, qint64 ms)
{
    int word = 0xFF;
    for (const Toggle &t : togglesOf(config.profile)) {
        const qint64 phase = qint64(mix(key(config.seed, 0, t.bit, 3)) % quint64(t.periodMs));
        if (floorDiv(ms + phase, t.periodMs) % 2 != 0)
            word &= ~(1 << t.bit);
    }
    return word;
}

QString weightText(double kg)
{
    const QString text = QString::number(std::clamp(kg, -99999.999, 999999.999), 'f', 3);
    return text == QLatin1String("-0.000") ? QStringLiteral("0.000") : text;
}

std::optional<OutputRequest> parseSetOutputBody(const QString &body, QString *error)
{
    OutputRequest request;
    bool haveWord = false;
    for (const QString &pair : body.split(QLatin1Char('&'))) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString name = pair.left(eq);
        const QString value = eq < 0 ? QString() : pair.mid(eq + 1);
        if (name == QLatin1String("OUT_STATUS")) {
            bool ok = false;
            const int word = value.toInt(&ok);
            if (!ok || word < -32768 || word > 65535) {
                *error = QStringLiteral("OUT_STATUS is not a 16-bit number");
                return std::nullopt;
            }
            request.outWord = word & AllOutputsOff;
            haveWord = true;
        } else if (name == QLatin1String("SET_POINT")) {
            bool ok = false;
            QString text = value.trimmed();
            const double kg = QLocale::c().toDouble(text.replace(QLatin1Char(','), QLatin1Char('.')), &ok);
            if (ok)
                request.setPoint = kg;
        }
    }
    if (!haveWord) {
        *error = QStringLiteral("OUT_STATUS missing");
        return std::nullopt;
    }
    return request;
}

DeviceState::DeviceState(const ModelConfig &config) : m_config(config)
{
    setIntegrationMs(config.integrationMs);
}

void DeviceState::setIntegrationMs(int ms)
{
    m_config.integrationMs = std::max(1, ms);
}

double DeviceState::weightNow(qint64 nowMs) const
{
    return m_forcedWeight.value_or(weightAt(m_config, m_channel, nowMs));
}

StatusSnapshot DeviceState::status(qint64 nowMs) const
{
    StatusSnapshot s;
    s.weight = weightNow(nowMs);
    s.a2d = m_forcedA2D.value_or(a2dForWeight(s.weight));
    s.inWord = m_forcedInputs.value_or(inputWordAt(m_config, nowMs));
    s.outWord = outputWord(nowMs);
    s.spStatus = spStatus(nowMs);
    s.channel = m_channel;
    s.integrationMs = m_config.integrationMs;
    s.unit = m_unit;
    return s;
}

// The set point watches channel 1, the only channel it works on.
int DeviceState::spStatus(qint64 nowMs) const
{
    if (m_forcedSp)
        return *m_forcedSp;
    if (!m_setPoint)
        return 0;
    return m_forcedWeight.value_or(weightAt(m_config, 1, nowMs)) >= *m_setPoint ? 1 : 0;
}

int DeviceState::outputWord(qint64 nowMs) const
{
    if (!m_setPoint)
        return m_outWord;
    return spStatus(nowMs) != 0 ? (m_outWord & ~SetPointOutputBit) : (m_outWord | SetPointOutputBit);
}

void DeviceState::applyOutputRequest(const OutputRequest &request)
{
    m_outWord = request.outWord;
    const bool output10On = (request.outWord & SetPointOutputBit) == 0;
    if (output10On && request.setPoint && *request.setPoint >= 0)
        m_setPoint = request.setPoint;
    else
        m_setPoint.reset();
}

void DeviceState::startSampling(qint64 nowMs)
{
    const int number = m_run.number + 1;
    m_run = Run{true, number, m_channel, nowMs, m_config.runMs / m_config.integrationMs, 0};
}

qint64 DeviceState::recordedBy(qint64 nowMs) const
{
    return std::clamp<qint64>((nowMs - m_run.startMs) / m_config.integrationMs, 0, m_run.total);
}

void DeviceState::stopSampling(qint64 nowMs)
{
    if (m_run.exists)
        m_run.total = recordedBy(nowMs);
}

bool DeviceState::samplingActive(qint64 nowMs) const
{
    return m_run.exists && recordedBy(nowMs) < m_run.total;
}

Batch DeviceState::takeBatch(qint64 nowMs, int maxReadings)
{
    Batch batch;
    if (!m_run.exists)
        return batch;
    const qint64 recorded = recordedBy(nowMs);
    const qint64 available = recorded - m_run.handed;
    if (available > 0) {
        batch.kind = Batch::Readings;
        batch.firstIndex = m_run.handed;
        const qint64 n = std::min<qint64>(maxReadings, available);
        for (qint64 i = 0; i < n; ++i)
            batch.readings << readingText(m_run.handed + i);
        m_run.handed += n;
    } else if (recorded < m_run.total) {
        batch.kind = Batch::Wait;
        const qint64 next = m_run.startMs + (m_run.handed + 1) * m_config.integrationMs;
        batch.waitMs = int(std::max<qint64>(1, next - nowMs));
    }
    return batch;
}

// Reading k of run r is the channel's weight at r * 1000 s + k integration periods: the same seed gives
// the same readings however fast they are fetched.
QString DeviceState::readingText(qint64 index) const
{
    if (!m_forcedReadings.isEmpty())
        return m_forcedReadings.at(index % m_forcedReadings.size());
    const qint64 ms = qint64(m_run.number) * 1000000 + index * m_config.integrationMs;
    return weightText(m_forcedWeight.value_or(weightAt(m_config, m_run.channel, ms)));
}

} // namespace ZelkSim
