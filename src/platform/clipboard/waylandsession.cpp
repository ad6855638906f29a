#include "platform/clipboard/waylandsession.h"

#include <QDir>

#include <algorithm>

WaylandSession WaylandSession::fromEnvironment()
{
    WaylandSession s;
    s.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    s.display = qEnvironmentVariable("WAYLAND_DISPLAY");
    s.desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QStringList found = QDir(runtime).entryList({QStringLiteral("wayland-*")}, QDir::System);
        s.socket = std::any_of(found.begin(), found.end(), [](const QString &n) { return !n.endsWith(QLatin1String(".lock")); });
    }
    return s;
}

bool WaylandSession::isWayland() const
{
    return sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0 || !display.isEmpty() || socket;
}

QString WaylandSession::desktopName() const
{
    // XDG_CURRENT_DESKTOP lists names from the most specific on ("ubuntu:GNOME").
    const QString name = desktop.section(QLatin1Char(':'), 0, 0).trimmed();
    return name.isEmpty() ? QStringLiteral("unbekannter Desktop") : name;
}

QString WaylandSession::socketPath()
{
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + name;
}

QString unseenCopiesNotice(const WaylandSession &session, bool dataControl, bool reached)
{
    if (dataControl || !session.isWayland())
        return {};
    const QString desktop = session.desktopName();
    // mutter hands every copy of a Wayland program to X11, whatever has the focus.
    if (session.desktop.split(QLatin1Char(':')).contains(QLatin1String("GNOME"), Qt::CaseInsensitive))
        return {};
    const QString unseen = QStringLiteral("Merkolo sieht Kopien aus Wayland-Programmen nur, solange ein X11-Fenster "
                                          "den Fokus hat (Wayland-Sitzung, Desktop: %1). ")
                               .arg(desktop);
    if (session.display.isEmpty())
        return unseen + QStringLiteral("Es wurde ohne WAYLAND_DISPLAY gestartet. Abhilfe: Merkolo aus der "
                                       "Sitzung heraus starten, so dass WAYLAND_DISPLAY gesetzt ist.");
    if (!reached)
        return unseen + QStringLiteral("Unter WAYLAND_DISPLAY=%1 antwortet kein Wayland-Desktop. Abhilfe: Merkolo "
                                       "aus der laufenden Sitzung heraus neu starten.")
                            .arg(session.display);
    return unseen + QStringLiteral("Der Desktop bietet keine Datenkontrolle der Zwischenablage "
                                   "(wlr-data-control oder ext-data-control). Abhilfe: eine neuere Version des "
                                   "Desktops oder eine X11-Sitzung.");
}

QString connectionLostNotice(const WaylandSession &session, bool x11Route)
{
    return QStringLiteral("Die Verbindung zum Wayland-Desktop (%1) ist abgebrochen. ").arg(session.desktopName())
        + (x11Route ? QStringLiteral("Bis er wieder erreichbar ist, liest Merkolo die Zwischenablage über X11 und "
                                     "sieht Kopien aus Wayland-Programmen nur, solange ein X11-Fenster den Fokus hat.")
                    : QStringLiteral("Bis er wieder erreichbar ist, sieht Merkolo keine Kopien."))
        + QStringLiteral(" Danach verbindet es sich von selbst neu; Fenster und Speicher bleiben erhalten.");
}
