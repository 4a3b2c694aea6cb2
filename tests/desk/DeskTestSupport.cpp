#include "DeskTestSupport.h"

#include "CustomerPage.h"
#include "IntroPage.h"
#include "ZELV10CustomerListCtrl.h"
#include "ZELV10RCListDlg.h"
#include "ZELVListCtrl.h"
#include "ZelvTestPassword.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QWidget>

void PrepareDeskTestEnvironment() {
    static QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    qunsetenv("ZELVCONFIGFILE");
    qunsetenv("ZELVDEFAULTSERVER");
}

// --- TestDatabase ----------------------------------------------------------------

TestDatabase::TestDatabase() {
    if (!m_dir.isValid())
        return;
    m_address.filePath = m_dir.filePath(QStringLiteral("kelmar.db"));
    m_address.password = ZelvTestPassword();
    m_mfc.SetServerAddress(m_address);
    m_ready = m_mfc.Logon(1 | CZELV10MFC::kLogonCreateOwner).IsOK();
}

bool TestDatabase::AddCustomer(const char* id, const char* name, uint32_t flags) {
    ZELVCUSTEx c;
    c.customerId = id;
    c.name = name;
    c.flags = flags;
    return m_mfc.Add(c).IsOK();
}

bool TestDatabase::AddMedia(const char* customer, const char* media, const char* name) {
    ZELVMEDIAEx m;
    m.customerId = customer;
    m.mediaId = media;
    m.name = name ? name : media;
    return m_mfc.Add(m).IsOK();
}

bool TestDatabase::AddRepository(const char* id, const char* name, uint32_t flags) {
    ZELVREPOSITORY r;
    r.repositoryId = id;
    r.name = name;
    r.flags = flags;
    r.type = ZELVREPTYPE_DATACENTRE;
    return m_mfc.Add(r).IsOK();
}

bool TestDatabase::AddVolume(const char* customer, const char* media, const char* volume,
                             const char* at, const char* target) {
    ZELVVOLSEx v;
    v.key.customerId = customer;
    v.key.mediaId = media;
    v.key.volumeId = volume;
    for (auto& location : v.vol.location)
        location.repositoryId = at;
    if (target)
        v.vol.Target().repositoryId = target;
    return m_mfc.Add(v).IsOK();
}

bool TestDatabase::Exec(const QString& sql) {
    const QString name = QStringLiteral("desk-test-direct");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_address.filePath);
        if (db.open()) {
            QSqlQuery query(db);
            ok = query.exec(sql);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// --- DeskRun -------------------------------------------------------------------------

DeskRun::DeskRun() {
    // The program logs on to the fixtures' databases with their password.
    m_env.insert(QStringLiteral("KELMAR_PASSWORD"), ZelvTestPassword());
    const QString machine = m_settings.filePath(QStringLiteral("machine.ini"));
    QFile file(machine);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text))
        file.write("[General]\nDisableUpdateCheck=1\n");
    file.close();

    ZELVWinAppSetup setup;
    setup.core.profileFile = m_settings.filePath(QStringLiteral("profile.ini"));
    setup.core.machineFile = machine;
    setup.core.changeToProgramFolder = false;
    setup.core.installCrashHandler = false;
    auto prompter = std::make_unique<ScriptedPrompter>();
    m_prompter = prompter.get();
    setup.prompter = std::move(prompter);
    // The assistance mail and the support site are never really opened here.
    setup.launcher = [](const ZELVCommand&) { return true; };
    setup.urlOpener = [](const QUrl&) { return true; };
    m_app = std::make_unique<CZELVDeskApp>(std::move(setup));
}

DeskRun::~DeskRun() {
    m_sheet.reset();
    m_app.reset();
}

void DeskRun::WriteConfig(const QString& text) {
    QFile file(QDir(m_folder.path()).filePath(QStringLiteral("ZELVDesk.cfg")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
}

QString DeskRun::NewFolder(const QString& name) const {
    QDir(m_folder.path()).mkpath(name);
    return QDir(m_folder.path()).filePath(name);
}

CZELVDeskSheet& DeskRun::Start(const QStringList& arguments) {
    const QHash<QString, QString> env = m_env;
    m_app->Start(arguments, [env](const QString& name) { return env.value(name); });
    CZELVDeskSheetSetup setup;
    setup.sounds = &sounds;
    setup.launcher = launcherOverride ? launcherOverride : &launcher;
    setup.programFolder = m_folder.path();
    setup.createVoice = [this]() -> std::unique_ptr<IVoice> {
        ++m_voicesCreated;
        auto voice = std::make_unique<RecordingVoice>();
        m_voice = voice.get();
        return voice;
    };
    m_sheet = m_app->CreateSheet(std::move(setup));
    m_sheet->show();
    Flush();
    return *m_sheet;
}

QStringList DeskRun::NotificationTitles() const {
    QStringList titles;
    for (const CZELVPopup* popup : m_app->Popups().OpenPopups())
        titles.append(popup->Notification().title);
    return titles;
}

QStringList DeskRun::Notifications() const {
    QStringList notices;
    for (const CZELVPopup* popup : m_app->Popups().OpenPopups()) {
        const ZELVNotification& n = popup->Notification();
        notices.append(QStringLiteral("%1|%2|%3").arg(n.title, n.line1, n.line2));
    }
    return notices;
}

QStringList DeskRun::PromptTexts() const {
    QStringList texts;
    for (const ScriptedPrompter::Record& r : m_prompter->Asked())
        texts.append(r.request.text);
    return texts;
}

QStringList DeskRun::PromptCaptions() const {
    QStringList captions;
    for (const ScriptedPrompter::Record& r : m_prompter->Asked())
        captions.append(r.request.caption);
    return captions;
}

int DeskRun::ActivePageId() const {
    const CZELVWizardPage* page = m_sheet ? m_sheet->GetActivePage() : nullptr;
    return page ? page->TemplateId() : 0;
}

bool DeskRun::ChooseTask(const QString& text) {
    CIntroPage* intro = m_sheet->IntroPage();
    const int row = intro->ListTexts().indexOf(text);
    if (row < 0)
        return false;
    intro->ChooseRow(row);
    Flush();
    return true;
}

void DeskRun::Flush() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::sendPostedEvents();
}

QStringList DeskRun::LogTexts() const {
    QStringList texts;
    if (!m_sheet || m_sheet->Log().Path().isEmpty())
        return texts;
    QFile file(m_sheet->Log().Path());
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    for (const QString& line : lines)
        if (line.size() > 16)
            texts.append(line.mid(16));
    return texts;
}

bool ChooseCustomer(DeskRun& run, const char* customerId) {
    auto* customers = qobject_cast<CCustomerPage*>(run.Sheet().GetActivePage());
    if (!customers)
        return false;
    for (int row = 0; row < customers->List()->GetItemCount(); ++row)
        if (customers->List()->CustomerAt(row)->customerId == customerId)
            customers->List()->SelectRow(row);
    return run.Sheet().GoNext();
}

QAction* FindAction(QMenu* menu, const QString& text) {
    for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
        if (action->text() == text)
            return action;
        if (action->menu())
            if (QAction* found = FindAction(action->menu(), text))
                return found;
    }
    return nullptr;
}

QStringList Column(const CZELVListCtrl& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.GetItemCount(); ++row)
        texts.append(list.GetItemText(row, column));
    return texts;
}

ResultCloser::ResultCloser(QObject* parent) : QObject(parent) {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, [this]() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* results = qobject_cast<CZELV10RCListDlg*>(w);
            if (!results || !results->isVisible())
                continue;
            text = results->ClipboardText();
            ++shown;
            results->accept();
        }
    });
    m_timer.start();
}

QStringList CsvExportUi::Lines() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    for (QString line :
         QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << line.remove(QLatin1Char('\r'));
    return lines;
}
