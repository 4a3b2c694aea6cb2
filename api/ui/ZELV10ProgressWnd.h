#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// A small progress window for bulk operations and file transfers: a title, a
// range and position, two text lines and a Cancel button. The loop that drives
// it runs on the user-interface thread, so every update lets pending events
// through (a Cancel click among them) and the loop polls IsCancelled() before
// its next step. Shown on construction, modal to its parent.
class CZELV10ProgressWnd : public QDialog {
    Q_OBJECT
public:
    // Values of flags: a file upload or download (the picture shows which).
    static constexpr int kUpload = 3;
    static constexpr int kDownload = 4;

    // Range 0 .. total.
    CZELV10ProgressWnd(int total, int flags, QWidget* parent = nullptr);
    ~CZELV10ProgressWnd() override;

    void SetTitle(const QString& title);
    void SetRange(int lower, int upper);
    // Line 1 or 2; other numbers are ignored.
    void SetText(int line, const QString& text);
    void SetText(const QString& text) { SetText(1, text); }
    // Clamped to the range.
    void SetPos(int pos);
    void Step(int by = 1);
    int Pos() const;
    int Minimum() const;
    int Maximum() const;
    QString Text(int line) const;
    int Flags() const { return m_flags; }

    bool IsCancelled() const { return m_cancelled; }
    // As the Cancel button does.
    void Cancel();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Pump();

    int m_flags = 0;
    bool m_cancelled = false;
    QLabel* m_picture = nullptr;
    QLabel* m_line1 = nullptr;
    QLabel* m_line2 = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
};
