#include "config/devConfUI.h"
#include "ui_devConfUI.h"

#include "config/featconfui.h"
#include "config/passDialog.h"
#include "config/zorChFields.h"
#include "config/zorChoice.h"
#include "config/zorModeMenu.h"
#include "config/zorRefInput.h"
#include "config/zorRefTab.h"
#include "config/zorSnapShotBox.h"
#include "db/zorSql.h"
#include "link/ZORSerialPort.h"
#include "model/featureZOR70.h"
#include "model/zorSettingsFile.h"
#include "registry/zorSnapShot.h"
#include "ui/zorFileDialog.h"

#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QWidgetAction>

#include <utility>

namespace {
using O = optionsZOR70;

const char chProperty[] = "ch"; // the channel row a column menu edits; -1: every channel

// Tabs of the reference page shown in service mode only.
constexpr int d10kTab = 2;
constexpr int dUPlusTab = 3;
constexpr int dUMinusTab = 4;
} // namespace

devConfUI::devConfUI(zorList *list, ZORSerialPort *port, zorSql *sql, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::devConfUI)
    , offOn{tr("Выкл."), tr("Вкл.")}
    , list(list)
    , port(port)
    , sql(sql)
    , fileDialog(new zorFileDialog(this))
{
    ui->setupUi(this);
    zorDevFields::fill(ui->devMeasModeCB, zorDevFields::measMode);
    zorDevFields::fill(ui->devDisplayModeCB, zorDevFields::chShow);
    zorDevFields::fill(ui->devMeasTimeCB, zorDevFields::measTime);
    zorDevFields::fill(ui->devFilterCB, zorDevFields::filter);
    zorDevFields::fill(ui->devSoundCB, zorDevFields::speaker);
    zorDevFields::fill(ui->devChCountCB, zorDevFields::chCount);

    QTableWidget *table = ui->chTable;
    table->setColumnCount(columnCount);
    table->setHorizontalHeaderLabels(
        {tr("Тип измерений"), tr("Размерн."), tr("Изм. ток"), tr("Опр.резист."), tr("Округление"), tr("КХС")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Sensor and characteristic names are the longest texts of the table: that column
    // is fitted to them after each refresh (fitting at every cell change costs more
    // than the refresh itself).
    table->horizontalHeader()->setSectionResizeMode(colMode, QHeaderView::Interactive);
    table->horizontalHeader()->setSectionsClickable(true);
    connect(table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        const QHeaderView *header = ui->chTable->horizontalHeader();
        popUpChMenu(-1, column,
                    header->mapToGlobal(
                        QPoint(header->sectionViewportPosition(column) + header->sectionSize(column), 0)));
    });
    ui->featTable->setHorizontalHeaderLabels({tr("Имя ИСХ"), tr("Тип ИСХ")});
    ui->featTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    buildChMenus();

    connect(list, &zorList::onDevChange, this, &devConfUI::onDevChange);
    connect(list, &zorList::onIdentChange, this, &devConfUI::onDevChange);
    connect(list, &zorList::onRefChange, this, &devConfUI::onRefChange);
    connect(list, qOverload<int>(&zorList::onChChange), this, &devConfUI::onChChange);
    connect(list, qOverload<int, quint8>(&zorList::onChChange), this, &devConfUI::onChChange);
    connect(list, qOverload<int>(&zorList::onFeatChange), this, &devConfUI::onFeatChange);
    connect(list, qOverload<int, quint8>(&zorList::onFeatChange), this, &devConfUI::onFeatChange);
    // A dialog left open on a removed instrument would edit an image that is gone.
    connect(list, &zorList::onRmZor, this, [this](int removed) {
        if (zor && removed == index)
            reject();
    });
    connect(this, &QDialog::finished, this, [this] {
        disconnect(this->port, nullptr, this, nullptr);
        leaveServiceMode();
        dropTypedNumber();
        zor = nullptr;
    });

    fileDialog->rememberIn(sql, zorPropertyKeys::snapshotDir);
    refTab.reset(new zorRefTab(ui));
    for (QTableWidget *refs : refTab->tables())
        connect(refs, &QTableWidget::itemChanged, this, &devConfUI::on_refChange);
    snapBox.reset(new zorSnapShotBox(ui, sql, this));
    ui->dbStatusLabel->hide();
    ui->pgBar->hide();
    leaveServiceMode();
    installEventFilter(this);
    // The children only report the service key, so that it works wherever the focus is.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    // Windows of their own, made after the filters: their keys are their own business.
    featEditor = new featconfui(sql, this);
    passDlg = new passDialog(this);
}

devConfUI::~devConfUI()
{
    delete ui;
}

// ---- Opening and closing -----------------------------------------------------------

void devConfUI::show(int index)
{
    zorList::_zor *found = list->getZorByIndex(index);
    if (!found)
        return;
    zor = found;
    this->index = index;
    snEdited = false;
    open();
    ui->tabWidget->setCurrentIndex(0);
    ui->tabWidget_2->setCurrentIndex(0);
    ui->pgBar->hide();
    onDevChange(index);
    onChChange(index);
    onFeatChange(index);
    onRefChange(index);
    connect(port, qOverload<int, int, int, quint8>(&ZORSerialPort::setProgress), this, &devConfUI::setProgress,
            Qt::UniqueConnection);
    // After every write the registry stores the settings in the current snapshot.
    connect(port, &ZORSerialPort::doneSendDevData, this, [this](int devIndex) {
        if (record() && devIndex == zor->devIndex)
            findSnapShot();
    });
}

zorList::_zor *devConfUI::record() const
{
    return zor && list->getZorByIndex(index) == zor ? zor : nullptr;
}

optionsZOR70 *devConfUI::image() const
{
    return record() ? zor->options : nullptr;
}

bool devConfUI::isOpenFor(int index) const
{
    return index == this->index && record();
}

bool devConfUI::isServiceMode() const
{
    return !ui->devNumEdit->isReadOnly();
}

bool devConfUI::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == serviceKey && !key->isAutoRepeat())
            serviceKeyDown = event->type() == QEvent::KeyPress;
        // No key closes the dialog or presses its default button.
        if (watched == this)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void devConfUI::on_pushButton_6_pressed()
{
    if (serviceKeyDown)
        enterServiceMode();
    else
        reject();
}

void devConfUI::enterServiceMode()
{
    const optionsZOR70 *options = image();
    if (!options)
        return;
    const bool extended = options->isExtended();
    ui->devNumEdit->setReadOnly(false);
    ui->profTab->show();
    ui->tabWidget_2->setTabVisible(d10kTab, true);
    if (extended)
        ui->tabWidget_2->setTabText(d10kTab, tr("Поправки 10 кОм и 0.05 mA"));
    ui->tabWidget_2->setTabVisible(dUPlusTab, extended);
    ui->tabWidget_2->setTabVisible(dUMinusTab, extended);
    ui->label_13->setVisible(extended);
    ui->d005maEdit->setVisible(extended);
    ui->rmDevBtn->show();
}

void devConfUI::leaveServiceMode()
{
    ui->devNumEdit->setReadOnly(true);
    ui->profTab->hide();
    for (int tab : {d10kTab, dUPlusTab, dUMinusTab})
        ui->tabWidget_2->setTabVisible(tab, false);
    ui->label_13->hide();
    ui->d005maEdit->hide();
    ui->rmDevBtn->hide();
    ui->tabWidget_2->setTabText(d10kTab, tr("Поправки 10 кОм"));
}

// ---- Device page ----------------------------------------------------------------------

void devConfUI::onDevChange(int index)
{
    if (!isOpenFor(index))
        return;
    const optionsZOR70 &options = *zor->options;
    setWindowTitle(tr("Настройки прибора ") + options.devName + " (№ " + options.getDevNumberStr() + ")");
    ui->devPortEdit->setText(zor->devIndex >= 0 ? port->getPortName(zor->devIndex) : zor->portName);
    ui->devNumEdit->setText(options.getDevNumberStr());
    ui->devNameEdit->setText(options.devName);
    zorDevFields::show(ui->devSoundCB, options, zorDevFields::speaker);
    zorDevFields::show(ui->devFilterCB, options, zorDevFields::filter);
    zorDevFields::show(ui->devMeasTimeCB, options, zorDevFields::measTime);
    zorDevFields::show(ui->devMeasModeCB, options, zorDevFields::measMode);
    zorDevFields::show(ui->devDisplayModeCB, options, zorDevFields::chShow);
    zorDevFields::show(ui->devChCountCB, options, zorDevFields::chCount);
    zorDevFields::enableDisplayCounts(ui->devDisplayModeCB, options);
    ui->rmDevBtn->setEnabled(zor->dbIndex >= 1);
    if (options.getChCount() != ui->chU0Table->columnCount())
        showRef();
    findSnapShot();
}

void devConfUI::storeDevField(zorDevFields::_field field, const QComboBox *box, int row)
{
    if (optionsZOR70 *options = image(); options && row >= 0)
        zorDevFields::store(options, field, box->itemData(row).toInt());
}

void devConfUI::on_devMeasModeCB_currentIndexChanged(int row)
{
    storeDevField(zorDevFields::measMode, ui->devMeasModeCB, row);
}

void devConfUI::on_devDisplayModeCB_currentIndexChanged(int row)
{
    storeDevField(zorDevFields::chShow, ui->devDisplayModeCB, row);
}

void devConfUI::on_devMeasTimeCB_currentIndexChanged(int row)
{
    storeDevField(zorDevFields::measTime, ui->devMeasTimeCB, row);
}

void devConfUI::on_devFilterCB_currentIndexChanged(int row)
{
    storeDevField(zorDevFields::filter, ui->devFilterCB, row);
}

void devConfUI::on_devSoundCB_currentIndexChanged(int row)
{
    storeDevField(zorDevFields::speaker, ui->devSoundCB, row);
}

void devConfUI::on_devChCountCB_currentIndexChanged(int row)
{
    storeDevField(zorDevFields::chCount, ui->devChCountCB, row);
}

void devConfUI::on_devNameEdit_editingFinished()
{
    optionsZOR70 *options = image();
    if (!options)
        return;
    options->setDevName(ui->devNameEdit->text());
}

void devConfUI::on_devNumEdit_editingFinished()
{
    optionsZOR70 *options = image();
    if (!options || ui->devNumEdit->text() == options->getDevNumberStr())
        return;
    bool ok = false;
    const quint32 number = ui->devNumEdit->text().toUInt(&ok, 10);
    // 0 is no number: it would make the instrument unidentified for good.
    if (!ok || number == 0 || number == options->devNumber) {
        ui->devNumEdit->setText(options->getDevNumberStr());
        return;
    }
    if (!std::exchange(snEdited, true))
        snOfInstrument = options->devNumber;
    options->setDevNumber(number);
}

void devConfUI::dropTypedNumber()
{
    if (!std::exchange(snEdited, false))
        return;
    // Left in the image, the number would make an instrument numbered 0 count as
    // identified, and go into the database with the next write of the name.
    if (optionsZOR70 *options = image())
        options->setDevNumber(snOfInstrument);
}

// ---- Channel table -----------------------------------------------------------------------

void devConfUI::onChChange(int index)
{
    if (!isOpenFor(index) || editing)
        return;
    fillChTable();
    findSnapShot();
}

void devConfUI::fillChTable()
{
    const optionsZOR70 &options = *zor->options;
    ui->chTable->setRowCount(options.getChCount());
    for (int ch = 0; ch < options.getChCount(); ++ch)
        fillChRow(options, ch);
    ui->chTable->resizeColumnToContents(colMode);
}

void devConfUI::fillChRow(const optionsZOR70 &options, int ch)
{
    const O::_ch &c = options.ch[ch];
    const bool thermocouple = O::isThermocouple(c.mode);
    const QString texts[columnCount] = {
        zorModeMenu::modeText(options, ch, true),
        options.getDimName(O::_chDim(c.dim)),
        QString::number(c.current * O::currentStep, 'f', 2) + ' ' + tr("мА"),
        O::getRefList().value(O::_chRef(c.ref), QStringLiteral("-")) + ' ' + tr("Ом"),
        O::getRoundList().value(O::_chRound(c.round), QStringLiteral("-")),
        !thermocouple ? QStringLiteral("-") : c.compens == 0 ? offOn.at(0) : options.getChFeatureCompesTPName(quint8(ch)),
    };
    const QBrush text(c.mode == O::chOff ? Qt::lightGray : Qt::black);
    for (int column = 0; column < columnCount; ++column) {
        QTableWidgetItem *item = ui->chTable->item(ch, column);
        if (!item) {
            item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            ui->chTable->setItem(ch, column, item);
        }
        item->setText(texts[column]);
        item->setForeground(text);
        item->setFlags(column != colCompens || thermocouple ? Qt::ItemIsEnabled : Qt::NoItemFlags);
    }
}

void devConfUI::buildChMenus()
{
    modeMenu = new zorModeMenu(this);
    chMenus[colMode] = modeMenu;
    connect(modeMenu, &zorModeMenu::modeChosen, this, [this](int mode, quint8 feature) {
        editChannels(colMode, [mode, feature](optionsZOR70 *o, quint8 ch) { o->setChFeature(ch, mode, feature); });
    });
    for (int column = colDim; column < columnCount; ++column) {
        auto *menu = new QMenu(this);
        chMenus[column] = menu;
        const zorChFields::_field field = fieldOf(_column(column));
        zorChoice::fill(menu, zorChFields::choices(field, offOn.at(0)));
        connect(menu, &QMenu::triggered, this, [this, column, field](QAction *action) {
            const int value = action->data().toInt();
            editChannels(_column(column),
                         [field, value](optionsZOR70 *o, quint8 ch) { zorChFields::store(o, ch, field, value); });
        });
    }

    // Under the currents listed, any current typed in mA.
    QMenu *currents = chMenus[colCurrent];
    currentSpin = new QDoubleSpinBox;
    currentSpin->setObjectName(QStringLiteral("currentSpin"));
    currentSpin->setRange(0, O::currentMax);
    currentSpin->setSingleStep(O::currentStep);
    currentSpin->setDecimals(2);
    currentSpin->setSuffix(' ' + tr("мА"));
    auto *spinAction = new QWidgetAction(currents);
    spinAction->setDefaultWidget(currentSpin);
    currents->addAction(spinAction);
    connect(currentSpin, &QDoubleSpinBox::editingFinished, this, [this, currents] {
        // A menu dismissed while the spin box had the focus changes nothing.
        if (!currents->isVisible())
            return;
        currents->close();
        chooseCurrent(currentSpin->value());
    });
}

zorChFields::_field devConfUI::fieldOf(_column column)
{
    static_assert(colCompens - colDim == zorChFields::compens, "the columns after the mode are the fields");
    return zorChFields::_field(column - colDim);
}

void devConfUI::on_chTable_cellPressed(int row, int column)
{
    const QTableWidget *table = ui->chTable;
    const QPoint at(table->columnViewportPosition(column) + table->columnWidth(column), table->rowViewportPosition(row));
    popUpChMenu(row, column, table->viewport()->mapToGlobal(at));
}

void devConfUI::on_chTable_cellEntered(int, int column)
{
    const bool menu = column == colRound || column == colCompens;
    ui->chTable->viewport()->setCursor(menu ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void devConfUI::popUpChMenu(int row, int column, const QPoint &at)
{
    const optionsZOR70 *options = image();
    if (!options || column < 0 || column >= columnCount || row >= options->getChCount())
        return;
    // Compensation means something only for a thermocouple.
    if (column == colCompens && row >= 0 && !O::isThermocouple(options->ch[row].mode))
        return;
    QMenu *menu = chMenus[column];
    menu->setProperty(chProperty, row);
    prepareChMenu(_column(column), row);
    menu->popup(at);
}

void devConfUI::prepareChMenu(_column column, int ch)
{
    const optionsZOR70 &options = *zor->options;
    if (column == colMode) {
        modeMenu->check(options, ch);
        return;
    }
    const O::_ch *c = ch >= 0 ? &options.ch[ch] : nullptr;
    QMenu *menu = chMenus[column];
    if (column == colDim) {
        // Every unit for every channel, a channel that is off or measures through a
        // transducer; otherwise those its mode measures in.
        for (QAction *action : menu->actions()) {
            const bool any = !c || c->mode == O::chOff || c->mode == O::chIZMPR;
            action->setEnabled(any || options.isDimAllowed(c->mode, action->data().toInt()));
        }
    }
    if (column == colCurrent)
        currentSpin->setValue(c ? c->current * O::currentStep : 0);
    // No value is checked for every channel at once, nor a compensation for a channel
    // that is no thermocouple.
    const bool one = c && (column != colCompens || O::isThermocouple(c->mode));
    zorChoice::check(menu, one ? zorChFields::value(*c, fieldOf(column)) : -1);
}

void devConfUI::editChannels(_column column, const std::function<void(optionsZOR70 *, quint8)> &edit)
{
    optionsZOR70 *options = image();
    if (!options)
        return;
    const int ch = chMenus[column]->property(chProperty).toInt();
    if (ch >= options->getChCount())
        return;
    // Every setter announces its channel, some more than once: the table is redrawn
    // when they are all done.
    editing = true;
    if (ch >= 0) {
        edit(options, quint8(ch));
    } else {
        for (int n = 0; n < options->getChCount(); ++n)
            edit(options, quint8(n));
    }
    editing = false;
    onChChange(index);
}

void devConfUI::chooseCurrent(double mA)
{
    editChannels(colCurrent, [mA](optionsZOR70 *o, quint8 ch) { o->setChCurrent(ch, float(mA)); });
}

// ---- Characteristics ------------------------------------------------------------------------

void devConfUI::onFeatChange(int index)
{
    if (!isOpenFor(index))
        return;
    const optionsZOR70 &options = *zor->options;
    const QMap<featureZOR70::_featureIndType, QString> types = featureZOR70::getFeatureTypeList();
    QTableWidget *table = ui->featTable;
    table->setRowCount(O::chMax);
    for (int slot = 0; slot < O::chMax; ++slot) {
        const featureZOR70 *feature = options.feature[slot];
        table->setItem(slot, 0, new QTableWidgetItem(feature->getName()));
        table->setItem(slot, 1,
                       new QTableWidgetItem(types.value(featureZOR70::_featureIndType(feature->getType()), "-")));
    }
    modeMenu->setFeatures(options);
    // The channel table names the characteristics its channels measure with.
    if (!editing)
        fillChTable();
}

void devConfUI::on_featTable_cellDoubleClicked(int row, int)
{
    // Not in apply mode: like every edit here, the characteristic reaches the
    // instrument with an apply button.
    if (optionsZOR70 *options = image())
        featEditor->show(row < O::chMax ? options->feature[row] : nullptr, false);
}

// ---- References ------------------------------------------------------------------------------

void devConfUI::onRefChange(int index)
{
    if (!isOpenFor(index))
        return;
    // References given from outside replace what a cancelled apply kept.
    if (!editingRef) {
        refHeld = zorSnapShot::refData(*zor->options);
        unsentRef.clear();
    }
    showRef();
}

void devConfUI::showRef()
{
    if (!record())
        return;
    refTab->fill(*zor->options);
    if (!unsentRef.isEmpty())
        refTab->showUnsent(unsentRef);
    findSnapShot();
}

void devConfUI::editRef(const std::function<void(optionsZOR70 *)> &edit)
{
    optionsZOR70 *options = image();
    if (!options)
        return;
    const QScopedValueRollback<bool> own(editingRef, true);
    // What a cancelled apply kept goes into the image again with the next edit, as it
    // was before; it was taken once, so it parses.
    if (!unsentRef.isEmpty()) {
        zorRefInput::_cell fault;
        zorRefInput::store(options, std::exchange(unsentRef, {}), &fault);
    }
    edit(options);
}

bool devConfUI::setRef()
{
    if (!image())
        return false;
    zorRefInput::_cell fault;
    bool stored = false;
    editRef([&](optionsZOR70 *options) { stored = zorRefInput::store(options, refTab->texts(), &fault); });
    if (stored)
        return true;
    const QString cell = refTab->showCell(fault);
    QMessageBox::warning(this, tr("Ошибка ввода опор"),
                         tr("Не верные коэффициенты!\nПроверьте введённые значения и повторите попытку.") + "\n\n"
                             + tr("Ошибка в поле: %1").arg(cell));
    return false;
}

void devConfUI::on_refChange(QTableWidgetItem *)
{
    setRef();
}

void devConfUI::on_d10kEdit_editingFinished()
{
    const QString text = ui->d10kEdit->text();
    editRef([&](optionsZOR70 *o) { zorRefInput::storeCoef(o, zorRefInput::coefD10k, text); });
}

void devConfUI::on_d005maEdit_editingFinished()
{
    const QString text = ui->d005maEdit->text();
    editRef([&](optionsZOR70 *o) { zorRefInput::storeCoef(o, zorRefInput::coefK005ma, text); });
}

void devConfUI::on_rKShift0Edit_editingFinished()
{
    const QString text = ui->rKShift0Edit->text();
    editRef([&](optionsZOR70 *o) { o->setRefNelinShift(text, 0); });
}

void devConfUI::on_rKShift1Edit_editingFinished()
{
    const QString text = ui->rKShift1Edit->text();
    editRef([&](optionsZOR70 *o) { o->setRefNelinShift(text, 1); });
}

void devConfUI::on_dU1200LE_returnPressed()
{
    optionsZOR70 *options = image();
    if (!options)
        return;
    // The image raises nothing for this change: the values go with the next apply.
    bool spread = false;
    editRef([&](optionsZOR70 *o) { spread = zorRefInput::spreadDU(o, ui->dU1200LE->text()); });
    if (spread) {
        showRef();
        return;
    }
    ui->dU1200LE->selectAll();
    QMessageBox::warning(this, tr("Ошибка ввода опор"),
                         tr("Не удалось распределить ΔU!\nВведите число; напряжение последней точки таблицы "
                            "должно быть отлично от нуля."));
}

void devConfUI::on_applyRefBtn_clicked()
{
    // The focus taken finishes an edit in progress.
    ui->applyRefBtn->setFocus();
    optionsZOR70 *options = image();
    if (!options || !setRef())
        return;
    passDlg->setOptions(options);
    const int answer = passDlg->exec();
    options = image(); // the instrument may go while the password is asked
    if (!options)
        return;
    if (answer != QDialog::Accepted) {
        // Unsent constants must not stay in the image: the registry would store them in
        // the snapshot after the next write of anything, as if the instrument held them.
        // The tab keeps them, marked, for the next try.
        const zorRefInput::_tab typed = refTab->texts();
        restoreRef();
        unsentRef = typed;
        showRef();
        return;
    }
    if (numberPending()) {
        onRefChange(index); // nothing goes to the instrument; the tab is redrawn
        return;
    }
    options->triggerDevChange();
    options->triggerRefChange();
}

void devConfUI::restoreRef()
{
    // A copy: the decoders' change signals reach onRefChange while it loads.
    const QByteArray held = refHeld;
    editRef([&held](optionsZOR70 *options) {
        if (zorSnapShot::refData(*options) != held)
            zorSnapShot::loadRefData(options, held);
    });
}

// ---- Settings snapshots ------------------------------------------------------------------------

void devConfUI::findSnapShot()
{
    snapBox->rebuild(record());
}

void devConfUI::on_dbSearchEdit_textChanged(const QString &text)
{
    snapBox->search(record(), text);
}

void devConfUI::on_dbFindCB_currentIndexChanged(int row)
{
    snapBox->load(record(), row);
}

void devConfUI::on_dbFindCB_activated(int row)
{
    snapBox->load(record(), row);
}

void devConfUI::on_saveDBBtn_clicked()
{
    snapBox->save(record());
}

void devConfUI::on_addDBBtn_clicked()
{
    snapBox->add(record());
}

void devConfUI::on_rmDBBtn_clicked()
{
    if (!record() || zor->snapShotId < 1)
        return;
    const auto answer = QMessageBox::warning(this, windowTitle(), tr("Вы уверены?"),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        snapBox->remove(record());
}

// ---- Applying and reading ---------------------------------------------------------------------

bool devConfUI::numberPending() const
{
    return snEdited && snOfInstrument == 0;
}

void devConfUI::on_pushButton_5_clicked()
{
    optionsZOR70 *options = image();
    if (!options)
        return;
    // The focus taken finishes an edit in progress.
    ui->pushButton_5->setFocus();
    const bool pending = numberPending();
    if (std::exchange(snEdited, false))
        options->triggerSNChange();
    // An instrument without a serial number gets nothing but one.
    if (!pending) {
        options->triggerNameChange();
        options->triggerDevChange();
        options->triggerChChange();
        options->triggerFeatChange();
    }
    accept();
}

void devConfUI::on_applyChBtn_clicked()
{
    ui->applyChBtn->setFocus();
    if (!image() || numberPending())
        return;
    zor->options->triggerDevChange();
    zor->options->triggerChChange();
    zor->options->triggerNameChange();
}

void devConfUI::on_applyFeatBtn_clicked()
{
    ui->applyFeatBtn->setFocus();
    if (!image() || numberPending())
        return;
    zor->options->triggerDevChange();
    zor->options->triggerFeatChange();
}

void devConfUI::on_pushButton_7_clicked()
{
    if (!record())
        return;
    // A number typed but not applied gives way to the one read.
    dropTypedNumber();
    list->getAllDataFromZor(index);
}

void devConfUI::read(quint8 address)
{
    if (record() && zor->devIndex >= 0)
        port->sendDevQuery(zor->devIndex, address, quint16(O::readLength(address)), true, zorQueryMode(qmNormal));
}

void devConfUI::on_loadChBtn_clicked()
{
    dropTypedNumber();
    for (quint8 address : {O::rdDev, O::rdCh, O::rdIdent})
        read(address);
}

void devConfUI::on_loadFeatBtn_clicked()
{
    read(O::rdFeat);
}

void devConfUI::on_loadRefBtn_clicked()
{
    read(O::rdRef);
    if (image() && zor->options->isExtended())
        read(O::rdRefdU);
}

void devConfUI::setProgress(int devIndex, int progress, int maxProgress, quint8)
{
    if (!record() || devIndex != zor->devIndex)
        return;
    if (progress == 0 && maxProgress == 0) {
        ui->pgBar->hide();
        return;
    }
    ui->pgBar->show();
    ui->pgBar->setRange(0, maxProgress);
    // -1: the exchange waits for its start; an empty bar.
    if (progress < 0)
        ui->pgBar->reset();
    else
        ui->pgBar->setValue(progress);
}

// ---- Files ------------------------------------------------------------------------------------

QString devConfUI::proposedFileName() const
{
    QString name = zor->options->devName + "_N" + zor->options->getDevNumberStr() + ".zor70";
    // The instrument's name is no path.
    name.replace('/', '_').replace('\\', '_');
    return name;
}

QString devConfUI::chooseFile(bool save)
{
    if (zor->text.isEmpty())
        zor->text = proposedFileName();
    const QString path = fileDialog->choose(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen,
                                            save ? tr("Сохранение настроек в файл") : tr("Загрузка настроек из файла"),
                                            QStringLiteral("zor70 (*.zor70);; All (*.*)"), QStringLiteral("zor70"),
                                            zor->text);
    // The instrument may go while the file dialog is open.
    if (path.isEmpty() || !record())
        return QString();
    zor->text = path;
    return path;
}

void devConfUI::on_pushButton_3_clicked()
{
    if (!record())
        return;
    const QString path = chooseFile(false);
    // A connected instrument keeps its own type whatever the file's.
    if (!path.isEmpty() && !zor->options->loadFromFile(path, zor->devIndex >= 0))
        QMessageBox::warning(this, tr("Ошибка чтения файла настроек"),
                             tr("Не удалось прочитать настройки из файла!\nВозможно файл повреждён, не доступен "
                                "для чтения или имеет не верный тип."));
}

void devConfUI::on_pushButton_4_clicked()
{
    if (!record())
        return;
    const QString path = chooseFile(true);
    if (!path.isEmpty() && !zorSettingsFile::save(*zor->options, path))
        QMessageBox::warning(this, tr("Ошибка записи настроек в файл"),
                             tr("Не удалось записать настройки в файл!\nВозможно файл занят другим приложением "
                                "или не доступен для записи."));
}

// ---- Database -------------------------------------------------------------------------------

void devConfUI::on_rmDevBtn_clicked()
{
    if (!record())
        return;
    const auto answer = QMessageBox::warning(this, windowTitle(), tr("Вы уверены?"),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes || !record())
        return;
    // The database's triggers take the snapshots and properties with the device.
    if (zor->dbIndex >= 0 && sql && sql->rmDev(zor->dbIndex)) {
        zor->dbIndex = -1;
        zor->snapShotId = 0;
    }
    onDevChange(index);
}
