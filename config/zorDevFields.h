#ifndef ZORDEVFIELDS_H
#define ZORDEVFIELDS_H

#include "model/optionsZOR70.h"

#include <QCoreApplication>

class QComboBox;

// The device block's fields as the device page of the settings dialog and the device
// popup menu edit them, each in a combo box whose entries carry the field's values.
class zorDevFields
{
    Q_DECLARE_TR_FUNCTIONS(zorDevFields)

public:
    enum _field { measMode, chShow, measTime, filter, chCount, speaker };

    static void fill(QComboBox *box, _field field);
    static qint32 value(const optionsZOR70 &options, _field field);
    // Selects the image's value, without raising the box's signals.
    static void show(QComboBox *box, const optionsZOR70 &options, _field field);
    // Stores a value that differs from the image's and raises the image's onDevChange();
    // a new channel count first raises onChChange(), the channel table having changed
    // size. True when the value was new.
    static bool store(optionsZOR70 *options, _field field, qint32 value);
    // The displayed-channel count is chosen in cyclic mode only, and never above the
    // instrument's channel count.
    static void enableDisplayCounts(QComboBox *box, const optionsZOR70 &options);

private:
    static qint32 optionsZOR70::*member(_field field);
};

#endif // ZORDEVFIELDS_H
