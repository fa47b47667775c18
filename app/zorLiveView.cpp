#include "app/zorLiveView.h"

#include "app/QLabelClick.h"
#include "plot/QwtZOR.h"
#include "plot/zorReplotThrottle.h"
#include "registry/zorList.h"
#include "results/zorRecorder.h"
#include "stability/zorStabilityBoard.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTableWidget>

#include <cmath>

namespace {

const QColor mainRowColor(173, 216, 230);
const QColor shownColor("#215767");
const QString mainMarker = QStringLiteral("<");
// The name cell of a device whose recording file does not take its rows.
const QColor recordingFailColor(255, 182, 182);

QWidget *headerLabel(const QString &text)
{
    QLabel *label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet("font-weight: bold; background-color: #eef2f3;");
    return label;
}

// The colour mark of a channel: filled and framed in white while it is shown.
QIcon colourMark(const QColor &color, bool shown)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    if (shown) {
        QPainter painter(&pixmap);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(color);
        painter.drawRect(1, 1, 14, 14);
    }
    return QIcon(pixmap);
}

// A cell that opens its row's settings menu shows so.
void markMenuCell(QTableWidgetItem *item, const QString &tip)
{
    item->setIcon(QIcon(":/resource/images/settings.png"));
    item->setToolTip(tip);
}

} // namespace

zorLiveView::zorLiveView(const widgets &ui, zorList *list, QwtZOR *plot, const zorRecorder *recorder, QObject *parent)
    : QObject(parent)
    , ui(ui)
    , list(list)
    , plot(plot)
    , recorder(recorder)
    , throttle(new zorReplotThrottle(this, refreshMs))
    , recordIcon(":/resource/images/record.svg")
{
    connect(throttle, &zorReplotThrottle::due, this, &zorLiveView::refreshDirty);
    setupTables();
}

void zorLiveView::setupTables()
{
    QTableWidget *dev = ui.devTable;
    dev->setColumnCount(dcCount);
    dev->setRowCount(1);
    setHeader(dev, {QString(), tr("Имя"), tr("Номер"), tr("Результат"), tr("Разм."), tr("Кн."), tr("Т.стат."),
                    tr("Стаб."), QString()});
    QTableWidget *ch = ui.chTable;
    ch->setColumnCount(ccCount);
    ch->setRowCount(1);
    setHeader(ch, {QString(), tr("Результат"), tr("Разм."), tr("ΔX"), tr("ΔY"), tr("ΔКанал"), tr("Стаб."), QString()});
    QLabelClick *picture = new QLabelClick;
    picture->setPixmap(QPixmap(":/resource/images/line_graph.png").scaled(20, 20));
    picture->setAlignment(Qt::AlignCenter);
    picture->setCursor(Qt::PointingHandCursor);
    picture->setToolTip(tr("Показать основной канал на графике"));
    connect(picture, &QLabelClick::clicked, this, &zorLiveView::chHeaderClicked);
    ch->setCellWidget(0, ccNumber, picture);

    const QVector<int> devWidths = {30, -1, 50, -1, 40, 30, 50, 45, 50};
    const QVector<int> chWidths = {45, -1, 45, 55, 55, 60, 55, 40};
    for (auto [table, widths] : {std::pair{dev, devWidths}, std::pair{ch, chWidths}}) {
        table->setMouseTracking(true);
        for (int column = 0; column < widths.size(); ++column) {
            if (widths.at(column) < 0) {
                table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Stretch);
            } else {
                table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Fixed);
                table->setColumnWidth(column, widths.at(column));
            }
        }
    }
    for (QLabel *value : {ui.measValue, ui.averValue}) {
        value->setText("--");
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setCursor(Qt::PointingHandCursor);
        QFont font = value->font();
        font.setPointSize(30);
        font.setBold(true);
        value->setFont(font);
    }
    for (QLabel *unit : {ui.measUnit, ui.averUnit}) {
        unit->setFixedWidth(70);
        QFont font = unit->font();
        font.setPointSize(16);
        unit->setFont(font);
    }
    ui.measValue->setToolTip(tr("Текущее значение основного канала; щелчок показывает или скрывает значения на графике"));
    ui.averValue->setToolTip(tr("Скользящее среднее основного канала; щелчок показывает или скрывает его на графике"));
}

void zorLiveView::setHeader(QTableWidget *table, const QStringList &texts)
{
    for (int column = 0; column < texts.size(); ++column)
        table->setCellWidget(0, column, headerLabel(texts.at(column)));
}

int zorLiveView::rowOf(int index) const
{
    const int position = list->getIndexList().indexOf(index);
    return position < 0 ? -1 : position + 1;
}

int zorLiveView::indexOfRow(int row) const
{
    return row < 1 ? -1 : list->getIndexList().value(row - 1, -1);
}

int zorLiveView::mainQwt() const
{
    return list->getQWTIndex(m_mainDev);
}

QTableWidgetItem *zorLiveView::cell(QTableWidget *table, int row, int column)
{
    QTableWidgetItem *item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, column, item);
    }
    return item;
}

void zorLiveView::setCellText(QTableWidget *table, int row, int column, const QString &text, const QColor &color)
{
    QTableWidgetItem *item = cell(table, row, column);
    if (item->text() != text)
        item->setText(text);
    if (item->foreground().color() != color)
        item->setForeground(color);
}

// ---- Rebuilding ------------------------------------------------------------------------

void zorLiveView::rebuild()
{
    ui.devTable->clearSpans();
    ui.chTable->clearSpans();
    resizeDevTable();
    const QList<int> indices = list->getIndexList();
    for (int row = 1; row <= indices.size(); ++row)
        fillDevRow(row, indices.at(row - 1));
    fillChRows();
    fillDisplays();
    showChErrors();
    dirtyDevs.clear();
    dirtyChs.clear();
    dirtyRecordings.clear();
    displaysDirty = false;
}

void zorLiveView::resizeDevTable()
{
    QTableWidget *table = ui.devTable;
    const int rows = list->count() + 1;
    for (int row = table->rowCount() - 1; row >= rows; --row) {
        removeProgress(row);
        table->removeRow(row);
    }
    for (int row = table->rowCount(); row < rows; ++row) {
        table->insertRow(row);
        for (int column = dcName; column < dcCount; ++column)
            cell(table, row, column);
        markMenuCell(cell(table, row, dcMarker), tr("Настройки прибора"));
        QWidget *holder = new QWidget;
        QHBoxLayout *layout = new QHBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setAlignment(Qt::AlignCenter);
        QCheckBox *box = new QCheckBox;
        box->setToolTip(tr("Показывать график прибора"));
        layout->addWidget(box);
        table->setCellWidget(row, dcShow, holder);
        connect(box, &QCheckBox::clicked, this, [this, box](bool checked) {
            const int qwtIndex = list->getQWTIndex(box->property("zorIndex").toInt());
            if (qwtIndex >= 0)
                plot->setDevShow(checked, qwtIndex);
            plot->replot();
        });
    }
}

void zorLiveView::fillDevRow(int row, int index)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    QTableWidget *table = ui.devTable;
    const QColor text = zor->devIndex >= 0 ? QColor(Qt::black) : QColor(Qt::lightGray);
    const bool isMain = index == m_mainDev;
    setCellText(table, row, dcName, zor->options->devName, text);
    setCellText(table, row, dcNumber, zor->options->getDevNumberStr(), text);
    fillDevValue(row, index);
    fillDevStatus(row, index);
    if (!qobject_cast<QProgressBar *>(table->cellWidget(row, dcMarker)))
        setCellText(table, row, dcMarker, isMain ? mainMarker : QString(), text);
    for (int column = dcName; column < dcCount; ++column)
        cell(table, row, column)->setBackground(isMain ? QBrush(mainRowColor) : QBrush());
    fillDevRecording(row, index);
    if (QCheckBox *box = table->cellWidget(row, dcShow)->findChild<QCheckBox *>()) {
        box->setProperty("zorIndex", index);
        box->setChecked(zor->qwtIndex >= 0 && plot->getChShow(zor->qwtIndex, 255));
    }
}

// A recording device has the record mark before its name; while its file does not take
// the rows the name cell turns red, and its tool tip says why and what waits.
void zorLiveView::fillDevRecording(int row, int index)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    QTableWidgetItem *name = cell(ui.devTable, row, dcName);
    const QString problem = recorder->problemText(index);
    QString tip = zor->options->devName;
    if (zor->recEnabled)
        tip += "\n" + tr("Запись в файл %1").arg(QDir::toNativeSeparators(zor->recFile));
    if (!problem.isEmpty())
        tip += "\n" + problem;
    name->setToolTip(tip);
    name->setIcon(zor->recEnabled ? recordIcon : QIcon());
    const QColor normal = index == m_mainDev ? mainRowColor : QColor();
    name->setBackground(recorder->isFailing(index) ? QBrush(recordingFailColor)
                        : normal.isValid()         ? QBrush(normal)
                                                   : QBrush());
}

void zorLiveView::fillDevValue(int row, int index)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    const int qwtIndex = zor->qwtIndex;
    const int ch = plot->getChMain(qwtIndex);
    const QColor text = zor->devIndex >= 0 ? QColor(Qt::black) : QColor(Qt::lightGray);
    const bool alarm = ch >= 0 && alarms.contains(key(qwtIndex, quint8(ch)));
    QTableWidget *table = ui.devTable;
    if (table->columnSpan(row, dcValue) > 1)
        return; // a channel error is shown there
    setCellText(table, row, dcValue, ch < 0 ? QStringLiteral("--") : plot->getChMeasStr(qwtIndex, quint8(ch)),
                alarm ? QColor(Qt::red) : text);
    setCellText(table, row, dcUnit, ch < 0 ? QString() : plot->getChDim(qwtIndex, quint8(ch)), text);
    setCellText(table, row, dcChannel, ch < 0 ? QString() : QString::number(ch + 1), text);
    fillDevStability(row, qwtIndex);
}

void zorLiveView::fillChRows()
{
    QTableWidget *table = ui.chTable;
    const int qwtIndex = mainQwt();
    const int count = qwtIndex < 0 ? 0 : plot->getChCount(qwtIndex);
    if (table->rowCount() != count + 1)
        table->setRowCount(count + 1);
    for (int ch = 0; ch < count; ++ch) {
        fillChRow(qwtIndex, quint8(ch));
        drawChMark(quint8(ch));
        markMenuCell(cell(table, ch + 1, ccSettings), tr("Настройки канала"));
    }
    const int main = plot->getChMain(qwtIndex);
    for (int row = 1; row < table->rowCount(); ++row)
        for (int column = 0; column < ccCount; ++column)
            cell(table, row, column)->setBackground(row == main + 1 ? QBrush(mainRowColor) : QBrush());
}

void zorLiveView::fillChRow(int qwtIndex, quint8 ch)
{
    QTableWidget *table = ui.chTable;
    const int row = ch + 1;
    if (row >= table->rowCount() || table->columnSpan(row, ccValue) > 1)
        return;
    const QColor text(Qt::black);
    setCellText(table, row, ccNumber, QString::number(ch + 1), text);
    setCellText(table, row, ccValue, plot->getChMeasStr(qwtIndex, ch),
                alarms.contains(key(qwtIndex, ch)) ? QColor(Qt::red) : text);
    setCellText(table, row, ccUnit, plot->getChDim(qwtIndex, ch), text);
    setCellText(table, row, ccDX, plot->getChDXStr(qwtIndex, ch), text);
    setCellText(table, row, ccDY, plot->getChDYStr(qwtIndex, ch), text);
    uchar partnerCh = 255;
    int partnerDev = -1;
    plot->getChDiff(&partnerCh, &partnerDev, qwtIndex, ch);
    QTableWidgetItem *diff = cell(table, row, ccDiff);
    if (partnerDev < 0) {
        diff->setText("-");
        diff->setToolTip(tr("Измерение разности выключено"));
    } else {
        const zorList::_zor *partner = list->getZorByQwtIndex(partnerDev);
        diff->setText(QString::number(partnerCh + 1));
        diff->setToolTip(tr("Разность с ") + (partner ? partner->options->devName : QString()) + ", "
                         + tr("канал №") + QString::number(partnerCh + 1));
    }
    fillChStability(qwtIndex, ch);
}

// A stable channel shows a mark; one that is not shows its drift over the window with
// an arrow of its direction (grey while the window is not full yet).
void zorLiveView::fillChStability(int qwtIndex, quint8 ch)
{
    if (!stability)
        return;
    const zorStabilityBoard::state s = stability->channel(qwtIndex, ch);
    QString text, tip;
    QColor color(Qt::black);
    if (s.fit.n > 0) {
        // Two digits tell how far a channel is from stable, in a narrow column.
        text = s.stable ? QStringLiteral("✓")
                        : (s.drift >= 0 ? QStringLiteral("↑") : QStringLiteral("↓"))
                + QString::number(std::fabs(s.drift), 'g', 2);
        color = s.stable ? QColor("#2e8b57") : s.full ? QColor("#b35900") : QColor(Qt::gray);
        tip = tr("σ = %1 %4\nдрейф = %2 %4 за %5\nn = %3\nокно %5%6")
                  .arg(QString::number(s.fit.sigma, 'g', 3), QString::number(s.drift, 'g', 3))
                  .arg(s.fit.n)
                  .arg(s.unit, zorStabilityCriteria::windowText(s.window),
                       s.full ? QString() : tr(" (ещё не заполнено)"));
    }
    setCellText(ui.chTable, ch + 1, ccStab, text, color);
    cell(ui.chTable, ch + 1, ccStab)->setToolTip(tip);
}

void zorLiveView::fillDevStability(int row, int qwtIndex)
{
    if (!stability)
        return;
    const bool stable = stability->isDevStable(qwtIndex);
    setCellText(ui.devTable, row, dcStab, stable ? QStringLiteral("✓") : QString(), QColor("#2e8b57"));
    cell(ui.devTable, row, dcStab)->setToolTip(stable ? tr("Все каналы стабильны") : tr("Не все каналы стабильны"));
}

void zorLiveView::drawChMark(quint8 ch)
{
    const int qwtIndex = mainQwt();
    if (qwtIndex < 0 || ch + 1 >= ui.chTable->rowCount())
        return;
    cell(ui.chTable, ch + 1, ccNumber)->setIcon(colourMark(plot->getChColor(qwtIndex, ch), plot->getChShow(qwtIndex, ch)));
}

void zorLiveView::fillDisplays()
{
    const int qwtIndex = mainQwt();
    const bool any = qwtIndex >= 0 && plot->getChCount(qwtIndex) > 0;
    ui.measValue->setText(any ? plot->getChMeasStr(qwtIndex, 255) : QStringLiteral("--"));
    ui.averValue->setText(any ? plot->getChAverStr(qwtIndex, 255) : QStringLiteral("--"));
    const QString unit = any ? plot->getChDim(qwtIndex, 255) : QString();
    ui.measUnit->setText(unit);
    ui.averUnit->setText(unit);
    const zorList::_zor *zor = list->getZorByIndex(m_mainDev);
    QString title = zor ? zor->options->devName + " (№ " + zor->options->getDevNumberStr() + "), " + tr("канал ")
            + QString::number(plot->getChMain(qwtIndex) + 1)
                        : QStringLiteral("-");
    const int ch = any ? plot->getChMain(qwtIndex) : -1;
    if (stability && ch >= 0 && stability->channel(qwtIndex, ch).fit.n > 2) {
        const zorStabilityBoard::state s = stability->channel(qwtIndex, ch);
        title += tr("; σ %1, дрейф %2 %3/%4%5")
                     .arg(QString::number(s.fit.sigma, 'g', 2), QString::number(s.drift, 'g', 2), s.unit,
                          zorStabilityCriteria::windowText(s.window), s.stable ? tr(", стабильно") : QString());
    }
    ui.lcdGroupBox->setTitle(title);
}

void zorLiveView::plotChanged()
{
    const int qwtIndex = mainQwt();
    const QString shown = QStringLiteral("color: #215767;"), hidden = QStringLiteral("color: gray;");
    ui.measValue->setStyleSheet(qwtIndex >= 0 && !plot->getMeasShow(qwtIndex) ? hidden : shown);
    ui.averValue->setStyleSheet(qwtIndex >= 0 && !plot->getAverShow(qwtIndex) ? hidden : shown);
    for (int ch = 0; ch + 1 < ui.chTable->rowCount(); ++ch)
        drawChMark(quint8(ch));
    displaysDirty = true;
    throttle->request();
}

// ---- Readings -------------------------------------------------------------------------

void zorLiveView::pointAdded(int qwtIndex, quint8 ch)
{
    const int k = key(qwtIndex, ch);
    alarms.remove(k);
    if (chErrors.remove(k) > 0 && list->getZorByQwtIndex(qwtIndex)
        && list->getZorByQwtIndex(qwtIndex)->index == m_mainDev) {
        rebuild(); // the error spans go
        return;
    }
    markDirty(qwtIndex, ch);
}

void zorLiveView::limitExceeded(int qwtIndex, quint8 ch)
{
    alarms.insert(key(qwtIndex, ch));
    markDirty(qwtIndex, ch);
}

void zorLiveView::markDirty(int qwtIndex, quint8 ch)
{
    const zorList::_zor *zor = list->getZorByQwtIndex(qwtIndex);
    if (!zor)
        return;
    const bool isMainCh = plot->getChMain(qwtIndex) == ch;
    if (isMainCh)
        dirtyDevs.insert(zor->index);
    if (zor->index == m_mainDev) {
        if (ch + 1 >= ui.chTable->rowCount()) {
            rebuild(); // a channel the table does not have yet
            return;
        }
        dirtyChs.insert(ch);
        displaysDirty = displaysDirty || isMainCh;
    }
    throttle->request();
}

void zorLiveView::recordingChanged(int index)
{
    dirtyRecordings.insert(index);
    throttle->request();
}

void zorLiveView::refreshDirty()
{
    for (int index : qAsConst(dirtyRecordings)) {
        const int row = rowOf(index);
        if (row > 0)
            fillDevRecording(row, index);
    }
    dirtyRecordings.clear();
    for (int index : qAsConst(dirtyDevs)) {
        const int row = rowOf(index);
        if (row > 0)
            fillDevValue(row, index);
    }
    dirtyDevs.clear();
    const int qwtIndex = mainQwt();
    if (qwtIndex >= 0) {
        for (int ch : qAsConst(dirtyChs))
            fillChRow(qwtIndex, quint8(ch));
    }
    dirtyChs.clear();
    if (displaysDirty)
        fillDisplays();
    displaysDirty = false;
}

// ---- Exchanges, errors and status -------------------------------------------------------

void zorLiveView::progress(int devIndex, int progress, int maxProgress, quint8 address, bool idle)
{
    // The final report of a read carries no step of its own; after the last read of
    // a sequence it ends the bar, which would otherwise stay busy for good.
    if (address == 255 && !idle)
        return;
    const int row = rowOf(list->getIndexByDev(devIndex));
    if (row < 0)
        return;
    QTableWidget *table = ui.devTable;
    if (progress == 0 && maxProgress == 0) {
        removeProgress(row);
        restoreMarker(row, indexOfRow(row));
        return;
    }
    QProgressBar *bar = qobject_cast<QProgressBar *>(table->cellWidget(row, dcMarker));
    if (!bar) {
        bar = new QProgressBar;
        bar->setFixedWidth(50);
        bar->setTextVisible(false);
        setCellText(table, row, dcMarker, QString(), Qt::black);
        table->setCellWidget(row, dcMarker, bar);
    }
    if (progress < 0) {
        bar->setRange(0, 0);
    } else {
        bar->setRange(0, maxProgress);
        bar->setValue(progress);
    }
}

void zorLiveView::removeProgress(int row)
{
    if (qobject_cast<QProgressBar *>(ui.devTable->cellWidget(row, dcMarker)))
        ui.devTable->removeCellWidget(row, dcMarker);
}

void zorLiveView::restoreMarker(int row, int index)
{
    QTableWidgetItem *item = cell(ui.devTable, row, dcMarker);
    item->setText(index == m_mainDev ? mainMarker : QString());
    item->setBackground(index == m_mainDev ? QBrush(mainRowColor) : QBrush());
}

void zorLiveView::devError(int index)
{
    const int row = rowOf(index);
    if (row < 0)
        return;
    removeProgress(row);
    restoreMarker(row, index);
    fillDevRow(row, index);
}

void zorLiveView::chError(int index, quint8 ch, quint8 code, const QString &msg)
{
    const int qwtIndex = list->getQWTIndex(index);
    if (qwtIndex < 0)
        return;
    chErrors.insert(key(qwtIndex, ch), tr("Ошибка №") + QString::number(code) + " " + msg);
    if (index != m_mainDev)
        return;
    if (ch >= plot->getChCount(qwtIndex)) {
        plot->setChCount(quint8(ch + 1), qwtIndex);
        plot->setChMain(255, qwtIndex); // new channels come shown; only the main one is drawn
        rebuild();
        return;
    }
    showChErrors();
}

// Errors of the main device's channels span their rows until the channel reads again.
void zorLiveView::showChErrors()
{
    const int qwtIndex = mainQwt();
    const int row = rowOf(m_mainDev);
    for (auto it = chErrors.cbegin(); it != chErrors.cend(); ++it) {
        if (it.key() / 256 != qwtIndex)
            continue;
        const int ch = it.key() % 256;
        if (ch + 1 < ui.chTable->rowCount()) {
            ui.chTable->setSpan(ch + 1, ccValue, 1, ccDiff - ccValue + 1);
            QTableWidgetItem *item = cell(ui.chTable, ch + 1, ccValue);
            item->setText(it.value());
            item->setToolTip(it.value());
            item->setBackground(Qt::yellow);
        }
        if (row > 0 && ch == plot->getChMain(qwtIndex)) {
            ui.devTable->setSpan(row, dcValue, 1, 2);
            QTableWidgetItem *item = cell(ui.devTable, row, dcValue);
            item->setText(it.value());
            item->setToolTip(it.value());
            item->setBackground(Qt::yellow);
        }
    }
}

void zorLiveView::status(int index)
{
    const int row = rowOf(index);
    if (row >= 0)
        fillDevStatus(row, index);
}

// The thermostat state in its colour while the device is connected: green when it holds.
void zorLiveView::fillDevStatus(int row, int index)
{
    const QString name = list->getTStatName(index);
    const QColor state = name == QLatin1String(">T<") ? QColor("#2e8b57") : QColor("#b35900");
    setCellText(ui.devTable, row, dcStatus, name,
                list->getZorByIndex(index)->devIndex >= 0 ? state : QColor(Qt::lightGray));
}
