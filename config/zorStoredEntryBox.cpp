#include "config/zorStoredEntryBox.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>

zorStoredEntryBox::zorStoredEntryBox(QComboBox *list, QPlainTextEdit *info, QLabel *changedMark,
                                     QAbstractButton *save, QAbstractButton *remove)
    : list(list), info(info), changedMark(changedMark), save(save), remove(remove)
{
}

void zorStoredEntryBox::showNew()
{
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(tr("Новая настройка"), 0);
    list->setCurrentIndex(0);
    // A description belongs to a stored entry.
    info->setEnabled(false);
    info->setPlaceholderText(tr("Настройка НЕ найдена в БД"));
    changedMark->hide();
    save->setEnabled(false);
    remove->setEnabled(false);
}

void zorStoredEntryBox::showStored(const zorSql::zorSqlItem &entry, bool changed, bool fixed)
{
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(entry.title, entry.id);
    list->setCurrentIndex(0);
    info->setEnabled(true);
    info->setPlaceholderText(tr("Настройка найдена в БД"));
    changedMark->setVisible(changed);
    save->setEnabled(changed && !fixed);
    remove->setEnabled(!fixed);
}

void zorStoredEntryBox::search(const QString &text,
                               const std::function<QVector<zorSql::zorSqlItem>(int *total)> &find)
{
    const QSignalBlocker quiet(list);
    list->clear();
    if (text.size() < searchFrom) {
        list->addItem(tr("Введите не менее 3-х символов"));
        return;
    }
    // Shown while the database searches: a search over many entries takes a moment.
    list->addItem(tr("Идёт поиск..."), 0);
    list->repaint();
    int total = 0;
    const QVector<zorSql::zorSqlItem> found = find(&total);
    QString count = tr("Найдено: ") + QString::number(total);
    if (total > found.size())
        count += tr(", показаны последние %1").arg(found.size());
    list->clear();
    list->addItem(count, 0);
    for (const zorSql::zorSqlItem &item : found)
        list->addItem(item.title, item.id);
}
