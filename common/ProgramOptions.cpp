// The options every program answers before it opens a window or a connection: --help, --version and
// an unknown --option, worked out from the command line alone.
#include "ProgramOptions.h"

#include <cstdio>

namespace Zelk {

QString programVersion()
{
    return QStringLiteral(ZELK_VERSION);
}

std::optional<ProgramExit> standardOptions(const QString &program, const QStringList &arguments,
                                           const QString &usage, const QStringList &ownOptions)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return ProgramExit{usage, {}, 0};
        if (argument == QLatin1String("--version"))
            return ProgramExit{program + QLatin1Char(' ') + programVersion() + QLatin1Char('\n'), {}, 0};
        if (argument.startsWith(QLatin1String("--")) && !ownOptions.contains(argument))
            return ProgramExit{{},
                               program + QStringLiteral(": unknown option ") + argument +
                                   QStringLiteral(" (--help lists the options)\n"),
                               2};
    }
    return std::nullopt;
}

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int printExit(const ProgramExit &exit)
{
    std::fputs(exit.out.toLocal8Bit().constData(), stdout);
    std::fputs(exit.err.toLocal8Bit().constData(), stderr);
    return exit.code;
}

} // namespace Zelk
