#include "ZELVListCtrl.h"

#include "ZELVListFooter.h"
#include "ZELVListHeader.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPopup.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZELVStringArray.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

Q_DECLARE_METATYPE(CZELVDate)

namespace {

// A derived list whose context menu is recorded instead of run.
class RecordingList : public CZELVListCtrl {
public:
    using CZELVListCtrl::CZELVListCtrl;
    QMenu* shownPopup = nullptr;
    QPoint shownAt;

protected:
    void RunContextMenu(QMenu* popup, const QPoint& globalPos) override {
        shownPopup = popup;
        shownAt = globalPos;
    }
};

// An export whose type dialog is cancelled, counting how often it was asked.
class CancelledExport : public IZELVExportUi {
public:
    int asked = 0;
    bool ChooseType(const ZELVExportTypeRequest&, int*, bool*) override {
        ++asked;
        return false;
    }
    QString ChooseSavePath(QWidget*, int) override { return {}; }
    bool ChoosePdfOptions(QWidget*, ZELVExportPDFOptions*) override { return false; }
    bool Launch(const ZELVCommand&) override { return false; }
};

// A large owner-supplied list: the texts are made up from the row number.
class NumberedRows : public CZELVListRows {
public:
    explicit NumberedRows(int count) : m_count(count) {}
    int RowCount() const override { return m_count; }
    QString Text(int row, int column) const override {
        return QStringLiteral("R%1C%2").arg(row).arg(column);
    }
    void SetCount(int count) { m_count = count; }

private:
    int m_count;
};

CZELVDate Day(int year, int month, int day) {
    CZELVDate date;
    date.SetDate(year, month, day);
    return date;
}

time_t Utc(int year, int month, int day, int hour) {
    struct tm parts = {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    return timegm(&parts);
}

QPoint CellCentre(const CZELVListCtrl& list, int row, int column) {
    return list.Table()->visualRect(list.Model()->index(row, column)).center();
}

// A real double-click: a click, then the second press that makes it double.
void DoubleClick(CZELVListCtrl& list, int row, int column) {
    const QPoint at = CellCentre(list, row, column);
    QTest::mouseClick(list.Table()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.Table()->viewport(), Qt::LeftButton, {}, at);
}

void ClickHeading(CZELVListCtrl& list, int column) {
    QHeaderView* header = list.Table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, 5));
}

QStringList ColumnTexts(const CZELVListCtrl& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.GetItemCount(); ++row)
        texts.append(list.GetItemText(row, column));
    return texts;
}

QColor PixelAt(QWidget* widget, const QPoint& point) {
    return widget->grab().toImage().pixelColor(point);
}

} // namespace

class ZELVListCtrlTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingList> list;
    ScriptedPrompter prompter;

    // Three rows, three columns: Volume, Location, Description.
    void FillThree() {
        list->InsertColumn(0, QStringLiteral("Volume"), 90);
        list->InsertColumn(1, QStringLiteral("Location"), 90);
        list->InsertColumn(2, QStringLiteral("Description"), 120);
        const char* rows[][3] = {{"B00002", "VLT1", "weekly"},
                                 {"C00003", "DC01", "monthly"},
                                 {"A00001", "LIB1", "daily"}};
        for (const auto& row : rows) {
            const int at = list->InsertItem(list->GetItemCount(), QString::fromLatin1(row[0]));
            list->SetItemText(at, 1, QString::fromLatin1(row[1]));
            list->SetItemText(at, 2, QString::fromLatin1(row[2]));
        }
    }

private Q_SLOTS:
    void init() {
        prompter.Clear();
        list = std::make_unique<RecordingList>();
        list->SetPrompter(&prompter);
        list->resize(420, 300);
        list->show();
    }
    void cleanup() {
        list.reset();
        QVERIFY(prompter.Unexpected().isEmpty());
    }

    // ---- Sorting ---------------------------------------------------------

    // The first click on any heading sorts in reverse with the up mark; the
    // next click, on the same or another heading, sorts ascending with the
    // down mark, and the mark leaves the previous heading.
    void firstClickSortsInReverse() {
        FillThree();
        ClickHeading(*list, 0);
        QVERIFY(list->IsReverse());
        QCOMPARE(list->GetSortColumn(), 0);
        QCOMPARE(list->GetSortMark(0), CZELVListCtrl::SortMark::Up);
        QCOMPARE(ColumnTexts(*list, 0),
                 QStringList({QStringLiteral("C00003"), QStringLiteral("B00002"),
                              QStringLiteral("A00001")}));
        ClickHeading(*list, 0);
        QCOMPARE(list->GetSortMark(0), CZELVListCtrl::SortMark::Down);
        QCOMPARE(ColumnTexts(*list, 0),
                 QStringList({QStringLiteral("A00001"), QStringLiteral("B00002"),
                              QStringLiteral("C00003")}));
        // The direction flips on every click, whichever column.
        ClickHeading(*list, 1);
        QCOMPARE(list->GetSortMark(0), CZELVListCtrl::SortMark::None);
        QCOMPARE(list->GetSortMark(1), CZELVListCtrl::SortMark::Up);
        QCOMPARE(ColumnTexts(*list, 1), QStringList({QStringLiteral("VLT1"), QStringLiteral("LIB1"),
                                                     QStringLiteral("DC01")}));
    }

    void firstClickOnAnotherColumnAfterTheInitialMark() {
        FillThree();
        // A page that marks column 0 before any sort shows the down mark there.
        QCOMPARE(list->SetSortColumn(0), 0);
        QCOMPARE(list->GetSortMark(0), CZELVListCtrl::SortMark::Down);
        ClickHeading(*list, 2);
        QCOMPARE(list->GetSortMark(0), CZELVListCtrl::SortMark::None);
        QCOMPARE(list->GetSortMark(2), CZELVListCtrl::SortMark::Up);
        QCOMPARE(list->GetItemText(0, 2), QStringLiteral("weekly"));
        ClickHeading(*list, 1);
        QCOMPARE(list->GetSortMark(2), CZELVListCtrl::SortMark::None);
        QCOMPARE(list->GetSortMark(1), CZELVListCtrl::SortMark::Down);
        QCOMPARE(list->GetItemText(0, 1), QStringLiteral("DC01"));
    }

    // A selected row stays selected after the sort moves it.
    void selectionFollowsTheSort() {
        FillThree();
        list->SetItemSelected(2, true); // A00001
        ClickHeading(*list, 0);         // reverse: A00001 last
        QCOMPARE(list->GetSelectedRows(), std::vector<int>({2}));
        ClickHeading(*list, 0); // ascending: A00001 first
        QCOMPARE(list->GetSelectedRows(), std::vector<int>({0}));
    }

    // ---- Column order ----------------------------------------------------

    void columnOrderRoundTrip() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        list->SetSettings(&settings);
        FillThree();
        list->Init(QStringLiteral("Volumes"));
        list->SetColumnOrder({2, 0, 1});
        list.reset(); // the order is stored when the list goes
        QCOMPARE(settings.value(QStringLiteral("CListCtrl_Order/Volumes")).toString(),
                 QStringLiteral("2,0,1,"));

        init();
        list->SetSettings(&settings);
        FillThree();
        QCOMPARE(list->GetColumnOrder(), QList<int>({0, 1, 2}));
        list->Init(QStringLiteral("Volumes"));
        QCOMPARE(list->GetColumnOrder(), QList<int>({2, 0, 1}));
        QVERIFY(list->Table()->horizontalHeader()->sectionsMovable());
    }

    void storedOrderEdgeCases_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("1,0, puts the second column first") << "1,0," << 2 << QList<int>{1, 0};
        QTest::newRow("more numbers than columns")
            << "1,0,2,3,4,5,6,7,8,9" << 2 << QList<int>{1, 0};
        QTest::newRow("unknown, repeated and blank numbers are passed over")
            << "7,x,,1,1" << 3 << QList<int>{1, 0, 2};
        QTest::newRow("negative numbers are passed over") << "-1,2" << 3 << QList<int>{2, 0, 1};
        QTest::newRow("nothing stored") << "" << 2 << QList<int>{0, 1};
        QString many;
        for (int i = 0; i < 40; ++i)
            many += QString::number(39 - i) + u',';
        // Only the first 32 numbers are read: columns 39..8, then 0..7 keep their order.
        QList<int> limited;
        for (int i = 39; i >= 8; --i)
            limited.append(i);
        for (int i = 0; i < 8; ++i)
            limited.append(i);
        QTest::newRow("restoring stops at 32 values") << many << 40 << limited;
    }
    void storedOrderEdgeCases() {
        QFETCH(QString, stored);
        QFETCH(int, columns);
        QFETCH(QList<int>, shown);
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("CListCtrl_Order/Orders"), stored);
        list->SetSettings(&settings);
        for (int column = 0; column < columns; ++column)
            list->InsertColumn(column, QString::number(column), 20);
        list->Init(QStringLiteral("Orders"));
        QCOMPARE(list->GetColumnOrder(), shown);
    }

    // A profile edited by hand writes the list without quotes; it still reads.
    void handWrittenOrderReads() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("profile.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[CListCtrl_Order]\nScanLog=1,0,\n");
        file.close();
        QSettings settings(path, QSettings::IniFormat);
        list->SetSettings(&settings);
        list->InsertColumn(0, QStringLiteral("A"));
        list->InsertColumn(1, QStringLiteral("B"));
        list->Init(QStringLiteral("ScanLog"));
        QCOMPARE(list->GetColumnOrder(), QList<int>({1, 0}));
    }

    void listWithoutNameStoresNothing() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        list->SetSettings(&settings);
        list->InsertColumn(0, QStringLiteral("A"));
        list->InsertColumn(1, QStringLiteral("B"));
        list->Init(QString());
        QCOMPARE(list->GetColumnOrder(), QList<int>({0, 1}));
        list->SetColumnOrder({1, 0});
        QVERIFY(!list->WriteSetting(QStringLiteral("Width"), 5));
        QCOMPARE(list->ReadSetting(QStringLiteral("Width"), 7), 7);
        list.reset();
        QVERIFY(settings.allKeys().isEmpty());
    }

    void thirtyTwoColumnsAreNotSaved() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        list->SetSettings(&settings);
        for (int column = 0; column < 32; ++column)
            list->InsertColumn(column, QString::number(column), 20);
        list->Init(QStringLiteral("Wide"));
        list.reset();
        QVERIFY(!settings.contains(QStringLiteral("CListCtrl_Order/Wide")));
    }

    void perListSettings() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        list->SetSettings(&settings);
        list->Init(QStringLiteral("Move"));
        QVERIFY(list->WriteSetting(QStringLiteral("Split"), 240));
        QVERIFY(list->WriteSetting(QStringLiteral("Last"), QStringLiteral("VLT1")));
        QCOMPARE(settings.value(QStringLiteral("CListCtrl_Move/Split")).toInt(), 240);
        QCOMPARE(list->ReadSetting(QStringLiteral("Split"), 0), 240);
        QCOMPARE(list->ReadSetting(QStringLiteral("Last"), QString()), QStringLiteral("VLT1"));
        QCOMPARE(list->ReadSetting(QStringLiteral("Missing"), QStringLiteral("none")),
                 QStringLiteral("none"));
        QCOMPARE(list->ReadSetting(QStringLiteral("Last"), -3), -3); // not a number
    }

    // ---- Filters ---------------------------------------------------------

    void textFilterRules_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("caseFolding");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("matches");
        auto row = [](const char* name, const char* pattern, bool fold, const char* value,
                      bool matches) {
            QTest::newRow(name) << QString::fromUtf8(pattern) << fold << QString::fromUtf8(value)
                                << matches;
        };
        row("empty pattern matches everything", "", false, "anything", true);
        row("star matches any text", "*", false, "A00001", true);
        row("star matches the empty value", "*", false, "", true);
        row("the whole value must match", "0001", false, "A00001", false);
        row("question mark is one character", "A0000?", false, "A00001", true);
        row("question mark is not two", "A000?", false, "A00001", false);
        row("case matters by default", "a*", false, "A00001", false);
        row("case folding ignores case", "a*", true, "A00001", true);
        row("class of characters", "[AB]0*", false, "B00002", true);
        row("negated class", "[!AB]*", false, "B00002", false);
        row("escaped star is a star", "A\\*", false, "A*", true);
        row("escaped star is not any text", "A\\*", false, "AB", false);
        row("extended: one of", "@(VLT1|LIB1)", false, "LIB1", true);
        row("extended: none of", "!(LIB*)", false, "LIB1", false);
        row("extended: none of, other value", "!(LIB*)", false, "VLT1", true);
        row("extended: one or more", "+(AB)C", false, "ABABC", true);
        row("extended: zero or one", "A?(B)C", false, "AC", true);
        row("extended with case folding", "@(vlt*)", true, "VLT1", true);
        row("unbalanced bracket is a plain character", "[ABC", false, "[ABC", true);
        row("unbalanced bracket matches nothing else", "[ABC", false, "A", false);
        row("unbalanced extended pattern does not match", "@(VLT1", false, "VLT1", false);
        row("non-ASCII text", "Zürich*", false, "Zürich Nord", true);
        row("case folding beyond ASCII", "zürich*", true, "ZÜRICH NORD", true);
        // Patterns on which fnmatch backtracks for minutes answer at once.
        row("runaway pattern", "*(a|a|a|a)*(a|a|a|a)*(a|a|a)b", false,
            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false);
        row("runaway pattern that matches", "*(a|a|a|a)*(a|a|a|a)*(a|a|a)b", true,
            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaB", true);
        row("unusable pattern matches nothing", "[[:vowel:]]*", false, "a", false);
    }
    void textFilterRules() {
        QFETCH(QString, pattern);
        QFETCH(bool, caseFolding);
        QFETCH(QString, value);
        QFETCH(bool, matches);
        list->InsertColumn(0, QStringLiteral("Volume"));
        list->SetFilterCaseInsensitive(0, caseFolding);
        list->SetFilterText(0, pattern);
        QCOMPARE(list->FilterMatchesText(0, value), matches);
        const QByteArray utf8 = value.toUtf8();
        QCOMPARE(list->FilterMatchesText(0, "%s", utf8.constData()), matches);
    }

    void noFilterMatchesEverything() {
        list->InsertColumn(0, QStringLiteral("Volume"));
        QVERIFY(list->FilterMatchesText(0, "%s", "x"));
        QVERIFY(list->FilterMatchesText(4, QStringLiteral("x")));
        QVERIFY(list->FilterMatchesAll(0, QStringList{QStringLiteral("x")}));
        QVERIFY(list->FilterMatchesDate(0, Day(2020, 1, 1)));
        QVERIFY(!list->HasActiveFilter());
        list->SetFilterCaseInsensitive(0, true); // flags alone are no filter
        QVERIFY(!list->HasActiveFilter());
        list->SetFilterText(1, QStringLiteral("A*"));
        QVERIFY(list->HasActiveFilter());
        list->SetFilterText(1, QString());
        QVERIFY(!list->HasActiveFilter());
    }

    void caseFoldingCanBeTurnedOffAgain() {
        list->InsertColumn(0, QStringLiteral("Volume"));
        list->SetFilterText(0, QStringLiteral("vlt*"));
        list->SetFilterCaseInsensitive(0, true);
        QCOMPARE(list->GetMatchFlags(0), CZELVFilter::kCaseFold);
        QVERIFY(list->FilterMatchesText(0, QStringLiteral("VLT1")));
        list->SetFilterCaseInsensitive(0, false);
        QCOMPARE(list->GetMatchFlags(0), 0u);
        QVERIFY(!list->FilterMatchesText(0, QStringLiteral("VLT1")));
    }

    // The whole-array test uses the filter's own flags: case always counts.
    void matchesAllIsCaseSensitive() {
        list->SetFilterText(0, QStringLiteral("lto*"));
        list->SetFilterCaseInsensitive(0, true);
        QVERIFY(list->FilterMatchesText(0, QStringLiteral("LTO6")));
        QVERIFY(!list->FilterMatchesAll(0, QStringList{QStringLiteral("LTO6")}));
        list->SetFilterText(0, QStringLiteral("LTO*"));
        CZELVStringArray media;
        media.Add(QStringLiteral("LTO6"));
        media.Add(QStringLiteral("LTO7"));
        QVERIFY(list->FilterMatchesAll(0, media));
        media.Add(QStringLiteral("DLT4"));
        QVERIFY(!list->FilterMatchesAll(0, media));
        QVERIFY(list->FilterMatchesAll(0, QStringList())); // nothing to fail
    }

    // Formatted values are cut at 1,023 bytes, never inside a character.
    void longFormattedValuesAreCut() {
        list->SetFilterText(0, QStringLiteral("*Y"));
        const QByteArray fits = QByteArray(1022, 'X') + 'Y';
        const QByteArray cut = QByteArray(1030, 'X') + 'Y';
        QVERIFY(list->FilterMatchesText(0, "%s", fits.constData()));
        QVERIFY(!list->FilterMatchesText(0, "%s", cut.constData()));
        QVERIFY(list->FilterMatchesText(0, "%s%s", "X", fits.constData() + 1));
        QVERIFY(!list->FilterMatchesText(0, "%.3s%s", "XXXX", cut.constData()));
        QVERIFY(list->FilterMatchesText(0, "%s.%s.%s", "ACME", "LTO6", "A00001Y"));
        // One text with a format of its own is formatted too.
        QVERIFY(list->FilterMatchesText(0, "%sY", "A00001"));
        QVERIFY(!list->FilterMatchesText(0, "%.6s", "A00001Y"));
        QVERIFY(list->FilterMatchesText(0, QString::fromLatin1(fits)));
        QVERIFY(!list->FilterMatchesText(0, QString::fromLatin1(cut)));
        // 511 two-byte characters fill 1,022 bytes; the next one does not fit
        // and is left out whole.
        list->SetFilterText(0, QStringLiteral("*ü"));
        const QString umlauts(600, u'ü');
        QVERIFY(list->FilterMatchesText(0, umlauts));
        QVERIFY(list->FilterMatchesText(0, "%s", umlauts.toUtf8().constData()));
        QVERIFY(list->FilterMatchesText(0, "%s%s", "", umlauts.toUtf8().constData()));
        list->SetFilterText(0, QStringLiteral("*Y"));
        QVERIFY(list->FilterMatchesText(0, QString(511, u'ü') + u'Y'));
        QVERIFY(!list->FilterMatchesText(0, QString(512, u'ü') + u'Y'));
        const QByteArray last = (QString(511, u'ü') + u'Y').toUtf8();
        const QByteArray past = (QString(512, u'ü') + u'Y').toUtf8();
        QVERIFY(list->FilterMatchesText(0, "%s", last.constData()));
        QVERIFY(!list->FilterMatchesText(0, "%s", past.constData()));
        // What the first bytes decide needs no cut: "b*" on a long value.
        list->SetFilterText(0, QStringLiteral("X*"));
        QVERIFY(list->FilterMatchesText(0, "%s", cut.constData()));
        list->SetFilterText(0, QStringLiteral("Y*"));
        QVERIFY(!list->FilterMatchesText(0, "%s", cut.constData()));
    }

    // A header field hands over at most 260 characters.
    void patternsAreCutAt260() {
        list->InsertColumn(0, QStringLiteral("Volume"));
        list->EnableFilterBar(10);
        list->SetFilterText(0, QString(300, u'?'));
        QCOMPARE(list->GetFilterText(0).size(), 260);
        QCOMPARE(list->Header()->FilterField(0)->text().size(), 260);
        QVERIFY(list->FilterMatchesText(0, QString(260, u'x')));
        QVERIFY(!list->FilterMatchesText(0, QString(300, u'x')));
    }

    // A pattern that cannot be used says why in its field.
    void unusablePatternSaysWhy() {
        list->InsertColumn(0, QStringLiteral("Volume"));
        list->EnableFilterBar(10);
        QLineEdit* field = list->Header()->FilterField(0);
        list->SetFilterText(0, QStringLiteral("A[[:vowel:]]"));
        QVERIFY(!list->FilterMatchesText(0, "%s", "Aa"));
        QCOMPARE(field->toolTip(), QStringLiteral("This pattern matches nothing. \"[:vowel:]\" "
                                                  "names no character class."));
        list->SetFilterText(0, QStringLiteral("A[[:lower:]]"));
        QVERIFY(list->FilterMatchesText(0, "%s", "Aa"));
        QVERIFY(field->toolTip().isEmpty());
    }

    void dateFilterRules_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<CZELVDate>("date");
        QTest::addColumn<bool>("matches");
        const QString week = QStringLiteral("2018-08-14:2018-08-20");
        QTest::newRow("empty filter matches every date") << QString() << Day(1999, 1, 1) << true;
        QTest::newRow("range includes its first day") << week << Day(2018, 8, 14) << true;
        QTest::newRow("range includes its last day") << week << Day(2018, 8, 20) << true;
        QTest::newRow("day after the range") << week << Day(2018, 8, 21) << false;
        QTest::newRow("day before the range") << week << Day(2018, 8, 13) << false;
        QTest::newRow("one date is a range of one day")
            << QStringLiteral("2018-08-14") << Day(2018, 8, 14) << true;
        QTest::newRow("previous month, first day")
            << QStringLiteral("M-1:m-1") << Day(2021, 2, 1) << true;
        QTest::newRow("previous month, last day")
            << QStringLiteral("M-1:m-1") << Day(2021, 2, 28) << true;
        QTest::newRow("previous month excludes this month")
            << QStringLiteral("M-1:m-1") << Day(2021, 3, 1) << false;
        QTest::newRow("past matches yesterday") << QStringLiteral("P") << Day(2021, 3, 14) << true;
        QTest::newRow("past does not match tomorrow")
            << QStringLiteral("P") << Day(2021, 3, 16) << false;
        QTest::newRow("future matches tomorrow") << QStringLiteral("F") << Day(2021, 3, 16) << true;
        QTest::newRow("unreadable range matches nothing")
            << QStringLiteral("next tuesday") << Day(2021, 3, 15) << false;
        QTest::newRow("no date set never matches a range") << week << CZELVDate() << false;
    }
    void dateFilterRules() {
        QFETCH(QString, pattern);
        QFETCH(CZELVDate, date);
        QFETCH(bool, matches);
        qunsetenv("ESPDATERANGEOFFSETFILE");
        ZELVFixedClock clock(Utc(2021, 3, 15, 12));
        list->SetClock(clock);
        list->InsertColumn(0, QStringLiteral("Move Date"));
        list->SetFilterText(0, pattern);
        QCOMPARE(list->FilterMatchesDate(0, date), matches);
    }

    // Typing in a header field announces the change once the time-out has
    // passed, with the column being filtered set during the announcement.
    void typingAnnouncesTheColumn() {
        FillThree();
        list->EnableFilterBar(10);
        QVERIFY(list->IsFilterBarEnabled());
        QLineEdit* field = list->Header()->FilterField(1);
        QVERIFY(field);
        QCOMPARE(field->objectName(), QStringLiteral("filter_1"));
        QList<int> announced;
        QList<int> beingFiltered;
        QStringList seen;
        connect(list.get(), &CZELVListCtrl::FilterChanged, this, [&](int column) {
            announced.append(column);
            beingFiltered.append(list->ColumnBeingFiltered());
            seen.append(list->GetFilterText(column));
        });
        QTest::keyClicks(field, QStringLiteral("LIB*"));
        QVERIFY(announced.isEmpty()); // not before the time-out
        QTRY_COMPARE(announced.size(), 1);
        QCOMPARE(announced.first(), 1);
        QCOMPARE(beingFiltered.first(), 1);
        QCOMPARE(seen.first(), QStringLiteral("LIB*"));
        QCOMPARE(list->ColumnBeingFiltered(), -1);
        QVERIFY(!list->FilterMatchesText(1, QStringLiteral("VLT1")));

        // Enter applies at once.
        field->clear();
        QTest::keyClicks(field, QStringLiteral("V"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(announced.size(), 2);
        QCOMPARE(seen.last(), QStringLiteral("V"));
    }

    // An owner that rebuilds its rows on the announcement shows only matches.
    void ownerRebuildsOnAnnouncement() {
        std::vector<QString> all = {QStringLiteral("VLT1"), QStringLiteral("LIB1"),
                                    QStringLiteral("LIB2"), QStringLiteral("DC01")};
        struct Shown : CZELVPointerRows<QString> {
            QString Text(int row, int) const override { return *At(row); }
        } shown;
        list->InsertColumn(0, QStringLiteral("Location"));
        list->ShowFooter();
        list->SetRows(&shown);
        auto rebuild = [&] {
            shown.Pointers().clear();
            for (QString& each : all)
                if (list->FilterMatchesText(0, each))
                    shown.Pointers().push_back(&each);
            list->Reload();
        };
        connect(list.get(), &CZELVListCtrl::FilterChanged, this, rebuild);
        rebuild();
        QCOMPARE(list->GetItemCount(), 4);
        list->SetFilterText(0, QStringLiteral("LIB*"));
        QCOMPARE(ColumnTexts(*list, 0),
                 QStringList({QStringLiteral("LIB1"), QStringLiteral("LIB2")}));
        QCOMPARE(list->Footer()->PaneValue(0), QStringLiteral("2"));
        QCOMPARE(list->Header()->FilterField(0), nullptr); // no filter bar asked for
    }

    // ---- Footer ----------------------------------------------------------

    void footerPanes() {
        NumberedRows rows(12345);
        list->InsertColumn(0, QStringLiteral("Volume"));
        list->SetRows(&rows);
        list->ShowFooter();
        list->layout()->activate();
        CZELVListFooter* footer = list->Footer();
        QVERIFY(footer);
        QCOMPARE(footer->objectName(), QStringLiteral("footer"));
        QCOMPARE(footer->height(), 20);
        QCOMPARE(CZELVListFooter::PaneLabel(0), QStringLiteral("Total Items"));
        QCOMPARE(CZELVListFooter::PaneLabel(1), QStringLiteral("Total Selected"));
        QCOMPARE(CZELVListFooter::PaneLabel(2), QStringLiteral("First Selection"));
        QCOMPARE(footer->PaneValue(0), QStringLiteral("12,345"));
        QCOMPARE(footer->PaneValue(1), QString());
        QCOMPARE(footer->PaneValue(2), QString());

        list->SetItemSelected(0, true);
        QCOMPARE(footer->PaneValue(2), QStringLiteral("1"));
        list->SelectAll();
        QCOMPARE(footer->PaneValue(1), QStringLiteral("12,345"));
        list->SelectNone();
        for (int row = 1500; row < 2700; ++row)
            list->SetItemSelected(row, true);
        QCOMPARE(footer->PaneValue(1), QStringLiteral("1,200"));
        QCOMPARE(footer->PaneValue(2), QStringLiteral("1,501"));
        list->SelectNone();
        QCOMPARE(footer->PaneValue(2), QString());

        rows.SetCount(1000000);
        list->Reload();
        QCOMPARE(footer->PaneValue(0), QStringLiteral("1,000,000"));
        // Pane 0 stretches, never below 100 pixels; the others are 150.
        QCOMPARE(footer->PaneRect(1).width(), 150);
        QCOMPARE(footer->PaneRect(2).right(), footer->width() - 1);
        footer->resize(200, 20);
        QCOMPARE(footer->PaneRect(0).width(), 100);
        list->ShowFooter(); // once only
        QCOMPARE(list->Footer(), footer);
    }

    // ---- Keyboard --------------------------------------------------------

    void keyboardShortcuts() {
        FillThree();
        QTableView* table = list->Table();
        table->setFocus();
        QSignalSpy exported(list.get(), &CZELVListCtrl::ExportRequested);
        CancelledExport exportUi;
        list->SetExportUi(&exportUi);
        QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list->GetSelectedCount(), 3);
        list->SetItemSelected(1, false);
        QTest::keyClick(table, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(list->GetSelectedRows(), std::vector<int>({1}));
        QTest::keyClick(table, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(exported.count(), 1);
        QCOMPARE(exportUi.asked, 1);
        QCOMPARE(list->GetSelectedRows(),
                 std::vector<int>({1})); // a cancelled export changes nothing

        // Ctrl+S: icon, small icon, list, report, icon ...
        QCOMPARE(list->GetView(), CZELVListCtrl::ViewReport);
        QTest::keyClick(table, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(list->GetView(), CZELVListCtrl::ViewIcon);
        auto* icons = qobject_cast<QListView*>(list->CurrentView());
        QVERIFY(icons);
        QCOMPARE(icons->viewMode(), QListView::IconMode);
        QCOMPARE(icons->iconSize(), QSize(48, 48));
        // The views share the selection.
        QVERIFY(icons->selectionModel()->isSelected(list->Model()->index(1, 0)));
        QTest::keyClick(icons, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(list->GetView(), CZELVListCtrl::ViewSmallIcon);
        QTest::keyClick(icons, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(list->GetView(), CZELVListCtrl::ViewList);
        QCOMPARE(icons->flow(), QListView::TopToBottom);
        QTest::keyClick(icons, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list->GetSelectedCount(), 3);
        QTest::keyClick(icons, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(list->GetView(), CZELVListCtrl::ViewReport);
        QCOMPARE(list->CurrentView(), static_cast<QAbstractItemView*>(table));
    }

    void selectionOperations() {
        FillThree();
        list->InvertSelection();
        QCOMPARE(list->GetSelectedCount(), 3);
        list->InvertSelection();
        QCOMPARE(list->GetSelectedCount(), 0);
        QCOMPARE(list->GetFirstSelected(), -1);
        list->SetItemSelected(2, true);
        list->SetItemSelected(0, true);
        QCOMPARE(list->GetFirstSelected(), 0);
        QVERIFY(list->IsItemSelected(2));
        QVERIFY(!list->IsItemSelected(1));
        list->SetItemSelected(99, true); // no such row
        QCOMPARE(list->GetSelectedCount(), 2);
    }

    // ---- Selection prompt -----------------------------------------------

    void requireSelection() {
        FillThree();
        // Rows selected: their number, nothing asked.
        list->SetItemSelected(1, true);
        QCOMPARE(list->RequireSelection(true), 1);
        QCOMPARE(list->RequireSelection(false), 1);
        QVERIFY(prompter.Asked().isEmpty());
        list->SelectNone();

        prompter.Answer(PromptOk);
        QCOMPARE(list->RequireSelection(true), 0);
        QCOMPARE(prompter.LastText(), QStringLiteral("You must select one item from the list."));
        QCOMPARE(prompter.Asked().last().request.caption, QStringLiteral("Selection Required"));
        QCOMPARE(prompter.Asked().last().request.icon, PromptIcon::Warning);

        prompter.Answer(PromptNo);
        QCOMPARE(list->RequireSelection(false), 0);
        QCOMPARE(prompter.LastText(),
                 QStringLiteral("This operation requires you to have at least one item "
                                "selected.\n\nWould you like to select all items?"));
        QCOMPARE(prompter.Asked().last().request.buttons, PromptButtons::YesNo);
        QCOMPARE(list->GetSelectedCount(), 0);

        prompter.Answer(PromptYes);
        QCOMPARE(list->RequireSelection(false), 3);
        QCOMPARE(list->GetSelectedCount(), 3);
    }

    // ---- Clipboard -------------------------------------------------------

    void copyColumnOfSelectedRows() {
        FillThree();
        RecordingSoundPlayer sound;
        QList<ZELVNotification> notices;
        list->SetSoundPlayer(&sound);
        list->SetNotificationSink([&](const ZELVNotification& n) { notices.append(n); });
        list->SetItemSelected(2, true);
        list->SetItemSelected(0, true);
        QCOMPARE(list->CopyColumnWithNotice(1), 2);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("VLT1\r\nLIB1\r\n"));
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices.first().title, QStringLiteral("Copied items"));
        QCOMPARE(notices.first().line1, QStringLiteral("Copied 2 items to clipboard"));
        QCOMPARE(notices.first().showDelayMs, 10000);
        QCOMPARE(sound.Played(), QList<int>({346}));
    }

    // With nothing selected the operator's clipboard is left alone.
    void copyWithoutSelectionKeepsTheClipboard() {
        FillThree();
        RecordingSoundPlayer sound;
        list->SetSoundPlayer(&sound);
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QCOMPARE(list->CopyColumnWithNotice(0), 0);
        QCOMPARE(list->CopyColumnToClipboard(0), 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY(sound.Played().isEmpty());
        list->SelectAll();
        QCOMPARE(list->CopyColumnToClipboard(9), 0); // no such column
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    }

    // ---- In-place editors ------------------------------------------------

    void textEditorCommitsChanges() {
        FillThree();
        QList<QPoint> begun;
        QList<QPoint> ended;
        QString committed;
        list->AddEditColumn(
            2, CZELVListCtrl::EditText,
            [&](int row, int column) {
                begun.append({row, column});
            },
            [&](int row, int column) {
                ended.append({row, column});
                committed = list->TextEditor()->text();
                list->SetItemText(row, column, committed); // the owner writes the cell
            });
        QSignalSpy doubled(list.get(), &CZELVListCtrl::ItemDoubleClicked);
        DoubleClick(*list, 1, 2);
        QCOMPARE(doubled.count(), 1);
        QVERIFY(list->IsEditing());
        CZELVListCtrl_Edit* editor = list->TextEditor();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("monthly"));
        QCOMPARE(list->SavedEditText(), QStringLiteral("monthly"));
        QCOMPARE(begun, QList<QPoint>({{1, 2}}));
        QCOMPARE(editor->geometry(), list->Table()->visualRect(list->Model()->index(1, 2)));

        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("quarterly"));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!list->IsEditing());
        QVERIFY(!editor->isVisible());
        QCOMPARE(ended, QList<QPoint>({{1, 2}}));
        QCOMPARE(committed, QStringLiteral("quarterly"));
        QCOMPARE(list->GetItemText(1, 2), QStringLiteral("quarterly"));
    }

    // Escape, or Enter with the text unchanged, ends without the end call.
    void textEditorSilentEnds_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::newRow("escape after typing") << QStringLiteral("changed") << int(Qt::Key_Escape);
        QTest::newRow("enter with the text unchanged") << QString() << int(Qt::Key_Return);
        QTest::newRow("text changed and changed back")
            << QStringLiteral("weekly") << int(Qt::Key_Enter);
    }
    void textEditorSilentEnds() {
        QFETCH(QString, typed);
        QFETCH(int, key);
        FillThree();
        int ended = 0;
        list->AddEditColumn(2, CZELVListCtrl::EditText, {}, [&](int, int) { ++ended; });
        QVERIFY(list->BeginEdit(0, 2));
        if (!typed.isEmpty()) {
            list->TextEditor()->selectAll();
            QTest::keyClicks(list->TextEditor(), typed);
        }
        QTest::keyClick(list->TextEditor(), Qt::Key(key));
        QVERIFY(!list->IsEditing());
        QCOMPARE(ended, 0);
        QCOMPARE(list->WasEditCancelled(), key == Qt::Key_Escape);
        QCOMPARE(list->GetItemText(0, 2), QStringLiteral("weekly"));
    }

    void dateAndListEditorsCommit() {
        FillThree();
        CZELVDate moved;
        int cluster = -1;
        list->AddEditColumn(
            1, CZELVListCtrl::EditDate,
            [&](int, int) { list->DateEditor()->SetZelvDate(Day(2024, 2, 28)); },
            [&](int, int) { moved = list->DateEditor()->GetZelvDate(); });
        list->AddEditColumn(
            2, CZELVListCtrl::EditList,
            [&](int, int) {
                CZELVListCtrl_Combo* combo = list->ComboEditor();
                combo->clear();
                combo->addItem(QStringLiteral("<No Selection>"), 0);
                combo->addItem(QStringLiteral("Payroll Monthly"), 7);
            },
            [&](int, int) { cluster = list->ComboEditor()->currentData().toInt(); });

        QVERIFY(list->BeginEdit(2, 1));
        CZELVListCtrl_Date* date = list->DateEditor();
        QVERIFY(date->isVisible());
        // The picker stands 3 pixels taller above and below the cell.
        const QRect cell = list->Table()->visualRect(list->Model()->index(2, 1));
        QCOMPARE(date->geometry(), cell.adjusted(0, -3, 0, 3));
        QCOMPARE(date->GetDate(), QDate(2024, 2, 28));
        date->DateEdit()->setDate(QDate(2024, 3, 1));
        QTest::keyClick(date->DateEdit(), Qt::Key_Return);
        QVERIFY(!list->IsEditing());
        QCOMPARE(moved, Day(2024, 3, 1));

        QVERIFY(list->BeginEdit(0, 2));
        CZELVListCtrl_Combo* combo = list->ComboEditor();
        QCOMPARE(combo->maxVisibleItems(), 20);
        QVERIFY(combo->isVisible());
        combo->setCurrentIndex(1);
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(cluster, 7);

        // Escape in the date picker cancels.
        moved = CZELVDate();
        QVERIFY(list->BeginEdit(1, 1));
        QTest::keyClick(list->DateEditor()->DateEdit(), Qt::Key_Escape);
        QVERIFY(list->WasEditCancelled());
        QVERIFY(moved.IsEmpty());
    }

    // A picker that allows no date says so, and gives an empty date.
    void datePickerWithoutDate() {
        CZELVListCtrl_Date picker;
        picker.SetShowNone(true);
        QVERIFY(picker.SetZelvDate(CZELVDate()));
        QVERIFY(!picker.HasDate());
        QVERIFY(picker.GetZelvDate().IsEmpty());
        picker.CheckBox()->setChecked(true);
        picker.DateEdit()->setDate(QDate(2025, 12, 31));
        QCOMPARE(picker.GetZelvDate(), Day(2025, 12, 31));
        picker.SetShowNone(false);
        picker.SetNoDate(); // without the box there is always a date
        QVERIFY(picker.HasDate());
    }

    // Opening a second editor commits the first; so does a vertical scroll.
    void anotherEditorOrAScrollCommits() {
        NumberedRows rows(500);
        list->InsertColumn(0, QStringLiteral("Volume"));
        list->InsertColumn(1, QStringLiteral("Description"));
        list->SetRows(&rows);
        QList<QPoint> ended;
        list->AddEditColumn(1, CZELVListCtrl::EditText, {}, [&](int row, int column) {
            ended.append({row, column});
        });
        QVERIFY(list->BeginEdit(0, 1));
        list->TextEditor()->setText(QStringLiteral("first"));
        QVERIFY(list->BeginEdit(1, 1));
        QCOMPARE(ended, QList<QPoint>({{0, 1}}));
        QVERIFY(list->IsEditing());
        QCOMPARE(list->GetEditRow(), 1);
        list->TextEditor()->setText(QStringLiteral("second"));
        list->Table()->verticalScrollBar()->setValue(200);
        QVERIFY(!list->IsEditing());
        QCOMPARE(ended, QList<QPoint>({{0, 1}, {1, 1}}));
        // A column without an editor opens nothing.
        QVERIFY(!list->BeginEdit(3, 0));
        QVERIFY(!list->BeginEdit(9999, 1));
    }

    // The owner reloading its rows ends an edit quietly: the row is gone.
    void reloadAbandonsTheEdit() {
        NumberedRows rows(5);
        list->InsertColumn(0, QStringLiteral("Volume"));
        list->SetRows(&rows);
        int ended = 0;
        list->AddEditColumn(0, CZELVListCtrl::EditText, {}, [&](int, int) { ++ended; });
        QVERIFY(list->BeginEdit(4, 0));
        list->TextEditor()->setText(QStringLiteral("changed"));
        rows.SetCount(2);
        list->Reload();
        QVERIFY(!list->IsEditing());
        QVERIFY(!list->TextEditor()->isVisible());
        QCOMPARE(ended, 0);
    }

    // ---- Empty notice ----------------------------------------------------

    void emptyListShowsTheNotice() {
        list->InsertColumn(0, QStringLiteral("Volume"), 400);
        QWidget* port = list->Table()->viewport();
        // Inside the notice box, left of its text.
        const QPoint inBox(port->width() / 2, port->height() / 2 - 17);
        const QColor noticeColour = QApplication::palette("QMenu").color(QPalette::Window);
        QVERIFY(noticeColour != QColor(Qt::white));
        QCOMPARE(PixelAt(port, QPoint(40, port->height() / 2 - 17)), noticeColour);
        QCOMPARE(PixelAt(port, QPoint(10, port->height() / 2)), QColor(Qt::white)); // 30 px inset
        list->InsertItem(0, QStringLiteral("A00001"));
        QCOMPARE(PixelAt(port, inBox), QColor(Qt::white));
        list->DeleteAllItems();
        QCOMPARE(PixelAt(port, QPoint(40, port->height() / 2 - 17)), noticeColour);
        QCOMPARE(CZELVListCtrl::kEmptyNotice,
                 QStringLiteral("There are no items to display in this list."));
    }

    // ---- Context menu ----------------------------------------------------

    void contextMenuShowsThePopup() {
        FillThree();
        QMenu resource;
        QMenu* first = resource.addMenu(QStringLiteral("VOLUME"));
        QMenu* second = resource.addMenu(QStringLiteral("SCANLIST"));
        QAction* download = second->addAction(QStringLiteral("D&ownload Descriptions"));
        QMenu* prepared = nullptr;
        list->SetContextMenu(&resource, 1, [&](QMenu* popup) {
            prepared = popup;
            download->setEnabled(false);
        });
        QVERIFY(list->ShowContextMenu(QPoint(100, 100)));
        QCOMPARE(prepared, second);
        QCOMPARE(list->shownPopup, second);
        QVERIFY(!download->isEnabled());
        QVERIFY(first != second);

        // The context-menu key: 5 pixels into the list.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0),
                              list->Table()->mapToGlobal(QPoint(0, 0)));
        QApplication::sendEvent(list->Table(), &key);
        QCOMPARE(list->shownAt, list->Table()->mapToGlobal(QPoint(5, 5)));
        // A right-click: where the mouse is.
        QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(20, 20),
                                list->Table()->viewport()->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(list->Table()->viewport(), &mouse);
        QCOMPARE(list->shownAt, list->Table()->viewport()->mapToGlobal(QPoint(20, 20)));
    }

    void contextMenuFailures() {
        FillThree();
        QVERIFY(!list->ShowContextMenu(QPoint())); // none configured: nothing shown
        QVERIFY(prompter.Asked().isEmpty());

        QMenu resource;
        resource.addMenu(QStringLiteral("VOLUME"));
        resource.addAction(QStringLiteral("not a popup"));
        prompter.Answer({PromptOk, PromptOk, PromptOk});
        list->SetContextMenu(&resource, 1);
        QVERIFY(!list->ShowContextMenu(QPoint()));
        QCOMPARE(prompter.LastText(), QStringLiteral("Unable to find submenu"));
        list->SetContextMenu(&resource, 5);
        QVERIFY(!list->ShowContextMenu(QPoint()));
        QCOMPARE(prompter.LastText(), QStringLiteral("Unable to find submenu"));
        QVERIFY(list->shownPopup == nullptr);

        auto gone = std::make_unique<QMenu>();
        gone->addMenu(QStringLiteral("VOLUME"));
        list->SetContextMenu(gone.get(), 0);
        gone.reset();
        QVERIFY(!list->ShowContextMenu(QPoint()));
        QCOMPARE(prompter.LastText(), QStringLiteral("Unable to load menu resource"));
    }

    // ---- Caption, fonts, images, hit test, chips ---------------------------

    void captionAboveTheList() {
        FillThree();
        list->ShowCaption(319, QStringLiteral("Customers"));
        QFrame* caption = list->Caption();
        QVERIFY(caption);
        QCOMPARE(caption->objectName(), QStringLiteral("caption"));
        QCOMPARE(list->CaptionText(), QStringLiteral("Customers"));
        QCOMPARE(caption->height(), 20);
        QTRY_COMPARE(list->Table()->mapTo(list.get(), QPoint(0, 0)).y(),
                     caption->geometry().bottom() + 1 + 3);
        list->ShowCaption(319, QStringLiteral("Customers (2)"));
        QCOMPARE(list->Caption(), caption);
        QCOMPARE(list->CaptionText(), QStringLiteral("Customers (2)"));
    }

    void columnFonts() {
        FillThree();
        list->SetColumnFont(0, CZELVListCtrl::FontBold);
        list->SetColumnFont(1, CZELVListCtrl::FontFixed);
        list->SetColumnFont(2, CZELVListCtrl::FontStrikeOut);
        auto font = [&](int column) {
            return list->Model()
                ->data(list->Model()->index(0, column), Qt::FontRole)
                .value<QFont>();
        };
        QCOMPARE(font(0).weight(), QFont::Weight(800));
        QVERIFY(font(1).fixedPitch());
        QVERIFY(font(2).strikeOut());
        QCOMPARE(font(0).pointSizeF(), list->Table()->font().pointSizeF());
    }

    // The list paints cells of plain text itself (the text shaped once): they
    // must look as the style paints them. Same background, the text in the
    // same place and colour, for a selected row, the shaded sort column, a
    // bold and a right-aligned column, and text too long for its column.
    void plainCellsLookAsTheStylePaintsThem() {
        list->InsertColumn(0, QStringLiteral("Volume"), 90);
        list->InsertColumn(1, QStringLiteral("Slot"), 70, Qt::AlignRight);
        list->InsertColumn(2, QStringLiteral("Description"), 120);
        const char* rows[][3] = {{"B00002", "12", "weekly"},
                                 {"C00003", "7", "A description far too long for its column"},
                                 {"A00001", "345", "daily"}};
        for (const auto& row : rows) {
            const int at = list->InsertItem(list->GetItemCount(), QString::fromLatin1(row[0]));
            list->SetItemText(at, 1, QString::fromLatin1(row[1]));
            list->SetItemText(at, 2, QString::fromLatin1(row[2]));
        }
        list->SetColumnFont(0, CZELVListCtrl::FontBold);
        list->SetSortColumn(1);
        list->SetItemSelected(1, true);
        QTableView* table = list->Table();
        const QImage ours = table->viewport()->grab().toImage();
        QAbstractItemDelegate* own = table->itemDelegate();
        QStyledItemDelegate styled;
        table->setItemDelegate(&styled);
        const QImage theStyles = table->viewport()->grab().toImage();
        table->setItemDelegate(own);
        QCOMPARE(ours.size(), theStyles.size());
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                const QRect cell = table->visualRect(list->Model()->index(row, column));
                const QColor background = theStyles.pixelColor(cell.topLeft() + QPoint(1, 1));
                QCOMPARE(ours.pixelColor(cell.topLeft() + QPoint(1, 1)), background);
                // Where the text is, and how much of it, against the background.
                auto ink = [&](const QImage& image, int* count) {
                    QRect box;
                    *count = 0;
                    for (int y = cell.top(); y <= cell.bottom(); ++y)
                        for (int x = cell.left(); x <= cell.right(); ++x)
                            if (image.pixelColor(x, y) != background) {
                                box |= QRect(x, y, 1, 1);
                                ++*count;
                            }
                    return box;
                };
                int ourInk = 0;
                int styleInk = 0;
                const QRect ourBox = ink(ours, &ourInk);
                const QRect styleBox = ink(theStyles, &styleInk);
                const QString where = QStringLiteral("row %1 column %2").arg(row).arg(column);
                QVERIFY2(styleInk > 0, qPrintable(where));
                QVERIFY2(qAbs(ourBox.left() - styleBox.left()) <= 1 &&
                             qAbs(ourBox.right() - styleBox.right()) <= 1 &&
                             qAbs(ourBox.top() - styleBox.top()) <= 1 &&
                             qAbs(ourBox.bottom() - styleBox.bottom()) <= 1,
                         qPrintable(where));
                QVERIFY2(qAbs(ourInk - styleInk) <= styleInk / 10 + 2, qPrintable(where));
            }
        }
    }

    void fixedWidthColumnsKeepTheirWidth() {
        FillThree();
        list->SetItemText(0, 0, QStringLiteral("A much longer Volume text than the column"));
        list->SetItemText(0, 1, QStringLiteral("A much longer Location text than the column"));
        list->SetColumnFixedWidth(1);
        list->SetColumnFixedWidth(16); // beyond the first 16: ignored
        QVERIFY(list->IsColumnFixedWidth(1));
        QVERIFY(!list->IsColumnFixedWidth(16));
        list->AutoSizeColumns();
        QVERIFY(list->GetColumnWidth(0) > 90);
        QCOMPARE(list->GetColumnWidth(1), 90);
    }

    void hitTestColumn() {
        FillThree();
        const QPoint inCell = CellCentre(*list, 0, 1);
        QCOMPARE(list->HitTestColumn(0, inCell), 1);
        QCOMPARE(list->HitTestColumn(1, inCell), -1); // the point is in another row
        QCOMPARE(list->HitTestColumn(0, QPoint(399, inCell.y())), -1);
        QCOMPARE(list->HitTestColumn(7, inCell), -1);
    }

    void chipsStopAtTheCellEdge() {
        QImage image(300, 20, QImage::Format_RGB32);
        QPainter painter(&image);
        const QFontMetrics metrics = painter.fontMetrics();
        const QStringList strings = {QStringLiteral("LTO6"), QStringLiteral("LTO7"),
                                     QStringLiteral("LTO8")};
        const int gap = 10;
        const int two =
            metrics.horizontalAdvance(strings[0]) + metrics.horizontalAdvance(strings[1]) + 2 * gap;
        QCOMPARE(CZELVListCtrl::DrawChips(&painter, QRect(0, 0, two, 20), strings, Qt::black, gap,
                                          Qt::yellow, Qt::white),
                 2);
        QCOMPARE(CZELVListCtrl::DrawChips(&painter, QRect(0, 0, 300, 20), strings, Qt::black, gap,
                                          Qt::yellow, Qt::white),
                 3);
        QCOMPARE(CZELVListCtrl::DrawChips(&painter, QRect(0, 0, 5, 20), strings, Qt::black, gap,
                                          Qt::yellow, Qt::white),
                 0);
        // In a cell of the list: as many as its width takes.
        FillThree();
        const int cellWidth = list->GetColumnWidth(2);
        int fitting = 0;
        for (int used = 0; fitting < strings.size(); ++fitting) {
            used += metrics.horizontalAdvance(strings[fitting]) + gap;
            if (used > cellWidth)
                break;
        }
        QCOMPARE(list->DrawChips(&painter, 0, 2, strings, Qt::black, gap, Qt::yellow, Qt::white),
                 fitting);
        QCOMPARE(list->DrawChips(&painter, 9, 2, strings, Qt::black, gap, Qt::yellow, Qt::white),
                 0);
    }

    // ---- Dragging --------------------------------------------------------

    void draggedRowsDropOnARow() {
        FillThree();
        list->EnableDragging();
        QVERIFY(list->Table()->dragEnabled());
        QVERIFY(list->CreateDragData() == nullptr); // nothing selected
        list->SetItemSelected(0, true);
        list->SetItemSelected(2, true);
        std::unique_ptr<QMimeData> data = list->CreateDragData();
        QVERIFY(data);
        QCOMPARE(data->text(), QStringLiteral("B00002\tVLT1\tweekly\nA00001\tLIB1\tdaily\n"));

        QSignalSpy dropped(list.get(), &CZELVListCtrl::RowsDropped);
        QWidget* port = list->Table()->viewport();
        const QPoint onRow1 = CellCentre(*list, 1, 0);
        QDragEnterEvent enter(onRow1, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(port, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(onRow1, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(port, &move);
        QCOMPARE(list->DropHighlightRow(), 1);
        QDropEvent drop(QPointF(onRow1), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(port, &drop);
        QCOMPARE(list->DropHighlightRow(), -1);
        QCOMPARE(list->DropRow(), 1);
        QCOMPARE(list->DropTarget(), static_cast<QWidget*>(list->Table()));
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped.first().at(0).value<std::vector<int>>(), std::vector<int>({0, 2}));
    }

    // Rows dragged from another list are not taken.
    void rowsOfAnotherListAreRefused() {
        FillThree();
        list->EnableDragging();
        CZELVListCtrl other;
        other.InsertColumn(0, QStringLiteral("Volume"));
        other.InsertItem(0, QStringLiteral("X"));
        other.SelectAll();
        std::unique_ptr<QMimeData> data = other.CreateDragData();
        QVERIFY(data);
        QDragEnterEvent enter(CellCentre(*list, 0, 0), Qt::CopyAction, data.get(), Qt::LeftButton,
                              {});
        enter.setAccepted(false);
        QApplication::sendEvent(list->Table()->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    // ---- Activity list ---------------------------------------------------

    void activityListLines() {
        CZELVLogListCtrl log;
        log.Setup(369, 389, 368);
        QCOMPARE(log.GetColumnCount(), 1);
        QCOMPARE(log.Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Entry"));
        QVERIFY(log.Table()->horizontalHeader()->stretchLastSection());
        QCOMPARE(log.Model()->Images().size(), 3);

        QCOMPARE(log.AddLine(CZELVLogListCtrl::Information, "Processing element %u", 1u), 0);
        QCOMPARE(log.AddLine(CZELVLogListCtrl::Warning, "Volume does not match Barcode filter (%s)",
                             "*.LTO6.A*"),
                 1);
        const QByteArray longText(300, 'x');
        QCOMPARE(log.AddLine(CZELVLogListCtrl::Error, "%s", longText.constData()), 2);
        QCOMPARE(log.GetItemText(0, 0), QStringLiteral("Processing element 1"));
        QCOMPARE(log.GetItemText(1, 0),
                 QStringLiteral("Volume does not match Barcode filter (*.LTO6.A*)"));
        QCOMPARE(log.GetItemText(2, 0).size(), 256);
        QCOMPARE(log.Rows()->Image(1, 0), 1);
        QCOMPARE(log.Rows()->Image(2, 0), 2);
        QVERIFY(!log.Model()->data(log.Model()->index(2, 0), Qt::DecorationRole).isNull());
        log.AddLine(CZELVLogListCtrl::Information, QStringLiteral("100% done"));
        QCOMPARE(log.GetItemText(3, 0), QStringLiteral("100% done"));
        // A click on the heading leaves the entries in the order they happened.
        log.resize(300, 200);
        log.show();
        ClickHeading(log, 0);
        QCOMPARE(log.GetItemText(0, 0), QStringLiteral("Processing element 1"));
        QCOMPARE(log.GetSortMark(0), CZELVListCtrl::SortMark::None);
    }
};

QTEST_MAIN(ZELVListCtrlTest)
#include "ZELVListCtrlTest.moc"
