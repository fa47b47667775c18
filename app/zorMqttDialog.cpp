#include "app/zorMqttDialog.h"
#include "ui_zorMqttDialog.h"

#include "mqtt/zorMqttPublisher.h"
#include "mqtt/zorMqttSettings.h"

#include <QFileDialog>

zorMqttDialog::zorMqttDialog(zorSql *sql, zorMqttPublisher *publisher, QWidget *parent)
    : QDialog(parent), ui(new Ui::zorMqttDialog), sql(sql), publisher(publisher)
{
    ui->setupUi(this);
}

zorMqttDialog::~zorMqttDialog()
{
    delete ui;
}

void zorMqttDialog::open()
{
    const zorMqttSettings &s = publisher->settings();
    ui->enabledBox->setChecked(s.enabled);
    ui->hostEdit->setText(s.host);
    ui->portBox->setValue(s.port);
    ui->tlsBox->setChecked(s.tls);
    on_tlsBox_toggled(s.tls);
    ui->caEdit->setText(s.caFile);
    ui->userEdit->setText(s.user);
    ui->passwordEdit->clear();
    ui->passwordEdit->setPlaceholderText(s.password.isEmpty() ? tr("без пароля")
                                                               : tr("сохранён; пустое поле его не меняет"));
    ui->prefixEdit->setText(s.prefix);
    ui->qosBox->setCurrentIndex(s.qos);
    showStatus();
    QDialog::open();
}

void zorMqttDialog::showStatus()
{
    if (!publisher->isOn()) {
        ui->statusLabel->setText(tr("Публикация выключена."));
        return;
    }
    zorMqttBuffer &buffer = publisher->buffer();
    QString text = publisher->isConnected() ? tr("Брокер подключен.") : tr("Нет связи с брокером.");
    text += " " + tr("Ждут отправки: %1 сообщений.").arg(buffer.waiting());
    if (buffer.dropped() > 0)
        text += " " + tr("Потеряно при переполнении буфера: %1.").arg(buffer.dropped());
    ui->statusLabel->setText(text);
}

void zorMqttDialog::on_buttonBox_accepted()
{
    zorMqttSettings s = publisher->settings();
    s.enabled = ui->enabledBox->isChecked();
    s.host = ui->hostEdit->text().trimmed();
    s.port = quint16(ui->portBox->value());
    s.tls = ui->tlsBox->isChecked();
    s.caFile = ui->caEdit->text().trimmed();
    s.user = ui->userEdit->text().trimmed();
    if (s.user.isEmpty())
        s.password.clear();
    else if (!ui->passwordEdit->text().isEmpty())
        s.password = ui->passwordEdit->text();
    s.prefix = ui->prefixEdit->text().trimmed();
    s.qos = ui->qosBox->currentIndex();
    const QString problem = s.check();
    if (s.enabled && !problem.isEmpty()) {
        ui->statusLabel->setText(tr("Настройки не приняты: %1.").arg(problem));
        return;
    }
    s.save(sql);
    if (s != publisher->settings())
        publisher->apply(s);
    accept();
}

void zorMqttDialog::on_tlsBox_toggled(bool on)
{
    ui->caEdit->setEnabled(on);
    ui->caBtn->setEnabled(on);
}

void zorMqttDialog::on_caBtn_clicked()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Файл сертификатов CA"), ui->caEdit->text(),
                                                      tr("Сертификаты (*.pem *.crt *.cer);;Все файлы (*)"));
    if (!file.isEmpty())
        ui->caEdit->setText(file);
}
