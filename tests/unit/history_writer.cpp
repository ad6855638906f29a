// Writes texts into a history as fast as it is asked to, in bursts, and says
// on stdout which of them are committed: "committed N" once entries 0..N
// are on the disk. The history's kill tests end it at random moments.
// history_writer PATH BURST: bursts of BURST entries "eintrag N", flushed after each.

#include "platform/history/sqlitehistory.h"

#include <QCoreApplication>

#include <cstdio>

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
    history.takeTexts(0);
    for (int n = 0;;) {
        for (int i = 0; i < burst; ++i, ++n)
            history.textAppended(QStringLiteral("eintrag %1").arg(n));
        history.flush();
        if (!history.usable())
            return 1;
        std::printf("committed %d\n", n - 1);
        std::fflush(stdout);
    }
}
