#include "points/zorPointsCsv.h"

#include "results/zorResultLayout.h"

#include <QTextCodec>

#include <limits>

QString zorPointsCsv::referenceText(const QVector<zorCalPoint> &points, const zorCalPoint::reference &ref)
{
    for (const zorCalPoint &p : points) {
        const int r = p.indexOf(ref);
        if (r >= 0) {
            const zorCalPoint::channel &c = p.channels.at(r);
            return tr("%1 № %2, канал %3").arg(c.devName, c.devNumber).arg(c.ch + 1);
        }
    }
    return QStringLiteral("-");
}

QByteArray zorPointsCsv::write(const QVector<zorCalPoint> &points, const zorCalPoint::reference &ref,
                               const zorResultLayout &layout)
{
    QTextCodec *codec = zorResultLayout::codec();
    const QByteArray s = layout.separator();
    const QByteArray end = QByteArrayLiteral("\r\n");
    const auto text = [codec, &s](const QString &t) {
        // A separator inside a text would split its field: it becomes a blank.
        return codec->fromUnicode(QString(t).replace(codec->toUnicode(s), QStringLiteral(" ")).simplified()) + s;
    };
    QByteArray out = text(tr("Точки калибровки. Опорный канал: ") + referenceText(points, ref)) + end + end;
    for (const QString &caption : {tr("Точка"), tr("Время"), tr("Уставка"), tr("Комментарий"), tr("Прибор"),
                                   tr("Номер"), tr("Канал"), tr("Разм."), tr("Среднее"), tr("СКО"), tr("Дрейф"),
                                   QStringLiteral("n"), tr("Окно, с"), tr("Отклонение")})
        out += text(caption);
    out += end;
    const double none = std::numeric_limits<double>::quiet_NaN();
    for (int k = 0; k < points.size(); ++k) {
        const zorCalPoint &p = points.at(k);
        for (int i = 0; i < p.channels.size(); ++i) {
            const zorCalPoint::channel &c = p.channels.at(i);
            double deviation = none;
            if (!p.deviation(i, ref, &deviation))
                deviation = none;
            out += QByteArray::number(k + 1) + s + text(p.fixedAt.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")))
                + text(p.setPoint) + text(p.comment) + text(c.devName) + text(c.devNumber)
                + QByteArray::number(c.ch + 1) + s + text(zorResultLayout::unitText(c.unit))
                + layout.valueText(c.mean) + s + layout.valueText(c.sigma) + s + layout.valueText(c.drift) + s
                + QByteArray::number(c.n) + s + QByteArray::number(qRound(c.window)) + s
                + layout.valueText(deviation) + s + end;
        }
    }
    return out;
}
