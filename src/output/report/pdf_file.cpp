#include "output/report/pdf_file.h"

#include <QBuffer>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <string>

#include "model/file_write.h"
#include "output/report/canvas.h"

namespace korvala::report {

bool writePdfFile(const QString& path, const QString& title, const DrawPages& draw,
                  QString* error) {
    if (error)
        error->clear();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool drawn = false, cancelled = false;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setCreator(QStringLiteral("Korvala"));
        writer.setTitle(title);
        QPainter painter;
        if (painter.begin(&writer)) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            cancelled = !draw(painter, [&writer] { writer.newPage(); });
            drawn = painter.end();
        }
    }
    if (cancelled)
        return false;
    std::string why;
    if (!drawn || buffer.data().isEmpty())
        why = "Die Datei \"" + path.toStdString() + "\" kann nicht geschrieben werden.";
    else if (writeFileBytes(QFile::encodeName(path).toStdString(),
                            std::string_view(buffer.data().constData(),
                                             static_cast<std::size_t>(buffer.data().size())),
                            &why))
        return true;
    if (error)
        *error = QString::fromStdString(why);
    return false;
}

}  // namespace korvala::report
