#include "config/confMenu.h"

#include "link/ZORSerialPort.h"
#include "registry/zorList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QWidgetAction>

confMenu::confMenu(zorList *list, ZORSerialPort *port, QWidget *parent)
    : QMenu(parent)
    , list(list)
    , port(port)
{
    titleAction = addSection(QString());
    auto *fieldsWidget = new QWidget(this);
    auto *form = new QFormLayout(fieldsWidget);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    portEdit = new QLineEdit;
    numEdit = new QLineEdit;
    for (QLineEdit *edit : {portEdit, numEdit})
        edit->setReadOnly(true);
    portEdit->setObjectName(QStringLiteral("devPortEdit"));
    numEdit->setObjectName(QStringLiteral("devNumEdit"));
    form->addRow(tr("Порт"), portEdit);
    form->addRow(tr("Номер прибора"), numEdit);
    auto *fieldsAction = new QWidgetAction(this);
    fieldsAction->setDefaultWidget(fieldsWidget);
    addAction(fieldsAction);
    form->addRow(tr("Режим измерений"), addField(zorDevFields::measMode, "devMeasModeCB"));
    form->addRow(tr("Кол-во отображаемых каналов"), addField(zorDevFields::chShow, "devDisplayModeCB"));
    form->addRow(tr("Время измерений"), addField(zorDevFields::measTime, "devMeasTimeCB"));
    form->addRow(tr("Цифровой фильтр"), addField(zorDevFields::filter, "devFilterCB"));
    form->addRow(tr("Количество каналов"), addField(zorDevFields::chCount, "devChCountCB"));
    form->addRow(tr("Динамик"), addField(zorDevFields::speaker, "devSoundCB"));
    addSeparator();

    connect(addCommand(tr("Применить настройки"), "applyAction", "upload"), &QAction::triggered, this, [this] {
        if (zorList::_zor *zor = this->list->getZorByIndex(index))
            zor->options->triggerDevChange();
    });
    connect(addCommand(tr("Все настройки"), "setupAction", "settings"), &QAction::triggered, this,
            [this] { emit neadShowSetup(index); });
    connect(addCommand(tr("Считать настройки из прибора"), "readAction", "download"), &QAction::triggered, this,
            [this] { this->list->getAllDataFromZor(index); });
    addSeparator();
    startAction = addCommand(tr("Старт/стоп"), "startAction", "start_stop");
    startAction->setCheckable(true);
    connect(startAction, &QAction::triggered, this,
            [this](bool checked) { this->list->setProccesed(index, checked, false); });
    connect(addCommand(tr("Отключить/подключить прибор"), "connectAction", "connect"), &QAction::triggered, this,
            &confMenu::connectOrDisconnect);
    connect(addCommand(tr("Удалить прибор"), "removeAction", "dev_rm"), &QAction::triggered, this,
            [this] { this->list->rmByIndex(index); });
    addSeparator();
    addCommand(tr("Закрыть"), "closeAction", QString());

    connect(list, &zorList::onDevChange, this, &confMenu::onDevChange);
    connect(list, &zorList::onIdentChange, this, &confMenu::onNameChange);
}

QComboBox *confMenu::addField(zorDevFields::_field field, const char *name)
{
    auto *box = new QComboBox;
    box->setObjectName(QLatin1String(name));
    zorDevFields::fill(box, field);
    fields[field] = box;
    connect(box, qOverload<int>(&QComboBox::activated), this, [this, field, box](int row) {
        if (zorList::_zor *zor = list->getZorByIndex(index))
            zorDevFields::store(zor->options, field, box->itemData(row).toInt());
    });
    return box;
}

QAction *confMenu::addCommand(const QString &text, const char *name, const QString &icon)
{
    QAction *action = addAction(text);
    action->setObjectName(QLatin1String(name));
    if (!icon.isEmpty())
        action->setIcon(QIcon(":/resource/images/" + icon + ".png"));
    return action;
}

void confMenu::show(int index, const QPoint &at)
{
    if (!list->isZor(index))
        return;
    this->index = index;
    refresh();
    popup(at);
}

void confMenu::onDevChange(int index)
{
    if (index == this->index)
        refresh();
}

void confMenu::onSNChange(int index)
{
    onDevChange(index);
}

void confMenu::onNameChange(int index)
{
    onDevChange(index);
}

void confMenu::refresh()
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (!zor)
        return;
    const optionsZOR70 &options = *zor->options;
    const QString title = options.devName + " (№ " + options.getDevNumberStr() + ")";
    setTitle(title);
    titleAction->setText(title);
    portEdit->setText(zor->devIndex >= 0 ? port->getPortName(zor->devIndex) : zor->portName);
    numEdit->setText(options.getDevNumberStr());
    for (int field = 0; field <= zorDevFields::speaker; ++field)
        zorDevFields::show(fields[field], options, zorDevFields::_field(field));
    zorDevFields::enableDisplayCounts(fields[zorDevFields::chShow], options);
    startAction->setChecked(zor->proccesed);
}

void confMenu::connectOrDisconnect()
{
    zorList::_zor *zor = list->getZorByIndex(index);
    if (!zor)
        return;
    if (zor->devIndex >= 0) {
        list->disConnByIndex(index);
        return;
    }
    // The port is opened again and the record's settings read anew from it.
    list->connectPort(zor->portName, index);
}
