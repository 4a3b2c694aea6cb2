#include "ZELVVoice.h"

#include <QTextToSpeech>

QtVoice::QtVoice(const QString& engine) {
    // Asking for an engine that is not installed would make Qt fall back to
    // whatever it finds first, which may be the one that hangs.
    if (engine.isEmpty() || !QTextToSpeech::availableEngines().contains(engine))
        return;
    m_speech = std::make_unique<QTextToSpeech>(engine);
    if (m_speech->state() == QTextToSpeech::Error)
        m_speech.reset();
}

QtVoice::~QtVoice() {
    if (m_speech && m_speech->state() == QTextToSpeech::Speaking)
        m_speech->stop();
}

void QtVoice::Say(const QString& text) {
    if (text.isEmpty() || !IsAvailable())
        return;
    m_speech->say(text);
}

bool QtVoice::IsAvailable() const {
    return m_speech && m_speech->state() != QTextToSpeech::Error;
}
