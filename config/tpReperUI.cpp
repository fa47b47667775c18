#include "config/tpReperUI.h"

#include "ui_tpReperUI.h"

#include "link/bFloat.h"
#include "model/tpReper.h"

#include <QMap>
#include <QMessageBox>

tpReperUI::tpReperUI(QStringList *output, QWidget *parent)
    : QDialog(parent), ui(new Ui::tpReperUI), m_output(output)
{
    ui->setupUi(this);
    m_edits[tpReper::zinc] = ui->lineEdit;
    m_edits[tpReper::aluminium] = ui->lineEdit_2;
    m_edits[tpReper::copper] = ui->lineEdit_3;
    m_keys[tpReper::zinc] = ui->keyLabel;
    m_keys[tpReper::aluminium] = ui->keyLabel_2;
    m_keys[tpReper::copper] = ui->keyLabel_3;
    updUI();
}

tpReperUI::~tpReperUI()
{
    delete ui;
}

float tpReperUI::str2Float(const QString &text, bool *ok)
{
    return bFloat::str2Float(text, ok);
}

void tpReperUI::on_lineEdit_textChanged(const QString &)
{
    updUI();
}

void tpReperUI::on_lineEdit_2_textChanged(const QString &)
{
    updUI();
}

void tpReperUI::on_lineEdit_3_textChanged(const QString &)
{
    updUI();
}

void tpReperUI::updUI()
{
    for (int i = 0; i < tpReper::pointCount; ++i) {
        const tpReper::table &t = tpReper::getTable(i);
        const QString range = QString("%1…%2").arg(t.firstKey(), 0, 'f', 3).arg(t.lastKey(), 0, 'f', 3);
        bool ok = false;
        const float value = str2Float(m_edits[i]->text(), &ok);
        float key = 0;
        QString text;
        bool bad = true;
        if (m_edits[i]->text().trimmed().isEmpty()) {
            text = tr("допустимо %1 мВ").arg(range);
            bad = false;
        } else if (!ok) {
            text = tr("не число");
        } else if (!tpReper::getKey(i, value, &key)) {
            text = tr("вне таблицы %1 мВ").arg(range);
        } else {
            text = tr("по ключу %1 мВ").arg(key, 0, 'f', 3);
            bad = false;
        }
        m_keys[i]->setText(text);
        m_keys[i]->setStyleSheet(bad ? "color: #c0392b;" : "color: #5f6b6e;");
    }
    float p[tpReper::pointCount];
    ui->pushButton_2->setEnabled(values(p));
}

bool tpReperUI::values(float *p) const
{
    for (int i = 0; i < tpReper::pointCount; ++i) {
        bool ok = false;
        p[i] = str2Float(m_edits[i]->text(), &ok);
        if (!ok || !(p[i] > 0))
            return false;
    }
    return true;
}

void tpReperUI::on_pushButton_2_clicked()
{
    float p[tpReper::pointCount];
    if (!values(p))
        return;
    QMap<quint16, float> table;
    // A value outside its table gives no table: say so rather than hand back nothing.
    if (!tpReper::getEDSTable(p, table)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("ТЭДС вне таблиц пересчёта.\nДопустимые значения указаны рядом с полями."));
        return;
    }
    m_output->clear();
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        *m_output << QString::number(it.key()) << QString::number(it.value(), 'f', 4);
    accept();
}

void tpReperUI::on_pushButton_clicked()
{
    reject();
}
