// Writes texts "eintrag N" into a history in bursts until it is killed, for
// the history's kill rows and its benchmark.
//   history_writer PATH BURST          flushes after each burst and prints
//                                      "committed N" once entries 0..N are on the disk
//   history_writer PATH BURST paced    hands a burst every 2 ms without waiting and
//                                      prints "handed N T" (T: steady clock, µs)

#include "platform/history/sqlitehistory.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    SqliteHistory history(QString::fromLocal8Bit(argv[1]));
    if (!history.usable()) {
        std::fprintf(stderr, "%s\n", qPrintable(history.problem()));
        return 1;
    }
    const int burst = std::atoi(argv[2]);
    const bool paced = argc > 3 && std::strcmp(argv[3], "paced") == 0;
    history.takeTexts(0);
    for (int n = 0;;) {
        for (int i = 0; i < burst; ++i, ++n)
            history.textAppended(QStringLiteral("eintrag %1").arg(n));
        if (paced) {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            std::printf("handed %d %lld\n", n - 1,
                        static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        history.flush();
        if (!history.usable())
            return 1;
        std::printf("committed %d\n", n - 1);
        std::fflush(stdout);
    }
}
