// zelk-devicesim: command-line front of the device stand-in. Prints the port it listens on as the
// first line of standard output (and nothing else there), then serves until it is terminated.
#include "DeviceSim.h"
#include "SimOptions.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelk-devicesim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELK_VERSION));
    const ZelkSim::ParsedOptions parsed = ZelkSim::parseOptions(QCoreApplication::arguments());
    if (!parsed.helpText.isEmpty()) {
        std::fputs(qPrintable(parsed.helpText), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "zelk-devicesim: %s\n", qPrintable(parsed.error));
        return 2;
    }
    const ZelkSim::SimOptions &o = *parsed.options;
    ZelkSim::DeviceSim sim(o.model);
    sim.setRequestTimeoutMs(o.requestTimeoutMs);
    for (const ZelkSim::FaultSpec &fault : o.faults)
        sim.setFault(fault);
    if (!sim.setLogFile(o.logFile) || !sim.listen(o.address, o.port)) {
        std::fprintf(stderr, "zelk-devicesim: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    if (!o.address.isLoopback())
        std::fprintf(stderr, "zelk-devicesim: warning: listening on %s, which is not loopback\n",
                     qPrintable(o.address.toString()));
    // Only the port goes to standard output: a script reads it and may never read anything else.
    std::printf("%u\n", unsigned(sim.serverPort()));
    std::fflush(stdout);
    std::fprintf(stderr, "zelk-devicesim: listening on %s:%u, profile %s, seed %u\n",
                 qPrintable(o.address.toString()), unsigned(sim.serverPort()),
                 qPrintable(ZelkSim::profileName(o.model.profile)), unsigned(o.model.seed));
    return QCoreApplication::exec();
}
