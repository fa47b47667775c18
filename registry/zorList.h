#ifndef ZORLIST_H
#define ZORLIST_H

#include "link/zorSerialPortDataItem.h"
#include "model/optionsZOR70.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

class QTimer;
class ZORSerialPort;
class zorSql;

// The registry of the instruments known to the running program. It owns one record
// per instrument with its settings image, turns the link manager's replies into image
// updates, readings and errors, turns the image's Apply signals into writes, keeps the
// instrument's database row and current settings snapshot up to date, and runs the
// read-all sequence that fills an image after connection. GUI thread only.
//
// Four integers name one instrument: the registry index (the key, used in every
// signal), the link manager's devIndex, the database id and the plot index.
class zorList : public QObject
{
    Q_OBJECT
    // Milliseconds between the last send request of a record and the write of the
    // blocks it names (5000): edits made in quick succession become one write per block.
    Q_PROPERTY(int sendDelay READ sendDelay WRITE setSendDelay)

public:
    // A reading of the stream, with the moment it reached the program (ms since the
    // epoch): one that waited for its record keeps the time it was sent at.
    struct _reading
    {
        double meas;
        quint8 ch;
        char dim;
        qint64 at;
    };

    struct _zor
    {
        _zor(int devIndex, const QString &portName, int sendDelay);
        ~_zor();
        _zor(const _zor &) = delete;
        _zor &operator=(const _zor &) = delete;

        int index = -1;          // registry key; set when the record is registered
        int devIndex;            // link manager's index; negative when not connected
        int dbIndex = 0;         // device_id; 0 = not in the database
        int snapShotId = 0;      // the stored snapshot the settings correspond to; 0 = none
        int qwtIndex = -1;       // plot index; -1 = not shown
        bool spare = false;      // kept for the views; the registry never sets it
        optionsZOR70 *options;   // owned
        QString portName;
        QString text;            // a free per-instrument text; the registry never sets it
        bool proccesed;          // readings are accepted and acquisition runs
        bool clearOnStart = false; // the plot is cleared when acquisition restarts
        bool tstat = false;      // thermostat state of the last status line
        int garbledStatus = 0;   // status tokens that could not be read, ignored
        bool recEnabled = false; // continuous recording
        QString recFile;
        QString recFieldSep = QStringLiteral(";");
        signed char recRound = 4;
        QString recPointSep;     // "" (system), "." or ","
        uchar recPeriod = 0;     // minutes between recorded rows
        int recRow = 0;          // last recorded row
        QVector<optionsZOR70::tx_code> txCodes; // waiting for the send timer
        QTimer *txTimer;         // owned; single shot, restarted by every send request

        // The read-all sequence waits for the identity to know whether the refdU
        // block exists; set while the identity of such a sequence is outstanding.
        bool refdUUndecided = false;
        // The channel block has been read: readings can be told apart by channel and
        // unit. Until then, while the settings are being read, readings wait for it; a
        // record that comes back after a gap keeps it, so its readings are taken at
        // once, between the exchanges of the settings read.
        bool chKnown = false;
        // Read address → length of its last reply, for the blocks whose last reply
        // the image refused (a wrong length, a foreign identity).
        QMap<quint8, int> rejected;

        // The port has answered an exchange. Until it has, the read-all sequence asks
        // for the identity alone and gives up at the first failure (another device may
        // sit on the port); readRest says the rest waits for that answer.
        bool answered = false;
        bool readRest = false;
        // The read-all of a port that never answered failed: nothing more is sent until
        // the user asks or the port starts a reading stream. A stream wakes the record
        // once (woken): a device that streams but does not answer is left alone.
        bool silent = false;
        bool woken = false;
        // Readings a port streamed before its first identity answer: when that names a
        // lost record's instrument, they are that record's (see handOver), otherwise
        // they are dropped.
        QVector<_reading> unclaimed;
    };

    // The record limit: at most this many records exist at a time.
    static constexpr int maxZor = 254;
    // The most readings a port not yet identified keeps for a lost record: a device
    // that streams but never answers does not fill the memory.
    static constexpr int maxUnclaimed = 4096;
    static constexpr int defaultSendDelay = 5000;
    // The longest wait for settings to go out before an instrument is let go: each
    // write waits for the link's pause and takes an exchange.
    static constexpr int waitingWritesTimeout = 30000;

    // Error codes of the instrument: below instrumentError a channel error, from it
    // on an instrument error that ends the connection; linkError is a broken link.
    static constexpr quint8 instrumentError = 50;
    static constexpr quint8 linkError = 200;
    // A reading at or below this is an error marker; its unit character carries the
    // error code + '0'.
    static constexpr double errorMarker = -999999.0;
    // Link codes up to this one are exchanges given up; above it the port itself failed.
    static constexpr quint16 lastExchangeError = 240;

    // The link delays of a connected instrument (ms): handshake, queue wait, retry back-off.
    static constexpr quint16 handshakeMs = 2000;
    static constexpr quint16 queueMs = 200;
    static constexpr quint16 retryMs = 3000;
    // What connectPort() returns when no record took the port.
    static constexpr int portUnavailable = -1;
    static constexpr int registryFull = -2;

    // port and sql are not owned and must outlive the registry; statusEnabled turns
    // the handling of the instrument's status lines on.
    zorList(ZORSerialPort *port, zorSql *sql, bool statusEnabled, QObject *parent = nullptr);
    // Removes every instrument from the link manager and deletes every record.
    ~zorList() override;

    int sendDelay() const { return m_sendDelay; }
    // Applies to the timers of existing records too.
    void setSendDelay(int ms);

    // ---- Lookups: an unknown index yields no record (or -1) ----
    _zor *getZorByIndex(int index) const;
    _zor *getZorByDevIndex(int devIndex) const;   // negative: none
    _zor *getZorByQwtIndex(int qwtIndex) const;   // negative: none
    int getQWTIndex(int index) const;
    int getDBIndex(int index) const;
    int getIndexByDev(int devIndex) const;
    bool isDevIndex(int devIndex) const;
    bool isZor(int index) const;
    // The connected record of the instrument with this type and serial number.
    _zor *getLiveZor(quint32 devType, quint32 devNumber) const;
    // A record of that instrument that is not connected (the lowest index), or null.
    _zor *getLostZor(quint32 devType, quint32 devNumber) const;
    QList<int> getIndexList() const; // in key order
    int count() const { return records.size(); }
    // The database the registry keeps its instruments in, for the dialogs that store
    // their own properties there.
    zorSql *getSql() const { return sql; }
    // The text of an error code, that of code 0 for an unknown code.
    QString getErrorText(quint8 code) const;
    // The name of a value's unit character: 'A'..'J' name units 0..9, others "-".
    static QString getDimName(const optionsZOR70 &options, char dim);

    // ---- Life cycle ----
    // Creates a record (and image) for a link manager index (negative: no port);
    // connect wires it as setSignal does. Raises onAddZor(index, false), or
    // onAddZor(-1, false) when maxZor records exist. Returns the index or -1.
    int newZor(int devIndex, bool connect);
    // Registers a record made elsewhere (another registry's) and takes ownership:
    // it gets the lowest free key, is connected, the read-all sequence starts when
    // readAll is set, and onAddZor(index, true) is raised. Refused (false, the caller
    // keeps the record) when the record is null or already registered, its devIndex
    // is 255 or more, another record already uses its devIndex, another record holds
    // the same identified instrument (type and non-zero serial number) and is still
    // connected, or maxZor records exist. A disconnected record of the same
    // instrument does not block it, so a lost instrument can be found and connected
    // again; the old record stays until it is removed.
    bool addZor(_zor *zor, bool readAll = true);
    // Sends what waits to be written first (see sendWaitingNow), then removes the
    // instrument from the link manager, deletes the record and raises
    // onRmZor(index, qwtIndex).
    void rmByIndex(int index);
    // Unwires the record from this registry and takes it out of the map without
    // deleting it: the caller owns it. Returns it (null for an unknown index).
    _zor *detachByIndex(int index);
    _zor *detachByDevIndex(int devIndex);
    // Sends what waits to be written first (see sendWaitingNow), then removes the
    // instrument from the link manager and marks the record not connected.
    void disConnByIndex(int index);
    // Connects a record that lost its link to the link manager index where its
    // instrument answers again, and reads its settings anew: the record, its plot
    // index and its recording carry on. False (nothing changes) when the record is
    // unknown or connected, or another record uses devIndex.
    bool reattach(int index, int devIndex);

    // ---- Connecting: the one way a port becomes a record's ----
    // Opens portName through the link manager with the delays of a connected
    // instrument and starts the read-all sequence, in the disconnected record into or
    // in a new record. Whatever started it, an identity naming the instrument of a
    // disconnected record hands the link to that record (its row, plot series and
    // recording carry on) and the record made for the port goes. Returns the index,
    // portUnavailable or registryFull.
    int connectPort(const QString &portName, int into = -1);
    // The open port devIndex, where a probe read this identity: the record of that
    // instrument takes it when there is one (a connected one too: one instrument
    // answers on one port, so its old link died unnoticed), otherwise, when takeNew, a
    // new record. The readings the port streamed meanwhile (streamed, in order) go to
    // the record that takes it, before any later one. Returns the index, or -1 when no
    // record took the port (the caller keeps it).
    int adopt(int devIndex, const optionsZOR70 &identity, bool takeNew, const QVector<_reading> &streamed = {});

    // ---- Commands ----
    // Writes the clock, then reads identity, references, device, channels and
    // characteristics (and, for the extended variant, the refdU block).
    void getAllDataFromZor(int index);
    // Queues a block by its send code; sendDelay after the last request every
    // queued block is written once.
    void sendZorData(int index, optionsZOR70::tx_code code);
    // Whether settings of the record wait for the send timer or for the link.
    bool hasWaitingWrites(int index) const;
    // Sends at once what waits for the send timer of the records, and waits at most
    // timeoutMs until the link has written everything they have waiting, raising
    // onWaitingWritesProgress. Runs the event loop meanwhile. Returns the records
    // whose instrument did not take all of it and so kept its old settings.
    QList<int> sendWaitingNow(const QList<int> &indices, int timeoutMs);
    void setProccesed(int index, bool processed, bool clear);
    // A record's fields the registry does not watch were edited (its recording
    // settings): raises onChange() for the views.
    void recordEdited();
    // Overwrites the record's current snapshot with its settings, keeping its text.
    void saveSnapShot(int index);
    // ">T<" when the thermostat is on, "<T>" when off, "" for an unknown index.
    QString getTStatName(int index) const;

public slots:
    // Fed by the link manager.
    void applyDevQuery(int devIndex, QByteArray *buf, quint8 address);
    void onDoneSendDevData(int devIndex, zorSerialPortDataItem data);
    void onReadyDevMeas(int devIndex, double meas, quint8 ch, char dim);
    void onReadyDevStatus(int devIndex, QStringList lStr);

signals:
    void onAddZor(int index, bool added);
    void sendDevData(int devIndex, QByteArray *buf, quint8 address, zorQueryMode mode);
    void sendDevData(int devIndex, QByteArray *buf, quint8 address);
    void onDevChange(int index);
    void onRefChange(int index);
    void onChChange(int index, quint8 ch);
    void onChChange(int index);
    void onFeatChange(int index, quint8 slot);
    void onFeatChange(int index);
    void onIdentChange(int index);
    void onRmZor(int index, int qwtIndex);
    // A record that had lost its link took one up again.
    void onReattach(int index);
    void onChange();
    // at: when the reading reached the program, ms since the epoch.
    void onReadMeas(int index, double meas, quint8 ch, QString dim, qint64 at);
    void onDevError(int index, quint8 code, QString msg);
    void onChError(int index, quint8 ch, quint8 code, QString msg);
    void onReadStatus(int index);
    void doClearQwt(int qwtIndex);
    // Settings that waited to be written could not reach the instrument of the record
    // (removed, disconnected or its link broken): it kept its old ones.
    void onWritesLost(int index);
    // Of the records sendWaitingNow waits for, how many are done.
    void onWaitingWritesProgress(int done, int total);

private slots:
    void onPortError(int devIndex, quint16 code);

private:
    _zor *findBy(int _zor::*field, int value) const;
    int freeIndex() const;
    static QMap<quint8, QString> makeErrorTexts();
    static QString accessDeniedText(const QString &portName);
    bool isRegistered(const _zor *zor) const;
    bool holdsLiveInstrument(const _zor *zor) const;
    void insert(_zor *zor);
    void setSignal(_zor *zor);
    void forwardChanges(_zor *zor);
    void forwardApplies(_zor *zor);
    void unwire(_zor *zor);
    _zor *take(int index);
    // The record still registered under index after something that may have run
    // arbitrary slots (a signal, or the link manager's removal wait); null if gone.
    _zor *stillHere(int index, const _zor *zor) const;

    void writeNow(_zor *zor, quint8 address, const QByteArray &bytes);
    void sendPending(_zor *zor);
    void queueRead(const _zor *zor, quint8 address, bool showPr = true);
    static bool hasAnswered(const _zor *zor);
    void setLinkDelays(int devIndex);
    void readAfterIdentity(_zor *zor);
    _zor *handOver(_zor *zor, const QByteArray &identityBytes);
    void fallSilent(_zor *zor, quint16 code);
    void wake(_zor *zor);
    void identityArrived(_zor *zor, bool decoded);
    void matchSnapShot(_zor *zor);
    void updateDevRow(const _zor *zor);
    void takeReading(_zor *zor, const _reading &reading);
    void takeStreamed(int index, int devIndex, const QVector<_reading> &streamed);
    void readMeasValue(const _zor *zor, const _reading &reading);
    void readMeasError(_zor *zor, quint8 ch, char dim);
    void readStatusFlags(_zor *zor, const QStringList &lStr);
    void disconnectWithError(_zor *zor, quint8 code, const QString &msg);
    // Whether the record's stream means something yet (see _zor::chKnown).
    bool streamReadable(const _zor *zor) const;
    // Writes what waits, with the bounded wait of a user's removal; false when the
    // record went away meanwhile.
    bool sendBeforeLeaving(int index);
    void dropLink(_zor *zor);

    QPointer<ZORSerialPort> port;
    zorSql *sql;
    const bool statusEnabled;
    QMap<int, _zor *> records;
    const QMap<quint8, QString> errorTexts;
    int m_sendDelay = defaultSendDelay;
};

#endif // ZORLIST_H
