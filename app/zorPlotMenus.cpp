#include "app/zorPlotMenus.h"

#include "plot/QwtZOR.h"
#include "registry/zorList.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QMenu>

namespace {
// Entries of the difference list carry the partner as qwtIndex * 256 + channel.
constexpr int noPartner = -1;

QMenu *newMenu(const QString &title, QWidget *parent)
{
    QMenu *menu = new QMenu(title, parent);
    menu->setStyleSheet("QMenu::item{width: 270px; }");
    return menu;
}
} // namespace

zorPlotMenus::zorPlotMenus(QwtZOR *plot, zorList *list, QWidget *parent)
    : QObject(parent)
    , plot(plot)
    , list(list)
    , window(parent)
{
    m_settings = newMenu(QString(), parent);
    m_scaleX = listMenu(tr("Масштаб по X"), plot->scaleXLabels(), &QwtZOR::changeScaleX,
                        [](const QwtZOR *p) { return int(p->getChScaleX(-1, 255)); });
    m_scaleY = listMenu(tr("Масштаб по Y"), plot->scaleYLabels(), &QwtZOR::changeScaleY,
                        [](const QwtZOR *p) { return int(p->getChScaleY(-1, 255)); });
    m_mode = listMenu(tr("Режим масштабирования"), {tr("Авто"), tr("Слежение")}, &QwtZOR::changeMode,
                      [](const QwtZOR *p) { return int(p->getChMode(-1, 255)); });
    m_modeX = listMenu(tr("Размерность шкалы по оси X"),
                       {tr("Секунды"), tr("Относительное время"), tr("Абсолютное время")}, &QwtZOR::changeModeX,
                       [](const QwtZOR *p) { return int(p->getChModeX(-1, 255)); });
    m_diff = newMenu(tr("Разность с каналом"), parent);
    connect(m_diff, &QMenu::aboutToShow, this, &zorPlotMenus::fillDiff);

    m_settings->addAction(tr("Цвет графика основного канала"), this, &zorPlotMenus::chooseColour);
    for (QMenu *menu : {m_scaleX, m_scaleY, m_mode, m_modeX, showMenu(), m_diff})
        m_settings->addMenu(menu);
    // From the plot's menu the difference list acts on the main channel.
    connect(m_settings, &QMenu::aboutToShow, this, [this] {
        m_diff->setProperty("ch", 255);
        m_diff->setProperty("index", -1);
    });
}

QMenu *zorPlotMenus::listMenu(const QString &title, const QStringList &entries, void (QwtZOR::*apply)(int),
                              int (*current)(const QwtZOR *))
{
    QMenu *menu = newMenu(title, window);
    QActionGroup *group = new QActionGroup(menu);
    for (int n = 0; n < entries.size(); ++n) {
        QAction *action = menu->addAction(entries.at(n));
        action->setCheckable(true);
        action->setData(n);
        group->addAction(action);
        connect(action, &QAction::triggered, plot, [plot = plot, apply, n] { (plot->*apply)(n); });
    }
    connect(menu, &QMenu::aboutToShow, menu, [plot = plot, menu, current] {
        const int now = current(plot);
        for (QAction *action : menu->actions())
            action->setChecked(action->data().toInt() == now);
    });
    return menu;
}

QMenu *zorPlotMenus::showMenu()
{
    QMenu *menu = newMenu(tr("Показывать на графике"), window);
    QActionGroup *group = new QActionGroup(menu);
    const QList<std::pair<QString, std::pair<bool, bool>>> entries = {
        {tr("Значения и скользящее среднее"), {true, true}},
        {tr("Только значения"), {true, false}},
        {tr("Только скользящее среднее"), {false, true}},
    };
    QList<std::pair<QAction *, std::pair<bool, bool>>> actions;
    for (const auto &entry : entries) {
        QAction *action = menu->addAction(entry.first);
        action->setCheckable(true);
        group->addAction(action);
        const bool meas = entry.second.first, aver = entry.second.second;
        connect(action, &QAction::triggered, plot, [plot = plot, meas, aver] {
            plot->setMeasShow(meas);
            plot->setAverShow(aver);
        });
        actions.append({action, entry.second});
    }
    connect(menu, &QMenu::aboutToShow, menu, [plot = plot, actions] {
        for (const auto &entry : actions)
            entry.first->setChecked(entry.second == std::pair{plot->getMeasShow(), plot->getAverShow()});
    });
    return menu;
}

void zorPlotMenus::chooseColour()
{
    if (plot->getChCount(-1) == 0)
        return;
    const QColor color = QColorDialog::getColor(plot->getChColor(-1, 255), window, tr("Цвет графика основного канала"));
    if (color.isValid())
        plot->setChColor(color, -1, 255);
}

void zorPlotMenus::popupDiff(int qwtIndex, quint8 ch, const QPoint &at)
{
    m_diff->setProperty("ch", ch);
    m_diff->setProperty("index", qwtIndex);
    m_diff->popup(at);
}

void zorPlotMenus::fillDiff()
{
    m_diff->clear();
    const int qwtIndex = m_diff->property("index").toInt();
    const quint8 ch = quint8(m_diff->property("ch").toInt());
    uchar partnerCh = 255;
    int partnerDev = -1;
    plot->getChDiff(&partnerCh, &partnerDev, qwtIndex, ch);
    QActionGroup *group = new QActionGroup(m_diff);
    const auto add = [&](const QString &text, int partner) {
        QAction *action = m_diff->addAction(text);
        action->setCheckable(true);
        action->setChecked(partner == (partnerDev < 0 ? noPartner : partnerDev * 256 + partnerCh));
        group->addAction(action);
        connect(action, &QAction::triggered, plot, [plot = plot, partner, qwtIndex, ch] {
            if (partner == noPartner)
                plot->setChDiff(255, -1, qwtIndex, ch);
            else
                plot->setChDiff(uchar(partner % 256), partner / 256, qwtIndex, ch);
        });
    };
    add(tr("Выкл."), noPartner);
    for (int index : list->getIndexList()) {
        const zorList::_zor *zor = list->getZorByIndex(index);
        if (zor->qwtIndex < 0 || plot->getChCount(zor->qwtIndex) == 0)
            continue;
        m_diff->addSection(zor->options->devName + " (№ " + zor->options->getDevNumberStr() + ")");
        for (int n = 0; n < plot->getChCount(zor->qwtIndex); ++n)
            add(tr("Канал № ") + QString::number(n + 1), zor->qwtIndex * 256 + n);
    }
}
