// Command line of zelk-devicesim: listen address, model settings, request log and faults.
// Pure parsing, so that every option and every bad value can be tested without starting a process.
#pragma once

#include "DeviceSim.h"

#include <QHostAddress>
#include <QStringList>
#include <optional>

namespace ZelkSim {

struct SimOptions {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0;
    ModelConfig model;
    QString logFile;
    QList<FaultSpec> faults;
    int requestTimeoutMs = 2000;
};

struct ParsedOptions {
    std::optional<SimOptions> options; // empty on an error or when help was asked for
    QString error;
    QString helpText; // set when --help or --version was given: print it and end
};

// `arguments` as QCoreApplication::arguments() gives them (program name first).
ParsedOptions parseOptions(const QStringList &arguments);

// "ADDR:PORT" with a numeric address ("localhost" stands for 127.0.0.1); IPv6 as "[ADDR]:PORT".
std::optional<QPair<QHostAddress, quint16>> parseListenAddress(const QString &text);

} // namespace ZelkSim
