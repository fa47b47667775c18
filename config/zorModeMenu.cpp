#include "config/zorModeMenu.h"

#include "config/zorChoice.h"
#include "model/featureZOR70.h"
#include "model/optionsZOR70.h"

namespace {
using O = optionsZOR70;
using F = featureZOR70;

const char modeProperty[] = "chMode";
} // namespace

zorModeMenu::zorModeMenu(QWidget *parent)
    : QMenu(parent)
    , group(zorChoice::exclusive(this))
{
    const QMap<O::_chMode, QString> names = O::getModeNameList();
    for (int mode : {O::chOff, O::chOhm, O::chOhm3, O::chMV, O::chMA})
        addMode(this, mode, names.value(O::_chMode(mode)), 0);
    const QStringList tc = O::_getDefTypeTC();
    const QStringList tp = O::_getDefTypeTP();
    for (int mode : {O::chNSHTS, O::chNSHTS3}) {
        QMenu *menu = addSubMenu(mode, names.value(O::_chMode(mode)));
        for (int n = 0; n < tc.size(); ++n)
            addMode(menu, mode, tc.at(n), n);
    }
    QMenu *thermocouples = addSubMenu(O::chNSHTP, names.value(O::chNSHTP));
    for (int n = 0; n < tp.size(); ++n)
        addMode(thermocouples, O::chNSHTP, tp.at(n), n);
    // One entry per slot, shown when the slot holds a characteristic of the submenu's
    // kind. Kept, never rebuilt: a refresh may come while one of them is being triggered.
    const QList<QPair<int, QString>> slotMenus = {
        {O::chISHTS, tr("ИСХ ТС")}, {O::chISHTP, tr("ИСХ ТП")}, {O::chIZMPR, tr("ИСХ ПИ")}};
    for (const auto &slotMenu : slotMenus) {
        QMenu *menu = addSubMenu(slotMenu.first, slotMenu.second);
        for (int slot = 0; slot < O::chMax; ++slot)
            addMode(menu, slotMenu.first, QString(), slot)->setVisible(false);
    }
    connect(this, &QMenu::triggered, this, [this](QAction *action) {
        const QVariant mode = action->property(modeProperty);
        if (mode.isValid())
            emit modeChosen(mode.toInt(), quint8(action->data().toInt()));
    });
}

QList<int> zorModeMenu::slotTypes(int mode)
{
    switch (mode) {
    case O::chISHTS: return {F::ftTSMTSH90, F::ftTSKVD, F::ftTSPolynom, F::ftTSTable};
    case O::chISHTP: return {F::ftTPPolynom, F::ftTPTable};
    case O::chIZMPR: return {F::ftIzmPr};
    default: return {};
    }
}

QString zorModeMenu::modeText(const optionsZOR70 &options, int ch, bool slotNames)
{
    const O::_ch &c = options.ch[ch];
    const QString mode = options.getModeName(quint8(ch));
    QString sensor;
    if (c.mode == O::chNSHTS || c.mode == O::chNSHTS3)
        sensor = O::_getDefTypeTC().value(c.feature, QStringLiteral("-"));
    else if (c.mode == O::chNSHTP)
        sensor = O::_getDefTypeTP().value(c.feature, QStringLiteral("-"));
    else if (slotNames && !slotTypes(c.mode).isEmpty())
        sensor = c.feature < O::chMax ? options.feature[c.feature]->getName() : QStringLiteral("-");
    else
        return mode;
    return mode + QStringLiteral(": ") + sensor;
}

QAction *zorModeMenu::addMode(QMenu *menu, int mode, const QString &text, int feature)
{
    QAction *action = menu->addAction(text);
    action->setCheckable(true);
    group->addAction(action);
    action->setProperty(modeProperty, mode);
    action->setData(feature);
    return action;
}

QMenu *zorModeMenu::addSubMenu(int mode, const QString &title)
{
    QMenu *menu = addMenu(title);
    menu->menuAction()->setCheckable(true);
    subMenus.insert(mode, menu);
    return menu;
}

void zorModeMenu::setFeatures(const optionsZOR70 &options)
{
    for (int mode : {O::chISHTS, O::chISHTP, O::chIZMPR}) {
        QMenu *menu = subMenus.value(mode);
        const QList<int> types = slotTypes(mode);
        bool any = false;
        for (QAction *action : menu->actions()) {
            const F *feature = options.feature[action->data().toInt()];
            const bool fits = types.contains(feature->getType());
            // Named by the slot's characteristic; a nameless one by its slot, so that
            // it is no blank line.
            const int slot = action->data().toInt() + 1;
            action->setText(feature->getName().isEmpty() ? tr("ИСХ № %1").arg(slot) : feature->getName());
            action->setVisible(fits);
            any = any || fits;
        }
        menu->setEnabled(any);
    }
}

void zorModeMenu::check(const optionsZOR70 &options, int ch)
{
    const bool known = ch >= 0 && ch < O::chMax;
    const int mode = known ? options.ch[ch].mode : -1;
    const int feature = known ? options.ch[ch].feature : -1;
    for (QAction *action : actions()) {
        if (action->menu()) {
            action->setChecked(subMenus.key(action->menu(), -1) == mode);
            for (QAction *entry : action->menu()->actions())
                entry->setChecked(entry->property(modeProperty).toInt() == mode && entry->data().toInt() == feature);
        } else {
            action->setChecked(action->property(modeProperty).toInt() == mode);
        }
    }
}
