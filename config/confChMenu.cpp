#include "config/confChMenu.h"

#include "config/featconfui.h"
#include "config/zorModeMenu.h"
#include "model/featureZOR70.h"
#include "registry/zorList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QWidgetAction>

namespace {
using O = optionsZOR70;

// The modes whose reference resistor and current are the user's to choose; for the
// others normalisation derives them.
bool choosesRange(int mode)
{
    return mode == O::chOhm || mode == O::chOhm3 || mode == O::chISHTS;
}

QString currentText(quint8 code, char format, int precision)
{
    return QString::number(code * O::currentStep, format, precision);
}
} // namespace

confChMenu::confChMenu(zorList *list, zorSql *sql, QWidget *parent)
    : QMenu(parent)
    , list(list)
    , featEditor(new featconfui(sql, this))
{
    titleAction = addSection(QString());
    modeMenu = new zorModeMenu(this);
    modeMenu->setTitle(tr("Тип измерений"));
    modeMenu->menuAction()->setObjectName(QStringLiteral("modeAction"));
    addMenu(modeMenu);
    connect(modeMenu, &zorModeMenu::modeChosen, this, [this](int mode, quint8 feature) {
        if (optionsZOR70 *options = image())
            options->setChFeature(ch, mode, feature);
    });

    auto *combos = new QWidget(this);
    auto *form = new QFormLayout(combos);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(tr("Размерность"), dimCB = addCombo(zorChFields::dim, "dimCB"));
    form->addRow(tr("Опор. резистор, Ом"), refCB = addCombo(zorChFields::ref, "refCB"));
    form->addRow(tr("Изм. ток, мА"), currentCB = addCombo(zorChFields::current, "currentCB"));
    form->addRow(tr("Округление"), roundCB = addCombo(zorChFields::round, "roundCB"));
    auto *combosAction = new QWidgetAction(this);
    combosAction->setDefaultWidget(combos);
    addAction(combosAction);
    currentCB->addItem(QString(), 0); // manual input, labelled by refresh

    compensMenu = addMenu(tr("Компенс. хол. спая (КХС)"));
    compensMenu->menuAction()->setObjectName(QStringLiteral("compensAction"));
    zorChoice::fill(compensMenu, zorChFields::choices(zorChFields::compens, tr("Нет")));
    connect(compensMenu, &QMenu::triggered, this, [this](QAction *action) {
        if (optionsZOR70 *options = image())
            zorChFields::store(options, ch, zorChFields::compens, action->data().toInt());
    });
    buildFeatMenu();
    addSeparator();
    addAction(tr("Закрыть"))->setObjectName(QStringLiteral("closeAction"));

    connect(this, &QMenu::aboutToHide, this, &confChMenu::sendIfChanged);
    connect(list, qOverload<int, quint8>(&zorList::onChChange), this, &confChMenu::onChChange);
    connect(list, qOverload<int>(&zorList::onChChange), this, [this](int index) { onChChange(index, ch); });
    connect(list, qOverload<int>(&zorList::onFeatChange), this, [this](int index) { onChChange(index, ch); });
}

QComboBox *confChMenu::addCombo(zorChFields::_field field, const char *name)
{
    auto *box = new QComboBox;
    box->setObjectName(QLatin1String(name));
    zorChoice::fill(box, zorChFields::choices(field, QString()));
    if (field == zorChFields::current) {
        connect(box, qOverload<int>(&QComboBox::activated), this, &confChMenu::currentChosen);
        return box;
    }
    connect(box, qOverload<int>(&QComboBox::activated), this, [this, field, box](int row) {
        if (optionsZOR70 *options = image())
            zorChFields::store(options, ch, field, box->itemData(row).toInt());
    });
    return box;
}

void confChMenu::buildFeatMenu()
{
    featMenu = addMenu(tr("Настройки ИСХ"));
    featMenu->menuAction()->setObjectName(QStringLiteral("featAction"));
    for (int slot = 0; slot < O::chMax; ++slot) {
        QAction *action = featMenu->addAction(QString());
        action->setCheckable(true);
        action->setData(slot);
    }
    featMenu->addSeparator();
    editFeatAction = featMenu->addAction(tr("Редактировать ИСХ канала..."));
    connect(featMenu, &QMenu::triggered, this, [this](QAction *action) {
        optionsZOR70 *options = image();
        if (!options)
            return;
        const int slot = options->ch[ch].feature;
        if (action == editFeatAction)
            featEditor->show(slot < O::chMax ? options->feature[slot] : nullptr, true);
        else
            options->setChFeature(ch, options->ch[ch].mode, quint8(action->data().toInt()));
    });
}

optionsZOR70 *confChMenu::image() const
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    return zor && ch < O::chMax ? zor->options : nullptr;
}

void confChMenu::show(int index, const QPoint &at, quint8 ch)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (!zor || ch >= O::chMax)
        return;
    this->index = index;
    this->ch = ch;
    const QString title = tr("Канал № ") + QString::number(ch + 1);
    setTitle(title);
    titleAction->setText(title);
    shown = zor->options->getChData();
    refresh();
    popup(at);
}

void confChMenu::onChChange(int index, quint8 ch)
{
    if (index == this->index && ch == this->ch && isVisible())
        refresh();
}

void confChMenu::refresh()
{
    const optionsZOR70 *options = image();
    if (!options)
        return;
    const O::_ch &c = options->ch[ch];
    const bool on = c.mode != O::chOff;
    const QString mode = zorModeMenu::modeText(*options, ch, false);
    modeMenu->menuAction()->setText(mode);
    modeMenu->menuAction()->setToolTip(mode);
    modeMenu->setFeatures(*options);
    modeMenu->check(*options, ch);

    for (int row = 0; row < dimCB->count(); ++row)
        zorChoice::enable(dimCB, row, options->isDimAllowed(c.mode, dimCB->itemData(row).toInt()));
    zorChoice::select(dimCB, zorChFields::value(c, zorChFields::dim));
    zorChoice::select(refCB, zorChFields::value(c, zorChFields::ref));
    zorChoice::select(roundCB, zorChFields::value(c, zorChFields::round));
    refreshCurrent(*options);
    dimCB->setEnabled(on);
    roundCB->setEnabled(on);
    refCB->setEnabled(choosesRange(c.mode));
    currentCB->setEnabled(choosesRange(c.mode));

    compensMenu->setEnabled(O::isThermocouple(c.mode));
    zorChoice::check(compensMenu, O::isThermocouple(c.mode) ? zorChFields::value(c, zorChFields::compens) : -1);
    refreshFeatMenu(*options);
}

void confChMenu::refreshCurrent(const optionsZOR70 &options)
{
    const quint8 code = options.ch[ch].current;
    currentCB->setEditable(false);
    const int manual = currentCB->count() - 1;
    currentCB->setItemText(manual, tr("Ручной ввод: ") + currentText(code, 'g', 6));
    if (zorChoice::select(currentCB, code) < 0)
        zorChoice::select(currentCB, 0);
}

void confChMenu::refreshFeatMenu(const optionsZOR70 &options)
{
    const O::_ch &c = options.ch[ch];
    const QList<int> types = zorModeMenu::slotTypes(c.mode);
    const QMap<featureZOR70::_featureIndType, QString> typeNames = featureZOR70::getFeatureTypeList();
    for (QAction *action : featMenu->actions()) {
        if (action->isSeparator() || action == editFeatAction)
            continue;
        const int slot = action->data().toInt();
        const featureZOR70 *feature = options.feature[slot];
        action->setText(QString("%1: %2 (%3)")
                            .arg(slot + 1)
                            .arg(feature->getName(),
                                 typeNames.value(featureZOR70::_featureIndType(feature->getType()), "-")));
        // A slot of another kind of sensor would make no sense to the channel.
        action->setEnabled(types.contains(feature->getType()));
        action->setChecked(!types.isEmpty() && slot == c.feature);
    }
    featMenu->setEnabled(!types.isEmpty());
}

void confChMenu::currentChosen(int row)
{
    optionsZOR70 *options = image();
    if (!options)
        return;
    const int code = currentCB->itemData(row).toInt();
    if (code >= 1) {
        currentCB->setEditable(false);
        zorChFields::store(options, ch, zorChFields::current, code);
        return;
    }
    if (currentCB->isEditable())
        return;
    currentCB->setEditable(true);
    currentCB->setEditText(currentText(options->ch[ch].current, 'f', 2));
    connect(currentCB->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // When the menu closes, the value typed is taken before the channel is sent.
        if (isVisible())
            commitManualCurrent();
    });
}

void confChMenu::commitManualCurrent()
{
    optionsZOR70 *options = image();
    if (options && currentCB->isEditable())
        options->setChCurrent(ch, currentCB->currentText());
}

void confChMenu::sendIfChanged()
{
    commitManualCurrent();
    optionsZOR70 *options = image();
    // The setters only change the image: without this the instrument would never
    // hear of an edit made here.
    if (options && options->getChData() != shown)
        options->triggerChChange(ch);
}
