#ifndef ZORSERIALPORTDATAITEM_H
#define ZORSERIALPORTDATAITEM_H

#include "link/zorQueryMode.h"

#include <QByteArray>
#include <QMetaType>

// A write request: bytes for one block (or one word) of the instrument's memory.
// Crosses threads by value.
struct zorSerialPortDataItem
{
    quint8 address = 255;      // block selector; 255 in an item not yet given a request
                               // (255 also selects the name block: the worker keeps its own "has a request" flag)
    QByteArray data;
    zorQueryMode qMode = qmNormal;
    bool showPr = false;
    bool word = false;         // a single 4-byte word instead of a block
};

Q_DECLARE_METATYPE(zorSerialPortDataItem)

#endif // ZORSERIALPORTDATAITEM_H
