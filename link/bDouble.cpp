#include "link/bDouble.h"

#include "link/bWord.h"

#include <QLocale>

#include <cmath>

bDouble::bDouble(double value, ReverseByteMode mode)
    : m_mode(mode)
{
    m_data.value = value;
}

QByteArray bDouble::getByte(ReverseByteMode mode) const
{
    const ReverseByteMode effective = mode == rbmStored ? m_mode : mode;
    return bWord::toBytes(m_data.bytes, size, effective == rbmReverse);
}

void bDouble::setDouble(const QByteArray *array, int index, signed char offset, bool *ok,
                        ReverseByteMode mode)
{
    const ReverseByteMode effective = mode == rbmStored ? m_mode : mode;
    const bool taken = bWord::copyBytes(array, qint64(index) * size + offset, size, m_data.bytes,
                                        effective == rbmReverse);
    if (ok)
        *ok = taken;
}

bool bDouble::setDouble(const QString &text)
{
    bool ok = false;
    m_data.value = str2Double(text, &ok);
    return ok;
}

double bDouble::str2Double(const QString &text, bool *ok)
{
    bool parsed = true;
    double value = 0;
    const QString trimmed = text.trimmed();
    // A lone minus is what a half-typed negative number looks like: zero, not an error.
    if (!trimmed.isEmpty() && trimmed != QLatin1String("-")) {
        value = trimmed.toDouble(&parsed);
        if (!parsed)
            value = QLocale(QLocale::Russian).toDouble(trimmed, &parsed);
        // "nan" and "inf" parse, but no instrument constant may be one of them.
        if (!parsed || !std::isfinite(value)) {
            parsed = false;
            value = 0;
        }
    }
    if (ok)
        *ok = parsed;
    return value;
}
