// Command line of zelk-devicesim: options, their ranges, and the "name[=param][@command]" faults.
// Nothing here touches the network; main.cpp applies the result to a DeviceSim.
#include "SimOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace ZelkSim {

namespace {

// A whole number in [min, max]; nullopt otherwise.
std::optional<qint64> number(const QString &text, qint64 min, qint64 max)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

struct FaultName {
    const char *name;
    Fault fault;
    bool needsParam;
    qint64 min, max;
};

const FaultName faultNames[] = {
    {"never-answer", Fault::NeverAnswer, false, 0, 0}, {"close", Fault::CloseWithoutAnswer, false, 0, 0},
    {"chunk", Fault::Chunked, true, 1, 1 << 20},       {"one-write", Fault::OneWrite, false, 0, 0},
    {"trailer", Fault::TrailerCount, true, 0, 100},    {"slow", Fault::SlowReply, true, 0, 600000},
    {"stall", Fault::Stall, true, 0, 600000},          {"error", Fault::ErrorCode, true, -32768, 32767},
    {"malformed", Fault::MalformedXml, false, 0, 0},   {"oversize", Fault::Oversized, true, 1, 64 << 20},
    {"refuse", Fault::RefuseConnections, false, 0, 0},
};

bool parseFaultParam(const FaultName &known, const QString &param, bool hasParam, FaultSpec *faultSpec,
                     QString *error)
{
    if (known.fault == Fault::MalformedXml) {
        const std::optional<Malformed> kind =
            hasParam ? malformedFromName(param) : Malformed::UnclosedElements;
        if (!kind)
            *error = QStringLiteral("unknown malformed kind: ") + param;
        faultSpec->param = int(kind.value_or(Malformed::UnclosedElements));
        return kind.has_value();
    }
    if (!known.needsParam) {
        if (hasParam)
            *error = QStringLiteral("fault takes no parameter: ") + QLatin1String(known.name);
        return !hasParam;
    }
    QString value = param;
    if (known.fault == Fault::ErrorCode) {
        const qsizetype colon = param.indexOf(QLatin1Char(':'));
        faultSpec->text = colon < 0 ? QStringLiteral("Device error") : param.mid(colon + 1);
        value = param.left(colon);
    }
    const std::optional<qint64> n = number(value, known.min, known.max);
    if (!hasParam || !n) {
        *error = QStringLiteral("fault %1 needs a number from %2 to %3")
                     .arg(QLatin1String(known.name))
                     .arg(known.min)
                     .arg(known.max);
        return false;
    }
    faultSpec->param = int(*n);
    return true;
}

} // namespace

std::optional<FaultSpec> parseFaultSpec(const QString &text, QString *error)
{
    FaultSpec faultSpec;
    QString rest = text;
    const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        faultSpec.command = rest.mid(at + 1);
        rest = rest.left(at);
        if (!isKnownCommand(faultSpec.command)) {
            *error = QStringLiteral("unknown command in fault: ") + faultSpec.command;
            return std::nullopt;
        }
    }
    const qsizetype eq = rest.indexOf(QLatin1Char('='));
    const QString name = rest.left(eq);
    for (const FaultName &known : faultNames) {
        if (name != QLatin1String(known.name))
            continue;
        faultSpec.fault = known.fault;
        if (!parseFaultParam(known, eq < 0 ? QString() : rest.mid(eq + 1), eq >= 0, &faultSpec, error))
            return std::nullopt;
        return faultSpec;
    }
    *error = QStringLiteral("unknown fault: ") + name;
    return std::nullopt;
}

std::optional<QPair<QHostAddress, quint16>> parseListenAddress(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt;
    const QHostAddress address =
        host == QLatin1String("localhost") ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(host);
    const std::optional<qint64> port = number(text.mid(colon + 1), 0, 65535);
    if (address.isNull() || !port)
        return std::nullopt;
    return qMakePair(address, quint16(*port));
}

ParsedOptions parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Stand-in for the weighing and I/O controller. Prints the port it listens on as the first line."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address and port (default 127.0.0.1:0)."),
                                    QStringLiteral("ADDR:PORT"), QStringLiteral("127.0.0.1:0"));
    const QCommandLineOption runMs(QStringLiteral("run-ms"), QStringLiteral("Length of a fast-sampling run."),
                                   QStringLiteral("MS"), QStringLiteral("3000"));
    const QCommandLineOption integration(QStringLiteral("integration"),
                                         QStringLiteral("Milliseconds per fast-sampling reading."),
                                         QStringLiteral("MS"), QStringLiteral("2"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the simulated signals."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption profile(QStringLiteral("profile"), QStringLiteral("steady, busy or overload."),
                                     QStringLiteral("NAME"), QStringLiteral("steady"));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Write every request as a JSON line."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("Fault NAME[=PARAM][@COMMAND]; repeatable. NAME: never-answer, "
                       "close, chunk=N, one-write, trailer=N, slow=MS, stall=MS, "
                       "error=CODE[:TEXT], malformed[=KIND], oversize=BYTES, refuse. "
                       "A reply goes out in two writes, one right after the other; "
                       "stall=2 pauses 2 ms between them as on a slow link."),
        QStringLiteral("FAULT"));
    const QCommandLineOption requestTimeout(QStringLiteral("request-timeout-ms"),
                                            QStringLiteral("Wait for the rest of an incomplete request."),
                                            QStringLiteral("MS"), QStringLiteral("2000"));
    parser.addOptions({help, listen, runMs, integration, seed, profile, log, fault, requestTimeout});
    const QCommandLineOption version = parser.addVersionOption();

    ParsedOptions result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpText = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.helpText = QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return result;
    }
    SimOptions o;
    const auto address = parseListenAddress(parser.value(listen));
    const auto run = number(parser.value(runMs), 1, 3600000);
    const auto integ = number(parser.value(integration), 1, 1000);
    const auto seedValue = number(parser.value(seed), 0, 0xFFFFFFFFLL);
    const auto profileValue = profileFromName(parser.value(profile));
    const auto timeout = number(parser.value(requestTimeout), 1, 600000);
    const QList<QPair<bool, QString>> checks = {
        {address.has_value(), QStringLiteral("--listen needs ADDR:PORT with a numeric address")},
        {run.has_value(), QStringLiteral("--run-ms needs a number from 1 to 3600000")},
        {integ.has_value(), QStringLiteral("--integration needs a number from 1 to 1000")},
        {seedValue.has_value(), QStringLiteral("--seed needs a number from 0 to 4294967295")},
        {profileValue.has_value(), QStringLiteral("--profile must be steady, busy or overload")},
        {timeout.has_value(), QStringLiteral("--request-timeout-ms needs a number from 1 to 600000")}};
    for (const auto &[ok, message] : checks) {
        if (!ok) {
            result.error = message;
            return result;
        }
    }
    for (const QString &faultSpec : parser.values(fault)) {
        const std::optional<FaultSpec> parsed = parseFaultSpec(faultSpec, &result.error);
        if (!parsed)
            return result;
        o.faults << *parsed;
    }
    o.address = address->first;
    o.port = address->second;
    o.model.runMs = int(*run);
    o.model.integrationMs = int(*integ);
    o.model.seed = quint32(*seedValue);
    o.model.profile = *profileValue;
    o.logFile = parser.value(log);
    o.requestTimeoutMs = int(*timeout);
    result.options = o;
    return result;
}

} // namespace ZelkSim
