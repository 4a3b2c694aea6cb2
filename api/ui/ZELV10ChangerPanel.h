#pragma once

#include "ZELVMtxStatus.h"

#include <QStringList>
#include <QWidget>
#include <map>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

// A SCSI media changer driven through `mtx`: its drives and slots with their
// volume tags, Load and Unload, and, when the server's slot records are
// given, which slots disagree with them. mtx runs as a child process with a
// bounded wait, never through a shell; what goes wrong is said in the
// message line, so a dead changer never hangs the window for long.
class CZELV10ChangerPanel : public QWidget {
    Q_OBJECT
public:
    // Columns of the element table.
    enum Column { ColElement, ColState, ColTag, ColServer, ColCheck, ColumnCount };
    static constexpr int kDefaultTimeoutMs = 30000;
    static inline const QColor MismatchColour() { return QColor(255, 205, 205); }

    explicit CZELV10ChangerPanel(QWidget* parent = nullptr);

    void SetDevice(const QString& device);
    QString Device() const;
    // Whether the operator may type another device.
    void SetDeviceEditable(bool on);
    // The program run; "mtx" (found through PATH) unless told otherwise.
    void SetProgram(const QString& program) { m_program = program; }
    // Longest wait for one mtx run.
    void SetTimeout(int ms) { m_timeoutMs = ms; }
    int Timeout() const { return m_timeoutMs; }
    // The server's Volumes per slot number (a changer's storage element n
    // is the Repository's slot n). Without them no slot is checked.
    void SetServerSlots(const std::map<int, QStringList>& serverSlots);

    // `mtx -f DEVICE status`, parsed and shown. False when it failed.
    bool RefreshStatus();
    // `mtx -f DEVICE load SLOT DRIVE` / `unload SLOT DRIVE`, then the status.
    bool Load(int slot, int drive);
    bool Unload(int slot, int drive);

    const ZELVChangerStatus& Status() const { return m_status; }
    QString Message() const;
    // Storage elements whose tag disagrees with the server's record.
    int MismatchCount() const { return m_mismatches; }
    QTableWidget* Table() const { return m_table; }

private:
    // Runs mtx with the arguments after "-f DEVICE"; its standard output in
    // *output. False, with the message set, when it could not run, failed
    // or did not end within the timeout.
    bool Run(const QStringList& arguments, QString* output);
    void Fill();
    void SetMessage(const QString& text, bool error);

    QString m_program = QStringLiteral("mtx");
    int m_timeoutMs = kDefaultTimeoutMs;
    std::map<int, QStringList> m_serverSlots;
    bool m_haveServerSlots = false;
    ZELVChangerStatus m_status;
    int m_mismatches = 0;

    QLineEdit* m_device = nullptr;
    QSpinBox* m_slot = nullptr;
    QSpinBox* m_drive = nullptr;
    QPushButton* m_statusButton = nullptr;
    QPushButton* m_loadButton = nullptr;
    QPushButton* m_unloadButton = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_message = nullptr;
    QPlainTextEdit* m_output = nullptr;
};
