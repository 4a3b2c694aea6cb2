#pragma once

// What the page benchmarks share: the demo database (made in a temporary
// folder, or one made before reused) and a ZELVDesk sheet logged on to it,
// with an application object that reads a fixed configuration.

#include "ZELV10MFC.h"
#include "ZELVConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZelvDemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

// The application object as far as the sheet needs it.
class BenchHost : public IZELVDeskHost {
public:
    BenchHost(const ZELVServerAddress& server, const QString& profile, const char* config)
        : m_server(server), m_profile(profile, QSettings::IniFormat), m_text(config) {}
    bool LoadConfig(const QString&, QWidget*) override {
        return m_config.ReadString(QString::fromLatin1(m_text));
    }
    const ZELVConfig& Config() const override { return m_config; }
    QString Expand(const QString& text, int) override { return text; }
    bool ShowNotification(QWidget*, const QString&, const QString&, const QString&, int,
                          int) override {
        return false;
    }
    void GetAssistance(QWidget*) override {}
    void ShowAbout() override {}
    ZELVServerAddress DefaultServer() const override { return m_server; }
    QSettings& Profile() override { return m_profile; }

private:
    ZELVServerAddress m_server;
    QSettings m_profile;
    const char* m_text;
    ZELVConfig m_config;
};

struct BenchDesk {
    uint64_t volumes = 1000000;
    QString database; // empty: a new demo database in the temporary folder

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<BenchHost> host;
    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<RecordingSoundPlayer> sounds;
    std::unique_ptr<CZELVDeskSheet> sheet;

    // Takes --volumes N and --database FILE; the rest is left for the
    // benchmark library.
    std::vector<char*> TakeArguments(int argc, char** argv) {
        std::vector<char*> rest;
        for (int i = 0; i < argc; ++i) {
            if (std::strcmp(argv[i], "--volumes") == 0 && i + 1 < argc)
                volumes = std::strtoull(argv[++i], nullptr, 10);
            else if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc)
                database = QString::fromLocal8Bit(argv[++i]);
            else
                rest.push_back(argv[i]);
        }
        return rest;
    }

    // The database (made first when none was named) and the sheet on it,
    // its log open and logged on; false, said on stderr, when that fails.
    bool Open(const char* config) {
        dir = std::make_unique<QTemporaryDir>();
        ZELVServerAddress address;
        address.filePath = database.isEmpty() ? dir->filePath(QStringLiteral("demo.db")) : database;
        // A database of our own gets a password of our own; a given one
        // comes with KELMAR_PASSWORD, as for zelvadmin.
        address.password = database.isEmpty() ? CZELV10MFC::GenerateRandomPassword()
                                              : qEnvironmentVariable("KELMAR_PASSWORD");
        if (database.isEmpty()) {
            CZELV10MFC mfc;
            mfc.SetServerAddress(address);
            QElapsedTimer t;
            t.start();
            CZELV10RC rc = mfc.Logon(1 | CZELV10MFC::kLogonCreateOwner);
            ZelvDemoSummary summary;
            if (rc.IsOK())
                rc = ZelvMakeDemo(mfc, volumes, &summary);
            if (!rc.IsOK()) {
                fprintf(stderr, "demo: %s\n", qPrintable(rc.Get()));
                return false;
            }
            fprintf(stderr, "demo data set: %llu Volumes in %.1f s\n",
                    static_cast<unsigned long long>(summary.volumes), t.elapsed() / 1000.0);
        }
        host = std::make_unique<BenchHost>(address, dir->filePath(QStringLiteral("profile.ini")),
                                           config);
        prompter = std::make_unique<ScriptedPrompter>();
        sounds = std::make_unique<RecordingSoundPlayer>();
        CZELVDeskSheetSetup setup;
        setup.prompter = prompter.get();
        setup.sounds = sounds.get();
        setup.programFolder = dir->path();
        sheet = std::make_unique<CZELVDeskSheet>(*host, std::move(setup));
        return sheet->OpenLogAndLogon(dir->path());
    }

    // The whole program of a page benchmark: our options, the application
    // (offscreen), setup, then the benchmarks with the rest of the options.
    int Run(int argc, char** argv, const std::function<bool()>& setup) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        std::vector<char*> rest = TakeArguments(argc, argv);
        int restCount = int(rest.size());
        QApplication app(restCount, rest.data());
        if (!setup()) {
            fprintf(stderr, "setup failed\n");
            return 1;
        }
        benchmark::Initialize(&restCount, rest.data());
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        sheet.reset();
        return 0;
    }
};
