#include "points/zorPointsCsv.h"
#include "points/zorPointsReport.h"
#include "results/zorResultLayout.h"
#include "tests/points/samplePoint.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextDocument>
#include <QtTest>

class test_points : public QObject
{
    Q_OBJECT

private slots:
    // The table keeps the result files' rules (Windows-1251, CR LF, the separator after every
    // field, the decimal mark chosen, "--" where a channel is not compared, "Ом" for the
    // ohm); a separator inside a text becomes a blank.
    void csv()
    {
        const QByteArray bytes = zorPointsCsv::write({samplePoint()}, {1, 0}, zorResultLayout(";", ",", 6));
        const QStringList lines = zorResultLayout::codec()->toUnicode(bytes).split("\r\n");
        QVERIFY(lines.size() == 3 + 4 + 1 && lines.at(1).isEmpty() && lines.last().isEmpty());
        QVERIFY(lines.first().contains("Опорный канал: Стенд 1 № 9001, канал 1;"));
        QVector<QStringList> rows;
        for (int i = 2; i < lines.size() - 1; ++i) {
            QVERIFY2(lines.at(i).endsWith(';'), qPrintable(lines.at(i)));
            rows << lines.at(i).split(';');
            QCOMPARE(rows.last().size(), 15); // 14 fields and the empty rest after the last separator
        }
        const QStringList deviations = {rows[0][13], rows[1][13], rows[2][13], rows[3][13], rows[4][13]};
        QCOMPARE(deviations, (QStringList{"Отклонение", "0,000000", "0,001900", "-0,002500", "--"}));
        QCOMPARE(rows.at(4).at(7), QString("Ом"));
        QCOMPARE(rows.at(1).at(3), QString("мешалка включена"));
    }

    // The report holds the instruments, the criteria and the table of points with the
    // deviations, and prints into a PDF file.
    void report()
    {
        zorPointsReport::instrument one{1, "Стенд 1", "9001", {"°С: σ ≤ 0.002 °С"}, {{0, "НСХ ТС", "Pt100", "°С"}}};
        const QString html = zorPointsReport::html({samplePoint()}, {1, 0}, {one}, QDateTime(QDate(2026, 3, 1), QTime(12, 0)));
        QTextDocument document;
        document.setHtml(html);
        const QString text = document.toPlainText();
        for (const char *expected : {"Протокол калибровки", "Стенд 1", "9001", "Pt100", "σ ≤ 0.002 °С",
                                     "Опорный канал: Стенд 1 № 9001, канал 1", "№ 1, 01.03.2026 10:10:00, уставка 50",
                                     "50.00310", "0.00190", "-0.00250", "119.40210", "Оператор"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QTemporaryDir dir;
        const QString file = dir.filePath("report.pdf");
        QVERIFY(zorPointsReport::printPdf(html, file));
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
        QVERIFY(!zorPointsReport::printPdf(html, dir.filePath("no/such/folder/report.pdf")));
    }
};

QTEST_MAIN(test_points)
#include "test_points.moc"
