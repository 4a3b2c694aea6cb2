#include "ZELV10ChangerPanel.h"

#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kHeadings[] = {"Element", "State", "Volume Tag", "Server", "Check"};

QString ElementName(const ZELVChangerElement& e) {
    if (e.kind == ZELVChangerElement::DataTransfer)
        return QStringLiteral("Drive %1").arg(e.number);
    return e.importExport ? QStringLiteral("Slot %1 (import/export)").arg(e.number)
                          : QStringLiteral("Slot %1").arg(e.number);
}

QString StateText(const ZELVChangerElement& e) {
    if (!e.full)
        return QStringLiteral("Empty");
    if (e.kind == ZELVChangerElement::DataTransfer && e.loadedFrom > 0)
        return QStringLiteral("Full (from slot %1)").arg(e.loadedFrom);
    return QStringLiteral("Full");
}

bool AnyMatches(const QString& tag, const QStringList& volumes) {
    for (const QString& v : volumes)
        if (ZELVVolumeTagMatches(tag, v))
            return true;
    return false;
}

} // namespace

CZELV10ChangerPanel::CZELV10ChangerPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("changerPanel"));
    m_device = new QLineEdit(this);
    m_device->setObjectName(QStringLiteral("changerDevice"));
    m_device->setPlaceholderText(QStringLiteral("/dev/sg3"));
    m_slot = new QSpinBox(this);
    m_slot->setObjectName(QStringLiteral("changerSlot"));
    m_slot->setRange(1, 1000000);
    m_drive = new QSpinBox(this);
    m_drive->setObjectName(QStringLiteral("changerDrive"));
    m_drive->setRange(0, 1000);
    m_statusButton = new QPushButton(QStringLiteral("&Status"), this);
    m_statusButton->setObjectName(QStringLiteral("changerStatus"));
    m_loadButton = new QPushButton(QStringLiteral("&Load"), this);
    m_loadButton->setObjectName(QStringLiteral("changerLoad"));
    m_unloadButton = new QPushButton(QStringLiteral("&Unload"), this);
    m_unloadButton->setObjectName(QStringLiteral("changerUnload"));

    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("changerElements"));
    QStringList headings;
    for (const char* h : kHeadings)
        headings << QString::fromLatin1(h);
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("changerMessage"));
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_output = new QPlainTextEdit(this);
    m_output->setObjectName(QStringLiteral("changerOutput"));
    m_output->setReadOnly(true);
    m_output->setMaximumBlockCount(2000);
    m_output->setMaximumHeight(110);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Device:"), m_device);
    auto* moves = new QHBoxLayout;
    moves->addWidget(new QLabel(QStringLiteral("Slot:"), this));
    moves->addWidget(m_slot);
    moves->addWidget(new QLabel(QStringLiteral("Drive:"), this));
    moves->addWidget(m_drive);
    moves->addWidget(m_loadButton);
    moves->addWidget(m_unloadButton);
    moves->addStretch(1);
    moves->addWidget(m_statusButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addLayout(moves);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_message);
    layout->addWidget(m_output);

    connect(m_statusButton, &QPushButton::clicked, this, [this] { RefreshStatus(); });
    connect(m_loadButton, &QPushButton::clicked, this,
            [this] { Load(m_slot->value(), m_drive->value()); });
    connect(m_unloadButton, &QPushButton::clicked, this,
            [this] { Unload(m_slot->value(), m_drive->value()); });
}

void CZELV10ChangerPanel::SetDevice(const QString& device) {
    m_device->setText(device);
}

QString CZELV10ChangerPanel::Device() const {
    return m_device->text().trimmed();
}

void CZELV10ChangerPanel::SetDeviceEditable(bool on) {
    m_device->setReadOnly(!on);
}

void CZELV10ChangerPanel::SetServerSlots(const std::map<int, QStringList>& serverSlots) {
    m_serverSlots = serverSlots;
    m_haveServerSlots = true;
    Fill();
}

QString CZELV10ChangerPanel::Message() const {
    return m_message->text();
}

void CZELV10ChangerPanel::SetMessage(const QString& text, bool error) {
    m_message->setText(text);
    m_message->setStyleSheet(error ? QStringLiteral("color: #b00000;") : QString());
}

bool CZELV10ChangerPanel::Run(const QStringList& arguments, QString* output) {
    const QString device = Device();
    if (device.isEmpty()) {
        SetMessage(QStringLiteral("No changer device is given."), true);
        return false;
    }
    // A device text starting with "-" would be read by mtx as an option.
    if (device.startsWith(QLatin1Char('-'))) {
        SetMessage(QStringLiteral("\"%1\" is not a device.").arg(device), true);
        return false;
    }
    const QStringList all = QStringList{QStringLiteral("-f"), device} + arguments;
    const QString shown = QStringLiteral("mtx %1").arg(all.join(QLatin1Char(' ')));
    m_output->appendPlainText(QStringLiteral("$ ") + shown);

    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(m_program, all, QIODevice::ReadOnly);
    if (!process.waitForStarted(m_timeoutMs)) {
        SetMessage(QStringLiteral("mtx could not be started: %1").arg(process.errorString()), true);
        return false;
    }
    const int left = std::max(0, m_timeoutMs - int(clock.elapsed()));
    if (!process.waitForFinished(left)) {
        process.kill();
        process.waitForFinished(2000);
        SetMessage(QStringLiteral("The changer did not answer within %1 seconds (%2).")
                       .arg(QString::number(double(m_timeoutMs) / 1000.0), shown),
                   true);
        return false;
    }
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (!out.isEmpty())
        m_output->appendPlainText(out.trimmed());
    if (!err.isEmpty())
        m_output->appendPlainText(err);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        SetMessage(QStringLiteral("%1 failed (exit code %2)%3")
                       .arg(shown)
                       .arg(process.exitCode())
                       .arg(err.isEmpty() ? QString() : QStringLiteral(": ") + err),
                   true);
        return false;
    }
    if (output)
        *output = out;
    return true;
}

bool CZELV10ChangerPanel::RefreshStatus() {
    QString text;
    if (!Run({QStringLiteral("status")}, &text))
        return false;
    ZELVChangerStatus status;
    QString why;
    if (!ZELVParseMtxStatus(text, &status, &why)) {
        SetMessage(why, true);
        return false;
    }
    m_status = std::move(status);
    Fill();
    QString message = QStringLiteral("%1 slots (%2 full), %3 drives.")
                          .arg(m_status.CountStorage())
                          .arg(m_status.CountFullStorage())
                          .arg(m_status.elements.size() - size_t(m_status.CountStorage()));
    if (m_haveServerSlots)
        message += m_mismatches == 0
                       ? QStringLiteral(" The changer agrees with the server's slot records.")
                       : QStringLiteral(" %1 slots disagree with the server's slot records.")
                             .arg(m_mismatches);
    SetMessage(message, false);
    return true;
}

bool CZELV10ChangerPanel::Load(int slot, int drive) {
    if (!Run({QStringLiteral("load"), QString::number(slot), QString::number(drive)}, nullptr))
        return false;
    return RefreshStatus();
}

bool CZELV10ChangerPanel::Unload(int slot, int drive) {
    if (!Run({QStringLiteral("unload"), QString::number(slot), QString::number(drive)}, nullptr))
        return false;
    return RefreshStatus();
}

void CZELV10ChangerPanel::Fill() {
    m_table->setRowCount(0);
    m_mismatches = 0;
    m_table->setRowCount(int(m_status.elements.size()));
    int row = 0;
    for (const ZELVChangerElement& e : m_status.elements) {
        QString server;
        QString check;
        if (e.kind == ZELVChangerElement::Storage && m_haveServerSlots) {
            const auto it = m_serverSlots.find(e.number);
            const QStringList volumes = it == m_serverSlots.end() ? QStringList() : it->second;
            server = volumes.join(QStringLiteral(", "));
            bool agrees = true;
            if (e.full && !e.volumeTag.isEmpty())
                agrees = AnyMatches(e.volumeTag, volumes);
            else if (e.full) // no tag reader: a full slot agrees with any record
                agrees = !volumes.isEmpty();
            else if (!volumes.isEmpty()) {
                // Empty because the tape sits in a drive?
                agrees = false;
                for (const ZELVChangerElement& d : m_status.elements)
                    if (d.kind == ZELVChangerElement::DataTransfer && d.full &&
                        d.loadedFrom == e.number &&
                        (d.volumeTag.isEmpty() || AnyMatches(d.volumeTag, volumes)))
                        agrees = true;
            }
            if (!e.full && volumes.isEmpty())
                check.clear();
            else
                check = agrees ? QStringLiteral("OK") : QStringLiteral("Mismatch");
            m_mismatches += !agrees;
        }
        const QString texts[ColumnCount] = {ElementName(e), StateText(e), e.volumeTag, server,
                                            check};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (check == QLatin1String("Mismatch"))
                item->setBackground(MismatchColour());
            m_table->setItem(row, c, item);
        }
        ++row;
    }
    m_table->resizeColumnsToContents();
}
