#include "config/zorChEdit.h"

#include "model/optionsZOR70.h"

void zorChEdit::setRef(optionsZOR70 *options, quint8 ch, int ref)
{
    if (options->ch[ch].ref == ref)
        return;
    options->ch[ch].ref = ref;
    options->normalize(ch);
    emit options->onChChange(ch);
}

void zorChEdit::setRound(optionsZOR70 *options, quint8 ch, int round)
{
    if (options->ch[ch].round == round)
        return;
    options->ch[ch].round = round;
    emit options->onChChange(ch);
}

void zorChEdit::setCurrentCode(optionsZOR70 *options, quint8 ch, int code)
{
    if (options->ch[ch].current == code)
        return;
    options->ch[ch].current = quint8(code);
    emit options->onChChange(ch);
}
