#include "app/MainWindow.h"
#include "ui_MainWindow.h"

#include "app/QLabelClick.h"
#include "app/appconf.h"
#include "app/findZor.h"
#include "app/zorAlertSound.h"
#include "app/zorAppLog.h"
#include "app/zorDevErrorBoxes.h"
#include "app/zorEmptyHint.h"
#include "app/zorLiveView.h"
#include "app/zorMqttDialog.h"
#include "app/zorPlotMenus.h"
#include "app/zorPlotProperties.h"
#include "app/zorStabilityFeed.h"
#include "config/confChMenu.h"
#include "config/confMenu.h"
#include "config/devConfUI.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "link/ZORSerialPort.h"
#include "link/zorPortCatalog.h"
#include "mqtt/zorMqttFeed.h"
#include "mqtt/zorMqttPublisher.h"
#include "mqtt/zorMqttSettings.h"
#include "plot/QwtZOR.h"
#include "points/zorPointsWindow.h"
#include "registry/zorAutoConnect.h"
#include "registry/zorList.h"
#include "results/recmeas.h"
#include "results/savemeas.h"
#include "results/zorRecorder.h"
#include "results/zorResultImport.h"
#include "sim/zorSimulator.h"
#include "stability/zorCalPointBook.h"
#include "ui/zorFileDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <QActionGroup>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>
#include <QToolButton>
#include <qwt_plot_renderer.h>

namespace {
namespace keys = zorPropertyKeys;
// The demo instruments count their serial numbers from here.
constexpr quint32 demoSerial = 9000;

// Popup menus of a table cell open at its right edge.
QPoint cellRightEdge(const QTableWidget *table, int row, int column)
{
    const QRect cell = table->visualRect(table->model()->index(row, column));
    return table->viewport()->mapToGlobal(cell.topRight());
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    QFile css(":/resource/zor4_70.css");
    if (css.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = css.readAll();
        styleSheetText = QString::fromLatin1(bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0')));
    }
    setStyleSheet(styleSheetText);

    openDatabase();
    about = new appconf(sql, this);

    fileDialog = new zorFileDialog(this);
    fileDialog->rememberIn(sql, keys::saveDir);

    alert = new zorAlertSound(":/resource/alert.wav", this);
    alert->setObjectName("alertSound");
    // Owned and deleted explicitly; children only so that they can be found by name.
    port = new ZORSerialPort(this);
    port->setObjectName("link");
    list = new zorList(port, sql, true, this);
    list->setObjectName("registry");
    plot = new QwtZOR;
    static_cast<QBoxLayout *>(ui->qwtWidget->layout())->insertWidget(0, plot, 1);
    plot->applyScale();

    devConf = new devConfUI(list, port, sql, this);
    devConf->setStyleSheet(styleSheetText);
    find = new findZor(port, list, sql, this);
    find->setObjectName("findZor");
    find->setStyleSheet(styleSheetText);
    recorder = new zorRecorder(list, &plot->store(), this);
    saveDialog = new savemeas(this, &plot->store(), sql);
    saveDialog->setObjectName("savemeas");
    recDialog = new recmeas(this, list, recorder);
    recDialog->setObjectName("recmeas");
    yesNo = QStringList{tr("Да"), tr("Нет")};
    devMenu = new confMenu(list, port, this);
    devMenu->setObjectName("confMenu");
    chMenu = new confChMenu(list, sql, this);
    chMenu->setObjectName("confChMenu");
    buildDisplays();

    live = new zorLiveView({ui->devTable, ui->chTable, measValue, measUnit, averValue, averUnit, ui->lcdGroupBox},
                           list, plot, recorder, this);
    new zorEmptyHint(ui->chTable, list); // owned by the table
    properties = new zorPlotProperties(sql, list, plot, this);
    errorBoxes = new zorDevErrorBoxes(this);
    autoConnect = new zorAutoConnect(port, list, this);
    autoConnect->setObjectName("autoConnect");
    autoConnect->setEnabled(sql->getApp(keys::autoconnect));
    buildMqtt();
    buildMenus();
    buildPoints();
    wire();
    updUI();

    if (!problems.isEmpty())
        QTimer::singleShot(0, this, [this] { report(tr("База данных"), problems.join("\n\n")); });
}

MainWindow::~MainWindow()
{
    unwire();
    // The scans go first: closing a probed port waits for its worker in an event loop of
    // its own, in which the live view's timer may still fire, so everything it reads is
    // still there then. The live view goes next, before the stability board it shows.
    delete autoConnect;
    delete find;
    delete live;
    // Everything that leans on the registry, the plot or the link goes first.
    delete mqttDialog;
    delete mqttFeed;
    delete mqtt;
    delete pointsWindow;
    delete points;
    delete stabilityFeed;
    delete recDialog;
    delete saveDialog;
    delete properties;
    delete plotMenus;
    delete errorBoxes;
    delete measValue;
    delete measUnit;
    delete averValue;
    delete averUnit;
    delete devConf;
    delete recorder;
    delete about;
    delete plot;
    yesNo.clear();
    delete devMenu;
    delete chMenu;
    delete list;
    delete sql;
    delete port;
    demos.clear();
    delete ui;
}

// The database file is put in place (a copy of the template on first start, a
// damaged file moved aside) and opened. What goes wrong is told to the user once;
// the program runs on without what the database would have kept.
void MainWindow::openDatabase()
{
    const zorSqlFile file = zorSqlFile::prepare();
    if (file.state() == zorSqlFile::Failed)
        problems << file.errorText();
    else if (file.state() == zorSqlFile::Replaced)
        problems << tr("Файл базы данных был повреждён и перенесён в %1; создан новый файл %2.")
                        .arg(file.damagedPath(), file.path());
    sql = new zorSql(file.path(), this);
    if (!sql->isUsable() && file.state() != zorSqlFile::Failed)
        problems << sql->unusableReason();
    if (!sql->isUsable())
        problems << tr("Программа работает без базы данных: приборы, настройки графиков и снимки настроек не сохраняются.");
}

// Stability of the channels in the tables, the displays and the plot, and the "Точки"
// window behind a button of its own after the results buttons.
void MainWindow::buildPoints()
{
    stabilityFeed = new zorStabilityFeed(list, plot, sql, alert, this);
    live->setStability(stabilityFeed->board());
    points = new zorCalPointBook(sql, this);
    points->load();
    pointsWindow = new zorPointsWindow(points, stabilityFeed->board(), list, &plot->store(), this);
    pointsWindow->setObjectName("pointsWindow");
    pointsWindow->setAlerts(stabilityFeed->soundOn(), stabilityFeed->noteOn());
    connect(pointsWindow, &zorPointsWindow::criteriaEdited, stabilityFeed, &zorStabilityFeed::criteriaEdited);
    connect(pointsWindow, &zorPointsWindow::alertsChanged, stabilityFeed, [this](bool sound, bool note) {
        stabilityFeed->setSoundOn(sound);
        stabilityFeed->setNoteOn(note);
    });
    QToolButton *button = new QToolButton;
    button->setObjectName("pointsBtn");
    button->setText(tr("Точки"));
    button->setToolTip(tr("Стабильность и точки калибровки"));
    button->setIcon(QIcon(":/resource/images/table.svg"));
    button->setIconSize(ui->toolButton_3->iconSize());
    button->setToolButtonStyle(ui->toolButton_3->toolButtonStyle());
    button->setAutoRaise(true);
    QBoxLayout *bar = qobject_cast<QBoxLayout *>(ui->toolButton_3->parentWidget()->layout());
    if (bar)
        bar->insertWidget(bar->indexOf(ui->toolButton_3) + 1, button);
    connect(button, &QToolButton::clicked, pointsWindow, [this] {
        pointsWindow->show();
        pointsWindow->raise();
    });
}

void MainWindow::buildDisplays()
{
    const auto build = [this](QFrame *frame, QLabelClick **value, QLabelClick **unit) {
        *value = new QLabelClick("--", frame);
        *unit = new QLabelClick(frame);
        frame->layout()->addWidget(*value);
        frame->layout()->addWidget(*unit);
    };
    build(ui->frameMainLCDMeas, &measValue, &measUnit);
    build(ui->frameMainLCDAver, &averValue, &averUnit);
    measValue->setObjectName("measValue");
    averValue->setObjectName("averValue");
    connect(measValue, &QLabelClick::clicked, this, [this] { plot->toggleMeasShow(); });
    connect(averValue, &QLabelClick::clicked, this, [this] { plot->toggleAverShow(); });
}

void MainWindow::buildMenus()
{
    plotMenus = new zorPlotMenus(plot, list, this);
    ui->setQwtBtn->setMenu(plotMenus->settings());
    ui->dXBtn->setMenu(plotMenus->scaleX());
    ui->dYBtn->setMenu(plotMenus->scaleY());
    ui->modeXBtn->setMenu(plotMenus->modeX());
    ui->modeBtn->setMenu(plotMenus->mode());
    buildAddDevMenu();
    buildSettingsMenu();
    buildTrackMenu();
    buildClearMenu();
}

QMenu *MainWindow::buttonMenu(QToolButton *button, const char *name)
{
    QMenu *menu = new QMenu(this);
    menu->setObjectName(name);
    button->setMenu(menu);
    return menu;
}

void MainWindow::buildAddDevMenu()
{
    addDevMenu = buttonMenu(ui->addDevBtn, "addDevMenu");
    connect(addDevMenu, &QMenu::aboutToShow, this, [this] {
        addDevMenu->clear();
        addDevMenu->addAction(tr("без подключния"), this, [this] { list->newZor(-1, true); });
        addDevMenu->addSeparator();
        for (const QString &name : freePorts())
            addDevMenu->addAction(name, this, [this, name] { connectPort(name); });
        addDevMenu->addSeparator();
        addDevMenu->addAction(QIcon(":/resource/images/typed.svg"), tr("Путь к устройству..."), this,
                              &MainWindow::askTypedPort);
        addDevMenu->addAction(QIcon(":/resource/images/demo.svg"), tr("Демо-прибор"), this,
                              &MainWindow::connectDemo);
    });
}

// Ports offered for connecting: listed and free, not opened by this program already.
QStringList MainWindow::freePorts() const
{
    QStringList held;
    for (int devIndex : port->getDevIndexList())
        held << port->getLocation(devIndex);
    QStringList names;
    for (const zorPortCatalog::_port &candidate : zorPortCatalog::ports()) {
        if (!candidate.busy && !held.contains(candidate.location))
            names << candidate.name;
    }
    return names;
}

void MainWindow::buildSettingsMenu()
{
    settingsMenu = buttonMenu(ui->settingsBtn, "settingsMenu");
    const auto addCheck = [this](const QString &text, const zorPropertyKey<bool> &key) {
        QAction *action = settingsMenu->addAction(text);
        action->setCheckable(true);
        action->setChecked(sql->getApp(key));
        connect(action, &QAction::toggled, this, [this, key = &key](bool checked) {
            sql->setApp(*key, checked);
            if (key == &keys::autoconnect)
                autoConnect->setEnabled(checked);
        });
    };
    addCheck(tr("Автоподключение"), keys::autoconnect);
    addCheck(tr("Запрос при выходе"), keys::exitQuery);
    settingsMenu->addAction(tr("Публикация MQTT…"), mqttDialog, &zorMqttDialog::open);
    settingsMenu->addSeparator();
    settingsMenu->addAction(QIcon(":/resource/images/about-32.png"), tr("О программе"), this, [this] {
        about->setBuild(QCoreApplication::applicationVersion(), property("BUILD_NUMBER").toInt(),
                        property("BUILD_DATE").toString());
        about->exec();
    });
}

// Readings and instrument states to an MQTT broker, when the user has turned it on.
void MainWindow::buildMqtt()
{
    mqtt = new zorMqttPublisher(this);
    mqtt->setObjectName("mqtt");
    connect(mqtt, &zorMqttPublisher::problem, this, [this](const QString &text) { report(tr("Публикация MQTT"), text); });
    mqttFeed = new zorMqttFeed(list, mqtt, this);
    mqttDialog = new zorMqttDialog(sql, mqtt, this);
    mqttDialog->setObjectName("mqttDialog");
    mqtt->apply(zorMqttSettings::load(sql));
}

void MainWindow::buildTrackMenu()
{
    trackMenu = buttonMenu(ui->trackBtn, "trackMenu");
    QActionGroup *group = new QActionGroup(trackMenu);
    const QList<std::pair<QString, QwtZOR::TmcTrackingMode>> entries = {
        {tr("Выкл."), QwtZOR::tmOff},
        {tr("Диапазон"), QwtZOR::tmBoth},
        {tr("Верхний предел"), QwtZOR::tmUpper},
        {tr("Нижний предел"), QwtZOR::tmLower},
    };
    for (const auto &entry : entries) {
        QAction *action = trackMenu->addAction(entry.first);
        action->setCheckable(true);
        action->setData(int(entry.second));
        group->addAction(action);
        const QwtZOR::TmcTrackingMode mode = entry.second;
        connect(action, &QAction::triggered, this, [this, mode] {
            if (plot->getChCount(-1) == 0)
                return;
            // Off also leaves the limit-placing mode, which would otherwise keep the mouse.
            setPlotMode(QwtZOR::mcLimits, mode != QwtZOR::tmOff);
            plot->setModeTrack(mode);
        });
    }
    connect(trackMenu, &QMenu::aboutToShow, this, [this] {
        for (QAction *action : trackMenu->actions())
            action->setChecked(action->data().toInt() == int(plot->getModeTrack(-1)));
    });
}

void MainWindow::buildClearMenu()
{
    clearMenu = buttonMenu(ui->clearBtn, "clearMenu");
    connect(clearMenu, &QMenu::aboutToShow, this, [this] {
        clearMenu->clear();
        clearMenu->addAction(tr("Все приборы"), this, [this] { clearPlot(-1); });
        clearMenu->addSeparator();
        for (int index : list->getIndexList()) {
            const zorList::_zor *zor = list->getZorByIndex(index);
            QAction *action = clearMenu->addAction(zor->options->devName + " (№ " + zor->options->getDevNumberStr() + ")",
                                                   this, [this, index] { clearPlot(index); });
            action->setData(index);
        }
    });
}

// index: a registry index, or -1 for every device.
void MainWindow::clearPlot(int index)
{
    if (QMessageBox::warning(this, windowTitle(), tr("Очистить график?"), QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const QDateTime start = QDateTime::currentDateTime();
    for (int each : list->getIndexList()) {
        const int qwtIndex = list->getQWTIndex(each);
        if ((index < 0 || each == index) && qwtIndex >= 0)
            plot->prepareMeas(qwtIndex, start);
    }
    updUI();
}

// ---- Wiring ---------------------------------------------------------------------------

void MainWindow::wire()
{
    connect(port, qOverload<int, int, int, quint8>(&ZORSerialPort::setProgress), this,
            [this](int devIndex, int progress, int maxProgress, quint8 address) {
                const bool idle = port->isEmptyQueryQueue(devIndex) && port->isSendAllData();
                live->progress(devIndex, progress, maxProgress, address, idle);
            });

    connect(list, &zorList::onAddZor, this, &MainWindow::devAdded);
    connect(list, &zorList::onRmZor, this, &MainWindow::devRemoved);
    connect(list, qOverload<int, quint8>(&zorList::onChChange), this, &MainWindow::updUI);
    connect(list, qOverload<int>(&zorList::onChChange), this, &MainWindow::chBlockChanged);
    connect(list, &zorList::onIdentChange, this, &MainWindow::updUI);
    connect(list, &zorList::onChange, this, &MainWindow::updUI);
    connect(list, &zorList::onReadMeas, this, &MainWindow::readMeas);
    connect(list, &zorList::onReadStatus, live, &zorLiveView::status);
    connect(list, &zorList::onDevError, this, &MainWindow::devError);
    connect(list, &zorList::onWritesLost, this, [this](int index) {
        report(tr("Настройки прибора"),
               tr("Настройки не переданы в прибор %1: он сохранил прежние настройки.").arg(instrumentName(index)));
    });
    connect(list, &zorList::onChError, live, &zorLiveView::chError);
    connect(list, &zorList::doClearQwt, plot, &QwtZOR::clear);

    connect(plot, &QwtZOR::onAddPoint, live, &zorLiveView::pointAdded);
    connect(plot, &QwtZOR::onPointTrackOff, this, [this](int qwtIndex, uchar ch) {
        alert->play();
        live->limitExceeded(qwtIndex, ch);
    });
    connect(plot, &QwtZOR::onDevChange, this, &MainWindow::updUI);
    connect(plot, &QwtZOR::onChange, this, &MainWindow::plotChanged);
    connect(plot, &QwtZOR::onAddCh, properties, [this](int qwtIndex, uchar ch) { properties->applyCh(qwtIndex, ch); });
    connect(live, &zorLiveView::chHeaderClicked, this, [this] { plot->setChShow(true, -1, 255); });
    connect(autoConnect, &zorAutoConnect::reconnected, this, &MainWindow::updUI);
    connect(recorder, &zorRecorder::onRecStateChange, live, &zorLiveView::recordingChanged);

    // The settings dialog holds the window's refreshes back while it is open and
    // brings them in when it closes.
    connect(devConf, &QDialog::finished, this, &MainWindow::updUI);
    connect(devMenu, &confMenu::neadShowSetup, devConf, &devConfUI::show);
    // A menu left open on a removed instrument would go on showing it.
    connect(list, &zorList::onRmZor, this, [this](int index) {
        if (devMenu->deviceIndex() == index)
            devMenu->close();
        if (chMenu->deviceIndex() == index)
            chMenu->close();
    });
}

// Nothing of the window runs once it closes: the registry and the link may still
// report while they are taken down.
void MainWindow::unwire()
{
    for (QObject *sender : {static_cast<QObject *>(port), static_cast<QObject *>(list), static_cast<QObject *>(plot),
                            static_cast<QObject *>(recorder), static_cast<QObject *>(devConf)}) {
        disconnect(sender, nullptr, this, nullptr);
        disconnect(sender, nullptr, live, nullptr);
        disconnect(sender, nullptr, properties, nullptr);
    }
}

void MainWindow::report(const QString &title, const QString &text)
{
    QMessageBox *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

// ---- Devices ----------------------------------------------------------------------------

void MainWindow::devAdded(int index, bool)
{
    zorList::_zor *zor = list->getZorByIndex(index);
    if (!zor)
        return; // the registry is full
    const int qwtIndex = plot->addDev();
    if (qwtIndex < 0)
        return;
    zor->qwtIndex = qwtIndex;
    if (zor->options->isIdentified())
        setPlotChCount(qwtIndex, zor->options->getChCount());
    if (live->mainDev() < 0)
        live->setMainDev(index);
    if (zor->devIndex >= 0 && properties->apply(index))
        setMainDev(index, false);
    refresh();
}

void MainWindow::devRemoved(int index, int qwtIndex)
{
    if (qwtIndex >= 0)
        plot->removeDev(qwtIndex);
    if (list->count() == 0)
        live->setMainDev(-1);
    else if (index == live->mainDev())
        setMainDev(list->getIndexList().last(), true);
    refresh();
}

// The channel block was read: the plot follows the instrument's channel count (the
// main channel stays within it), and the stored settings apply again. The plot's
// main channel is the user's choice, not the instrument's single-channel setting.
void MainWindow::chBlockChanged(int index)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (!zor || zor->qwtIndex < 0)
        return;
    setPlotChCount(zor->qwtIndex, zor->options->getChCount());
    if (properties->apply(index))
        setMainDev(index, false);
    updUI();
}

// New channels of the plot come shown; only the main channel is drawn, so it is
// chosen again.
void MainWindow::setPlotChCount(int qwtIndex, int count)
{
    if (plot->getChCount(qwtIndex) == count)
        return;
    plot->setChCount(quint8(count), qwtIndex);
    plot->setChMain(255, qwtIndex);
}

void MainWindow::readMeas(int index, double meas, quint8 ch, const QString &dim, qint64 at)
{
    const int qwtIndex = list->getQWTIndex(index);
    if (qwtIndex < 0 || ch >= optionsZOR70::chMax)
        return;
    plot->addPointAt(meas, at, dim, qwtIndex, ch);
    if (recorder->sweepDone(index, ch))
        recCurrentMeas(index);
}

void MainWindow::recCurrentMeas(int index)
{
    recorder->record(index);
}

void MainWindow::devError(int index, quint8 code, const QString &msg)
{
    live->devError(index);
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (zor)
        errorBoxes->show(index, code, zor->options->devName, zor->options->getDevNumberStr(), msg);
}

void MainWindow::setMainDev(int index, bool store)
{
    live->setMainDev(index);
    const zorList::_zor *zor = list->getZorByIndex(index);
    if (zor && zor->qwtIndex >= 0)
        plot->setDevMain(zor->qwtIndex);
    if (store && zor && zor->dbIndex >= 1)
        sql->setApp(keys::mainDevice, zor->dbIndex);
    updUI();
}

// While the settings dialog is open its edits would rebuild the window at every
// change; it refreshes the window when it closes.
void MainWindow::updUI()
{
    if (!devConf->isVisible())
        refresh();
}

// Rebuilds the tables, the displays and the plot buttons. Instruments that come or go
// rebuild even behind the settings dialog: a row missing or left over would take what
// another instrument reports.
void MainWindow::refresh()
{
    live->rebuild();
    const zorList::_zor *zor = list->getZorByIndex(live->mainDev());
    ui->recBtn->setChecked(zor && zor->recEnabled);
    plotChanged(-1);
}

// The plot buttons show the main channel's scales and modes.
void MainWindow::plotChanged(int qwtIndex)
{
    const int mainQwt = list->getQWTIndex(live->mainDev());
    if (qwtIndex >= 0 && qwtIndex != mainQwt)
        return;
    ui->dXBtn->setText(plot->getScaleXLabel(-1, 255));
    ui->dYBtn->setText(plot->getScaleYLabel(-1, 255));
    ui->modeXBtn->setText(plot->getChModeXLabel(-1, 255));
    ui->modeBtn->setText(plot->getChModeLabel(-1, 255));
    const int mode = plot->getChMode(-1, 255);
    ui->qwtMeasBtn->setChecked(mode == QwtZOR::mcMeasure);
    ui->qwtScrollBtn->setChecked(mode == QwtZOR::mcShift);
    ui->qwtZoomBtn->setChecked(mode == QwtZOR::mcZoom);
    live->plotChanged();
}

// ---- Connecting -------------------------------------------------------------------------

int MainWindow::connectPort(const QString &portName)
{
    const int index = list->connectPort(portName);
    if (index == zorList::portUnavailable)
        report(tr("Подключение прибора"), tr("Не удалось открыть порт %1: он занят или не существует.").arg(portName));
    else if (index == zorList::registryFull)
        report(tr("Подключение прибора"), tr("Подключено наибольшее возможное число приборов."));
    return index < 0 ? -1 : index;
}

int MainWindow::connectTypedPort(const QString &path)
{
    if (!QFileInfo(path).isAbsolute() || !QFileInfo::exists(path)) {
        qCWarning(lcApp).noquote() << "typed device path" << path << "not found";
        report(tr("Подключение прибора"), tr("Устройство %1 не найдено: нужен полный путь, например /dev/pts/3.").arg(path));
        return -1;
    }
    zorPortCatalog::registerPort(path, tr("Порт, указанный вручную"));
    return connectPort(path);
}

void MainWindow::askTypedPort()
{
    bool ok = false;
    const QString path = QInputDialog::getText(this, tr("Подключение по пути к устройству"),
                                               tr("Путь к устройству последовательного порта\n"
                                                  "(псевдотерминал, сетевой преобразователь, /dev/serial/by-id/...):"),
                                               QLineEdit::Normal, "/dev/", &ok)
                             .trimmed();
    if (ok && !path.isEmpty())
        connectTypedPort(path);
}

int MainWindow::connectDemo()
{
    zorSimulator::_options settings;
    settings.serialNumber = demoSerial + quint32(demos.size()) + 1;
    settings.name = tr("Демо-прибор");
    settings.channels = 8;
    settings.period = 100;
    settings.bath = true;
    // The bath holds each set point for a few minutes: a one-minute window and limits
    // at the demo's resolution let a new user see stability and points at work.
    zorStabilityCriteria quick;
    quick.setWindow(60);
    quick.setForUnit(QStringLiteral("°С"), {0.01, 0.02});
    stabilityFeed->setStartCriteria(settings.serialNumber, quick);
    std::unique_ptr<zorSimulator> demo(new zorSimulator(settings));
    if (!demo->start()) {
        report(tr("Демо-прибор"), tr("Не удалось запустить демо-прибор: нет свободного псевдотерминала."));
        return -1;
    }
    const QString portName = demo->portName();
    demos.push_back(std::move(demo));
    return connectPort(portName);
}

void MainWindow::startAutoConnect()
{
    if (sql->getApp(keys::autoconnect))
        autoConnect->connectAll();
}

// ---- Commands ---------------------------------------------------------------------------

void MainWindow::on_findDevBtn_clicked()
{
    find->find();
}

void MainWindow::on_exitBtm_clicked()
{
    close();
}

// The close question comes first; only a window that really closes lets go of the
// plot, the registry and the link.
void MainWindow::closeEvent(QCloseEvent *event)
{
    if (sql->getApp(keys::exitQuery)
        && QMessageBox::question(this, tr("Выход из программы"), tr("Вы уверены что хотите выйти из программы?"),
                                 QMessageBox::Yes | QMessageBox::No)
               != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    sendWaitingWrites();
    unwire();
    event->accept();
}

// Settings still waiting to be written go out before the link closes, with their
// progress shown; the user learns which instruments kept their old settings.
void MainWindow::sendWaitingWrites()
{
    QList<int> waiting;
    for (int index : list->getIndexList())
        if (list->hasWaitingWrites(index))
            waiting << index;
    if (waiting.isEmpty())
        return;
    QProgressDialog progress(tr("Передача настроек в приборы..."), QString(), 0, waiting.size(), this);
    progress.setObjectName("waitingWrites");
    progress.setWindowTitle(tr("Выход из программы"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    connect(list, &zorList::onWaitingWritesProgress, &progress, [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
    });
    const QList<int> kept = list->sendWaitingNow(waiting, zorList::waitingWritesTimeout);
    progress.close();
    if (kept.isEmpty())
        return;
    QStringList names;
    for (int index : kept)
        names << instrumentName(index);
    QMessageBox::warning(this, tr("Выход из программы"),
                         tr("Настройки не переданы, приборы сохранили прежние настройки:\n%1").arg(names.join("\n")));
}

QString MainWindow::instrumentName(int index) const
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    return zor ? zor->options->devName + tr(" (№ ") + zor->options->getDevNumberStr() + ")" : QString();
}

void MainWindow::setPlotMode(int mode, bool on)
{
    const QwtZOR::TmcMode chosen = QwtZOR::TmcMode(on ? mode : int(QwtZOR::mcTracking));
    for (int index : list->getIndexList()) {
        const int qwtIndex = list->getQWTIndex(index);
        for (int ch = 0; qwtIndex >= 0 && ch < plot->getChCount(qwtIndex); ++ch)
            plot->setChMode(chosen, qwtIndex, quint8(ch));
    }
    // The current device's main channel last: its mode decides which picker is live.
    plot->setChMode(chosen, -1, 255);
    plotChanged(-1);
}

void MainWindow::on_qwtMeasBtn_clicked(bool checked)
{
    setPlotMode(QwtZOR::mcMeasure, checked);
}

void MainWindow::on_qwtZoomBtn_clicked(bool checked)
{
    setPlotMode(QwtZOR::mcZoom, checked);
}

void MainWindow::on_qwtScrollBtn_clicked(bool checked)
{
    setPlotMode(QwtZOR::mcShift, checked);
}

// The button shows the main device's recording state; a click opens its recording.
void MainWindow::on_recBtn_clicked()
{
    const zorList::_zor *zor = list->getZorByIndex(live->mainDev());
    ui->recBtn->setChecked(zor && zor->recEnabled);
    if (!zor)
        return;
    recDialog->setZor(live->mainDev(), pictureName() + ".csv");
    recDialog->show();
    recDialog->raise();
    recDialog->activateWindow();
}

void MainWindow::on_toolButton_2_clicked()
{
    saveDialog->show();
    saveDialog->raise();
    saveDialog->activateWindow();
}

// A results file is read into a new device without a port, which becomes the main
// device once all of it is in.
void MainWindow::on_toolButton_3_clicked()
{
    const QString path = fileDialog->choose(QFileDialog::AcceptOpen, tr("Чтение результатов измерений из файла"),
                                            tr("CSV (*.csv *.CSV);; * (*.*)"), QString(), QString());
    if (path.isEmpty())
        return;
    auto *import = new zorResultImport(this, list, &plot->editStore());
    connect(import, &zorResultImport::storeChanged, plot, &QwtZOR::storeChanged);
    connect(import, &zorResultImport::finished, this, [this](int index, bool, const QString &problem) {
        setMainDev(index, false);
        if (!problem.isEmpty())
            report(tr("Чтение результатов измерений из файла"), problem);
    });
    QString reason;
    const int error = import->start(path, &reason);
    if (error == zorResultImport::deviceError) {
        report(tr("Чтение результатов измерений из файла"), tr("Подключено наибольшее возможное число приборов."));
    } else if (error != zorResultImport::importOk) {
        updUI();
        QMessageBox::critical(this, tr("Ошибка при чтении файла"),
                              tr("Невозможно прочитать файл %1:\n%2.").arg(QDir::toNativeSeparators(path), reason),
                              QMessageBox::Ok);
    }
}

// Main device name ("." replaced by "_"), "_N", its number, "_" and today's date.
QString MainWindow::pictureName() const
{
    const zorList::_zor *zor = list->getZorByIndex(live->mainDev());
    if (!zor)
        return QDate::currentDate().toString("dd-MM-yyyy");
    return QString(zor->options->devName).replace('.', '_') + "_N" + zor->options->getDevNumberStr() + "_"
        + QDate::currentDate().toString("dd-MM-yyyy");
}

void MainWindow::on_toolButton_clicked()
{
    // The name proposed until the user has chosen one; then the name chosen.
    const QString file = fileDialog->choose(QFileDialog::AcceptSave, tr("Сохранить график в файл"),
                                            tr("PNG (*.png *.PNG);; * (*.*)"), "png",
                                            pictureChosen.isEmpty() ? pictureName() : pictureChosen);
    if (file.isEmpty())
        return;
    pictureChosen = QFileInfo(file).fileName();
    QPixmap pixmap(plot->size());
    pixmap.fill(Qt::white);
    QwtPlotRenderer().renderTo(plot, pixmap);
    if (!pixmap.save(file, "PNG"))
        report(tr("Сохранить график в файл"), tr("Не удалось записать файл %1.").arg(file));
}

void MainWindow::on_wideViewBtn_clicked()
{
    const bool show = ui->widget->isHidden();
    ui->widget->setVisible(show);
    ui->wideViewBtn->setArrowType(show ? Qt::LeftArrow : Qt::RightArrow);
}

// ---- Table cells -------------------------------------------------------------------------

void MainWindow::on_devTable_cellPressed(int row, int column)
{
    const int index = live->indexOfRow(row);
    if (index < 0)
        return;
    if (QWidget *bar = ui->devTable->cellWidget(row, zorLiveView::dcMarker))
        bar->hide();
    if (column == zorLiveView::dcMarker)
        devMenu->show(index, cellRightEdge(ui->devTable, row, column));
    else if (column >= zorLiveView::dcName)
        setMainDev(index, true);
}

void MainWindow::on_chTable_cellPressed(int row, int column)
{
    const int qwtIndex = list->getQWTIndex(live->mainDev());
    if (row < 1 || qwtIndex < 0 || row > plot->getChCount(qwtIndex))
        return;
    const quint8 ch = quint8(row - 1);
    const QPoint rightEdge = cellRightEdge(ui->chTable, row, column);
    switch (column) {
    case zorLiveView::ccNumber:
        if (QApplication::mouseButtons() & Qt::RightButton) {
            if (!plot->getChShow(qwtIndex, ch))
                break;
            const QColor color = QColorDialog::getColor(plot->getChColor(qwtIndex, ch), this);
            if (color.isValid())
                plot->setChColor(color, qwtIndex, ch);
        } else {
            plot->setChShow(!plot->getChShow(qwtIndex, ch), qwtIndex, ch);
        }
        live->drawChMark(ch);
        break;
    case zorLiveView::ccDiff:
        plotMenus->popupDiff(qwtIndex, ch, rightEdge);
        break;
    case zorLiveView::ccSettings:
        chMenu->show(live->mainDev(), rightEdge, ch);
        break;
    default:
        plot->setChMain(ch, qwtIndex);
        updUI();
        break;
    }
}

void MainWindow::on_devTable_cellEntered(int row, int column)
{
    const bool clickable = row > 0 && column > zorLiveView::dcShow;
    ui->devTable->viewport()->setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void MainWindow::on_chTable_cellEntered(int row, int)
{
    ui->chTable->viewport()->setCursor(row > 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
