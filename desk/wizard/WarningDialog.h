#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// The validation warning: how many entries of each kind are wrong, with the
// details, before the operator goes on with an update that would fail on them.
class CWarningDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Validation Warning";
    static constexpr const char* kText =
        "Some of the Volumes you have entered have invalid attributes (see details below). "
        "Continuing without correction will result in errors.";

    CWarningDialog(QWidget* parent, int repositoryErrors, int backwardDates, int volumeErrors,
                   int missingTags, const QString& details);

    // The shown counts, in the order given, and the details.
    QLineEdit* CountField(int index) const;
    QPlainTextEdit* Details() const { return m_details; }

private:
    QLineEdit* m_counts[4] = {};
    QPlainTextEdit* m_details = nullptr;
};
