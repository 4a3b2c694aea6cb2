#pragma once

#include <QList>
#include <QString>
#include <deque>

class QWidget;

// Every message box the program shows goes through a Prompter, so that pages
// never build message boxes themselves and tests can answer them.

enum class PromptIcon { None, Information, Warning, Error, Question };

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

// Answers keep the numbers the dialog results had on the original platform, so
// code ported from there compares against familiar values.
enum PromptAnswer : int {
    PromptNone = 0,
    PromptOk = 1,
    PromptCancel = 2,
    PromptRetry = 4,
    PromptYes = 6,
    PromptNo = 7,
};

struct PromptRequest {
    QString text;
    QString caption;
    PromptIcon icon = PromptIcon::Information;
    PromptButtons buttons = PromptButtons::Ok;
    // The answer of the default button; PromptNone means the first button.
    int defaultAnswer = PromptNone;
    QWidget* parent = nullptr;

    // The answers the buttons can give, in the order the buttons appear.
    QList<int> Answers() const;
    // The default answer, resolved to one of Answers().
    int DefaultAnswer() const;
    // Whether the answer belongs to one of this box's buttons.
    bool Allows(int answer) const;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows the box and returns the answer (one of PromptAnswer).
    virtual int Ask(const PromptRequest& request) = 0;

    // Shorthands for the common boxes.
    int Ask(const QString& text, const QString& caption, PromptIcon icon,
            PromptButtons buttons = PromptButtons::Ok, int defaultAnswer = PromptNone,
            QWidget* parent = nullptr);
    void Tell(const QString& text, const QString& caption, PromptIcon icon,
              QWidget* parent = nullptr) {
        Ask(text, caption, icon, PromptButtons::Ok, PromptOk, parent);
    }
    // Asks for a secret (a password) in a box whose entry hides what is typed.
    // False when the operator cancels; *secret is then left alone.
    virtual bool AskSecret(const QString& text, const QString& caption, QString* secret,
                           QWidget* parent = nullptr) = 0;
};

// The program's prompter: a modal QMessageBox. Texts are shown as plain text,
// never as markup, because some carry angle brackets.
class QMessageBoxPrompter : public Prompter {
public:
    using Prompter::Ask;
    int Ask(const PromptRequest& request) override;
    bool AskSecret(const QString& text, const QString& caption, QString* secret,
                   QWidget* parent = nullptr) override;
};

// The tests' prompter: answers from a queue and records every box asked. A box
// with no scripted answer, or whose scripted answer is not one of its buttons,
// is recorded as unexpected and answered with its default.
class ScriptedPrompter : public Prompter {
public:
    using Prompter::Ask;
    int Ask(const PromptRequest& request) override;

    // Queues the answer for the next box.
    void Answer(int answer) { m_answers.push_back(answer); }
    // Queues the secret typed into the next secret box; a box with none queued
    // is recorded as unexpected and cancelled.
    void AnswerSecret(const QString& secret) { m_secrets.push_back(secret); }
    bool AskSecret(const QString& text, const QString& caption, QString* secret,
                   QWidget* parent = nullptr) override;
    void Answer(std::initializer_list<int> answers) { m_answers.insert(m_answers.end(), answers); }

    struct Record {
        PromptRequest request;
        int answer = PromptNone;
        bool scripted = false;
    };
    const QList<Record>& Asked() const { return m_asked; }
    // Requests that found no fitting scripted answer.
    QList<PromptRequest> Unexpected() const;
    // Scripted answers not used yet.
    int PendingAnswers() const { return int(m_answers.size()); }
    // Text of the last box asked, empty when none was.
    QString LastText() const { return m_asked.isEmpty() ? QString() : m_asked.last().request.text; }
    void Clear() {
        m_asked.clear();
        m_answers.clear();
        m_secrets.clear();
    }

private:
    std::deque<int> m_answers;
    std::deque<QString> m_secrets;
    QList<Record> m_asked;
};
