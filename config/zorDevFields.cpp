#include "config/zorDevFields.h"

#include "config/zorChoice.h"
#include "model/optionsZOR70.h"

#include <QComboBox>
#include <QIcon>

namespace {
// Displayed-channel count codes: 0..5 show 1, 2, 4, 8, 16, 32 channels.
constexpr int displayCodes = 6;
constexpr int cyclicMode = 1;
} // namespace

void zorDevFields::fill(QComboBox *box, _field field)
{
    const QStringList offOn = {tr("Выкл."), tr("Вкл.")};
    switch (field) {
    case measMode:
        box->addItem(QIcon(":/resource/images/single_ch.png"), QString(), 0);
        box->addItem(QIcon(":/resource/images/cyclic_ch.png"), QString(), cyclicMode);
        break;
    case chShow:
        for (int code = 0; code < displayCodes; ++code)
            box->addItem(QString::number(1 << code), code);
        break;
    case measTime:
        zorChoice::fill(box, {{0, tr("1.5 сек")}, {1, tr("3 сек")}, {2, tr("5 сек")}, {3, tr("10 сек")}});
        break;
    case filter:
    case speaker:
        zorChoice::fill(box, {{0, offOn.at(0)}, {1, offOn.at(1)}});
        break;
    case chCount:
        for (int count : {8, 16, 32})
            box->addItem(QString::number(count), count);
        break;
    }
}

qint32 optionsZOR70::*zorDevFields::member(_field field)
{
    switch (field) {
    case measMode: return &optionsZOR70::measMode;
    case chShow: return &optionsZOR70::chShow;
    case measTime: return &optionsZOR70::measTime;
    case filter: return &optionsZOR70::filter;
    case chCount: return &optionsZOR70::chCount;
    case speaker: break;
    }
    return &optionsZOR70::speaker;
}

qint32 zorDevFields::value(const optionsZOR70 &options, _field field)
{
    return options.*member(field);
}

void zorDevFields::show(QComboBox *box, const optionsZOR70 &options, _field field)
{
    zorChoice::select(box, value(options, field));
}

bool zorDevFields::store(optionsZOR70 *options, _field field, qint32 value)
{
    return options->setDevField(member(field), value);
}

void zorDevFields::enableDisplayCounts(QComboBox *box, const optionsZOR70 &options)
{
    box->setEnabled(options.measMode == cyclicMode);
    for (int row = 0; row < box->count(); ++row) {
        const int code = box->itemData(row).toInt();
        const bool fits = !(options.chCount == 8 && code > 3) && !(options.chCount == 16 && code == 5);
        zorChoice::enable(box, row, fits);
    }
}
