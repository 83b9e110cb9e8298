#include "archive/database.h"

#include <QFile>
#include <QSqlDatabase>
#include <atomic>

namespace korvala::archive {

namespace {

// SQLite's primary result codes the messages tell apart (extended codes keep them in the low
// byte).
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADb = 26;

// Long enough for a whole folder import by a second program to finish its current file.
constexpr int kBusyTimeoutMs = 15000;

std::string inQuotes(const std::string& s) {
    return "\"" + s + "\"";
}

std::string detailOf(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text.toStdString();
}

ArchiveError sqliteError(const QSqlError& error, const std::string& path) {
    const std::string detail = detailOf(error);
    switch (error.nativeErrorCode().toInt() & 0xff) {
        case kSqliteFull:
            return {ErrorKind::WriteFailed,
                    "Das Archiv kann nicht geschrieben werden: der Datenträger ist voll. Es wurde "
                    "nichts geändert."};
        case kSqliteBusy:
        case kSqliteLocked:
            return {ErrorKind::Busy,
                    "Das Archiv ist durch ein anderes Programm gesperrt. Es wurde nichts "
                    "geändert; bitte später noch einmal versuchen."};
        case kSqliteReadOnly:
            return {ErrorKind::WriteFailed,
                    "Das Archiv " + inQuotes(path) + " ist schreibgeschützt: " + detail};
        case kSqliteCorrupt:
        case kSqliteNotADb:
            return {ErrorKind::NotArchive,
                    inQuotes(path) + " ist keine Archivdatei oder ist beschädigt: " + detail};
        case kSqliteIoErr:
        case kSqliteCantOpen:
            return {ErrorKind::WriteFailed, "Lesen oder Schreiben des Archivs " + inQuotes(path) +
                                                " ist fehlgeschlagen: " + detail};
        default:
            return {ErrorKind::WriteFailed, "Fehler im Archiv " + inQuotes(path) + ": " + detail};
    }
}

ArchiveError postgresError(const QSqlError& error) {
    const std::string detail = detailOf(error);
    const QString state = error.nativeErrorCode();
    if (error.type() == QSqlError::ConnectionError || state.startsWith(QLatin1String("08")) ||
        state.startsWith(QLatin1String("57P")))
        return {ErrorKind::Connection,
                "Die Verbindung zur PostgreSQL-Datenbank ist unterbrochen: " + detail};
    if (state.startsWith(QLatin1String("53")))
        return {ErrorKind::WriteFailed,
                "Der PostgreSQL-Server kann nicht schreiben (Speicher voll): " + detail +
                    " Es wurde nichts geändert."};
    if (state == QLatin1String("42501"))
        return {ErrorKind::WriteFailed,
                "Keine Berechtigung in der PostgreSQL-Datenbank: " + detail};
    return {ErrorKind::WriteFailed, "Fehler in der PostgreSQL-Datenbank: " + detail};
}

// The next keyword and value of a libpq connection string; false at its end. Values may be
// single-quoted with backslash escapes, as libpq reads them.
bool nextPair(std::string_view& rest, std::string& keyword, std::string& value) {
    auto skipBlanks = [&] {
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t' ||
                                 rest.front() == '\n' || rest.front() == '\r'))
            rest.remove_prefix(1);
    };
    skipBlanks();
    if (rest.empty())
        return false;
    keyword.clear();
    value.clear();
    while (!rest.empty() && rest.front() != '=' && rest.front() != ' ') {
        keyword += rest.front();
        rest.remove_prefix(1);
    }
    skipBlanks();
    if (!rest.empty() && rest.front() == '=')
        rest.remove_prefix(1);
    skipBlanks();
    if (!rest.empty() && rest.front() == '\'') {
        rest.remove_prefix(1);
        while (!rest.empty() && rest.front() != '\'') {
            if (rest.front() == '\\' && rest.size() > 1)
                rest.remove_prefix(1);
            value += rest.front();
            rest.remove_prefix(1);
        }
        if (!rest.empty())
            rest.remove_prefix(1);
    } else {
        while (!rest.empty() && rest.front() != ' ') {
            value += rest.front();
            rest.remove_prefix(1);
        }
    }
    return true;
}

const char* driverName(Backend backend) {
    return backend == Backend::Sqlite ? "QSQLITE" : "QPSQL";
}

const char* driverPackage(Backend backend) {
    return backend == Backend::Sqlite ? "libqt6sql6-sqlite" : "libqt6sql6-psql";
}

}  // namespace

std::string postgresConnectOptions(std::string_view conninfo) {
    const std::string_view trimmed = [&] {
        std::string_view t = conninfo;
        while (!t.empty() && t.front() == ' ')
            t.remove_prefix(1);
        while (!t.empty() && t.back() == ' ')
            t.remove_suffix(1);
        return t;
    }();
    if (trimmed.empty())
        throw ArchiveError(ErrorKind::Invalid,
                           "Keine Verbindung angegeben (z. B. \"host=server dbname=korvala\" oder "
                           "den Namen eines Dienstes aus der Dienstdatei).");
    if (trimmed.find(';') != std::string_view::npos)
        throw ArchiveError(ErrorKind::Invalid,
                           "Die Verbindungsangabe darf kein \";\" enthalten; die Angaben werden "
                           "durch Leerzeichen getrennt.");
    if (trimmed.find('=') == std::string_view::npos && trimmed.find(' ') == std::string_view::npos)
        return "service=" + std::string(trimmed);
    std::string_view rest = trimmed;
    std::string keyword, value;
    while (nextPair(rest, keyword, value)) {
        if (keyword == "password")
            throw ArchiveError(ErrorKind::Invalid,
                               "Die Verbindungsangabe enthält ein Passwort. Korvala speichert "
                               "keine Passwörter: bitte die Passwortdatei von PostgreSQL "
                               "(~/.pgpass) verwenden.");
    }
    return std::string(trimmed);
}

Database::Database(Backend backend, const std::string& target)
    : backend_(backend), target_(target) {
    static std::atomic<int> counter{0};
    name_ = QStringLiteral("korvala-archive-%1").arg(++counter);
    bool opened = false;
    QSqlError openError;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(driverName(backend)), name_);
        if (!db.isValid()) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name_);
            throw ArchiveError(ErrorKind::Connection, std::string("Der Datenbanktreiber ") +
                                                          driverName(backend) +
                                                          " ist nicht installiert (Debian-Paket " +
                                                          driverPackage(backend) + ").");
        }
        if (backend == Backend::Sqlite) {
            db.setDatabaseName(QFile::decodeName(target.c_str()));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        } else {
            db.setConnectOptions(qs(postgresConnectOptions(target)));
        }
        opened = db.open();
        openError = db.lastError();
    }
    if (!opened) {
        QSqlDatabase::removeDatabase(name_);
        const std::string detail = detailOf(openError);
        if (backend == Backend::Sqlite)
            throw ArchiveError(ErrorKind::Connection, "Das Archiv " + inQuotes(target) +
                                                          " kann nicht geöffnet werden: " + detail);
        throw ArchiveError(ErrorKind::Connection, "Keine Verbindung zur PostgreSQL-Datenbank " +
                                                      inQuotes(target) + ": " + detail);
    }
}

Database::~Database() {
    {
        QSqlDatabase db = handle();
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

QSqlDatabase Database::handle() const {
    return QSqlDatabase::database(name_, false);
}

QSqlQuery Database::run(const QString& sql, const QList<QVariant>& values) const {
    QSqlQuery query(handle());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw errorFor(query.lastError());
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw errorFor(query.lastError());
    return query;
}

std::int64_t Database::insert(const QString& sql, const QList<QVariant>& values) const {
    QSqlQuery q = run(sql, values);
    q.next();
    const std::int64_t id = q.value(0).toLongLong();
    q.finish();
    return id;
}

void Database::exec(const QString& sql) const {
    QSqlQuery query(handle());
    if (!query.exec(sql))
        throw errorFor(query.lastError());
}

ArchiveError Database::errorFor(const QSqlError& error) const {
    return backend_ == Backend::Sqlite ? sqliteError(error, target_) : postgresError(error);
}

Transaction::Transaction(const Database& db) : db_(db) {
    db.exec(db.backend() == Backend::Sqlite ? QStringLiteral("BEGIN IMMEDIATE")
                                            : QStringLiteral("BEGIN"));
}

Transaction::~Transaction() {
    if (!open_)
        return;
    try {
        // SQLite has already rolled back after some failures (a full disk); nothing is left to
        // undo then, and the error of this statement says nothing new.
        db_.exec(QStringLiteral("ROLLBACK"));
    } catch (const ArchiveError&) {
    }
}

void Transaction::commit() {
    db_.exec(QStringLiteral("COMMIT"));
    open_ = false;
}

QVariant nullDouble() {
    return QVariant(QMetaType::fromType<double>());
}

QVariant optionalDouble(const std::optional<double>& v) {
    return v ? QVariant(*v) : nullDouble();
}

std::optional<double> optionalDouble(const QVariant& v) {
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QString qs(std::string_view utf8) {
    // An empty view may have no data at all, which Qt turns into a null string, and a null
    // string is bound as SQL NULL: every text column here holds "" instead.
    if (utf8.empty())
        return QString(QLatin1String(""));
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string str(const QVariant& v) {
    return v.toString().toStdString();
}

}  // namespace korvala::archive
