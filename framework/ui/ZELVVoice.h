#pragma once

#include <QStringList>
#include <memory>

class QTextToSpeech;

// Spoken prompts. Say returns at once; speaking goes on in the background. An
// empty text says nothing.
class IVoice {
public:
    virtual ~IVoice() = default;
    virtual void Say(const QString& text) = 0;
    // Whether anything can be heard at all.
    virtual bool IsAvailable() const = 0;
};

// The program's voice: Qt TextToSpeech with one engine asked for by name.
// Only "flite" is asked for by default: the speech-dispatcher engine hangs on a
// machine without an audio device. A missing engine, or one that reports an
// error, leaves the voice silent for good.
class QtVoice : public IVoice {
public:
    explicit QtVoice(const QString& engine = QStringLiteral("flite"));
    ~QtVoice() override;
    QtVoice(const QtVoice&) = delete;
    QtVoice& operator=(const QtVoice&) = delete;

    void Say(const QString& text) override;
    bool IsAvailable() const override;

private:
    std::unique_ptr<QTextToSpeech> m_speech;
};

// Records what would have been spoken, for tests.
class RecordingVoice : public IVoice {
public:
    void Say(const QString& text) override {
        if (!text.isEmpty())
            m_said.append(text);
    }
    bool IsAvailable() const override { return true; }
    const QStringList& Said() const { return m_said; }
    void Clear() { m_said.clear(); }

private:
    QStringList m_said;
};
