// Start-up baseline: the smallest Qt program that shows one empty window, prints a line once it is
// shown and quits; with "idle MS" it idles that long first and prints a second line (idle baseline).
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    const int idleMs = (argc > 2 && QByteArray(argv[1]) == "idle") ? QByteArray(argv[2]).toInt() : 0;
    QTimer::singleShot(0, &app, [idleMs, &app] {
        std::printf("{\"event\":\"shown\"}\n");
        std::fflush(stdout);
        QTimer::singleShot(idleMs, &app, [idleMs, &app] {
            if (idleMs > 0) {
                std::printf("{\"event\":\"idled\"}\n");
                std::fflush(stdout);
            }
            // a moment's grace, so the caller can read this process's CPU time before it ends
            QTimer::singleShot(idleMs > 0 ? 500 : 0, &app, &QCoreApplication::quit);
        });
    });
    return app.exec();
}
