#ifndef ZORSEPARATORBOXES_H
#define ZORSEPARATORBOXES_H

class QComboBox;

// The field separators and decimal marks a user chooses from for a table written by the
// results file's rules (zorResultLayout), in the order of the boxes that offer them; each
// item's data is the separator's text.
class zorSeparatorBoxes
{
public:
    enum field { fieldSemicolon, fieldTab, fieldComma, fieldBlank, fieldColon };
    enum point { pointSystem, pointDot, pointComma };

    static void fillField(QComboBox *box);
    static void fillPoint(QComboBox *box);
};

#endif // ZORSEPARATORBOXES_H
