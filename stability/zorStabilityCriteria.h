#ifndef ZORSTABILITYCRITERIA_H
#define ZORSTABILITYCRITERIA_H

#include "db/zorPropertyKeys.h"

#include <QCoreApplication>
#include <QMap>
#include <QString>

class zorSql;

// When a channel of one instrument counts as stable: over a full window of `window`
// seconds the residuals of the least-squares line scatter by at most `sigma`, and
// the line moves by at most `drift` over the window, both in the channel's unit.
// The limits are set per unit, since one instrument reads temperatures, resistances
// and voltages side by side; units without a limit of their own take the defaults
// of the unit list.
//
// Stored as device properties of the instrument: "stability_window" in seconds,
// "stability_sigma:<unit>" and "stability_drift:<unit>". Only what differs from the
// defaults is written.
class zorStabilityCriteria
{
    Q_DECLARE_TR_FUNCTIONS(zorStabilityCriteria)

public:
    struct limits {
        double sigma;
        double drift; // per window
        bool operator==(const limits &o) const { return sigma == o.sigma && drift == o.drift; }
    };

    static constexpr double defaultWindow = zorPropertyKeys::stabilityWindow.fallback;

    double window() const { return m_window; }
    void setWindow(double seconds);
    limits forUnit(const QString &unit) const;
    void setForUnit(const QString &unit, const limits &l);
    static limits defaultsFor(const QString &unit);

    // Reads the instrument's stored criteria over those it starts with: an instrument
    // with nothing stored, or an unknown one, keeps start.
    static zorStabilityCriteria load(zorSql *sql, int deviceId, const zorStabilityCriteria &start);
    static zorStabilityCriteria load(zorSql *sql, int deviceId);
    void save(zorSql *sql, int deviceId) const;

    // "σ ≤ 0.002 °С, |дрейф| ≤ 0.005 °С за 10 мин" for the units given.
    QString text(const QString &unit) const;
    // Window length as the user reads it: "10 мин", "90 с".
    static QString windowText(double seconds);

private:
    double m_window = defaultWindow;
    QMap<QString, limits> m_units;
};

#endif // ZORSTABILITYCRITERIA_H
