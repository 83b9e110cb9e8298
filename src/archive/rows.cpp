#include "archive/rows.h"

#include <QDateTime>

#include "archive/database.h"

namespace korvala::archive {

namespace {

Verdict verdictFrom(const QVariant& v) {
    const int n = v.toInt();
    return n >= static_cast<int>(Verdict::None) && n <= static_cast<int>(Verdict::Remarkable)
               ? static_cast<Verdict>(n)
               : Verdict::None;
}

std::string shownFilingTime(const QString& stored) {
    const QDateTime utc = QDateTime::fromString(stored, Qt::ISODate);
    if (!utc.isValid())
        return stored.toStdString();
    return utc.toLocalTime().toString(QStringLiteral("dd.MM.yyyy hh:mm")).toStdString();
}

}  // namespace

SiteRecord siteFrom(const QSqlQuery& q, int c) {
    SiteRecord r;
    r.id = q.value(c).toLongLong();
    r.data.name = str(q.value(c + 1));
    r.data.street = str(q.value(c + 2));
    r.data.direction = str(q.value(c + 3));
    r.data.speedLimit = q.value(c + 4).toInt();
    r.data.latitude = optionalDouble(q.value(c + 5));
    r.data.longitude = optionalDouble(q.value(c + 6));
    r.data.note = str(q.value(c + 7));
    return r;
}

FiledEntry entryFrom(const QSqlQuery& q, int c) {
    FiledEntry e;
    e.id = q.value(c).toLongLong();
    e.siteId = q.value(c + 1).toLongLong();
    e.siteName = str(q.value(c + 2));
    e.site.location = str(q.value(c + 3));
    e.site.startDate = str(q.value(c + 4));
    e.site.remark = str(q.value(c + 5));
    e.source = str(q.value(c + 6));
    e.filedAt = shownFilingTime(q.value(c + 7).toString());
    e.contentHash = str(q.value(c + 8));
    e.sptSize = q.value(c + 9).toLongLong();
    e.storedSize = q.value(c + 10).toLongLong();
    FiledFigures& f = e.figures;
    if (!q.value(c + 11).isNull())
        f.period = Period{q.value(c + 11).toLongLong(), q.value(c + 12).toLongLong()};
    f.days = q.value(c + 13).toInt();
    f.vehicles = q.value(c + 14).toLongLong();
    f.averageDaily = optionalDouble(q.value(c + 15));
    f.v50 = optionalDouble(q.value(c + 16));
    f.v85 = optionalDouble(q.value(c + 17));
    f.shareOver = q.value(c + 18).toDouble();
    f.verdict = verdictFrom(q.value(c + 19));
    f.limit = q.value(c + 20).toInt();
    return e;
}

QString filingTimeNow() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

}  // namespace korvala::archive
