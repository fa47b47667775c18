#include "app/zorPlotProperties.h"

#include "db/zorSql.h"
#include "plot/QwtZOR.h"
#include "registry/zorList.h"

#include <QColor>
#include <utility>

namespace {
namespace keys = zorPropertyKeys;
} // namespace

zorPlotProperties::zorPlotProperties(zorSql *sql, zorList *list, QwtZOR *plot, QObject *parent)
    : QObject(parent)
    , sql(sql)
    , list(list)
    , plot(plot)
{
    connect(plot, &QwtZOR::onChMainChange, this,
            [this](int qwtIndex, uchar ch) { store(qwtIndex, keys::plotMainCh, int(ch)); });
    connect(plot, &QwtZOR::onMeasShowChange, this,
            [this](int qwtIndex, bool show) { store(qwtIndex, keys::plotMeasShow, show); });
    connect(plot, &QwtZOR::onAverShowChange, this,
            [this](int qwtIndex, bool show) { store(qwtIndex, keys::plotAverShow, show); });
    connect(plot, &QwtZOR::onChScaleXChange, this,
            [this](int qwtIndex, uchar ch, uchar scale) {
                store(qwtIndex, keys::plotChKey(ch, keys::plotScaleX), int(scale));
            });
    connect(plot, &QwtZOR::onChScaleYChange, this,
            [this](int qwtIndex, uchar ch, uchar scale) {
                store(qwtIndex, keys::plotChKey(ch, keys::plotScaleY), int(scale));
            });
    connect(plot, &QwtZOR::onChColorChange, this, [this](int qwtIndex, uchar ch, const QColor &color) {
        store(qwtIndex, keys::plotChKey(ch, keys::plotColor), color.name());
    });
    connect(plot, &QwtZOR::onChModeXChange, this, [this](int qwtIndex, uchar ch, QwtZOR::TmcModeX mode) {
        store(qwtIndex, keys::plotChKey(ch, keys::plotModeX), int(mode));
    });
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
    if (stored.contains(keys::plotMainCh))
        plot->setChMain(quint8(stored.value(keys::plotMainCh).toInt()), qwtIndex);
    if (stored.contains(keys::plotMeasShow))
        plot->setMeasShow(stored.value(keys::plotMeasShow).toBool(), qwtIndex);
    if (stored.contains(keys::plotAverShow))
        plot->setAverShow(stored.value(keys::plotAverShow).toBool(), qwtIndex);
    applying = wasApplying;
    return sql->getApp(keys::mainDevice) == zor->dbIndex;
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
    const QString scaleX = keys::plotChKey(ch, keys::plotScaleX), scaleY = keys::plotChKey(ch, keys::plotScaleY);
    const QString color = keys::plotChKey(ch, keys::plotColor), modeX = keys::plotChKey(ch, keys::plotModeX);
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
