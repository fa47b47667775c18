#include "results/zorSeparatorBoxes.h"

#include <QComboBox>
#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("zorSeparatorBoxes", text);
}
} // namespace

void zorSeparatorBoxes::fillField(QComboBox *box)
{
    box->addItem(tr("Точка с запятой"), QStringLiteral(";"));
    box->addItem(tr("Табуляция"), QStringLiteral("\t"));
    box->addItem(tr("Запятая"), QStringLiteral(","));
    box->addItem(tr("Пробел"), QStringLiteral(" "));
    box->addItem(tr("Двоеточие"), QStringLiteral(":"));
}

// "Системный" leaves the values as formatted, with a point.
void zorSeparatorBoxes::fillPoint(QComboBox *box)
{
    box->addItem(tr("Системный"), QString());
    box->addItem(tr("Точка"), QStringLiteral("."));
    box->addItem(tr("Запятая"), QStringLiteral(","));
}
