#ifndef ZORMQTTDIALOG_H
#define ZORMQTTDIALOG_H

#include <QDialog>

namespace Ui {
class zorMqttDialog;
}

class zorMqttPublisher;
class zorSql;

// "Публикация MQTT": the broker, TLS, credentials, topic prefix, QoS of the readings
// and on/off. OK stores them in the database and hands them to the publisher. The
// stored password is never shown: an empty password field keeps it.
class zorMqttDialog : public QDialog
{
    Q_OBJECT

public:
    // sql and publisher are not owned and must outlive the dialog.
    zorMqttDialog(zorSql *sql, zorMqttPublisher *publisher, QWidget *parent = nullptr);
    ~zorMqttDialog() override;

    // Fills the fields from the publisher's settings and opens the dialog.
    void open() override;

private slots:
    void on_buttonBox_accepted();
    void on_tlsBox_toggled(bool on);
    void on_caBtn_clicked();

private:
    void showStatus();

    Ui::zorMqttDialog *ui;
    zorSql *sql;
    zorMqttPublisher *publisher;
};

#endif // ZORMQTTDIALOG_H
