#include "ZELVIcons.h"
#include "ZELVSound.h"
#include "ZELVVoice.h"

#include <QFile>
#include <QImage>
#include <QTest>
#include <QtEndian>

class ZELVVoiceSoundTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void recordingVoiceKeepsWhatWasSaid() {
        RecordingVoice voice;
        voice.Say(QStringLiteral("Please select a Library Management Task"));
        voice.Say(QString());
        voice.Say(QStringLiteral("There was an error confirming this Volume"));
        QCOMPARE(voice.Said(), QStringList({"Please select a Library Management Task",
                                            "There was an error confirming this Volume"}));
    }

    void missingEngineIsSilent() {
        QtVoice voice(QStringLiteral("no-such-engine"));
        QVERIFY(!voice.IsAvailable());
        voice.Say(QStringLiteral("Hello")); // must simply do nothing
        QtVoice unnamed{QString()};
        QVERIFY(!unnamed.IsAvailable());
    }

    void defaultVoiceNeitherHangsNorCrashesWithoutAudio() {
        // Whether flite is installed or not, and with no audio device: speaking
        // returns at once and the voice can be destroyed while it speaks.
        auto voice = std::make_unique<QtVoice>();
        qInfo("flite voice available: %s", voice->IsAvailable() ? "yes" : "no");
        voice->Say(QStringLiteral("Scan"));
        QCoreApplication::processEvents();
        voice->Say(QStringLiteral("Scan again"));
        voice.reset();
    }

    void soundResourcesAreShortPcmWaves_data() {
        QTest::addColumn<int>("id");
        for (int id : {232, 346, 347, 205, 108})
            QTest::addRow("%d", id) << id;
    }
    void soundResourcesAreShortPcmWaves() {
        QFETCH(int, id);
        QVERIFY(QtSoundPlayer::HasSound(id));
        QFile file(QStringLiteral(":/sounds/%1.wav").arg(id));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray wav = file.readAll();
        QVERIFY(wav.size() > 44);
        QCOMPARE(wav.left(4), QByteArray("RIFF"));
        QCOMPARE(wav.mid(8, 4), QByteArray("WAVE"));
        QCOMPARE(wav.mid(12, 4), QByteArray("fmt "));
        const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
        QCOMPARE(u16(20), quint16(1));  // PCM
        QCOMPARE(u16(22), quint16(1));  // mono
        QCOMPARE(u16(34), quint16(16)); // bits per sample
        QCOMPARE(wav.mid(36, 4), QByteArray("data"));
        const quint32 bytes = u32(40);
        QCOMPARE(qsizetype(bytes) + 44, wav.size());
        const double seconds = double(bytes) / (2.0 * u32(24));
        QVERIFY2(seconds > 0.01 && seconds < 1.0, qPrintable(QString::number(seconds)));
        // Not silence.
        bool loud = false;
        for (int i = 44; i + 1 < wav.size() && !loud; i += 2)
            loud = qAbs(qint16(u16(i))) > 1000;
        QVERIFY(loud);
    }

    void unknownSoundPlaysNothing() {
        QVERIFY(!QtSoundPlayer::HasSound(999));
        QtSoundPlayer player;
        player.Play(999);
        player.Play(232); // no audio device here: must not fail loudly
        player.Play(232);
    }

    void recordingPlayerKeepsTheCues() {
        RecordingSoundPlayer player;
        player.Play(232);
        player.Play(346);
        QCOMPARE(player.Played(), QList<int>({232, 346}));
    }

    void everyIconHasADrawingOfOurOwn_data() {
        QTest::addColumn<int>("id");
        for (int id : {101, 110, 227, 228, 233, 236, 237, 238, 319, 321, 325, 331,
                       332, 333, 342, 348, 349, 350, 351, 353, 356, 358, 366, 367,
                       368, 369, 371, 373, 388, 389, 391, 395, 398, 399, 400})
            QTest::addRow("%d", id) << id;
    }
    void everyIconHasADrawingOfOurOwn() {
        QFETCH(int, id);
        QVERIFY(ZELVHasIcon(id));
        QVERIFY(!ZELVIcon(id).isNull());
        const QImage image = ZELVOwnIcon(id, 16).toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        int drawn = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                drawn += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(drawn > 40, "the icon is nearly empty");
    }

    void unknownIconsAndBitmapsAreNull() {
        QVERIFY(!ZELVHasIcon(12345));
        QVERIFY(ZELVIcon(12345).isNull());
        QVERIFY(ZELVOwnIcon(12345).isNull());
        QVERIFY(ZELVBitmap(12345).isNull());
    }

    void bitmapsHaveTheirLayoutSizes() {
        QCOMPARE(ZELVBitmap(200).size(), QSize(49, 49));   // header
        QCOMPARE(ZELVBitmap(201).size(), QSize(200, 50));  // About area
        QCOMPARE(ZELVBitmap(202).size(), QSize(164, 314)); // watermark
    }
};

QTEST_MAIN(ZELVVoiceSoundTest)
#include "ZELVVoiceSoundTest.moc"
