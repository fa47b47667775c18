#ifndef ZORCHEDIT_H
#define ZORCHEDIT_H

#include <QtGlobal>

class optionsZOR70;

// The channel edits of the settings dialog and the channel menu for which the settings
// image has no setter of its own. Each changes the image only when the value is new,
// and then raises onChChange for the channel.
class zorChEdit
{
public:
    // The reference range; the channel is normalised, since current and rounding
    // follow from the range.
    static void setRef(optionsZOR70 *options, quint8 ch, int ref);
    static void setRound(optionsZOR70 *options, quint8 ch, int round);
    // A current code of the current list (mA = code × 0.05).
    static void setCurrentCode(optionsZOR70 *options, quint8 ch, int code);
};

#endif // ZORCHEDIT_H
