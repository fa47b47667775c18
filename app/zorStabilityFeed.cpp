#include "app/zorStabilityFeed.h"

#include "app/zorAlertSound.h"
#include "db/zorSql.h"
#include "plot/QwtZOR.h"
#include "plot/zorStableShading.h"
#include "registry/zorList.h"
#include "stability/zorStabilityBoard.h"

#include <QMessageBox>

namespace {
namespace keys = zorPropertyKeys;

// Stored only while on, as 1.
void storeFlag(zorSql *sql, const zorPropertyKey<bool> &key, bool on)
{
    if (on)
        sql->setApp(key, true);
    else
        sql->resetApp(key);
}
} // namespace

zorStabilityFeed::zorStabilityFeed(zorList *list, QwtZOR *plot, zorSql *sql, zorAlertSound *sound, QObject *parent)
    : QObject(parent)
    , list(list)
    , plot(plot)
    , sql(sql)
    , sound(sound)
    , m_board(new zorStabilityBoard(this))
    , shading(new zorStableShading)
{
    m_board->setObjectName("stabilityBoard");
    shading->attach(plot);
    connect(plot, &QwtZOR::onAddPoint, this, &zorStabilityFeed::take);
    connect(plot, &QwtZOR::onDevChange, this, &zorStabilityFeed::shade);
    connect(plot, &QwtZOR::onChange, this, &zorStabilityFeed::shade);
    connect(list, &zorList::doClearQwt, m_board, &zorStabilityBoard::clear);
    // The identity is announced before the registry finds its database row: the
    // criteria are read once that is done.
    connect(list, &zorList::onIdentChange, this, &zorStabilityFeed::reloadCriteria, Qt::QueuedConnection);
    connect(list, &zorList::onRmZor, this, [this](int, int qwtIndex) {
        m_board->removeDev(qwtIndex);
        loaded.remove(qwtIndex);
        shade();
    });
    connect(m_board, &zorStabilityBoard::devStableChanged, this, &zorStabilityFeed::devStable);
}

void zorStabilityFeed::take(int qwtIndex, quint8 ch)
{
    if (!loaded.contains(qwtIndex))
        loadCriteria(qwtIndex);
    const zorPointStore &store = plot->store();
    m_board->take(qwtIndex, ch, store.getChTime(qwtIndex, ch), store.getChMeas(qwtIndex, ch),
                  store.getChDim(qwtIndex, ch));
    if (qwtIndex == store.currentDev() && ch == store.getChMain(qwtIndex))
        shade();
}

void zorStabilityFeed::loadCriteria(int qwtIndex)
{
    const zorList::_zor *zor = list->getZorByQwtIndex(qwtIndex);
    const int dbId = zor ? zor->dbIndex : 0;
    loaded.insert(qwtIndex, dbId);
    const zorStabilityCriteria start = zor ? startCriteria.value(zor->options->devNumber) : zorStabilityCriteria();
    m_board->setCriteria(qwtIndex, zorStabilityCriteria::load(sql, dbId, start));
}

void zorStabilityFeed::setStartCriteria(quint32 serialNumber, const zorStabilityCriteria &criteria)
{
    startCriteria.insert(serialNumber, criteria);
}

void zorStabilityFeed::reloadCriteria(int index)
{
    const int qwtIndex = list->getQWTIndex(index);
    if (qwtIndex >= 0)
        loadCriteria(qwtIndex);
}

void zorStabilityFeed::criteriaEdited(int qwtIndex)
{
    const zorList::_zor *zor = list->getZorByQwtIndex(qwtIndex);
    if (zor)
        m_board->criteria(qwtIndex).save(sql, zor->dbIndex);
}

void zorStabilityFeed::shade()
{
    const zorPointStore &store = plot->store();
    const int qwtIndex = store.currentDev();
    shading->setIntervals(m_board->intervals(qwtIndex, store.getChMain(qwtIndex)));
}

bool zorStabilityFeed::soundOn() const
{
    return sql->getApp(keys::stabilitySound);
}

bool zorStabilityFeed::noteOn() const
{
    return sql->getApp(keys::stabilityNote);
}

void zorStabilityFeed::setSoundOn(bool on)
{
    storeFlag(sql, keys::stabilitySound, on);
}

void zorStabilityFeed::setNoteOn(bool on)
{
    storeFlag(sql, keys::stabilityNote, on);
}

void zorStabilityFeed::devStable(int qwtIndex, bool stable)
{
    const zorList::_zor *zor = list->getZorByQwtIndex(qwtIndex);
    if (!stable || !zor)
        return;
    if (soundOn())
        sound->play();
    if (!noteOn())
        return;
    QPointer<QMessageBox> &box = notes[qwtIndex];
    if (!box) {
        box = new QMessageBox(QMessageBox::Information, tr("Стабильность"), QString(), QMessageBox::Ok,
                              qobject_cast<QWidget *>(parent()));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
    }
    box->setText(tr("Прибор «%1» (№ %2): все каналы стабильны.")
                     .arg(zor->options->devName, zor->options->getDevNumberStr()));
    box->show();
}
