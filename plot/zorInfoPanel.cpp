#include "plot/zorInfoPanel.h"

#include "plot/QwtLabelClick.h"

#include <QFormLayout>

zorInfoPanel::zorInfoPanel(const QStringList &captions, QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAutoFillBackground(true);
    auto *layout = new QFormLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setVerticalSpacing(2);
    for (const QString &caption : captions) {
        if (caption.isEmpty()) {
            layout->addRow(new QLabel(this));
            m_values.append(nullptr);
            continue;
        }
        auto *label = new QwtLabelClick(QString(), this);
        label->setCursor(Qt::PointingHandCursor);
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        layout->addRow(QStringLiteral("<b>") + caption + QStringLiteral("</b>"), label);
        m_values.append(label);
    }
    hide();
}

void zorInfoPanel::setValue(int row, const QString &text)
{
    m_values.at(row)->setText(text);
}

void zorInfoPanel::resetStyles()
{
    for (QwtLabelClick *label : m_values) {
        if (label)
            label->setStyleSheet(QString());
    }
}
