#include "config/zorChFields.h"

using O = optionsZOR70;

zorChoice::_list zorChFields::choices(_field field, const QString &off)
{
    switch (field) {
    case dim: return zorChoice::of(O::getDimList());
    case current: return zorChoice::of(O::getCurrentList());
    case ref: return zorChoice::of(O::getRefList());
    case round: return zorChoice::of(O::getRoundList());
    case compens: break;
    }
    return zorChoice::compensList(off);
}

int zorChFields::value(const optionsZOR70::_ch &c, _field field)
{
    switch (field) {
    case dim: return c.dim;
    case current: return c.current;
    case ref: return c.ref;
    case round: return c.round;
    case compens: break;
    }
    return c.compens;
}

void zorChFields::store(optionsZOR70 *options, quint8 ch, _field field, int value)
{
    switch (field) {
    case dim:
        options->setChDim(ch, value);
        break;
    case current:
        if (value >= 1)
            options->setChCurrentCode(ch, quint8(value));
        break;
    case ref:
        options->setChRef(ch, value);
        break;
    case round:
        options->setChRound(ch, value);
        break;
    case compens:
        options->setChFeatureCompesTP(ch, quint8(value));
        break;
    }
}
