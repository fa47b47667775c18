#include "app/zorEmptyHint.h"

#include "registry/zorList.h"

#include <QEvent>
#include <QLabel>
#include <QTableWidget>

namespace {

const int margin = 12;

} // namespace

zorEmptyHint::zorEmptyHint(QTableWidget *table, const zorList *list)
    : QObject(table)
    , table(table)
    , list(list)
    , label(new QLabel(table->viewport()))
{
    label->setObjectName("emptyHint");
    label->setText(tr("Прибор не подключён.\n\n"
                      "Подключите прибор к компьютеру и нажмите «Поиск приборов».\n\n"
                      "Чтобы попробовать программу без прибора: «Подключить → Демо-прибор»."));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setStyleSheet("color: #215767; font-size: 11pt;");
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    table->viewport()->installEventFilter(this);
    connect(list, &zorList::onAddZor, this, &zorEmptyHint::update);
    connect(list, &zorList::onRmZor, this, &zorEmptyHint::update);
    update();
}

bool zorEmptyHint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        place();
    return QObject::eventFilter(watched, event);
}

void zorEmptyHint::update()
{
    label->setVisible(list->getIndexList().isEmpty());
    place();
}

// Below the table's header row, across the rest of the table.
void zorEmptyHint::place()
{
    const int top = table->rowCount() > 0 ? table->rowHeight(0) : 0;
    const QRect area = table->viewport()->rect().adjusted(margin, top + margin, -margin, -margin);
    label->setGeometry(area);
}
