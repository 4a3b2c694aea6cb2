#include "ZELVScsiConsole.h"

#include "ZELV10ChangerPanel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

CZELVScsiConsole::CZELVScsiConsole(const QList<ZELVDeskConfig::ChangerElement>& changers,
                                   const QString& device, QWidget* parent)
    : QWidget(parent), m_list(changers) {
    setObjectName(QStringLiteral("scsiConsole"));
    setWindowTitle(QStringLiteral("SCSI Media Changer Console"));
    resize(720, 560);
    m_changers = new QComboBox(this);
    m_changers->setObjectName(QStringLiteral("configuredChangers"));
    m_changers->addItem(QStringLiteral("(device typed below)"));
    for (const ZELVDeskConfig::ChangerElement& c : changers)
        m_changers->addItem(QStringLiteral("%1 - %2").arg(c.repository, c.device));
    m_panel = new CZELV10ChangerPanel(this);
    m_panel->SetDeviceEditable(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Changer:"), m_changers);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_panel, 1);

    connect(m_changers, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index <= 0 || index > m_list.size())
            return;
        const ZELVDeskConfig::ChangerElement& c = m_list[index - 1];
        m_panel->SetDevice(c.device);
        m_panel->SetTimeout(c.timeoutSeconds * 1000);
    });
    if (!device.isEmpty())
        m_panel->SetDevice(device);
    else if (!changers.isEmpty())
        m_changers->setCurrentIndex(1);
}
