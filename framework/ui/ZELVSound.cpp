#include "ZELVSound.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>

namespace {

QString SoundPath(int resourceId) {
    return QStringLiteral(":/sounds/%1.wav").arg(resourceId);
}

} // namespace

QtSoundPlayer::QtSoundPlayer() = default;

QtSoundPlayer::~QtSoundPlayer() = default;

bool QtSoundPlayer::HasSound(int resourceId) {
    return QFile::exists(SoundPath(resourceId));
}

void QtSoundPlayer::Play(int resourceId) {
    if (!HasSound(resourceId))
        return;
    auto& effect = m_effects[resourceId];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl(QStringLiteral("qrc") + SoundPath(resourceId)));
    }
    // Restarting a cue that is still playing is what the operator expects from
    // a second scan error in quick succession.
    effect->stop();
    effect->play();
}
