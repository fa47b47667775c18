#include "config/featconfui.h"

#include "ui_featconfui.h"

#include "config/tpReperUI.h"
#include "config/zorDbNotice.h"
#include "config/zorStoredEntryBox.h"
#include "db/zorSql.h"
#include "model/featureDatFile.h"
#include "model/featureTableLayout.h"
#include "model/featureZOR70.h"
#include "ui/zorFileDialog.h"

#include <QComboBox>
#include <QMessageBox>
#include <QSignalBlocker>

namespace {

// Item roles of a cell filled from the working copy: the coefficient at full precision,
// and the text shown for it. While the text is unchanged the full value is what counts.
constexpr int exactRole = Qt::UserRole;
constexpr int shownRole = Qt::UserRole + 1;

const char featureFilter[] = "DAT (*.dat *.DAT);; All (*.*)";

// Column and row headers of the layout of a type.
struct headers
{
    QStringList columns;
    QStringList rows;
};

headers headersOf(int type)
{
    const QString degrees = QStringLiteral("\u00b0\u0421"); // "°С"
    switch (type) {
    case featureZOR70::ftTSMTSH90:
        return {{"R\u0442\u0442", "M", "a", "b", "c", "d", "W"}, {}}; // "Rтт"
    case featureZOR70::ftTSKVD:
        return {{"R0", "A", "B", "C"}, {}};
    case featureZOR70::ftTSPolynom:
    case featureZOR70::ftTPPolynom:
        return {{}, {"C0..C4", "C5..C9"}};
    case featureZOR70::ftTSTable:
        return {{}, {degrees, featconfui::tr("Ом")}};
    case featureZOR70::ftTPTable:
        return {{}, {degrees, featconfui::tr("мВ")}};
    case featureZOR70::ftIzmPr:
        return {{"Min", "Max", featconfui::tr("Диапазон")}, {}};
    default:
        return {};
    }
}

// The cell of the measuring transducer's current range, a choice from a list.
constexpr int rangeRow = 0;
constexpr int rangeColumn = 2;

} // namespace

featconfui::featconfui(zorSql *sql, QWidget *parent)
    : QDialog(parent),
      ui(new Ui::featconfui),
      sql(sql),
      working(new featureZOR70(this))
{
    ui->setupUi(this);
    dbBox = std::make_unique<zorStoredEntryBox>(ui->dbFindCB, ui->infoText, ui->dbStatusLabel, ui->saveDBBtn,
                                                ui->rmDBBtn);
    // Made after setupUi: their own buttons are named like ours and would otherwise take
    // our auto-connected slots.
    fileDialog = new zorFileDialog(this);
    reper = new tpReperUI(&reperList, this);
    ui->ratioTable->addActions({ui->addColumnAction, ui->addRowAction});
    const QMap<featureZOR70::_featureIndType, QString> types = featureZOR70::getFeatureTypeList();
    {
        const QSignalBlocker block(ui->featType);
        for (auto it = types.cbegin(); it != types.cend(); ++it)
            ui->featType->addItem(it.value(), int(it.key()));
    }
    ui->dbStatusLabel->hide();
    ui->groupBox->setEnabled(sql != nullptr);

    fileDialog->rememberIn(sql, zorPropertyKeys::featureDir);
}

featconfui::~featconfui()
{
    delete ui;
}

int featconfui::show(featureZOR70 *feature, bool applyMode)
{
    if (!feature)
        return Rejected;
    setEdited(feature, applyMode);
    return exec();
}

void featconfui::setEdited(featureZOR70 *feature, bool applyMode)
{
    edited = feature;
    this->applyMode = applyMode;
    working->setData(feature->getData());
    feature_id = 0;
    infoShownFor = -1;
    const QString apply = applyMode ? tr("Применить") : tr("Ввод");
    ui->pushButton->setText(apply);
    ui->pushButton->setToolTip(apply);
    {
        const QSignalBlocker block(ui->searchEdit);
        ui->searchEdit->clear();
    }
    showWorkingCopy();
    findSqlItem();
}

bool featconfui::setFeature(bool final)
{
    const bool ok = working->setFeature(currentType(), ui->featName->text(), ratioTexts());
    if (!ok && final)
        QMessageBox::warning(this, tr("Ошибка ввода ИСХ"), tr("Не верная ИСХ!\nПроверьте введённые значения."));
    return ok;
}

int featconfui::currentType() const
{
    return ui->featType->currentIndex() < 0 ? -1 : ui->featType->currentData().toInt();
}

void featconfui::showWorkingCopy()
{
    {
        const QSignalBlocker block(ui->featType);
        ui->featType->setCurrentIndex(ui->featType->findData(working->getType()));
    }
    ui->featName->setText(working->getName());
    needUpd();
}

void featconfui::workingCopyEdited()
{
    setFeature(false);
    findSqlItem();
}

// ---- Buttons ------------------------------------------------------------------

void featconfui::on_pushButton_2_clicked()
{
    reject();
}

void featconfui::on_pushButton_clicked()
{
    // Focus leaves the name and any open cell editor, which commit what was typed.
    ui->pushButton->setFocus();
    if (!setFeature(true))
        return;
    if (!edited) {
        QMessageBox::warning(this, windowTitle(), tr("Прибор отключён: ИСХ не применена."));
        reject();
        return;
    }
    edited->setData(working->getData());
    if (applyMode)
        edited->triggerApply();
    accept();
}

void featconfui::on_featType_currentIndexChanged(int)
{
    needUpd();
    workingCopyEdited();
}

void featconfui::on_featName_editingFinished()
{
    workingCopyEdited();
}

void featconfui::on_ratioTable_cellChanged(int, int)
{
    workingCopyEdited();
}

// ---- Table --------------------------------------------------------------------

void featconfui::needUpd()
{
    const int type = currentType();
    const featureTableLayout layout(type);
    // The coefficients as the chosen type shows them, whatever the copy's type.
    QByteArray bytes = working->getData();
    bytes[0] = char(qint8(type));
    featureZOR70 shown;
    shown.setData(bytes);

    QTableWidget *table = ui->ratioTable;
    const QSignalBlocker block(table);
    table->setRowCount(0); // drops the items and the range choice with them
    table->setColumnCount(0);
    table->setRowCount(layout.rows());
    table->setColumnCount(layout.columns());
    const headers h = headersOf(type);
    table->setHorizontalHeaderLabels(h.columns);
    table->setVerticalHeaderLabels(h.rows);
    for (int row = 0; row < layout.rows(); ++row) {
        for (int column = 0; column < layout.columns(); ++column) {
            const int n = layout.ratioIndex(row, column, layout.rows(), layout.columns());
            QTableWidgetItem *item = new QTableWidgetItem(shown.getRatioStr(n));
            item->setData(exactRole, QString::number(shown.getRatio(n), 'g', 17));
            item->setData(shownRole, item->text());
            table->setItem(row, column, item);
        }
    }
    if (type == featureZOR70::ftIzmPr) {
        QComboBox *range = new QComboBox;
        range->setObjectName("piRange");
        range->addItems(featureZOR70::getPIRangeList());
        table->setCellWidget(rangeRow, rangeColumn, range);
        updateRange();
        connect(range, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
            if (index >= 0)
                ui->ratioTable->item(rangeRow, rangeColumn)->setText(QString::number(index, 'f', 3));
        });
    }
    ui->reperTPFrame->setEnabled(type == featureZOR70::ftTPTable);
    updateAddActions();
}

// A plain item: a text from outside holds no hidden full-precision value.
void featconfui::setCell(int row, int column, const QString &text)
{
    ui->ratioTable->setItem(row, column, new QTableWidgetItem(text));
}

QStringList featconfui::fileCells() const
{
    const QTableWidget *table = ui->ratioTable;
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column) {
        for (int row = 0; row < table->rowCount(); ++row) {
            const QTableWidgetItem *item = table->item(row, column);
            cells << (item ? item->text().trimmed() : QString());
        }
    }
    return cells;
}

void featconfui::setCells(const QStringList &cells)
{
    QTableWidget *table = ui->ratioTable;
    const int rows = qMax(1, table->rowCount());
    const QSignalBlocker block(table);
    table->setColumnCount(qMax(table->columnCount(), (int(cells.size()) + rows - 1) / rows));
    for (int column = 0; column < table->columnCount(); ++column) {
        for (int row = 0; row < table->rowCount(); ++row)
            setCell(row, column, cells.value(column * rows + row));
    }
    updateRange();
    updateAddActions();
}

QStringList featconfui::ratioTexts() const
{
    const QTableWidget *table = ui->ratioTable;
    const featureTableLayout layout(currentType());
    QStringList texts;
    for (int n = 0; n < table->rowCount() * table->columnCount(); ++n)
        texts << QString();
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            const QTableWidgetItem *item = table->item(row, column);
            if (!item)
                continue;
            const bool unedited = item->data(exactRole).isValid() && item->text() == item->data(shownRole).toString();
            texts[layout.ratioIndex(row, column, table->rowCount(), table->columnCount())] =
                unedited ? item->data(exactRole).toString() : item->text();
        }
    }
    return texts;
}

// The range choice shows the range the cell's number names; none for another number.
void featconfui::updateRange()
{
    QComboBox *range = qobject_cast<QComboBox *>(ui->ratioTable->cellWidget(rangeRow, rangeColumn));
    const QTableWidgetItem *item = ui->ratioTable->item(rangeRow, rangeColumn);
    if (!range || !item)
        return;
    bool ok = false;
    const double value = item->text().toDouble(&ok);
    const int index = ok && value == int(value) && value >= 0 && value < range->count() ? int(value) : -1;
    const QSignalBlocker block(range);
    range->setCurrentIndex(index);
}

// A table never grows beyond the coefficients a record holds, so that whatever it
// shows can be written to a ".dat" file and read back.
void featconfui::updateAddActions()
{
    const int rows = ui->ratioTable->rowCount();
    const int columns = ui->ratioTable->columnCount();
    const bool valid = featureTableLayout(currentType()).isValid();
    ui->addColumnAction->setEnabled(valid && rows * (columns + 1) <= featureZOR70::ratioCount);
    ui->addRowAction->setEnabled(valid && (rows + 1) * columns <= featureZOR70::ratioCount);
}

void featconfui::on_addColumnAction_triggered()
{
    if (!ui->addColumnAction->isEnabled())
        return;
    ui->ratioTable->setColumnCount(ui->ratioTable->columnCount() + 1);
    updateAddActions();
    workingCopyEdited();
}

void featconfui::on_addRowAction_triggered()
{
    if (!ui->addRowAction->isEnabled())
        return;
    ui->ratioTable->setRowCount(ui->ratioTable->rowCount() + 1);
    updateAddActions();
    workingCopyEdited();
}

// ---- Database box -------------------------------------------------------------

void featconfui::findSqlItem()
{
    zorSql::zorSqlItem current;
    zorSql::zorSqlItem match;
    if (sql) {
        if (feature_id > 0)
            current = sql->getFeatureItem(feature_id);
        const QByteArray bytes = working->getData();
        match = sql->findFeatureItem(&bytes);
    }
    if (current.id < 1)
        current = match;
    feature_id = current.id;

    if (infoShownFor != feature_id) {
        const QSignalBlocker blockInfo(ui->infoText);
        ui->infoText->setPlainText(current.info);
        infoShownFor = feature_id;
    }
    // Saving is offered when the working copy differs from the stored bytes.
    if (feature_id < 1)
        dbBox->showNew();
    else
        dbBox->showStored(current, match.id != current.id, false);
}

void featconfui::on_searchEdit_textChanged(const QString &text)
{
    if (!sql)
        return;
    if (text.isEmpty()) {
        findSqlItem();
        return;
    }
    dbBox->search(text, [this, &text](int *total) {
        const QVector<zorSql::zorSqlItem> items = sql->searchFeature(text);
        *total = items.size();
        return items;
    });
}

void featconfui::on_dbFindCB_activated(int index)
{
    loadSqlItem(index);
}

void featconfui::on_dbFindCB_currentIndexChanged(int index)
{
    loadSqlItem(index);
}

void featconfui::loadSqlItem(int index)
{
    const int id = ui->dbFindCB->itemData(index).toInt();
    if (!sql || id < 1)
        return;
    const QByteArray bytes = sql->loadFeature(id);
    if (bytes.isEmpty())
        return;
    // A row that is no characteristic record leaves the working copy as it was.
    if (!working->setData(bytes)) {
        QMessageBox::warning(this, tr("Ошибка чтения ИСХ"), tr("Запись в БД повреждена, ИСХ не загружена."));
        findSqlItem();
        return;
    }
    feature_id = id;
    showWorkingCopy();
    {
        const QSignalBlocker block(ui->searchEdit);
        ui->searchEdit->clear();
    }
    findSqlItem();
}

void featconfui::on_saveDBBtn_clicked()
{
    if (!sql || !setFeature(true))
        return;
    const QByteArray bytes = working->getData();
    infoShownFor = feature_id = sql->setFeature(&bytes, working->getName(), ui->infoText->toPlainText(), feature_id);
    stored(tr("ИСХ не сохранена в базе данных"), feature_id > 0);
}

void featconfui::on_addDBBtn_clicked()
{
    if (!sql || !setFeature(true))
        return;
    const QByteArray bytes = working->getData();
    infoShownFor = feature_id = sql->addFeature(&bytes, working->getName(), ui->infoText->toPlainText());
    stored(tr("ИСХ не сохранена в базе данных"), feature_id > 0);
}

void featconfui::on_rmDBBtn_clicked()
{
    if (!sql || feature_id < 1)
        return;
    if (QMessageBox::warning(this, windowTitle(), tr("Вы уверены?"), QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const bool removed = sql->rmFeature(feature_id);
    feature_id = 0;
    stored(tr("ИСХ не удалена из базы данных"), removed);
}

void featconfui::stored(const QString &failure, bool done)
{
    const zorSql::_error error = sql->lastError();
    findSqlItem();
    if (!done)
        zorDbNotice::of(sql)->tell(this, failure, error);
}

// ---- Files --------------------------------------------------------------------

void featconfui::on_pushButton_3_clicked()
{
    const QString path = fileDialog->choose(QFileDialog::AcceptOpen, tr("Загрузка ИСХ из файла"), featureFilter, QString(),
                                            QString());
    if (path.isEmpty())
        return;
    featureDatFile::_content content;
    if (!featureDatFile::read(path, &content)) {
        QMessageBox::warning(this, tr("Ошибка чтения ИСХ"),
                             tr("Не верная ИСХ в файле!\nВозможно файл повреждён, не доступен для чтения или "
                                "имеет не верный тип."));
        return;
    }
    {
        const QSignalBlocker block(ui->featType);
        ui->featType->setCurrentIndex(ui->featType->findData(content.type));
    }
    needUpd();
    setCells(content.cells);
    ui->featName->setText(content.name);
    workingCopyEdited();
}

void featconfui::on_pushButton_4_clicked()
{
    const QString path = fileDialog->choose(QFileDialog::AcceptSave, tr("Сохранение ИСХ в файл"), featureFilter,
                                            QStringLiteral("dat"), ui->featName->text().trimmed() + ".dat");
    if (path.isEmpty())
        return;
    if (!featureDatFile::write(path, {currentType(), ui->featName->text().trimmed(), fileCells()}))
        QMessageBox::critical(this, QString(),
                              tr("Ошибка записи в файл!\nВозможно файл занят другим приложением или не доступен "
                                 "для записи."));
}

// ---- Fixed-point recalculation ------------------------------------------------

void featconfui::on_reperTPBtn_clicked()
{
    if (reper->exec() != Accepted || currentType() != featureZOR70::ftTPTable)
        return;
    {
        const QSignalBlocker block(ui->ratioTable);
        // The start column is at most 11 and ten points come back: they fit the 20 columns.
        int column = ui->reperTPSpin->value() - 1;
        for (int n = 0; n + 1 < reperList.size(); n += 2, ++column) {
            setCell(0, column, reperList.at(n));
            setCell(1, column, reperList.at(n + 1));
        }
    }
    workingCopyEdited();
}
