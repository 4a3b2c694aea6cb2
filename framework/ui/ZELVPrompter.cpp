#include "ZELVPrompter.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

QList<int> PromptRequest::Answers() const {
    switch (buttons) {
    case PromptButtons::Ok:
        return {PromptOk};
    case PromptButtons::OkCancel:
        return {PromptOk, PromptCancel};
    case PromptButtons::YesNo:
        return {PromptYes, PromptNo};
    case PromptButtons::YesNoCancel:
        return {PromptYes, PromptNo, PromptCancel};
    case PromptButtons::RetryCancel:
        return {PromptRetry, PromptCancel};
    }
    return {PromptOk};
}

int PromptRequest::DefaultAnswer() const {
    const QList<int> answers = Answers();
    return answers.contains(defaultAnswer) ? defaultAnswer : answers.first();
}

bool PromptRequest::Allows(int answer) const {
    return Answers().contains(answer);
}

int Prompter::Ask(const QString& text, const QString& caption, PromptIcon icon,
                  PromptButtons buttons, int defaultAnswer, QWidget* parent) {
    PromptRequest request;
    request.text = text;
    request.caption = caption;
    request.icon = icon;
    request.buttons = buttons;
    request.defaultAnswer = defaultAnswer;
    request.parent = parent;
    return Ask(request);
}

namespace {

QMessageBox::StandardButton ToStandard(int answer) {
    switch (answer) {
    case PromptOk:
        return QMessageBox::Ok;
    case PromptCancel:
        return QMessageBox::Cancel;
    case PromptRetry:
        return QMessageBox::Retry;
    case PromptYes:
        return QMessageBox::Yes;
    case PromptNo:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

int FromStandard(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return PromptOk;
    case QMessageBox::Cancel:
        return PromptCancel;
    case QMessageBox::Retry:
        return PromptRetry;
    case QMessageBox::Yes:
        return PromptYes;
    case QMessageBox::No:
        return PromptNo;
    default:
        return PromptNone;
    }
}

QMessageBox::Icon ToIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

bool QMessageBoxPrompter::AskSecret(const QString& text, const QString& caption, QString* secret,
                                    QWidget* parent) {
    bool ok = false;
    const QString typed =
        QInputDialog::getText(parent, caption, text, QLineEdit::Password, QString(), &ok);
    if (ok)
        *secret = typed;
    return ok;
}

int QMessageBoxPrompter::Ask(const PromptRequest& request) {
    QMessageBox box(request.parent);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(ToIcon(request.icon));
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    const QList<int> answers = request.Answers();
    for (int answer : answers)
        box.addButton(ToStandard(answer));
    box.setDefaultButton(ToStandard(request.DefaultAnswer()));
    // Qt picks the escape button itself: Cancel where there is one, No on a Yes/No box.
    box.exec();
    const int answer = FromStandard(box.standardButton(box.clickedButton()));
    // Closing a box that has no escape answer counts as its default.
    return answer == PromptNone ? request.DefaultAnswer() : answer;
}

int ScriptedPrompter::Ask(const PromptRequest& request) {
    Record record;
    record.request = request;
    if (!m_answers.empty() && request.Allows(m_answers.front())) {
        record.answer = m_answers.front();
        record.scripted = true;
        m_answers.pop_front();
    } else {
        // A wrong scripted answer stays queued: the box it was meant for may come next.
        record.answer = request.DefaultAnswer();
    }
    m_asked.append(record);
    return record.answer;
}

bool ScriptedPrompter::AskSecret(const QString& text, const QString& caption, QString* secret,
                                 QWidget* parent) {
    Record record;
    record.request.text = text;
    record.request.caption = caption;
    record.request.icon = PromptIcon::Question;
    record.request.buttons = PromptButtons::OkCancel;
    record.request.parent = parent;
    record.answer = PromptCancel;
    if (!m_secrets.empty()) {
        *secret = m_secrets.front();
        m_secrets.pop_front();
        record.answer = PromptOk;
        record.scripted = true;
    }
    m_asked.append(record);
    return record.scripted;
}

QList<PromptRequest> ScriptedPrompter::Unexpected() const {
    QList<PromptRequest> result;
    for (const Record& record : m_asked)
        if (!record.scripted)
            result.append(record.request);
    return result;
}
