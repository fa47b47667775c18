#include "app/findZor.h"
#include "ui_findZor.h"

#include "db/zorSql.h"
#include "link/ZORSerialPort.h"
#include "registry/zorList.h"
#include "registry/zorPortScan.h"

#include <QHeaderView>
#include <QMessageBox>

#include <utility>

namespace {
// The private registry index of a table row's instrument.
constexpr int indexRole = Qt::UserRole;
}

findZor::findZor(ZORSerialPort *port, zorList *list, zorSql *sql, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::findZor)
    , port(port)
    , list(list)
    , sql(sql)
    , found(new zorList(port, sql, false, this))
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->newDevTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->progressBar->hide();
}

findZor::~findZor()
{
    listenToPort(false);
    for (int devIndex : std::exchange(probing, {}))
        port->rmDev(devIndex);
    delete ui;
}

void findZor::find(bool autoConnect, quint32 number)
{
    this->autoConnect = autoConnect;
    this->number = number;
    listenToPort(true);
    runScan();
    show();
    raise();
}

void findZor::find(bool autoConnect)
{
    find(autoConnect, 0);
}

void findZor::find()
{
    find(false, 0);
}

void findZor::listenToPort(bool on)
{
    using P = ZORSerialPort;
    if (!on) {
        disconnect(port, nullptr, this, nullptr);
        return;
    }
    connect(port, qOverload<int, QByteArray *, quint8>(&P::readyDevReply), this, &findZor::queryDataReady,
            Qt::UniqueConnection);
    connect(port, &P::onDevQueryError, this, &findZor::queryError, Qt::UniqueConnection);
    connect(port, qOverload<int, quint16>(&P::onDevError), this, &findZor::devError, Qt::UniqueConnection);
}

void findZor::runScan()
{
    releaseAll();
    wantedFound = false;
    ui->newDevTable->setRowCount(0);
    ui->newDevTable->clearSelection();

    const QList<int> opened = zorPortScan::openProbes(port, probe);
    probing = QSet<int>(opened.cbegin(), opened.cend());
    if (probing.isEmpty()) {
        ui->statusLabel->setText(tr("Нет доступных портов"));
        ui->newDevTable->setRowCount(1);
        ui->newDevTable->setEnabled(false);
        ui->connectBtn->setEnabled(false);
        ui->scanBtn->setEnabled(true);
        ui->progressBar->hide();
        return;
    }
    ui->newDevTable->setEnabled(false);
    ui->connectBtn->setEnabled(false);
    ui->scanBtn->setEnabled(false);
    ui->statusLabel->setText(tr("Поиск приборов..."));
    // Busy until the first probe ends; from then on the bar counts the probes.
    ui->progressBar->setRange(0, 0);
    ui->progressBar->setValue(0);
    ui->progressBar->setProperty("max", probing.size());
    ui->progressBar->show();
}

void findZor::stepProgress()
{
    const int max = ui->progressBar->property("max").toInt();
    const int value = qMax(0, ui->progressBar->value()) + 1;
    ui->progressBar->setRange(0, max);
    ui->progressBar->setValue(value);
    if (value >= max)
        allQueryCopmlite();
}

void findZor::queryDataReady(int devIndex, QByteArray *buf, quint8 address)
{
    // Replies to the registry's own reads of connected instruments are no probes.
    if (address != optionsZOR70::rdIdent || !probing.remove(devIndex))
        return;
    identityArrived(devIndex, buf);
    stepProgress();
}

void findZor::identityArrived(int devIndex, QByteArray *buf)
{
    const int privateIndex = found->newZor(devIndex, false);
    zorList::_zor *zor = found->getZorByIndex(privateIndex);
    if (!zor) {
        port->rmDev(devIndex);
        return;
    }
    const optionsZOR70 *options = zor->options;
    const bool decoded = buf && zor->options->setData(buf, optionsZOR70::rdIdent);
    const bool known = list->getLiveZor(options->devType, options->devNumber);
    if (!decoded || !optionsZOR70::isValidType(options->devType) || !options->isIdentified()
        || (known && number == 0)) {
        found->rmByIndex(privateIndex);
        return;
    }
    addRow(privateIndex);
    if (number != 0 && options->devNumber != number)
        return;
    if (!connectFound(privateIndex))
        return;
    if (number != 0) {
        wantedFound = true;
        close();
    }
}

void findZor::addRow(int privateIndex)
{
    const zorList::_zor *zor = found->getZorByIndex(privateIndex);
    QTableWidget *table = ui->newDevTable;
    table->insertRow(0);
    const QStringList texts = {zor->portName, zor->options->devName, zor->options->getDevNumberStr()};
    for (int column = 0; column < texts.size(); ++column) {
        QTableWidgetItem *item = new QTableWidgetItem(texts.at(column));
        item->setTextAlignment(Qt::AlignCenter);
        item->setData(indexRole, privateIndex);
        table->setItem(0, column, item);
    }
}

// Passes the instrument from the dialog's registry to the program's; false (and
// the port released) when the program's registry refuses it.
bool findZor::connectFound(int privateIndex)
{
    zorList::_zor *zor = found->detachByIndex(privateIndex);
    if (!zor)
        return false;
    if (!list->addZor(zor)) {
        port->rmDev(zor->devIndex);
        delete zor;
        return false;
    }
    if (zor->dbIndex <= 0 && sql)
        zor->dbIndex = qMax(0, sql->addDev(zor->options->devType, zor->options->devNumber, zor->options->devName));
    return true;
}

void findZor::queryError(int devIndex, quint16, zorSerialPortQueryItem query)
{
    if (zorPortScan::endsProbe(query))
        releaseProbe(devIndex);
}

void findZor::devError(int devIndex, quint16 code)
{
    if (zorPortScan::endsProbe(code))
        releaseProbe(devIndex);
}

void findZor::releaseProbe(int devIndex)
{
    if (!probing.remove(devIndex))
        return;
    // The scan ends with its last probe; the port is released after.
    stepProgress();
    port->rmDev(devIndex);
}

int findZor::foundCount() const
{
    return found->count();
}

void findZor::allQueryCopmlite()
{
    ui->scanBtn->setEnabled(true);
    ui->progressBar->hide();
    // Every new instrument this scan found, connected at once or waiting in the list.
    ui->statusLabel->setText(tr("Найдено новых приборов: ") + QString::number(ui->newDevTable->rowCount()));
    const bool waiting = foundCount() > 0;
    ui->newDevTable->setEnabled(waiting);
    ui->connectBtn->setEnabled(waiting);
    if (autoConnect && (number == 0 || wantedFound))
        on_connectBtn_clicked();
}

void findZor::on_scanBtn_clicked()
{
    listenToPort(true);
    runScan();
}

void findZor::on_connectBtn_clicked()
{
    listenToPort(false);
    QTableWidget *table = ui->newDevTable;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, 0);
        if (!item || !item->isSelected())
            continue;
        const int privateIndex = item->data(indexRole).toInt();
        const zorList::_zor *zor = found->getZorByIndex(privateIndex);
        if (!zor)
            continue;
        const QString numberText = zor->options->getDevNumberStr();
        if (!connectFound(privateIndex))
            QMessageBox::warning(this, tr("Ошибка инциализации прибора"),
                                 tr("Невозможно добавить прибор ") + numberText
                                     + tr("\nВозможно такой прибор уже проинициализирован программой?"));
    }
    close();
}

void findZor::on_cancelBtn_clicked()
{
    close();
}

void findZor::hideEvent(QHideEvent *event)
{
    listenToPort(false);
    releaseAll();
    QDialog::hideEvent(event);
}

// Ports of unanswered probes and of instruments that were found but not connected
// go back to the system.
void findZor::releaseAll()
{
    for (int devIndex : std::exchange(probing, {}))
        port->rmDev(devIndex);
    for (int index : found->getIndexList())
        found->rmByIndex(index);
}
