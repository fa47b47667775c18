#include "model/featureZOR70.h"

#include "model/zorBlockCodec.h"

#include <QVector>

namespace {
constexpr int nameOffset = 4;
constexpr int ratioOffset = 20; // coefficient n at byte 20 + 8n
} // namespace

featureZOR70::featureZOR70(QObject *parent)
    : QObject(parent)
{
}

QByteArray featureZOR70::getData() const
{
    QByteArray data;
    data.reserve(dataSize);
    data.append(char(qint8(m_type)));
    data.append(QByteArray(nameOffset - 1, '\0'));
    data.append(zorBlockCodec::encodeText(m_name, nameSize));
    for (const bDouble &ratio : m_ratio)
        data.append(ratio.getByte());
    return data;
}

bool featureZOR70::setData(const QByteArray &buf)
{
    if (buf.size() != dataSize)
        return false;
    m_type = qint8(buf.at(0));
    m_name = zorBlockCodec::decodeText(buf.mid(nameOffset, nameSize));
    for (int n = 0; n < ratioCount; ++n)
        m_ratio[n].setDouble(&buf, n, ratioOffset);
    emit onChange();
    return true;
}

bool featureZOR70::setFeature(int type, const QString &name, const QStringList &texts)
{
    if (!countFits(type, texts.size()))
        return false;

    QVector<double> values;
    values.reserve(texts.size());
    for (const QString &text : texts) {
        bool ok = false;
        values.append(bDouble::str2Double(text, &ok)); // an empty text is 0
        // One bad text makes the whole record unusable: the instrument would
        // otherwise receive a 0 where the user typed something else.
        if (!ok)
            return false;
    }

    bool result = true;
    if (isTable(type)) {
        // A point whose argument goes backwards is dropped (zeroed); dropping the
        // second point leaves no usable table, which the caller must hear about.
        for (int k = 1; k < values.size() / 2; ++k) {
            if (values.at(2 * k) < values.at(2 * k - 2)) {
                values[2 * k] = 0;
                values[2 * k + 1] = 0;
                if (k == 1)
                    result = false;
            }
        }
    }

    for (int n = 0; n < values.size(); ++n)
        m_ratio[n].setValue(values.at(n));
    m_name = name.trimmed();
    m_type = type;
    emit onChange();
    return result;
}

double featureZOR70::getRatio(int n) const
{
    return n >= 0 && n < ratioCount ? m_ratio[n].value() : 0.0;
}

QString featureZOR70::getRatioStr(int n) const
{
    if (n < 0 || n >= ratioCount)
        return QString();
    const double value = m_ratio[n].value();
    const bool even = n % 2 == 0;
    switch (m_type) {
    case ftTSMTSH90:
        return QString::number(value, 'f', n == 0 ? 6 : 7);
    case ftTSKVD:
        return QString::number(value, n == 0 ? 'f' : 'e', 6);
    case ftTSPolynom:
    case ftTPPolynom:
        return QString::number(value, 'e', 6);
    case ftTSTable:
        return QString::number(value, 'f', even ? 3 : 5);
    case ftTPTable:
        return QString::number(value, 'f', even ? 2 : 4);
    case ftIzmPr:
        return QString::number(value, 'f', 3);
    default:
        return QString::number(value, 'f', 4);
    }
}

QMap<featureZOR70::_featureIndType, QString> featureZOR70::getFeatureTypeList()
{
    return {
        {ftTSMTSH90, tr("ТС МТШ-90")},   {ftTSKVD, tr("ТС КВД")},
        {ftTSPolynom, tr("ТС Полином")}, {ftTSTable, tr("ТС Таблица")},
        {ftTPPolynom, tr("ТП Полином")}, {ftTPTable, tr("ТП Таблица")},
        {ftIzmPr, tr("Изм. Пр.")},
    };
}

QStringList featureZOR70::getPIRangeList()
{
    return {QStringLiteral("0..5 mA"), QStringLiteral("0..20mA"), QStringLiteral("4..20 mA")};
}

bool featureZOR70::countFits(int type, int count)
{
    switch (type) {
    case ftTSMTSH90:
        return count == 7;
    case ftTSKVD:
        return count == 4;
    case ftTSPolynom:
    case ftTPPolynom:
        return count == 10;
    case ftTSTable:
    case ftTPTable:
        // Whole points only, at least two of them, and no more than the record holds.
        return count >= 4 && count % 2 == 0 && count <= ratioCount;
    case ftIzmPr:
        return count == 3;
    default:
        return false;
    }
}

void featureZOR70::triggerApply()
{
    emit onApply();
}
