#ifndef ZORQUERYMODE_H
#define ZORQUERYMODE_H

#include <QtGlobal>

// How a request behaves when its exchange fails. The values are bit flags and are
// combined with |; a request carries them as a plain 32-bit zorQueryMode, so callers
// may also pass the numbers (0 for ordinary requests, 2 for a probing read).
enum zorQueryModeFlag : quint32 {
    qmNormal = 0,       // four tries, reconnecting before the second and the fourth
    qmNoRetry = 1,      // block read: give up after the first failure
    qmFastRetry = 2,    // block read: three quick tries, no reconnect, no back-off
    qmEmptyOnFail = 8   // block and record read: give up with an empty reply, not an error
};

typedef quint32 zorQueryMode;

#endif // ZORQUERYMODE_H
