// The simulated weighing and I/O controller: weight signals per channel, inputs, outputs, set point,
// channel and the fast-sampling recorder. Pure code: every call takes the device time in milliseconds.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

namespace ZelkSim {

// How the load on the scale behaves. Only Overload drives the converter count above 130000.
enum class Profile { Steady, Busy, Overload };
std::optional<Profile> profileFromName(const QString &name);
QString profileName(Profile profile);

struct ModelConfig {
    quint32 seed = 1;
    Profile profile = Profile::Steady;
    int integrationMs = 2; // one fast-sampling reading per integration period
    int runMs = 3000;      // length of a fast-sampling run
};

// The most readings one GetFastSampling reply hands over.
constexpr int MaxReadingsPerBatch = 232;
// Output word at power-up: all ten outputs off (active-low).
constexpr int AllOutputsOff = 1023;
// Bit of output 10, the output the set point drives.
constexpr int SetPointOutputBit = 512;

// Signal generators: pure functions of the configuration, the channel (1 or 2) and the time.
double weightAt(const ModelConfig &config, int channel, qint64 ms);
qint64 a2dForWeight(double kg);
int inputWordAt(const ModelConfig &config, qint64 ms);
// "." as decimal point, exactly three decimals, at most 10 characters.
QString weightText(double kg);

// What a SetOutput body asks for: "ID=4&OUT_STATUS=<word>&SET_POINT=<text>".
struct OutputRequest {
    int outWord = AllOutputsOff;
    std::optional<double> setPoint; // a number (either "." or "," as decimal point), else none
};
// Parses a SetOutput body; returns an error text when OUT_STATUS is missing or not a 16-bit number.
std::optional<OutputRequest> parseSetOutputBody(const QString &body, QString *error);

// A GetRTStatus reading of the device, before any text formatting of the reply.
struct StatusSnapshot {
    double weight = 0;
    qint64 a2d = 0;
    int inWord = 0xFF;
    int outWord = AllOutputsOff;
    int spStatus = 0;
    int channel = 1;
    int integrationMs = 2;
    QString unit;
};

// What GetFastSampling gets: readings, a wait for the next one, or the end of the run.
struct Batch {
    enum Kind { Readings, Wait, Finished } kind = Finished;
    QStringList readings;
    qint64 firstIndex = 0;
    int waitMs = 0;
};

class DeviceState {
public:
    explicit DeviceState(const ModelConfig &config = {});

    const ModelConfig &config() const { return m_config; }
    void setIntegrationMs(int ms);
    void setRunMs(int ms) { m_config.runMs = ms; }

    // Forced values for tests; std::nullopt returns to the simulated signal.
    void forceWeight(std::optional<double> kg) { m_forcedWeight = kg; }
    void forceA2D(std::optional<qint64> count) { m_forcedA2D = count; }
    void forceInputWord(std::optional<int> word) { m_forcedInputs = word; }
    void forceSpStatus(std::optional<int> status) { m_forcedSp = status; }
    // Reading k of a run shows texts[k % size] (empty list: the simulated weight).
    void forceReadingTexts(const QStringList &texts) { m_forcedReadings = texts; }
    void setOutputWord(int word) { m_outWord = word; }
    void setChannel(int channel) { m_channel = channel; }
    void setUnit(const QString &unit) { m_unit = unit; }
    void armSetPoint(std::optional<double> kg) { m_setPoint = kg; }

    int channel() const { return m_channel; }
    std::optional<double> setPoint() const { return m_setPoint; }
    QString unit() const { return m_unit; }

    StatusSnapshot status(qint64 nowMs) const;
    // The output word as driven now: the last word set, with output 10 following an armed set point.
    int outputWord(qint64 nowMs) const;
    int spStatus(qint64 nowMs) const;

    // SetOutput: stores the ten output bits; output 10 requested on with a set point >= 0 arms it.
    void applyOutputRequest(const OutputRequest &request);

    // Fast sampling: a run records runMs / integrationMs readings, one per integration period.
    void startSampling(qint64 nowMs);
    void stopSampling(qint64 nowMs);
    bool samplingActive(qint64 nowMs) const;
    Batch takeBatch(qint64 nowMs, int maxReadings = MaxReadingsPerBatch);
    QString readingText(qint64 index) const;

private:
    double weightNow(qint64 nowMs) const;
    qint64 recordedBy(qint64 nowMs) const;

    ModelConfig m_config;
    int m_outWord = AllOutputsOff;
    int m_channel = 1;
    QString m_unit = QStringLiteral("KG");
    std::optional<double> m_setPoint;
    std::optional<double> m_forcedWeight;
    std::optional<qint64> m_forcedA2D;
    std::optional<int> m_forcedInputs;
    std::optional<int> m_forcedSp;
    QStringList m_forcedReadings;

    struct Run {
        bool exists = false;
        int number = 0;
        int channel = 1;
        qint64 startMs = 0;
        qint64 total = 0;  // readings the run will record
        qint64 handed = 0; // readings already handed over
    } m_run;
};

} // namespace ZelkSim
