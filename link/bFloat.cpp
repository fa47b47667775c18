#include "link/bFloat.h"

#include "link/bDouble.h"
#include "link/bWord.h"

#include <limits>

bFloat::bFloat(float value, ReverseByteMode mode)
    : m_mode(mode)
{
    m_data.value = value;
}

QByteArray bFloat::getByte(ReverseByteMode mode) const
{
    const ReverseByteMode effective = mode == rbmStored ? m_mode : mode;
    return bWord::toBytes(m_data.bytes, size, effective == rbmReverse);
}

void bFloat::setFloat(const QByteArray *array, int index, signed char offset, bool *ok,
                      ReverseByteMode mode)
{
    const ReverseByteMode effective = mode == rbmStored ? m_mode : mode;
    const bool taken = bWord::copyBytes(array, qint64(index) * size + offset, size, m_data.bytes,
                                        effective == rbmReverse);
    if (ok)
        *ok = taken;
}

bool bFloat::setFloat(const QString &text)
{
    bool ok = false;
    m_data.value = str2Float(text, &ok);
    return ok;
}

float bFloat::str2Float(const QString &text, bool *ok)
{
    bool parsed = false;
    const double value = bDouble::str2Double(text, &parsed);
    // A number beyond the float range is as unusable as one that did not parse.
    const bool fits = parsed && qAbs(value) <= double(std::numeric_limits<float>::max());
    if (ok)
        *ok = fits;
    return fits ? float(value) : 0.0f;
}
