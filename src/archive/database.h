#pragma once
// One connection to the archive's database through Qt SQL: an SQLite file that needs no set-up,
// or a PostgreSQL server that several workplaces share. Every statement goes through run() with
// bound values, so no text a user typed ever becomes SQL.

#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/archive_types.h"

namespace korvala::archive {

enum class Backend { Sqlite, Postgres };

// What QPSQL hands to libpq for a connection given as a libpq connection string
// ("host=/run/postgresql dbname=korvala") or a bare service name ("verkehr"). Refused with a
// German message: a password in it (it would end up wherever the caller keeps the string; the
// password file is the place for it) and ";" (Qt turns it into a separator).
std::string postgresConnectOptions(std::string_view conninfo);

class Database {
  public:
    // Opens the connection; throws ArchiveError when the driver is missing or the open fails.
    Database(Backend backend, const std::string& target);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Backend backend() const { return backend_; }
    // The SQLite path or the connection string, as the user gave it, for messages.
    const std::string& target() const { return target_; }

    // Prepares `sql` with "?" placeholders, binds `values` in order and runs it. A failure
    // throws ArchiveError with a German message.
    QSqlQuery run(const QString& sql, const QList<QVariant>& values = {}) const;
    // Runs an INSERT ending in "RETURNING id" and gives that id; the statement is finished, so
    // the transaction around it can commit.
    std::int64_t insert(const QString& sql, const QList<QVariant>& values) const;
    // A statement without values: schema, pragmas, transaction control.
    void exec(const QString& sql) const;

    // The error a failed statement stands for, in the user's words.
    ArchiveError errorFor(const QSqlError& error) const;

  private:
    QSqlDatabase handle() const;

    Backend backend_;
    std::string target_;
    QString name_;
};

// A write transaction: begun by the constructor, rolled back by the destructor unless commit()
// ran. On SQLite it takes the write lock at once (BEGIN IMMEDIATE): two programs filing at the
// same time then queue at the start (busy timeout) instead of one failing at its first write.
class Transaction {
  public:
    explicit Transaction(const Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

  private:
    const Database& db_;
    bool open_ = true;
};

// Null values of the column types, for optional figures.
QVariant nullDouble();
QVariant optionalDouble(const std::optional<double>& v);
std::optional<double> optionalDouble(const QVariant& v);
QString qs(std::string_view utf8);
std::string str(const QVariant& v);

}  // namespace korvala::archive
