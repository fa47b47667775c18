#include "config/zorRefTab.h"
#include "ui_devConfUI.h"

#include "model/optionsZOR70.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include <vector>

namespace {
using R = zorRefInput;

// Pages of tabWidget_2, in the form's order.
constexpr int chU0Page = 0;
constexpr int chI0Page = 1;
constexpr int d10kPage = 2;
constexpr int dUPlusPage = 3;
constexpr int dUMinusPage = 4;

constexpr int rowHeight = 24;

// What marks a text the instrument has not been sent.
const QColor unsentColour(255, 224, 178);

// As high as its rows, with room for a horizontal scroll bar where the columns may not
// fit: the tables are small, and the tab stacks them.
void fitHeight(QTableWidget *t, bool scrolls)
{
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setHorizontalScrollBarPolicy(scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int bar = scrolls ? t->horizontalScrollBar()->sizeHint().height() : 0;
    t->setFixedHeight(t->horizontalHeader()->sizeHint().height() + t->rowCount() * rowHeight + bar
                      + 2 * t->frameWidth());
}
} // namespace

zorRefTab::zorRefTab(Ui::devConfUI *ui)
    : ui(ui)
{
    const QStringList rows{tr("Код"), tr("мВ"), tr("Значение")};
    for (int g : {R::gNelin0, R::gNelin1, R::gRefdUC, R::gRefdUD}) {
        QTableWidget *t = table(g);
        t->setRowCount(rows.size());
        t->setColumnCount(g < R::gRefdUC ? optionsZOR70::nelinPoints : optionsZOR70::refdUPoints);
        t->setVerticalHeaderLabels(rows);
    }
    for (int g : {R::gRef, R::gTk, R::gRefdUC, R::gRefdUD})
        table(g)->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int g : {R::gNelin0, R::gNelin1})
        table(g)->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The one-row tables sit at the top of their pages.
    for (QBoxLayout *page : {ui->chU0Layout, ui->chI0Layout, ui->dUPlusLayout})
        page->addStretch();
    for (QTableWidget *t : tables()) {
        t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        t->verticalHeader()->setDefaultSectionSize(rowHeight);
        t->setSelectionMode(QAbstractItemView::SingleSelection);
        fitHeight(t, t == ui->rKTable1 || t == ui->rKTable2);
    }
}

QTableWidget *zorRefTab::table(int group) const
{
    switch (group) {
    case R::gRef: return ui->refTable;
    case R::gCorrA: return ui->chU0Table;
    case R::gCorrB: return ui->chI0Table;
    case R::gTk: return ui->tkTable;
    case R::gNelin0: return ui->rKTable1;
    case R::gNelin1: return ui->rKTable2;
    case R::gRefdUC: return ui->dUTablePlus;
    case R::gRefdUD: return ui->dUTableMinus;
    default: return nullptr;
    }
}

QList<QTableWidget *> zorRefTab::tables() const
{
    QList<QTableWidget *> all;
    for (int g = 0; g < R::groupCount; ++g) {
        if (QTableWidget *t = table(g))
            all << t;
    }
    return all;
}

void zorRefTab::fill(const optionsZOR70 &options)
{
    std::vector<QSignalBlocker> quiet;
    quiet.reserve(16);
    for (QWidget *w : std::initializer_list<QWidget *>{ui->d10kEdit, ui->d005maEdit, ui->rKShift0Edit,
                                                       ui->rKShift1Edit, ui->dU1200LE})
        quiet.emplace_back(w);
    for (QTableWidget *t : tables())
        quiet.emplace_back(t);

    ui->dU1200LE->setText(QStringLiteral("0"));
    for (int g = 0; g < R::groupCount; ++g) {
        const R::_table texts = R::texts(options, R::_group(g));
        if (QTableWidget *t = table(g)) {
            fillTable(t, texts, R::_group(g));
            continue;
        }
        for (int coef : {R::coefD10k, R::coefK005ma}) {
            coefFields()[coef]->setText(texts[0][coef]);
            coefFields()[coef]->setStyleSheet(QString());
            coefFields()[coef]->setToolTip(QString());
        }
    }
    ui->rKShift0Edit->setText(R::shiftText(options, 0));
    ui->rKShift1Edit->setText(R::shiftText(options, 1));

    // Eight channels fit the width; more get columns of a fixed width to scroll.
    const bool stretch = options.getChCount() <= stretchedChannels;
    for (QTableWidget *t : {ui->chU0Table, ui->chI0Table}) {
        fitHeight(t, !stretch);
        QHeaderView *header = t->horizontalHeader();
        header->setSectionResizeMode(stretch ? QHeaderView::Stretch : QHeaderView::Fixed);
        if (!stretch) {
            for (int c = 0; c < t->columnCount(); ++c)
                header->resizeSection(c, channelColumnWidth);
        }
    }
}

// Items are reused: a refresh may run while the view still holds the item just edited.
void zorRefTab::fillTable(QTableWidget *t, const R::_table &texts, R::_group group)
{
    t->setRowCount(texts.size());
    t->setColumnCount(texts.value(0).size());
    for (int r = 0; r < texts.size(); ++r) {
        for (int c = 0; c < texts[r].size(); ++c) {
            QTableWidgetItem *item = t->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                if (R::isComputed(group, r)) {
                    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                    item->setForeground(t->palette().brush(QPalette::Disabled, QPalette::Text));
                }
                t->setItem(r, c, item);
            }
            item->setText(texts[r][c]);
            item->setData(Qt::BackgroundRole, QVariant());
            item->setToolTip(QString());
        }
    }
}

QList<QLineEdit *> zorRefTab::coefFields() const
{
    return {ui->d10kEdit, ui->d005maEdit};
}

void zorRefTab::showUnsent(const R::_tab &typed)
{
    const QString unsent = tr("Не передано в прибор");
    for (int g = 0; g < R::groupCount && g < typed.size(); ++g) {
        QTableWidget *t = table(g);
        for (int r = 0; r < typed[g].size(); ++r) {
            for (int c = 0; c < typed[g][r].size(); ++c) {
                const QString &text = typed[g][r][c];
                if (!t) {
                    QLineEdit *field = coefFields().value(c);
                    if (field && field->text() != text) {
                        const QSignalBlocker quiet(field);
                        field->setText(text);
                        field->setStyleSheet(QStringLiteral("background: %1;").arg(unsentColour.name()));
                        field->setToolTip(unsent);
                    }
                    continue;
                }
                QTableWidgetItem *item = t->item(r, c);
                if (!item || item->text() == text)
                    continue;
                const QSignalBlocker quiet(t);
                item->setText(text);
                item->setBackground(unsentColour);
                item->setToolTip(unsent);
            }
        }
    }
}

R::_tab zorRefTab::texts() const
{
    R::_tab tab(R::groupCount);
    for (int g = 0; g < R::groupCount; ++g) {
        const QTableWidget *t = table(g);
        if (!t) {
            tab[g] = {{ui->d10kEdit->text(), ui->d005maEdit->text()}};
            continue;
        }
        for (int r = 0; r < t->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < t->columnCount(); ++c)
                row << (t->item(r, c) ? t->item(r, c)->text() : QString());
            tab[g] << row;
        }
    }
    return tab;
}

QString zorRefTab::title(int group) const
{
    switch (group) {
    case R::gRef: return ui->tabWidget->tabText(ui->tabWidget->indexOf(ui->refTab));
    case R::gCorrA: return ui->tabWidget_2->tabText(chU0Page);
    case R::gCorrB: return ui->tabWidget_2->tabText(chI0Page);
    case R::gTk: return ui->tkTable->verticalHeaderItem(0)->text();
    case R::gNelin0: return tr("Нелинейность, таблица 1");
    case R::gNelin1: return tr("Нелинейность, таблица 2");
    case R::gRefdUC: return ui->tabWidget_2->tabText(dUPlusPage);
    case R::gRefdUD: return ui->tabWidget_2->tabText(dUMinusPage);
    default: return ui->tabWidget_2->tabText(d10kPage);
    }
}

QString zorRefTab::showCell(const R::_cell &cell)
{
    ui->tabWidget->setCurrentWidget(ui->refTab);
    static const int pages[R::groupCount] = {-1, chU0Page, chI0Page, -1, -1, -1, d10kPage, dUPlusPage, dUMinusPage};
    const int page = cell.group >= 0 && cell.group < R::groupCount ? pages[cell.group] : -1;
    if (page >= 0 && ui->tabWidget_2->isTabVisible(page))
        ui->tabWidget_2->setCurrentIndex(page);

    QString name = title(cell.group);
    QTableWidget *t = table(cell.group);
    if (!t) {
        QLineEdit *edit = coefFields().value(cell.column, ui->d10kEdit);
        edit->setFocus();
        edit->selectAll();
        return name + ": " + (cell.column == R::coefK005ma ? ui->label_13 : ui->label_12)->text();
    }
    if (cell.row < 0 || cell.column < 0)
        return name;
    t->setCurrentCell(cell.row, cell.column);
    t->scrollToItem(t->item(cell.row, cell.column));
    t->setFocus();
    const bool perChannel = cell.group == R::gCorrA || cell.group == R::gCorrB;
    name += ": " + (perChannel ? tr("канал %1").arg(cell.column + 1)
                               : t->model()->headerData(cell.column, Qt::Horizontal).toString());
    if (t->rowCount() > 1)
        name += ", " + t->model()->headerData(cell.row, Qt::Vertical).toString();
    return name;
}
