// The options every program answers before it opens a window or a connection: --help, --version and
// an unknown --option, worked out from the command line alone, so they need no display and no device.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace Zelk {

// The version of the three programs, as the package carries it.
QString programVersion();

// How the program ends at once instead of starting: what it prints on standard output and standard
// error, and its exit code (0 for --help and --version, 2 for an option it does not know).
struct ProgramExit {
    QString out;
    QString err;
    int code = 0;
};

// Looks at the arguments after the program name. `usage` is the --help text; `ownOptions` are the
// further options the program takes itself (they and every text not starting with "--" are left to it).
std::optional<ProgramExit> standardOptions(const QString &program, const QStringList &arguments,
                                           const QString &usage, const QStringList &ownOptions = {});

// The arguments of main() as texts, without the program name.
QStringList argumentsOf(int argc, char *argv[]);

// Prints the exit's texts and returns its code.
int printExit(const ProgramExit &exit);

} // namespace Zelk
