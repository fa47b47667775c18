#include "registry/zorProbe.h"

#include "db/zorSql.h"
#include "link/ZORSerialPort.h"
#include "registry/zorList.h"
#include "registry/zorProbeReport.h"

#include <QTextStream>

zorProbe::zorProbe(ZORSerialPort *port, zorList *list, zorSql *sql, QTextStream *out, QTextStream *err,
                   QObject *parent)
    : QObject(parent)
    , port(port)
    , list(list)
    , sql(sql)
    , out(out)
    , err(err)
{
    silence.setSingleShot(true);
    connect(&silence, &QTimer::timeout, this,
            [this] { finish(exitSilence, tr("Нет показаний от прибора")); });
    connect(port, &ZORSerialPort::resultDevQuery, this, &zorProbe::settingsRead);
    connect(port, &ZORSerialPort::readyDevMeas, this, &zorProbe::valueArrived);
    connect(list, &zorList::onChError, this, [this](int from, quint8 ch, quint8 code, const QString &msg) {
        if (from == index)
            readingArrived(zorProbeReport::channelError(ch, code, msg));
    });
    connect(list, &zorList::onDevError, this, &zorProbe::deviceFailed);
}

void zorProbe::start(const QString &portName, int readings, int silenceSec)
{
    wanted = readings;
    silence.setInterval(qBound(1, silenceSec, maxSilenceSec) * 1000);
    index = list->connectPort(portName);
    if (index == zorList::portUnavailable) {
        finish(exitLink, tr("Порт «%1» не найден или занят").arg(portName));
        return;
    }
    if (index < 0) {
        finish(exitLink, tr("Прибор не добавлен"));
        return;
    }
    devIndex = list->getZorByIndex(index)->devIndex;
    *out << tr("Чтение настроек прибора...") << Qt::endl;
}

void zorProbe::settingsRead(int from, bool ok)
{
    // A failed read is reported by the registry as a broken link.
    if (from != devIndex || !ok || reported || done)
        return;
    reported = true;
    printReport();
    // The registry keeps what it refused out of the image and out of the database; a
    // checking tool says so instead of showing readings as if all were well.
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (zor && !zor->rejected.isEmpty()) {
        QStringList refused;
        for (auto it = zor->rejected.cbegin(); it != zor->rejected.cend(); ++it)
            refused << zorProbeReport::rejectedBlock(it.key(), it.value());
        finish(exitRejected, refused.join('\n'));
        return;
    }
    if (wanted <= 0) {
        finish(exitOk);
        return;
    }
    *out << Qt::endl << tr("Показания:") << Qt::endl;
    silence.start();
}

void zorProbe::printReport()
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (!zor)
        return;
    const auto print = [this](const QStringList &lines) {
        for (const QString &line : lines)
            *out << "  " << line << '\n';
    };
    *out << Qt::endl;
    print(zorProbeReport::identity(*zor->options, zor->portName));
    if (zor->dbIndex > 0) {
        const QString snapShot = zor->snapShotId > 0
            ? tr("«%1» (№ %2)").arg(sql->getSnapShotInfo(zor->snapShotId)).arg(zor->snapShotId)
            : tr("не найдена");
        print({tr("База данных: прибор № %1, настройка %2").arg(zor->dbIndex).arg(snapShot)});
    } else {
        print({tr("В базу данных не внесён")});
    }
    // Only what was read: in place of a refused block the image holds defaults. The
    // channel table takes its length from the device block.
    const QMap<quint8, int> &refused = zor->rejected;
    if (!refused.contains(optionsZOR70::rdDev)) {
        *out << '\n' << tr("Настройки прибора:") << '\n';
        print(zorProbeReport::deviceSettings(*zor->options));
    }
    if (!refused.contains(optionsZOR70::rdDev) && !refused.contains(optionsZOR70::rdCh)
        && !refused.contains(optionsZOR70::rdFeat)) {
        *out << '\n' << tr("Каналы:") << '\n';
        print(zorProbeReport::channels(*zor->options));
    }
    out->flush();
}

void zorProbe::valueArrived(int from, double meas, quint8 ch, char dim)
{
    // The registry passes values on only for an instrument shown in a plot; the probe
    // is none, so it takes them from the link and names them as the registry does.
    // Error markers come through the registry's channel errors.
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (from == devIndex && zor && meas > zorList::errorMarker && ch >= 1 && ch <= optionsZOR70::chMax)
        readingArrived(zorProbeReport::reading(*zor->options, ch - 1, meas, zorList::getDimName(*zor->options, dim)));
}

void zorProbe::readingArrived(const QString &text)
{
    if (!reported || done)
        return;
    *out << "  " << text << Qt::endl;
    if (++seen >= wanted)
        finish(exitOk);
    else
        silence.start();
}

void zorProbe::deviceFailed(int from, quint8 code, const QString &msg)
{
    if (from == index)
        finish(exitLink, zorProbeReport::deviceError(code, msg));
}

void zorProbe::finish(int code, const QString &msg)
{
    if (done)
        return;
    done = true;
    silence.stop();
    // Status lines that came garbled point at the line rather than the instrument.
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (zor && zor->garbledStatus > 0)
        *out << "  " << tr("Искажённых строк состояния: %1").arg(zor->garbledStatus) << Qt::endl;
    if (!msg.isEmpty())
        *err << msg << Qt::endl;
    emit finished(code);
}
