#include "ZELVListModel.h"

#include "ZELVListCtrl.h"
#include "ZELVStringArray.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTest>

namespace {

struct Tape {
    QString id;
    int slot = 0;
};

// An owner's rows that cannot reorder themselves: the model keeps a mapping.
class FixedRows : public CZELVListRows {
public:
    explicit FixedRows(std::vector<Tape>* tapes) : m_tapes(tapes) {}
    int RowCount() const override { return int(m_tapes->size()); }
    QString Text(int row, int column) const override {
        const Tape& tape = (*m_tapes)[size_t(row)];
        return column == 0 ? tape.id : QString::number(tape.slot);
    }
    const void* Record(int row) const override { return &(*m_tapes)[size_t(row)]; }
    int Compare(int left, int right, int column) const override {
        if (column == 1)
            return (*m_tapes)[size_t(left)].slot - (*m_tapes)[size_t(right)].slot;
        return CZELVListRows::Compare(left, right, column);
    }

private:
    std::vector<Tape>* m_tapes;
};

// The usual owner: pointers into its records, reordered by the sort.
class TapePointers : public CZELVPointerRows<Tape> {
public:
    QString Text(int row, int column) const override {
        const Tape* tape = At(row);
        return column == 0 ? tape->id : QString::number(tape->slot);
    }
};

QStringList Column(const CZELVListModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.data(model.index(row, column)).toString());
    return texts;
}

int AscendingText(const CZELVListModel& model, int left, int right, int column) {
    return model.Rows()->Compare(left, right, column);
}

} // namespace

class ZELVListModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The model stays consistent through every change a list makes: items
    // added, changed, removed, sorted, cleared, columns added and removed.
    void ownItemsPassTheModelTester() {
        CZELVListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.InsertColumn(0, QStringLiteral("Volume"), Qt::AlignLeft);
        model.InsertColumn(1, QStringLiteral("Slot"), Qt::AlignRight);
        QCOMPARE(model.InsertItem(0, QStringLiteral("B00002"), 0), 0);
        QCOMPARE(model.InsertItem(5, QStringLiteral("A00001"), 1), 1); // past the end appends
        QCOMPARE(model.InsertItem(0, QStringLiteral("C00003"), -1), 0);
        QVERIFY(model.SetItemText(0, 1, QStringLiteral("3")));
        QVERIFY(model.SetItemText(1, 1, QStringLiteral("2")));
        QVERIFY(model.SetItemText(2, 1, QStringLiteral("1")));
        QVERIFY(!model.SetItemText(3, 0, QStringLiteral("no such row")));
        QVERIFY(!model.SetItemText(0, 2, QStringLiteral("no such column")));
        QCOMPARE(Column(model, 0), QStringList({QStringLiteral("C00003"), QStringLiteral("B00002"),
                                                QStringLiteral("A00001")}));

        model.Sort(0, false, [&](int l, int r, int c) { return AscendingText(model, l, r, c); });
        QCOMPARE(Column(model, 0), QStringList({QStringLiteral("A00001"), QStringLiteral("B00002"),
                                                QStringLiteral("C00003")}));
        // The list's own items are reordered themselves; no mapping is kept.
        QCOMPARE(model.SourceRow(0), 0);
        QCOMPARE(Column(model, 1),
                 QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));

        QVERIFY(model.DeleteItem(1));
        QVERIFY(!model.DeleteItem(7));
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.InsertColumn(1, QStringLiteral("Location"), Qt::AlignLeft), 1);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Slot"));
        QVERIFY(model.DeleteColumn(1));
        model.DeleteAllItems();
        QCOMPARE(model.rowCount(), 0);
    }

    // Sorting an owner's rows that cannot reorder keeps a mapping: the shown
    // rows change order, the owner's array does not, and records follow rows.
    void ownerRowsSortThroughAMapping() {
        std::vector<Tape> tapes = {
            {QStringLiteral("T3"), 30}, {QStringLiteral("T1"), 10}, {QStringLiteral("T2"), 20}};
        FixedRows rows(&tapes);
        CZELVListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.InsertColumn(0, QStringLiteral("Volume"), Qt::AlignLeft);
        model.InsertColumn(1, QStringLiteral("Slot"), Qt::AlignRight);
        model.SetRows(&rows);
        QVERIFY(model.IsVirtual());
        QCOMPARE(model.InsertItem(0, QStringLiteral("refused"), -1), -1);

        QItemSelectionModel selection(&model);
        selection.select(model.index(0, 0), QItemSelectionModel::Select);

        model.Sort(1, true, [&rows](int l, int r, int c) { return rows.Compare(l, r, c); });
        QCOMPARE(Column(model, 1),
                 QStringList({QStringLiteral("30"), QStringLiteral("20"), QStringLiteral("10")}));
        QCOMPARE(tapes[0].id, QStringLiteral("T3")); // the owner's array is untouched
        QCOMPARE(model.SourceRow(1), 2);
        QCOMPARE(model.ViewRow(2), 1);
        QCOMPARE(static_cast<const Tape*>(model.Record(2)), &tapes[1]);
        QCOMPARE(model.data(model.index(2, 0), CZELVListModel::RecordRole).value<quintptr>(),
                 quintptr(&tapes[1]));
        // The selected record is still selected where it now stands.
        QVERIFY(selection.isSelected(model.index(0, 0)));

        model.Sort(1, false, [&rows](int l, int r, int c) { return rows.Compare(l, r, c); });
        QCOMPARE(Column(model, 0),
                 QStringList({QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3")}));
        QVERIFY(selection.isSelected(model.index(2, 0)));

        // One row leaves the owner's array: the mapping closes up behind it
        // and every other row keeps its record and its selection.
        tapes.push_back({QStringLiteral("T4"), 40});
        model.Reload();
        model.Sort(1, true, [&rows](int l, int r, int c) { return rows.Compare(l, r, c); });
        QCOMPARE(Column(model, 0), QStringList({QStringLiteral("T4"), QStringLiteral("T3"),
                                                QStringLiteral("T2"), QStringLiteral("T1")}));
        selection.clearSelection();
        selection.select(model.index(3, 0), QItemSelectionModel::Select);   // T1
        model.RemoveSourceRow(0, [&tapes] { tapes.erase(tapes.begin()); }); // T3
        QCOMPARE(Column(model, 0),
                 QStringList({QStringLiteral("T4"), QStringLiteral("T2"), QStringLiteral("T1")}));
        QCOMPARE(static_cast<const Tape*>(model.Record(2))->id, QStringLiteral("T1"));
        QVERIFY(selection.isSelected(model.index(2, 0)));

        // A reload (the owner rebuilt its rows) forgets the mapping.
        tapes.push_back({QStringLiteral("T0"), 5});
        model.Reload();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.SourceRow(0), 0);
        QCOMPARE(model.Text(3, 0), QStringLiteral("T0"));
    }

    // An owner that shrinks its rows and has not reloaded yet gets no calls
    // for rows it no longer has.
    void staleMappingNamesNoRow() {
        std::vector<Tape> tapes = {
            {QStringLiteral("T3"), 30}, {QStringLiteral("T1"), 10}, {QStringLiteral("T2"), 20}};
        FixedRows rows(&tapes);
        CZELVListModel model;
        model.InsertColumn(0, QStringLiteral("Volume"), Qt::AlignLeft);
        model.SetRows(&rows);
        model.Sort(1, true, [&rows](int l, int r, int c) { return rows.Compare(l, r, c); });
        QCOMPARE(model.SourceRow(1), 2);
        tapes.pop_back();
        QCOMPARE(model.SourceRow(1), -1);
        QVERIFY(!model.data(model.index(1, 0)).isValid());
        QCOMPARE(model.Text(0, 0), QStringLiteral("T3"));
    }

    // Pointer rows reorder themselves, so row i is the i-th pointer again.
    void pointerRowsReorderTheirPointers() {
        std::vector<Tape> tapes = {
            {QStringLiteral("B"), 2}, {QStringLiteral("a"), 1}, {QStringLiteral("C"), 3}};
        TapePointers rows;
        for (Tape& tape : tapes)
            rows.Pointers().push_back(&tape);
        CZELVListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.InsertColumn(0, QStringLiteral("Volume"), Qt::AlignLeft);
        model.SetRows(&rows);
        // The default comparison ignores case.
        model.Sort(0, false, [&rows](int l, int r, int c) { return rows.Compare(l, r, c); });
        QCOMPARE(rows.At(0), &tapes[1]);
        QCOMPARE(rows.At(2), &tapes[2]);
        QCOMPARE(model.SourceRow(2), 2);
        QCOMPARE(model.Record(0), static_cast<const void*>(&tapes[1]));
    }

    // Equal keys keep their order in both directions: a column the owner
    // does not sort by leaves the rows as they were.
    void sortIsStableBothWays() {
        CZELVListModel model;
        model.InsertColumn(0, QStringLiteral("Volume"), Qt::AlignLeft);
        for (const char* id : {"first", "second", "third"})
            model.InsertItem(model.rowCount(), QString::fromLatin1(id), -1);
        const auto none = [](int, int, int) { return 0; };
        model.Sort(0, true, none);
        QCOMPARE(Column(model, 0), QStringList({QStringLiteral("first"), QStringLiteral("second"),
                                                QStringLiteral("third")}));
        model.Sort(0, false, none);
        QCOMPARE(model.Text(0, 0), QStringLiteral("first"));
    }

    // The sort column is shaded unless the row has a colour of its own or is
    // the marked last row.
    void sortColumnShading() {
        CZELVListModel model;
        model.InsertColumn(0, QStringLiteral("Volume"), Qt::AlignLeft);
        model.InsertColumn(1, QStringLiteral("Slot"), Qt::AlignLeft);
        model.InsertItem(0, QStringLiteral("A"), -1);
        model.InsertItem(1, QStringLiteral("B"), -1);
        QVERIFY(!model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
        model.SetSortColumn(1);
        QCOMPARE(model.data(model.index(0, 1), Qt::BackgroundRole).value<QColor>(),
                 QColor(0xF5, 0xF5, 0xF5));
        QVERIFY(!model.data(model.index(0, 0), Qt::BackgroundRole).isValid());
        model.SetMarkLastRow(true);
        QVERIFY(model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
        QVERIFY(!model.data(model.index(1, 1), Qt::BackgroundRole).isValid());
    }

    void checkBoxesToggleThroughTheModel() {
        CZELVListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.InsertColumn(0, QStringLiteral("Repository"), Qt::AlignLeft);
        model.InsertItem(0, QStringLiteral("VLT1"), -1);
        QVERIFY(!model.data(model.index(0, 0), Qt::CheckStateRole).isValid());
        model.Items().SetCheckBoxes(true);
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
        QVERIFY(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(model.Items().IsChecked(0));
    }

    void imagesComeFromTheImageList() {
        CZELVListModel model;
        model.InsertColumn(0, QStringLiteral("Entry"), Qt::AlignLeft);
        model.InsertItem(0, QStringLiteral("routed"), 1);
        model.InsertItem(1, QStringLiteral("no image"), 5); // past the image list
        QPixmap red(16, 16);
        red.fill(Qt::red);
        QPixmap blue(16, 16);
        blue.fill(Qt::blue);
        model.SetImages({QIcon(red), QIcon(blue)});
        const QIcon shown = model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>();
        QCOMPARE(shown.pixmap(16, 16).toImage().pixelColor(4, 4), QColor(Qt::blue));
        QVERIFY(!model.data(model.index(1, 0), Qt::DecorationRole).isValid());
    }

    void stringArrayUniqueAndCounted() {
        CZELVStringArray strings;
        QCOMPARE(strings.Add(QStringLiteral("LTO6")), 0);
        QCOMPARE(strings.Add(QStringLiteral("LTO7")), 1);
        QCOMPARE(strings.Add(QStringLiteral("LTO6")), 2);
        QCOMPARE(strings.CountOf(QStringLiteral("LTO6")), 2);
        QCOMPARE(strings.Find(QStringLiteral("LTO7")), 1);
        strings.RemoveAt(0);
        QCOMPARE(strings.CountOf(QStringLiteral("LTO6")), 1);
        QCOMPARE(strings.GetAt(0), QStringLiteral("LTO7"));
        strings.RemoveAt(9); // nothing there
        QCOMPARE(strings.GetSize(), 2);

        CZELVStringArray unique(true);
        QCOMPARE(unique.Add(QStringLiteral("DC01")), 0);
        QCOMPARE(unique.Add(QStringLiteral("VLT1")), 1);
        QCOMPARE(unique.Add(QStringLiteral("VLT1")), 0); // present: nothing added
        QCOMPARE(unique.GetSize(), 2);
        QCOMPARE(unique.CountOf(QStringLiteral("VLT1")), 1);
        QVERIFY(!unique.Contains(QStringLiteral("vlt1")));
        QCOMPARE(unique.Find(QStringLiteral("none")), -1);
        unique.RemoveAll();
        QVERIFY(unique.IsEmpty());
        QCOMPARE(unique.Add(QStringLiteral("VLT1")), 0);
    }
};

QTEST_MAIN(ZELVListModelTest)
#include "ZELVListModelTest.moc"
