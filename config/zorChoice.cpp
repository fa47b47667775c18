#include "config/zorChoice.h"

#include "model/optionsZOR70.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QMenu>
#include <QSignalBlocker>
#include <QStandardItemModel>

zorChoice::_list zorChoice::compensList(const QString &off)
{
    _list list{{0, off}};
    const QStringList types = optionsZOR70::_getDefTypeTC();
    for (int n = 0; n < types.size(); ++n)
        list.append({n + 1, types.at(n)});
    return list;
}

void zorChoice::fill(QMenu *menu, const _list &list)
{
    QActionGroup *group = exclusive(menu);
    for (const auto &entry : list) {
        QAction *action = menu->addAction(entry.second);
        action->setData(entry.first);
        action->setCheckable(true);
        group->addAction(action);
    }
}

QActionGroup *zorChoice::exclusive(QObject *parent)
{
    // Shown as radio buttons; none is checked while a menu serves every channel at once.
    auto *group = new QActionGroup(parent);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    return group;
}

void zorChoice::fill(QComboBox *box, const _list &list)
{
    for (const auto &entry : list)
        box->addItem(entry.second, entry.first);
}

void zorChoice::check(QMenu *menu, int value)
{
    for (QAction *action : menu->actions()) {
        if (action->isCheckable())
            action->setChecked(action->data().isValid() && action->data().toInt() == value);
    }
}

int zorChoice::select(QComboBox *box, int value)
{
    const QSignalBlocker blocker(box);
    const int row = box->findData(value);
    box->setCurrentIndex(row);
    return row;
}

void zorChoice::enable(QComboBox *box, int row, bool enabled)
{
    // A combo box keeps its entries in a QStandardItemModel unless it is given another.
    auto *model = qobject_cast<QStandardItemModel *>(box->model());
    if (model && model->item(row))
        model->item(row)->setEnabled(enabled);
}
