// Kurvex's batch export: "--export OUT FILE [--range FIRST:LAST] [--time-ms INTERVAL]" loads FILE and
// writes OUT as the Export button would, with no window shown and no display needed.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace BatchExport {

struct Request {
    QString out;                                    // CSV, PNG or PDF by its extension
    QString file;                                   // the history file
    std::optional<std::pair<qint32, qint32>> range; // readings FIRST..LAST; none: the whole run
    std::optional<qint16> timeMs;                   // milliseconds per reading: the time axis in ms
};

// The options Kurvex takes for a batch export besides --help and --version.
const QStringList &options();

// The request in `arguments` (the program's arguments), nothing when they ask for no export, or the
// reason they cannot be used.
std::optional<std::variant<Request, QString>> parse(const QStringList &arguments);

// Loads the file and writes the export; messages go to standard error. The exit code: 0 written, 1 not.
// Needs the application object (offscreen is enough).
int run(const Request &request);

} // namespace BatchExport
