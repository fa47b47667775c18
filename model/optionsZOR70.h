#ifndef OPTIONSZOR70_H
#define OPTIONSZOR70_H

#include "link/bDouble.h"
#include "link/bFloat.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class featureZOR70;

// The in-memory image of one instrument's settings. It decodes every block the
// instrument returns to a read, encodes every block written back, owns the 32
// characteristic records and reports changes (on...Change) and send requests
// (on...Apply) through signals. Block bytes are fixed to the byte: the same
// bytes live in settings files and database snapshots.
class optionsZOR70 : public QObject
{
    Q_OBJECT

public:
    // ---- Instrument identity ----------------------------------------------
    static constexpr quint32 typeBasic = 0x0300AA0F;
    static constexpr quint32 typeExtended = 0x0301AA0F; // the only one with a refdU block
    static bool isValidType(quint32 type) { return (type & ~0x10000u) == typeBasic; }

    // ---- Block map ----------------------------------------------------------
    // Read addresses; setData(buf, address) decodes the reply to each.
    enum _readAddress : quint8 {
        rdFeat = 2,     // characteristic block, featSize
        rdRef = 3,      // reference block, refSize
        rdDev = 5,      // device block, devSize
        rdCh = 7,       // channel block, chSize
        rdRefdU = 11,   // refdU block (extended variant), refdUSize
        rdIdent = 0x33, // identity: signature, name, serial number; identSize
        rdName = 0xFF,  // name text only, nameReadSize
    };
    Q_ENUM(_readAddress)

    // Send codes: each is the write address of its block; getTxData(code) gives
    // the bytes. Any other code is ignored.
    enum tx_code : quint8 {
        txFeat = 0,     // characteristic block, featSize
        txRef = 1,      // reference block, refSize (without refdU)
        txDev = 4,      // device block, devSize
        txDateTime = 9, // clock, dateTimeSize
        txRefdU = 10,   // refdU block, refdUSize; empty unless extended
        txName = 0x32,  // name block, nameSize
        txSN = 0x34,    // serial number, snSize
    };
    Q_ENUM(tx_code)

    // Written at once, not through a send code.
    static constexpr quint8 chWriteAddress = 6;       // getChData(), chSize
    static constexpr quint8 featWriteAddress = 0x80;  // + slot: one featureZOR70 record

    static constexpr int identSize = 24;
    static constexpr int nameReadSize = 16;
    static constexpr int nameSize = 20;
    static constexpr int snSize = 4;
    static constexpr int devSize = 8;
    static constexpr int chSize = 224;
    static constexpr int refSize = 1008;
    static constexpr int refdUSize = 116;
    static constexpr int featSize = 10880;
    static constexpr int dateTimeSize = 8;
    // Full image: name block + device + channel + characteristic blocks.
    static constexpr int fullSize = nameSize + devSize + chSize + featSize;

    // Expected length of the reply to a read address / of a write; -1 if unknown.
    static int readLength(quint8 address);
    static int writeLength(quint8 address);

    // ---- Channel options ----------------------------------------------------
    static constexpr int chMax = 32;

    enum _chMode : qint32 {
        chOff = 0,       // "Выкл."
        chOhm = 1,       // "Ом"
        chOhm3 = 2,      // "Ом/3"
        chMV = 3,        // "мВ"
        chMA = 4,        // "мА"
        chNSHTS = 5,     // "НСХ ТС": resistance thermometer, type list index
        chNSHTS3 = 6,    // "НСХ ТС/3"
        chISHTS = 7,     // "ИСХ ТС": characteristic slot
        chNSHTP = 8,     // "НСХ ТП": thermocouple, type list index
        chISHTP = 9,     // "ИСХ ТП": characteristic slot
        chIZMPR = 10,    // "ИЗМ. ПР.": characteristic slot
    };
    Q_ENUM(_chMode)
    enum _chDim : qint32 { dimOhm, dimMV, dimMA, dimC, dimK, dimPercent, dimPa, dimKPa, dimMPa, dimBar };
    Q_ENUM(_chDim)
    enum _chRef : qint32 { ref3, ref30, ref300, ref3000 }; // reference resistor, Ω
    Q_ENUM(_chRef)
    enum _chRound : qint32 { round1, round2, round3, round4, round5, round6 }; // decimals 1..6
    Q_ENUM(_chRound)

    static constexpr double currentStep = 0.05; // mA per current code
    static constexpr double currentMax = 12.75; // code 255

    // ---- The image -----------------------------------------------------------
    static constexpr int refCount = 6;      // "Rr-1", "Rr-2", "Rr-3", "Rr-4", "Uref", "Iref"
    static constexpr int nelinPoints = 26;
    static constexpr int refdUPoints = 7;
    static constexpr int tkCount = 6;

    struct _ref {
        bDouble value;
        double derived = 0; // never sent
        bDouble zero;
    };
    struct _nelin {
        bDouble code;
        double mV = 0; // code * K * 2^-23, K = nelinK[table]
        bDouble value;
    };
    struct _refdU {
        float mV = 0; // code * 1250 * 2^-23
        bFloat code;
        bFloat value;
    };
    struct _ch {
        qint32 mode = chOff;    // _chMode
        qint32 dim = dimOhm;    // _chDim
        QString text;           // never sent
        qint32 ref = ref3;      // _chRef
        qint32 round = round1;  // _chRound
        quint8 current = 1;     // code; mA = code * currentStep
        quint8 feature = 0;     // type index (modes 5, 6, 8) or characteristic slot (7, 9, 10)
        quint8 compens = 0;     // 0 none, else 1-based resistance-thermometer type index
    };

    static constexpr double nelinK[2] = {78, 625};
    // The voltage a converter code stands for: code * k * 2^-23.
    static constexpr double codeToMV(double code, double k) { return code * k / (1 << 23); }

    _ref ref[refCount];
    bDouble corrA[chMax]; // per channel, (byte - 128) / 1e4
    bDouble corrB[chMax]; // per channel, (byte - 128) / 1e5
    _nelin nelin[2][nelinPoints];
    _refdU refdU[2][refdUPoints]; // tables C and D
    double nelinShift[2] = {0, 0}; // never sent: setRefNelinShift moves the values
    bDouble tk[tkCount]; // (byte - 128) / 1e7
    bDouble d10k;        // (word - 32768) / 1e4
    bDouble k005ma;      // refdU ratio, (word - 32768) / 1e10 + 1

    const QString masterPassword = QStringLiteral("47302958");

    quint32 devType = 0;   // type signature; 0 until identified
    quint32 devNumber = 0; // serial number; 0 = not identified: no writes but SN and clock
    QString devName;

    quint8 mainCh = 0;    // channel measured in single-channel mode
    qint32 measTime = 0;  // 0..3: "1.5 сек", "3 сек", "5 сек", "10 сек"
    qint32 filter = 0;    // 0 off, 1 on
    qint32 speaker = 0;   // 0 off, 1 on
    qint32 measMode = 0;  // 0 single channel, 1 cyclic
    qint32 chShow = 0;    // 0..5: 1, 2, 4, 8, 16, 32 displayed channels
    qint32 chCount = 32;  // as the instrument reports it: 8, 16 or 32

    QString password;               // the instrument's own, at most 8 bytes
    bool nameFromNameRead = false;  // the name came from a name-only read

    _ch ch[chMax];
    featureZOR70 *feature[chMax]; // owned

    explicit optionsZOR70(QObject *parent = nullptr);

    bool isIdentified() const { return devNumber != 0; }
    bool isExtended() const { return devType == typeExtended; }
    // "--" for an unidentified instrument, else at least 4 digits.
    QString getDevNumberStr() const;
    // The channel count bounded to 1..32, safe for sizing tables and loops.
    int getChCount() const;

    // ---- Encoders: the bytes of each block ---------------------------------
    QByteArray getDevData() const;
    QByteArray getChData() const;
    QByteArray getRefData(bool withRefdU) const; // reference block [+ refdU block]
    QByteArray getRefdUData() const;             // empty unless extended
    QByteArray getSNData() const;
    QByteArray getNameData() const;
    QByteArray getDateTimeData() const; // the computer's local time now
    static QByteArray getDateTimeData(const QDateTime &time);
    QByteArray getFeatData() const;
    QByteArray getData() const; // full image
    QByteArray getTxData(tx_code code) const; // empty for an unknown code

    // ---- Device block editing ----------------------------------------------------
    // One of its qint32 fields (measMode, chShow, measTime, filter, chCount, speaker).
    // A new value raises onDevChange(); a new channel count first onChChange(), the
    // channel table having changed size. True when the value was new.
    bool setDevField(qint32 optionsZOR70::*field, qint32 value);

    // ---- Identity editing: each raises onIdentChange() when the value is new ----
    void setDevName(const QString &name); // cut to nameReadSize
    void setDevNumber(quint32 number);

    // ---- Reference editing -----------------------------------------------------
    // 52 texts, code and value alternately for points 0..25 of table 1 (or 0 for
    // any other number). All or nothing; raises onRefChange().
    bool setRefNelin(const QStringList &values, quint8 table);
    // Moves every value of the table by the change of its shift; onRefChange().
    bool setRefNelinShift(const QString &text, quint8 table);
    // The reference editor writes the fields in place and then tells the views once.
    void notifyRefChange();

    // ---- Channel names ---------------------------------------------------------
    static QString getModeName(_chMode mode);
    QString getModeName(quint8 chIndex) const; // beware: an int argument means a channel
    static QMap<_chMode, QString> getModeNameList();
    QString getDimName(_chDim dim) const;
    static QMap<_chDim, QString> getDimList();
    static QMap<_chRound, QString> getRoundList();
    static QMap<_chRef, QString> getRefList();
    static QMap<quint8, QString> getCurrentList(); // code -> mA text
    QString getChFeatureCompesTPName(quint8 chIndex) const;
    static QStringList _getDefTypeTC(); // resistance thermometers, 20
    static QStringList _getDefTypeTP(); // thermocouples, 13
    // The modes measuring a thermocouple: the only ones with cold-junction compensation.
    static bool isThermocouple(int mode) { return mode == chNSHTP || mode == chISHTP; }

    // ---- Channel setters: each keeps the channel consistent -------------------
    // Whether setChDim takes the unit for a channel in the mode (none while it is off).
    bool isDimAllowed(int mode, int dim) const;
    bool setChMode(quint8 chIndex, int mode);
    void setChDim(quint8 chIndex, int dim);
    bool setChFeature(quint8 chIndex, int mode, quint8 feature);
    bool setChFeatureCompesTP(quint8 chIndex, quint8 compens);
    bool setChCurrent(quint8 chIndex, float mA);
    bool setChCurrent(quint8 chIndex, const QString &mA);
    // A code of the current list (mA = code * currentStep), taken as it is.
    void setChCurrentCode(quint8 chIndex, quint8 code);
    // The reference range; the channel is normalised, since current and rounding
    // follow from the range.
    void setChRef(quint8 chIndex, int ref);
    void setChRound(quint8 chIndex, int round);
    // Derives rounding, range and current from the mode and the sensor.
    void normalize(quint8 chIndex);

    // ---- Settings file -------------------------------------------------------------
    // Loads a ".zor70" file all or nothing: every block is decoded into a scratch image
    // first, and this one changes only when all of them were taken. keepType keeps the
    // image's own signature (the instrument is connected); otherwise the file's is taken.
    bool loadFromFile(const QString &fileName, bool keepType);

public slots:
    // Decode one block read from address; exact lengths only. A refused block
    // changes nothing and raises nothing, with one exception: every identity
    // reply clears the identity first, so an instrument whose identity read went
    // wrong (a foreign type, a wrong length) counts as unidentified and receives
    // no writes until a good identity arrives. A name reply of the wrong length
    // leaves the name as it was.
    bool setData(QByteArray *buf, quint8 address);
    bool setData(const QByteArray &buf, quint8 address);
    // Decode a full image (the signature in it is not taken over).
    bool setData(QByteArray *buf);
    bool setData(const QByteArray &buf);

    // Send requests from the dialogs.
    void triggerChChange(quint8 chIndex);
    void triggerChChange();
    void triggerFeatChange(quint8 featIndex);
    void triggerFeatChange();
    void triggerDevChange();  // only for an identified instrument
    void triggerSNChange();
    void triggerNameChange(); // only for an identified instrument
    void triggerRefChange();  // send only when identified; always onRefChange()
    void triggerDateTime();

signals:
    void onDevChange();
    void onRefChange();
    void onChChange(quint8 chIndex);
    void onChChange();
    void onFeatChange(quint8 featIndex);
    void onFeatChange();
    void onIdentChange();
    void onSNApply();
    void onNameApply();
    void onDevApply();
    void onChApply(quint8 chIndex);
    void onChApply();
    void onFeatApply(quint8 featIndex);
    void onFeatApply();
    void onRefApply();
    void onDateTimeApply();
    void onChErrorData();

private:
    bool decodeRef(const QByteArray &buf);
    bool decodeRefdU(const QByteArray &buf);
    bool decodeDev(const QByteArray &buf);
    bool decodeCh(const QByteArray &buf);
    bool decodeFeat(const QByteArray &buf);
    bool decodeIdent(const QByteArray &buf);
    bool decodeName(const QByteArray &buf);

    void setChRangeByType(quint8 chIndex, int typeIndex);
    void setChRange(quint8 chIndex, _chRef range, quint8 currentCode);

    const QStringList m_typeTC;
    const QMap<_chDim, QString> m_dimNames;
};

#endif // OPTIONSZOR70_H
