#ifndef ZORSERIALPORTQUERYITEM_H
#define ZORSERIALPORTQUERYITEM_H

#include "link/zorQueryMode.h"

#include <QByteArray>
#include <QMetaType>

// A read request for one block of the instrument's memory. Crosses threads by value.
struct zorSerialPortQueryItem
{
    quint8 address = 255;      // block selector; 255 in an item not yet given a request
                               // (255 also selects the name block: the worker keeps its own "has a request" flag)
    quint16 size = 0;          // expected reply length in bytes
    bool showPr = false;       // report the progress of this exchange
    zorQueryMode qMode = qmNormal;
    bool rec = false;          // a stream of 8-byte records
    bool word = false;         // a single 4-byte word
    // Neither rec nor word: a block read.
};

Q_DECLARE_METATYPE(zorSerialPortQueryItem)
// A finished read's reply travels by pointer.
Q_DECLARE_METATYPE(QByteArray *)

#endif // ZORSERIALPORTQUERYITEM_H
