#pragma once

#include "ZELVDeskConfig.h"

#include <QWidget>

class CZELV10ChangerPanel;
class QComboBox;

// The SCSI Media Changer Console: the changers ZELVDesk.cfg names for its
// library Repositories (or any device typed in), each shown and driven by
// the changer panel the library management window uses.
class CZELVScsiConsole : public QWidget {
    Q_OBJECT
public:
    explicit CZELVScsiConsole(const QList<ZELVDeskConfig::ChangerElement>& changers,
                              const QString& device = {}, QWidget* parent = nullptr);
    CZELV10ChangerPanel* Panel() const { return m_panel; }
    QComboBox* Changers() const { return m_changers; }

private:
    QList<ZELVDeskConfig::ChangerElement> m_list;
    QComboBox* m_changers = nullptr;
    CZELV10ChangerPanel* m_panel = nullptr;
};
