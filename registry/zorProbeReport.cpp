#include "registry/zorProbeReport.h"

#include "model/featureZOR70.h"
#include "model/optionsZOR70.h"

namespace {
// The item of a list a device field selects, or the raw number when the instrument
// sent a value the list does not know.
QString pick(const QStringList &names, int value)
{
    return value >= 0 && value < names.size() ? names.at(value) : QStringLiteral("?(%1)").arg(value);
}

// Channel table columns: header text and width.
struct Column
{
    const char *title;
    int width;
};
const Column columns[] = {
    {QT_TRANSLATE_NOOP("zorProbeReport", "Кн."), 4},
    {QT_TRANSLATE_NOOP("zorProbeReport", "Режим"), 10},
    {QT_TRANSLATE_NOOP("zorProbeReport", "Разм."), 6},
    {QT_TRANSLATE_NOOP("zorProbeReport", "Диап.,Ом"), 9},
    {QT_TRANSLATE_NOOP("zorProbeReport", "Ток,мА"), 7},
    {QT_TRANSLATE_NOOP("zorProbeReport", "Округл."), 10},
    {QT_TRANSLATE_NOOP("zorProbeReport", "Характеристика"), 24},
    {QT_TRANSLATE_NOOP("zorProbeReport", "Компенсация"), 0},
};

QString row(const QStringList &cells)
{
    QString line;
    for (int n = 0; n < cells.size(); ++n)
        line += columns[n].width ? cells.at(n).leftJustified(columns[n].width - 1) + ' ' : cells.at(n);
    return line.trimmed();
}
} // namespace

QStringList zorProbeReport::identity(const optionsZOR70 &options, const QString &portName)
{
    QString variant = tr("не опознан");
    if (optionsZOR70::isValidType(options.devType))
        variant = options.isExtended() ? tr("расширенный") : tr("базовый");
    return {
        tr("Порт: %1").arg(portName),
        tr("Прибор: %1, № %2").arg(options.devName.isEmpty() ? QStringLiteral("-") : options.devName,
                                    options.getDevNumberStr()),
        tr("Тип: 0x%1 (%2)").arg(QString::number(options.devType, 16).toUpper().rightJustified(8, '0'), variant),
    };
}

QStringList zorProbeReport::deviceSettings(const optionsZOR70 &options)
{
    const QStringList onOff = {tr("Выкл."), tr("Вкл.")};
    return {
        tr("Режим измерений: %1").arg(pick({tr("одноканальный"), tr("циклический")}, options.measMode)),
        tr("Количество каналов: %1").arg(options.chCount),
        tr("Кол-во отображаемых каналов: %1").arg(pick({"1", "2", "4", "8", "16", "32"}, options.chShow)),
        tr("Время измерений: %1").arg(pick({tr("1.5 сек"), tr("3 сек"), tr("5 сек"), tr("10 сек")}, options.measTime)),
        tr("Цифровой фильтр: %1").arg(pick(onOff, options.filter)),
        tr("Динамик: %1").arg(pick(onOff, options.speaker)),
        tr("Основной канал: %1").arg(options.mainCh + 1),
    };
}

QStringList zorProbeReport::channels(const optionsZOR70 &options)
{
    QStringList header;
    for (const Column &column : columns)
        header << tr(column.title);
    QStringList lines = {row(header)};
    for (int c = 0; c < options.getChCount(); ++c) {
        const optionsZOR70::_ch &ch = options.ch[c];
        lines << row({
            QString::number(c + 1),
            options.getModeName(quint8(c)),
            options.getDimName(optionsZOR70::_chDim(ch.dim)),
            optionsZOR70::getRefList().value(optionsZOR70::_chRef(ch.ref), QStringLiteral("-")),
            QString::number(ch.current * optionsZOR70::currentStep, 'f', 2),
            optionsZOR70::getRoundList().value(optionsZOR70::_chRound(ch.round), QStringLiteral("-")),
            sensorName(options, c),
            compensationName(options, c),
        });
    }
    return lines;
}

QString zorProbeReport::sensorName(const optionsZOR70 &options, int ch)
{
    const optionsZOR70::_ch &channel = options.ch[ch];
    switch (channel.mode) {
    case optionsZOR70::chNSHTS:
    case optionsZOR70::chNSHTS3:
        return optionsZOR70::_getDefTypeTC().value(channel.feature, QStringLiteral("-"));
    case optionsZOR70::chNSHTP:
        return optionsZOR70::_getDefTypeTP().value(channel.feature, QStringLiteral("-"));
    case optionsZOR70::chISHTS:
    case optionsZOR70::chISHTP:
    case optionsZOR70::chIZMPR:
        if (channel.feature >= optionsZOR70::chMax)
            return QStringLiteral("-");
        return tr("ИСХ %1 «%2»").arg(channel.feature + 1).arg(options.feature[channel.feature]->getName());
    default:
        return QStringLiteral("-");
    }
}

QString zorProbeReport::compensationName(const optionsZOR70 &options, int ch)
{
    if (!optionsZOR70::isThermocouple(options.ch[ch].mode))
        return QStringLiteral("-");
    return options.getChFeatureCompesTPName(quint8(ch));
}

QString zorProbeReport::reading(const optionsZOR70 &options, int ch, double value, const QString &unit)
{
    const int round = ch >= 0 && ch < optionsZOR70::chMax ? options.ch[ch].round : -1;
    const QString text = round >= optionsZOR70::round1 && round <= optionsZOR70::round6
        ? QString::number(value, 'f', round + 1)
        : QString::number(value, 'g', 12);
    return tr("Канал %1: %2 %3").arg(ch + 1).arg(text, unit);
}

QString zorProbeReport::channelError(int ch, int code, const QString &msg)
{
    return tr("Канал %1: ошибка %2: %3").arg(ch + 1).arg(code).arg(msg);
}

QString zorProbeReport::deviceError(int code, const QString &msg)
{
    return tr("Ошибка %1: %2").arg(code).arg(msg);
}

QString zorProbeReport::rejectedBlock(quint8 address, int length)
{
    const QMap<quint8, QString> names = {
        {optionsZOR70::rdIdent, tr("идентификация")}, {optionsZOR70::rdName, tr("имя")},
        {optionsZOR70::rdRef, tr("опорные данные")},   {optionsZOR70::rdRefdU, tr("поправки refdU")},
        {optionsZOR70::rdDev, tr("настройки прибора")}, {optionsZOR70::rdCh, tr("настройки каналов")},
        {optionsZOR70::rdFeat, tr("характеристики")},
    };
    const QString block = tr("Отклонён ответ на чтение блока «%1» (адрес %2)")
                              .arg(names.value(address, QStringLiteral("?")))
                              .arg(address);
    const int expected = optionsZOR70::readLength(address);
    // Of the right length only an identity is refused: one of another instrument type.
    return length == expected ? tr("%1: тип прибора не ЗОР 4.70").arg(block)
                              : tr("%1: длина %2 вместо %3").arg(block).arg(length).arg(expected);
}
