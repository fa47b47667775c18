#include "app/zorPlotProperties.h"

#include "db/zorSql.h"
#include "plot/QwtZOR.h"
#include "registry/zorList.h"

#include <QColor>
#include <utility>

namespace {
const char mainChKey[] = "qwt-ch_main";
const char measShowKey[] = "qwt-meas_show";
const char averShowKey[] = "qwt-aver_show";
const char scaleXSuffix[] = "-dX";
const char scaleYSuffix[] = "-dY";
const char colorSuffix[] = "-color";
const char modeXSuffix[] = "-modeX";
} // namespace

zorPlotProperties::zorPlotProperties(zorSql *sql, zorList *list, QwtZOR *plot, QObject *parent)
    : QObject(parent)
    , sql(sql)
    , list(list)
    , plot(plot)
{
    connect(plot, &QwtZOR::onChMainChange, this,
            [this](int qwtIndex, uchar ch) { store(qwtIndex, mainChKey, int(ch)); });
    connect(plot, &QwtZOR::onMeasShowChange, this,
            [this](int qwtIndex, bool show) { store(qwtIndex, measShowKey, show); });
    connect(plot, &QwtZOR::onAverShowChange, this,
            [this](int qwtIndex, bool show) { store(qwtIndex, averShowKey, show); });
    connect(plot, &QwtZOR::onChScaleXChange, this,
            [this](int qwtIndex, uchar ch, uchar scale) { store(qwtIndex, chKey(ch, scaleXSuffix), int(scale)); });
    connect(plot, &QwtZOR::onChScaleYChange, this,
            [this](int qwtIndex, uchar ch, uchar scale) { store(qwtIndex, chKey(ch, scaleYSuffix), int(scale)); });
    connect(plot, &QwtZOR::onChColorChange, this, [this](int qwtIndex, uchar ch, const QColor &color) {
        store(qwtIndex, chKey(ch, colorSuffix), color.name());
    });
    connect(plot, &QwtZOR::onChModeXChange, this, [this](int qwtIndex, uchar ch, QwtZOR::TmcModeX mode) {
        store(qwtIndex, chKey(ch, modeXSuffix), int(mode));
    });
}

QString zorPlotProperties::chKey(quint8 ch, const char *suffix)
{
    return QStringLiteral("qwt_ch_") + QString::number(ch) + QLatin1String(suffix);
}

int zorPlotProperties::dbIndexOf(int qwtIndex) const
{
    const zorList::_zor *zor = qwtIndex >= 0 ? list->getZorByQwtIndex(qwtIndex) : nullptr;
    return zor ? zor->dbIndex : 0;
}

void zorPlotProperties::store(int qwtIndex, const QString &key, const QVariant &value)
{
    const int dbIndex = dbIndexOf(qwtIndex);
    if (!applying && dbIndex > 0 && sql)
        sql->setDevProperty(dbIndex, key, value);
}

bool zorPlotProperties::apply(int index)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (!zor || zor->dbIndex <= 0 || zor->qwtIndex < 0 || !sql)
        return false;
    const int qwtIndex = zor->qwtIndex;
    const QMap<QString, QVariant> stored = sql->getDevProperty(zor->dbIndex);
    const bool wasApplying = std::exchange(applying, true);
    for (int ch = 0; ch < plot->getChCount(qwtIndex); ++ch)
        applyCh(stored, qwtIndex, quint8(ch));
    if (stored.contains(mainChKey))
        plot->setChMain(quint8(stored.value(mainChKey).toInt()), qwtIndex);
    if (stored.contains(measShowKey))
        plot->setMeasShow(stored.value(measShowKey).toBool(), qwtIndex);
    if (stored.contains(averShowKey))
        plot->setAverShow(stored.value(averShowKey).toBool(), qwtIndex);
    applying = wasApplying;
    const QVariant mainId = sql->getAppProperty("main_device_id");
    return mainId.isValid() && mainId.toInt() == zor->dbIndex;
}

void zorPlotProperties::applyCh(int qwtIndex, quint8 ch)
{
    const int dbIndex = dbIndexOf(qwtIndex);
    if (dbIndex <= 0 || !sql)
        return;
    applyCh(sql->getDevProperty(dbIndex), qwtIndex, ch);
}

void zorPlotProperties::applyCh(const QMap<QString, QVariant> &stored, int qwtIndex, quint8 ch)
{
    const bool wasApplying = std::exchange(applying, true);
    const QString scaleX = chKey(ch, scaleXSuffix), scaleY = chKey(ch, scaleYSuffix);
    const QString color = chKey(ch, colorSuffix), modeX = chKey(ch, modeXSuffix);
    if (stored.contains(scaleX))
        plot->setChScaleX(uchar(stored.value(scaleX).toInt()), qwtIndex, ch);
    if (stored.contains(scaleY))
        plot->setChScaleY(uchar(stored.value(scaleY).toInt()), qwtIndex, ch);
    if (stored.contains(color)) {
        const QColor named(stored.value(color).toString());
        if (named.isValid())
            plot->setChColor(named, qwtIndex, ch);
    }
    if (stored.contains(modeX))
        plot->setChModeX(QwtZOR::TmcModeX(qBound(0, stored.value(modeX).toInt(), 2)), qwtIndex, ch);
    applying = wasApplying;
}
