// Writes the program icon as <folder>/<n>x<n>/merkolo.png for each size given,
// for the desktop's icon theme. Usage: merkolo_icons <folder> <size>...

#include "shell/starterart.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: merkolo_icons <folder> <size>...\n");
        return 2;
    }
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "merkolo_icons: not a size: %s\n", qPrintable(args[i]));
            return 2;
        }
        const QString folder = QDir(args[1]).filePath(QStringLiteral("%1x%1").arg(size));
        const QString file = QDir(folder).filePath(QStringLiteral("merkolo.png"));
        if (!QDir().mkpath(folder) || !starterart::programIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "merkolo_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
