#include "stability/zorStabilityCriteria.h"

#include "db/zorSql.h"

#include <cmath>

namespace {
const char *const windowKey = zorPropertyKeys::stabilityWindow.key;
const QString sigmaPrefix = QLatin1String(zorPropertyKeys::stabilitySigmaPrefix);
const QString driftPrefix = QLatin1String(zorPropertyKeys::stabilityDriftPrefix);
} // namespace

void zorStabilityCriteria::setWindow(double seconds)
{
    if (seconds >= 1.0)
        m_window = seconds;
}

zorStabilityCriteria::limits zorStabilityCriteria::defaultsFor(const QString &unit)
{
    // Temperatures as a calibration bath holds them; the electrical units at what a
    // platinum thermometer or a thermocouple shows for a few thousandths of a degree.
    if (unit == QStringLiteral("°С") || unit == QStringLiteral("K"))
        return {0.002, 0.005};
    if (unit == QStringLiteral("Ω"))
        return {0.0005, 0.001};
    if (unit == tr("мВ"))
        return {0.001, 0.002};
    if (unit == tr("мА"))
        return {0.0005, 0.001};
    return {0.01, 0.02};
}

zorStabilityCriteria::limits zorStabilityCriteria::forUnit(const QString &unit) const
{
    return m_units.value(unit, defaultsFor(unit));
}

void zorStabilityCriteria::setForUnit(const QString &unit, const limits &l)
{
    if (l.sigma > 0.0 && l.drift > 0.0)
        m_units.insert(unit, l);
}

zorStabilityCriteria zorStabilityCriteria::load(zorSql *sql, int deviceId)
{
    return load(sql, deviceId, zorStabilityCriteria());
}

zorStabilityCriteria zorStabilityCriteria::load(zorSql *sql, int deviceId, const zorStabilityCriteria &start)
{
    zorStabilityCriteria c = start;
    if (!sql || deviceId <= 0)
        return c;
    const QMap<QString, QVariant> properties = sql->getDevProperty(deviceId);
    c.setWindow(properties.value(windowKey, start.window()).toDouble());
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (!it.key().startsWith(sigmaPrefix))
            continue;
        const QString unit = it.key().mid(sigmaPrefix.size());
        const limits fallback = defaultsFor(unit);
        bool sigmaOk = false, driftOk = false;
        const double sigma = it.value().toDouble(&sigmaOk);
        const double drift = properties.value(driftPrefix + unit, fallback.drift).toDouble(&driftOk);
        c.setForUnit(unit, {sigmaOk ? sigma : fallback.sigma, driftOk ? drift : fallback.drift});
    }
    return c;
}

void zorStabilityCriteria::save(zorSql *sql, int deviceId) const
{
    if (!sql || deviceId <= 0)
        return;
    sql->setDevProperty(deviceId, windowKey, m_window == defaultWindow ? QVariant() : QVariant(m_window));
    for (auto it = m_units.cbegin(); it != m_units.cend(); ++it) {
        const bool isDefault = it.value() == defaultsFor(it.key());
        sql->setDevProperty(deviceId, sigmaPrefix + it.key(), isDefault ? QVariant() : QVariant(it.value().sigma));
        sql->setDevProperty(deviceId, driftPrefix + it.key(), isDefault ? QVariant() : QVariant(it.value().drift));
    }
}

QString zorStabilityCriteria::windowText(double seconds)
{
    if (seconds >= 60.0 && std::fmod(seconds, 60.0) == 0.0)
        return tr("%1 мин").arg(seconds / 60.0);
    return tr("%1 с").arg(seconds);
}

QString zorStabilityCriteria::text(const QString &unit) const
{
    const limits l = forUnit(unit);
    return tr("σ ≤ %1 %2, |дрейф| ≤ %3 %2 за %4")
        .arg(QString::number(l.sigma, 'g', 6), unit, QString::number(l.drift, 'g', 6), windowText(m_window));
}
