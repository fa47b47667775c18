#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <vector>

namespace Ui {
class MainWindow;
}

class QMenu;
class QToolButton;
class QLabelClick;
class QwtZOR;
class ZORSerialPort;
class appconf;
class confChMenu;
class confMenu;
class devConfUI;
class findZor;
class recmeas;
class savemeas;
class zorAlertSound;
class zorAutoConnect;
class zorDevErrorBoxes;
class zorFileDialog;
class zorList;
class zorMqttDialog;
class zorMqttFeed;
class zorMqttPublisher;
class zorLiveView;
class zorPlotMenus;
class zorPlotProperties;
class zorRecorder;
class zorSimulator;
class zorSql;
class zorCalPointBook;
class zorPointsWindow;
class zorStabilityFeed;

// The application's main window. It builds and owns every long-lived object (the
// database, the link manager, the registry, the plot and the dialogs), wires them
// together, shows the live state of the instruments and carries every command.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens a port and connects the instrument on it, reading its settings: the
    // registry index, or -1 (the user has been told why).
    int connectPort(const QString &portName);
    // A device path the system does not list (a pseudo-terminal, a network serial
    // bridge): from now on it is offered and scanned like a listed port.
    int connectTypedPort(const QString &path);
    // Starts a simulated instrument inside the program and connects it.
    int connectDemo();
    // When "Автоподключение" is on, scans the free ports and connects every
    // instrument found, without a dialog.
    void startAutoConnect();

public slots:
    void updUI();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_findDevBtn_clicked();
    void on_exitBtm_clicked();
    void on_qwtMeasBtn_clicked(bool checked);
    void on_qwtZoomBtn_clicked(bool checked);
    void on_qwtScrollBtn_clicked(bool checked);
    void on_recBtn_clicked();
    void on_toolButton_clicked();
    void on_toolButton_2_clicked();
    void on_toolButton_3_clicked();
    void on_wideViewBtn_clicked();
    void on_devTable_cellPressed(int row, int column);
    void on_chTable_cellPressed(int row, int column);
    void on_devTable_cellEntered(int row, int column);
    void on_chTable_cellEntered(int row, int column);

private:
    void openDatabase();
    void buildDisplays();
    void buildMenus();
    QMenu *buttonMenu(QToolButton *button, const char *name);
    void buildAddDevMenu();
    void buildSettingsMenu();
    void buildMqtt();
    void buildTrackMenu();
    void buildClearMenu();
    void buildPoints();
    void wire();
    void unwire();
    void report(const QString &title, const QString &text);
    void sendWaitingWrites();
    // "name (№ number)" of a registry record.
    QString instrumentName(int index) const;

    void refresh();
    void devAdded(int index, bool connected);
    void devRemoved(int index, int qwtIndex);
    void chBlockChanged(int index);
    void setPlotChCount(int qwtIndex, int count);
    void readMeas(int index, double meas, quint8 ch, const QString &dim, qint64 at);
    // Appends the row of the device's completed sweep to its recording file.
    void recCurrentMeas(int index);
    void devError(int index, quint8 code, const QString &msg);
    void plotChanged(int qwtIndex);
    void setMainDev(int index, bool store);
    void setPlotMode(int mode, bool on);
    void askTypedPort();
    void clearPlot(int index);
    QString pictureName() const;
    QStringList freePorts() const;

    // Members in the order they are built; the destructor takes them down in reverse
    // dependency order, the link manager last.
    Ui::MainWindow *ui;
    QString styleSheetText;
    zorSql *sql = nullptr;
    appconf *about = nullptr;
    zorFileDialog *fileDialog = nullptr;
    QString pictureChosen; // the name of the plot picture saved last
    zorAlertSound *alert = nullptr;
    ZORSerialPort *port = nullptr;
    zorList *list = nullptr;
    QwtZOR *plot = nullptr;
    devConfUI *devConf = nullptr;
    findZor *find = nullptr;
    zorRecorder *recorder = nullptr;
    savemeas *saveDialog = nullptr;
    recmeas *recDialog = nullptr;
    QStringList yesNo;
    confMenu *devMenu = nullptr;
    confChMenu *chMenu = nullptr;
    QLabelClick *measValue = nullptr;
    QLabelClick *measUnit = nullptr;
    QLabelClick *averValue = nullptr;
    QLabelClick *averUnit = nullptr;
    zorLiveView *live = nullptr;
    zorPlotProperties *properties = nullptr;
    zorPlotMenus *plotMenus = nullptr;
    zorDevErrorBoxes *errorBoxes = nullptr;
    zorAutoConnect *autoConnect = nullptr;
    zorMqttPublisher *mqtt = nullptr;
    zorMqttFeed *mqttFeed = nullptr;
    zorMqttDialog *mqttDialog = nullptr;
    QMenu *addDevMenu = nullptr;
    QMenu *settingsMenu = nullptr;
    QMenu *trackMenu = nullptr;
    QMenu *clearMenu = nullptr;
    zorStabilityFeed *stabilityFeed = nullptr;
    zorCalPointBook *points = nullptr;
    zorPointsWindow *pointsWindow = nullptr;
    // Demo instruments: stopped after the link manager that talks to them is gone.
    std::vector<std::unique_ptr<zorSimulator>> demos;
    QStringList problems; // start-up problems, told once the window shows
};

#endif // MAINWINDOW_H
