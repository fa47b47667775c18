#ifndef FEATUREZOR70_H
#define FEATUREZOR70_H

#include "link/bDouble.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

// One individual sensor characteristic: a typed, named set of up to 40
// coefficients. The same 340-byte record goes to the instrument, into the
// database and through the characteristic editor.
//
// Record layout: byte 0 type (signed), bytes 1-3 zero, bytes 4-19 name
// (Windows-1251, NUL-padded), bytes 20-339 coefficients 0-39 (little-endian doubles).
class featureZOR70 : public QObject
{
    Q_OBJECT

public:
    enum _featureIndType : qint32 {
        ftTSMTSH90 = 0,  // "ТС МТШ-90": R0 and six coefficients
        ftTSKVD = 1,     // "ТС КВД": R0, A, B, C
        ftTSPolynom = 2, // "ТС Полином": 10 coefficients
        ftTSTable = 3,   // "ТС Таблица": (°С, Ω) point pairs
        ftTPPolynom = 4, // "ТП Полином": 10 coefficients
        ftTPTable = 5,   // "ТП Таблица": (°С, mV) point pairs
        ftIzmPr = 6,     // "Изм. Пр.": Min, Max, range
    };
    Q_ENUM(_featureIndType)

    static constexpr int dataSize = 340;
    static constexpr int nameSize = 16;
    static constexpr int ratioCount = 40;
    static constexpr int maxTablePoints = ratioCount / 2;

    explicit featureZOR70(QObject *parent = nullptr);

    // The record bytes; the name is cut to 16 bytes.
    QByteArray getData() const;
    // Takes a record of exactly dataSize bytes, then raises onChange(); any other
    // length is refused (false) without a trace.
    bool setData(const QByteArray &buf);

    // Sets type, name and coefficient texts as the editor collects them; see the
    // source for the rules. False, and the record unchanged, for a wrong count or
    // a text that is not a number; false after storing for a table whose second
    // point lies below its first.
    bool setFeature(int type, const QString &name, const QStringList &texts);

    int getType() const { return m_type; }
    QString getName() const { return m_name; }
    // Coefficient n, 0 outside 0..39. For type 0, coefficient 0 is R0 in Ω.
    double getRatio(int n) const;
    // Coefficient n as the editor shows it (format by type); empty outside 0..39.
    QString getRatioStr(int n) const;

    static QMap<_featureIndType, QString> getFeatureTypeList();
    // Current ranges of a measuring transducer.
    static QStringList getPIRangeList();

    // Asks for the record to be sent to the instrument (onApply()).
    void triggerApply();

signals:
    void onChange(); // the record changed
    void onApply();  // the record is to be sent to the instrument

private:
    static bool countFits(int type, int count);
    static bool isTable(int type) { return type == ftTSTable || type == ftTPTable; }

    qint32 m_type = ftTSMTSH90;
    QString m_name;
    bDouble m_ratio[ratioCount];
};

#endif // FEATUREZOR70_H
