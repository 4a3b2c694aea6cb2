#pragma once

#include <QList>
#include <map>
#include <memory>

class QSoundEffect;

// Short sound cues, named by their resource numbers: 232 scan error, 346 items
// copied, 347 values pasted, 205 list dropped down or property panel opened,
// 108 no eligible containers. Play returns at once; a new cue does not wait for
// one still playing; an unknown number plays nothing (there is no fallback sound).
class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    virtual void Play(int resourceId) = 0;
};

// The program's player: Qt Multimedia sound effects over our own WAV files.
class QtSoundPlayer : public ISoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer&) = delete;
    QtSoundPlayer& operator=(const QtSoundPlayer&) = delete;

    void Play(int resourceId) override;
    // Whether a cue with this number exists.
    static bool HasSound(int resourceId);

private:
    std::map<int, std::unique_ptr<QSoundEffect>> m_effects; // loaded on first use
};

// Records the cues played, for tests.
class RecordingSoundPlayer : public ISoundPlayer {
public:
    void Play(int resourceId) override { m_played.append(resourceId); }
    const QList<int>& Played() const { return m_played; }
    void Clear() { m_played.clear(); }

private:
    QList<int> m_played;
};
