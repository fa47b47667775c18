#ifndef ZORCHFIELDS_H
#define ZORCHFIELDS_H

#include "config/zorChoice.h"
#include "model/optionsZOR70.h"

// The fields of a channel that both channel menus edit, the settings dialog's column
// menus and the main window's channel menu: each field's choices, a channel's value of
// it and the edit a choice makes of the settings image. How a menu shows them and where
// its edits go (one channel or all, sent with an apply or when the menu closes) is the
// menu's own.
class zorChFields
{
public:
    // In the order of the settings dialog's columns after the mode.
    enum _field { dim, current, ref, round, compens };

    // Every choice of a field; off is the text of compensation's "none".
    static zorChoice::_list choices(_field field, const QString &off);
    static int value(const optionsZOR70::_ch &c, _field field);
    // The choice of value for channel ch; a current code below 1 (the entry for a value
    // typed by hand) changes nothing.
    static void store(optionsZOR70 *options, quint8 ch, _field field, int value);
};

#endif // ZORCHFIELDS_H
