#include "app/findZor.h"
#include "ui_findZor.h"

#include "app/zorAppLog.h"
#include "link/ZORSerialPort.h"
#include "model/optionsZOR70.h"
#include "registry/zorList.h"

#include <QHeaderView>
#include <QMessageBox>

namespace {
// The private registry index of a waiting instrument's row; -1 for a connected one.
constexpr int indexRole = Qt::UserRole;
}

findZor::findZor(ZORSerialPort *port, zorList *list, zorSql *sql, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::findZor)
    , port(port)
    , list(list)
    , scan(new zorPortScan(port, this))
    , waiting(new zorList(port, sql, false, this))
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->newDevTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->progressBar->hide();
    connect(scan, &zorPortScan::found, this, &findZor::instrumentFound);
    connect(scan, &zorPortScan::progress, this, &findZor::stepProgress);
    connect(scan, &zorPortScan::finished, this, &findZor::allQueryCopmlite);
}

findZor::~findZor()
{
    delete scan;
    delete ui;
}

void findZor::find(bool autoConnect, quint32 number)
{
    this->autoConnect = autoConnect;
    this->number = number;
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

void findZor::runScan()
{
    releaseAll();
    wantedFound = false;
    ui->newDevTable->setRowCount(0);
    ui->newDevTable->clearSelection();
    const int probes = scan->start(true);
    qCInfo(lcApp) << "discovery: probing" << probes << "ports";
    if (probes == 0) {
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
    ui->progressBar->show();
}

void findZor::stepProgress(int ended, int started)
{
    ui->progressBar->setRange(0, started);
    ui->progressBar->setValue(ended);
}

void findZor::instrumentFound(int devIndex, const optionsZOR70 *identity,
                              const QVector<zorList::_reading> &streamed)
{
    const QString portName = port->getPortName(devIndex);
    if (number != 0 && identity->devNumber != number) {
        const int privateIndex = waiting->newZor(devIndex, false);
        zorList::_zor *zor = waiting->getZorByIndex(privateIndex);
        if (!zor)
            return;
        scan->keep(devIndex);
        zor->options->devType = identity->devType;
        zor->options->devNumber = identity->devNumber;
        zor->options->devName = identity->devName;
        addRow(portName, *identity, privateIndex);
        return;
    }
    // The registry connects it, or gives a lost instrument its old record back.
    if (list->adopt(devIndex, *identity, true, streamed) < 0)
        return;
    scan->keep(devIndex);
    addRow(portName, *identity, -1);
    if (number != 0) {
        wantedFound = true;
        close();
    }
}

void findZor::addRow(const QString &portName, const optionsZOR70 &identity, int privateIndex)
{
    QTableWidget *table = ui->newDevTable;
    table->insertRow(0);
    const QStringList texts = {portName, identity.devName, identity.getDevNumberStr()};
    for (int column = 0; column < texts.size(); ++column) {
        QTableWidgetItem *item = new QTableWidgetItem(texts.at(column));
        item->setTextAlignment(Qt::AlignCenter);
        item->setData(indexRole, privateIndex);
        table->setItem(0, column, item);
    }
}

// Hands a waiting instrument's port to the program's registry; false (and the port
// released) when its link went meanwhile or the registry refuses it.
bool findZor::connectWaiting(int privateIndex)
{
    zorList::_zor *zor = waiting->detachByIndex(privateIndex);
    if (!zor)
        return false;
    const int devIndex = zor->devIndex;
    const bool open = port->getDevIndexList().contains(devIndex) && port->getPortName(devIndex) == zor->portName;
    const bool taken = open && list->adopt(devIndex, *zor->options, true) >= 0;
    if (open && !taken)
        port->rmDev(devIndex);
    delete zor;
    return taken;
}

void findZor::allQueryCopmlite()
{
    ui->scanBtn->setEnabled(true);
    ui->progressBar->hide();
    // The instruments this scan found that are not connected: those waiting in the list.
    const int found = waiting->count();
    ui->statusLabel->setText(tr("Найдено новых приборов: ") + QString::number(found));
    ui->newDevTable->setEnabled(found > 0);
    ui->connectBtn->setEnabled(found > 0);
    if (autoConnect && (number == 0 || wantedFound))
        on_connectBtn_clicked();
}

void findZor::on_scanBtn_clicked()
{
    runScan();
}

void findZor::on_connectBtn_clicked()
{
    QTableWidget *table = ui->newDevTable;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, 0);
        const int privateIndex = item ? item->data(indexRole).toInt() : -1;
        if (!item || !item->isSelected() || privateIndex < 0)
            continue;
        const QString numberText = table->item(row, 2)->text();
        if (connectWaiting(privateIndex))
            continue;
        qCWarning(lcApp).noquote() << "discovery: instrument №" << numberText << "could not be connected";
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
    releaseAll();
    QDialog::hideEvent(event);
}

// Ports of unanswered probes and of instruments left waiting go back to the system.
void findZor::releaseAll()
{
    scan->cancel();
    for (int index : waiting->getIndexList())
        waiting->rmByIndex(index);
}
