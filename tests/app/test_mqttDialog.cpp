// "Публикация MQTT": what the dialog stores and hands to the publisher, and that the
// stored password is never shown back.
#include "app/zorMqttDialog.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "mqtt/zorMqttPublisher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class test_mqttDialog : public QObject
{
    Q_OBJECT

private slots:
    void storesSettingsAndKeepsThePasswordHidden()
    {
        QTemporaryDir dir;
        zorSql sql(zorSqlFile::prepare(dir.path()).path());
        zorMqttPublisher publisher;
        zorMqttDialog dialog(&sql, &publisher);
        const auto edit = [&dialog](const char *name) { return dialog.findChild<QLineEdit *>(name); };
        const auto ok = [&dialog] {
            dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok)->click();
        };

        dialog.open();
        for (const QString entry : {"hostEdit=broker.lab", "userEdit=lab", "passwordEdit=secret", "prefixEdit=plant/+"})
            edit(qPrintable(entry.section('=', 0, 0)))->setText(entry.section('=', 1));
        dialog.findChild<QCheckBox *>("enabledBox")->setChecked(true);
        dialog.findChild<QComboBox *>("qosBox")->setCurrentIndex(0);
        ok();
        // A wildcard in the prefix is refused in the dialog, which stays open.
        QVERIFY(dialog.isVisible() && dialog.findChild<QLabel *>("statusLabel")->text().contains("префикс"));
        edit("prefixEdit")->setText("plant");
        ok();
        QVERIFY(!dialog.isVisible());
        zorMqttSettings stored = zorMqttSettings::load(&sql);
        QCOMPARE(stored, publisher.settings());
        QCOMPARE(QString("%1 %2 %3 %4 %5 %6").arg(stored.host, stored.user, stored.password, stored.prefix).arg(stored.qos).arg(stored.enabled),
                 QString("broker.lab lab secret plant 0 1"));

        // Opened again: the password field is empty, and left empty it keeps the password.
        dialog.open();
        QCOMPARE(edit("passwordEdit")->text(), QString());
        QVERIFY(!edit("passwordEdit")->placeholderText().contains("secret"));
        dialog.findChild<QCheckBox *>("enabledBox")->setChecked(false);
        ok();
        stored = zorMqttSettings::load(&sql);
        QCOMPARE(stored.password, QString("secret"));
        QVERIFY(!stored.enabled && !publisher.isOn());
    }
};

QTEST_MAIN(test_mqttDialog)
#include "test_mqttDialog.moc"
