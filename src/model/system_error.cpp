#include "model/system_error.h"

#include <cerrno>

namespace korvala {

// strerror would follow the locale, and neither korvala-cli nor a machine without German
// locales gives German texts; users read these reasons in message boxes and on stderr.
std::string systemErrorText(int err) {
    switch (err) {
        case ENOENT:
            return "Datei oder Ordner nicht gefunden";
        case EACCES:
        case EPERM:
            return "Keine Berechtigung";
        case EISDIR:
            return "Das ist ein Ordner, keine Datei";
        case ENOTDIR:
            return "Ein Teil des Pfades ist kein Ordner";
        case ENOSPC:
            return "Kein Platz mehr auf dem Datenträger";
        case EDQUOT:
            return "Der Speicherplatz des Benutzers ist ausgeschöpft (Kontingent)";
        case EROFS:
            return "Der Datenträger ist schreibgeschützt";
        case ENAMETOOLONG:
            return "Der Dateiname ist zu lang";
        case ENOMEM:
            return "Nicht genug Arbeitsspeicher";
        case ESPIPE:
        case ENXIO:
        case ENODEV:
            return "Das ist ein Gerät oder eine Pipe, keine gewöhnliche Datei";
        case EFBIG:
            return "Die Datei ist zu groß";
        case ELOOP:
            return "Zu viele symbolische Verknüpfungen hintereinander";
        case EIO:
            return "Ein-/Ausgabefehler des Datenträgers";
        case EBUSY:
        case ETXTBSY:
            return "Die Datei ist in Benutzung";
        case EMFILE:
        case ENFILE:
            return "Zu viele offene Dateien";
        default:
            return "Systemfehler Nr. " + std::to_string(err);
    }
}

}  // namespace korvala
