#include "points/zorPointsWindow.h"
#include "ui_zorPointsWindow.h"

#include "plot/zorPointStore.h"
#include "points/zorPointsCsv.h"
#include "points/zorPointsLog.h"
#include "registry/zorList.h"
#include "registry/zorProbeReport.h"
#include "results/zorResultLayout.h"
#include "results/zorSeparatorBoxes.h"
#include "results/zorWriteAll.h"
#include "stability/zorCalPointBook.h"
#include "stability/zorStabilityBoard.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QSaveFile>
#include <QSignalBlocker>

#include <algorithm>

namespace {
enum column { colName, colSet, colComment, colMean, colSigma, colDrift, colN, colDeviation, colUnit, colInterval };
constexpr int decimals = 6;
const int qwtRole = Qt::UserRole;
const int chRole = Qt::UserRole + 1;
const int idRole = Qt::UserRole + 2;
} // namespace

zorPointsWindow::zorPointsWindow(zorCalPointBook *book, zorStabilityBoard *board, zorList *list,
                                 const zorPointStore *store, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::zorPointsWindow)
    , book(book)
    , board(board)
    , list(list)
    , store(store)
{
    ui->setupUi(this);
    zorSeparatorBoxes::fillField(ui->fieldSepBox);
    zorSeparatorBoxes::fillPoint(ui->pointSepBox);
    // Tables of points go to spreadsheets of Russian locale first.
    ui->pointSepBox->setCurrentIndex(zorSeparatorBoxes::pointComma);
    ui->pointTree->header()->setStretchLastSection(true);
    ui->splitter->setSizes({320, 780});
    connect(book, &zorCalPointBook::changed, this, &zorPointsWindow::fillTree);
    connect(board, &zorStabilityBoard::stableChanged, this, &zorPointsWindow::stableChanged);
    connect(list, &zorList::onAddZor, this, &zorPointsWindow::refreshChannels);
    connect(list, &zorList::onRmZor, this, &zorPointsWindow::refreshChannels);
    connect(list, &zorList::onIdentChange, this, &zorPointsWindow::refreshChannels);
    fillTree();
}

zorPointsWindow::~zorPointsWindow()
{
    delete ui;
}

void zorPointsWindow::showEvent(QShowEvent *event)
{
    refreshChannels();
    QWidget::showEvent(event);
}

void zorPointsWindow::setAlerts(bool sound, bool note)
{
    ui->soundBox->setChecked(sound);
    ui->noteBox->setChecked(note);
}

QString zorPointsWindow::channelName(int qwtIndex, int ch) const
{
    const zorList::_zor *zor = list->getZorByQwtIndex(qwtIndex);
    if (!zor)
        return QString();
    return tr("%1 № %2, канал %3").arg(zor->options->devName, zor->options->getDevNumberStr()).arg(ch + 1);
}

// Every channel that has read, in the list (ticked when new) and as a reference.
void zorPointsWindow::refreshChannels()
{
    QHash<QPair<int, int>, bool> ticked;
    for (int row = 0; row < ui->channelList->count(); ++row) {
        const QListWidgetItem *item = ui->channelList->item(row);
        ticked.insert({item->data(qwtRole).toInt(), item->data(chRole).toInt()}, item->checkState() == Qt::Checked);
    }
    const QSignalBlocker blockRef(ui->referenceBox), blockDev(ui->deviceBox);
    const int deviceShown = ui->deviceBox->currentData().toInt();
    ui->channelList->clear();
    ui->referenceBox->clear();
    ui->deviceBox->clear();
    ui->referenceBox->addItem(tr("нет"), QVariantList{0, -1});
    const zorCalPoint::reference ref = book->reference();
    for (int index : list->getIndexList()) {
        const zorList::_zor *zor = list->getZorByIndex(index);
        if (zor->qwtIndex < 0)
            continue;
        ui->deviceBox->addItem(zor->options->devName + " № " + zor->options->getDevNumberStr(), zor->qwtIndex);
        for (int ch = 0; ch < board->channelCount(zor->qwtIndex); ++ch) {
            const zorStabilityBoard::state s = board->channel(zor->qwtIndex, ch);
            if (s.fit.n == 0)
                continue;
            const QString name = channelName(zor->qwtIndex, ch) + " (" + s.unit + ")";
            QListWidgetItem *item = new QListWidgetItem((s.stable ? QStringLiteral("✓ ") : QStringLiteral("   ")) + name);
            item->setData(qwtRole, zor->qwtIndex);
            item->setData(chRole, ch);
            item->setCheckState(ticked.value({zor->qwtIndex, ch}, true) ? Qt::Checked : Qt::Unchecked);
            ui->channelList->addItem(item);
            ui->referenceBox->addItem(name, QVariantList{zor->dbIndex, ch});
            if (zor->dbIndex == ref.deviceId && ch == ref.ch)
                ui->referenceBox->setCurrentIndex(ui->referenceBox->count() - 1);
        }
    }
    if (ref.isSet() && ui->referenceBox->currentIndex() == 0) {
        // A reference that is not connected now still counts for the stored points.
        ui->referenceBox->addItem(zorPointsCsv::referenceText(book->points(), ref), QVariantList{ref.deviceId, ref.ch});
        ui->referenceBox->setCurrentIndex(ui->referenceBox->count() - 1);
    }
    ui->deviceBox->setCurrentIndex(std::max(0, ui->deviceBox->findData(deviceShown)));
    showCriteria();
}

QVector<QPair<int, int>> zorPointsWindow::chosen() const
{
    QVector<QPair<int, int>> channels;
    for (int row = 0; row < ui->channelList->count(); ++row) {
        const QListWidgetItem *item = ui->channelList->item(row);
        if (item->checkState() == Qt::Checked)
            channels.append({item->data(qwtRole).toInt(), item->data(chRole).toInt()});
    }
    return channels;
}

int zorPointsWindow::fixPoint()
{
    zorCalPoint point;
    point.fixedAt = QDateTime::currentDateTime();
    for (const auto &[qwtIndex, ch] : chosen()) {
        const zorList::_zor *zor = list->getZorByQwtIndex(qwtIndex);
        const zorStabilityBoard::state s = board->channel(qwtIndex, ch);
        if (!zor || s.fit.n == 0)
            continue;
        const QDateTime start = store->getStartDateTime(qwtIndex);
        zorCalPoint::channel c;
        c.deviceId = zor->dbIndex;
        c.devName = zor->options->devName;
        c.devNumber = zor->options->getDevNumberStr();
        c.ch = ch;
        c.unit = s.unit;
        c.mean = s.fit.mean;
        c.sigma = s.fit.sigma;
        c.drift = s.drift;
        c.window = s.window;
        c.n = s.fit.n;
        c.from = start.addMSecs(qint64(s.fit.from * 1000.0));
        c.to = start.addMSecs(qint64(s.fit.to * 1000.0));
        point.channels.append(c);
    }
    if (point.channels.isEmpty())
        return 0;
    qCInfo(lcPoints) << "point fixed with" << point.channels.size() << "channels";
    return book->fix(point);
}

// Automatic points: one as every chosen channel has become stable, the next only after
// one of them has stopped being stable.
void zorPointsWindow::stableChanged()
{
    if (isVisible())
        refreshChannels();
    const QVector<QPair<int, int>> channels = chosen();
    bool all = !channels.isEmpty();
    for (const auto &[qwtIndex, ch] : channels)
        all = all && board->channel(qwtIndex, ch).stable;
    if (!all) {
        autoArmed = true;
        return;
    }
    if (ui->autoFixBox->isChecked() && autoArmed) {
        autoArmed = false;
        fixPoint();
    }
}

void zorPointsWindow::fillTree()
{
    const QSignalBlocker blocker(ui->pointTree);
    ui->pointTree->clear();
    const zorCalPoint::reference ref = book->reference();
    const auto n = [](double value) { return QString::number(value, 'f', decimals); };
    for (int k = 0; k < book->points().size(); ++k) {
        const zorCalPoint &p = book->points().at(k);
        QTreeWidgetItem *top = new QTreeWidgetItem(ui->pointTree);
        top->setText(colName, tr("№ %1  %2").arg(k + 1).arg(p.fixedAt.toString("dd.MM.yyyy hh:mm:ss")));
        top->setText(colSet, p.setPoint);
        top->setText(colComment, p.comment);
        top->setData(colName, idRole, p.id);
        top->setFlags(top->flags() | Qt::ItemIsEditable);
        for (int i = 0; i < p.channels.size(); ++i) {
            const zorCalPoint::channel &c = p.channels.at(i);
            QTreeWidgetItem *item = new QTreeWidgetItem(top);
            item->setText(colName, tr("%1 № %2, канал %3").arg(c.devName, c.devNumber).arg(c.ch + 1));
            item->setText(colMean, n(c.mean));
            item->setText(colSigma, n(c.sigma));
            item->setText(colDrift, n(c.drift));
            item->setText(colN, QString::number(c.n));
            double deviation = 0.0;
            item->setText(colDeviation, p.deviation(i, ref, &deviation) ? n(deviation) : QStringLiteral("—"));
            item->setText(colUnit, c.unit);
            item->setText(colInterval, c.from.toString("hh:mm:ss") + " – " + c.to.toString("hh:mm:ss"));
            for (int col = colMean; col <= colDeviation; ++col)
                item->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
        }
        top->setExpanded(true);
    }
    for (int col = 0; col < ui->pointTree->columnCount(); ++col)
        ui->pointTree->resizeColumnToContents(col);
}

void zorPointsWindow::on_pointTree_itemChanged(QTreeWidgetItem *item, int column)
{
    if (item->parent() || (column != colSet && column != colComment))
        return;
    if (!book->annotate(item->data(colName, idRole).toInt(), item->text(colSet), item->text(colComment)))
        QMessageBox::warning(this, windowTitle(), tr("Не удалось сохранить описание точки в базе данных."));
}

void zorPointsWindow::on_fixBtn_clicked()
{
    if (fixPoint() == 0)
        QMessageBox::information(this, windowTitle(), tr("Ни один выбранный канал ещё не получил измерений."));
}

void zorPointsWindow::on_deleteBtn_clicked()
{
    QTreeWidgetItem *item = ui->pointTree->currentItem();
    while (item && item->parent())
        item = item->parent();
    if (item)
        book->remove(item->data(colName, idRole).toInt());
}

void zorPointsWindow::on_referenceBox_activated(int index)
{
    const QVariantList ref = ui->referenceBox->itemData(index).toList();
    book->setReference({ref.value(0).toInt(), ref.value(1, -1).toInt()});
}

// ---- Criteria ---------------------------------------------------------------------------

void zorPointsWindow::on_deviceBox_currentIndexChanged(int)
{
    showCriteria();
}

void zorPointsWindow::on_unitBox_currentIndexChanged(int)
{
    const int qwtIndex = ui->deviceBox->currentData().toInt();
    const zorStabilityCriteria::limits l = board->criteria(qwtIndex).forUnit(ui->unitBox->currentText());
    ui->sigmaSpin->setValue(l.sigma);
    ui->driftSpin->setValue(l.drift);
}

// The units of the shown device's channels, and the criteria of the first.
void zorPointsWindow::showCriteria()
{
    const int qwtIndex = ui->deviceBox->currentData().toInt();
    const QString unit = ui->unitBox->currentText();
    QStringList units;
    for (int ch = 0; ch < board->channelCount(qwtIndex); ++ch) {
        const QString u = board->channel(qwtIndex, ch).unit;
        if (!u.isEmpty() && !units.contains(u))
            units << u;
    }
    {
        const QSignalBlocker blocker(ui->unitBox);
        ui->unitBox->clear();
        ui->unitBox->addItems(units);
        ui->unitBox->setCurrentIndex(std::max(0, units.indexOf(unit)));
    }
    ui->windowSpin->setValue(qRound(board->criteria(qwtIndex).window() / 60.0));
    on_unitBox_currentIndexChanged(ui->unitBox->currentIndex());
}

void zorPointsWindow::storeCriteria()
{
    if (ui->deviceBox->currentIndex() < 0)
        return;
    const int qwtIndex = ui->deviceBox->currentData().toInt();
    zorStabilityCriteria criteria = board->criteria(qwtIndex);
    criteria.setWindow(ui->windowSpin->value() * 60.0);
    if (!ui->unitBox->currentText().isEmpty())
        criteria.setForUnit(ui->unitBox->currentText(), {ui->sigmaSpin->value(), ui->driftSpin->value()});
    board->setCriteria(qwtIndex, criteria);
    emit criteriaEdited(qwtIndex);
}

void zorPointsWindow::on_sigmaSpin_editingFinished()
{
    storeCriteria();
}

void zorPointsWindow::on_driftSpin_editingFinished()
{
    storeCriteria();
}

void zorPointsWindow::on_windowSpin_editingFinished()
{
    storeCriteria();
}

void zorPointsWindow::on_soundBox_clicked()
{
    emit alertsChanged(ui->soundBox->isChecked(), ui->noteBox->isChecked());
}

void zorPointsWindow::on_noteBox_clicked()
{
    emit alertsChanged(ui->soundBox->isChecked(), ui->noteBox->isChecked());
}

// ---- Export -----------------------------------------------------------------------------

QVector<zorPointsReport::instrument> zorPointsWindow::instruments() const
{
    QVector<zorPointsReport::instrument> result;
    QSet<QPair<int, int>> seen;
    for (const zorCalPoint &p : book->points()) {
        for (const zorCalPoint::channel &c : p.channels) {
            if (seen.contains({c.deviceId, c.ch}))
                continue;
            seen.insert({c.deviceId, c.ch});
            auto in = std::find_if(result.begin(), result.end(),
                                   [&c](const zorPointsReport::instrument &i) { return i.deviceId == c.deviceId; });
            if (in == result.end()) {
                result.append({c.deviceId, c.devName, c.devNumber, {}, {}});
                in = result.end() - 1;
            }
            zorPointsReport::chInfo info{c.ch, QStringLiteral("-"), QStringLiteral("-"), c.unit};
            const zorList::_zor *zor = nullptr;
            for (int index : list->getIndexList())
                if (list->getZorByIndex(index)->dbIndex == c.deviceId && c.deviceId > 0)
                    zor = list->getZorByIndex(index);
            if (zor && c.ch < optionsZOR70::chMax) {
                info.mode = zor->options->getModeName(quint8(c.ch));
                info.sensor = zorProbeReport::sensorName(*zor->options, c.ch);
            }
            in->channels.append(info);
            const zorStabilityCriteria criteria = zor ? board->criteria(zor->qwtIndex) : zorStabilityCriteria();
            const QString line = c.unit + ": " + criteria.text(c.unit);
            if (!in->criteria.contains(line))
                in->criteria.append(line);
        }
    }
    return result;
}

bool zorPointsWindow::writeCsv(const QString &file)
{
    const zorResultLayout layout(ui->fieldSepBox->currentData().toString(), ui->pointSepBox->currentData().toString(),
                                 decimals);
    const QByteArray bytes = zorPointsCsv::write(book->points(), book->reference(), layout);
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) && zorWriteAll::to(&out, bytes.constData(), bytes.size()) && out.commit();
}

bool zorPointsWindow::writePdf(const QString &file)
{
    return zorPointsReport::printPdf(
        zorPointsReport::html(book->points(), book->reference(), instruments(), QDateTime::currentDateTime()), file);
}

void zorPointsWindow::on_csvBtn_clicked()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Точки в CSV"), QString(), tr("Таблица CSV (*.csv)"));
    if (!file.isEmpty() && !writeCsv(file))
        QMessageBox::warning(this, windowTitle(), tr("Не удалось записать файл %1.").arg(file));
}

void zorPointsWindow::on_pdfBtn_clicked()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Отчёт"), QString(), tr("Документ PDF (*.pdf)"));
    if (!file.isEmpty() && !writePdf(file))
        QMessageBox::warning(this, windowTitle(), tr("Не удалось записать отчёт %1.").arg(file));
}
