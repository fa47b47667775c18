#include "points/zorPointsReport.h"

#include "points/zorPointsCsv.h"
#include "points/zorPointsLog.h"

#include <QFileInfo>
#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPageLayout>
#include <QPrinter>
#include <QTextDocument>

namespace {

QString cell(const QString &text, bool header = false)
{
    return header ? "<th bgcolor=\"#eef2f3\">" + text.toHtmlEscaped() + "</th>" : "<td>" + text.toHtmlEscaped() + "</td>";
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

QString zorPointsReport::html(const QVector<zorCalPoint> &points, const zorCalPoint::reference &ref,
                              const QVector<instrument> &instruments, const QDateTime &made)
{
    // Plain table attributes: style sheet rules on every cell cost the layout dearly.
    QString h = QStringLiteral("<html><body>");
    h += "<h1>" + tr("Протокол калибровки").toHtmlEscaped() + "</h1>";
    h += "<p>" + tr("Составлен %1").arg(made.toString("dd.MM.yyyy hh:mm")).toHtmlEscaped() + "</p>";

    h += "<h2>" + tr("Приборы и каналы").toHtmlEscaped() + "</h2><table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr>";
    for (const QString &caption : {tr("Прибор"), tr("Номер"), tr("Канал"), tr("Режим"), tr("Датчик, характеристика"),
                                   tr("Разм.")})
        h += cell(caption, true);
    h += "</tr>";
    for (const instrument &in : instruments)
        for (const chInfo &c : in.channels)
            h += "<tr>" + cell(in.name) + cell(in.number) + cell(QString::number(c.ch + 1)) + cell(c.mode)
                + cell(c.sensor) + cell(c.unit) + "</tr>";
    h += "</table>";

    h += "<h2>" + tr("Критерии стабильности").toHtmlEscaped() + "</h2><ul>";
    for (const instrument &in : instruments)
        for (const QString &line : in.criteria)
            h += "<li>" + (in.name + " № " + in.number + ": " + line).toHtmlEscaped() + "</li>";
    h += "</ul><p>" + tr("Опорный канал: %1").arg(zorPointsCsv::referenceText(points, ref)).toHtmlEscaped() + "</p>";

    // One table per point: a table long enough to cross many pages takes the text
    // layout many times longer than the same rows in short tables.
    h += "<h2>" + tr("Точки").toHtmlEscaped() + "</h2>";
    for (int k = 0; k < points.size(); ++k) {
        const zorCalPoint &p = points.at(k);
        QString title = tr("№ %1, %2").arg(k + 1).arg(p.fixedAt.toString("dd.MM.yyyy hh:mm:ss"));
        if (!p.setPoint.isEmpty())
            title += tr(", уставка %1").arg(p.setPoint);
        if (!p.comment.isEmpty())
            title += ", " + p.comment;
        h += "<p><b>" + title.toHtmlEscaped() + "</b></p><table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\"><tr>";
        for (const QString &caption : {tr("Прибор"), tr("Канал"), tr("Среднее"), tr("σ"), tr("Дрейф"),
                                       QStringLiteral("n"), tr("Отклонение"), tr("Разм.")})
            h += cell(caption, true);
        h += "</tr>";
        for (int i = 0; i < p.channels.size(); ++i) {
            const zorCalPoint::channel &c = p.channels.at(i);
            double deviation = 0.0;
            const bool compared = p.deviation(i, ref, &deviation);
            h += "<tr>" + cell(c.devName + " № " + c.devNumber) + cell(QString::number(c.ch + 1))
                + "<td align=\"right\">" + number(c.mean, 5) + "</td><td align=\"right\">" + number(c.sigma, 5)
                + "</td><td align=\"right\">" + number(c.drift, 5) + "</td><td align=\"right\">" + QString::number(c.n)
                + "</td><td align=\"right\">" + (compared ? number(deviation, 5) : QStringLiteral("—")) + "</td>"
                + cell(c.unit) + "</tr>";
        }
        h += "</table>";
    }
    h += "<p><br/><br/>" + tr("Оператор: ______________________ (подпись)   ______________________ (Ф. И. О.)   "
                              "Дата: ____________")
                               .toHtmlEscaped()
        + "</p></body></html>";
    return h;
}

bool zorPointsReport::printPdf(const QString &html, const QString &file)
{
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    printer.setOutputFileName(file);
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    document.documentLayout()->setPaintDevice(&printer);
    document.setPageSize(printer.pageRect(QPrinter::DevicePixel).size());
    document.setHtml(html);
    document.print(&printer);
    const bool written = QFileInfo(file).size() > 0;
    if (!written)
        qCWarning(lcPoints) << "report not written:" << file;
    return written;
}
