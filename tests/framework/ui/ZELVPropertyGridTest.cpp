#include "ZELVPropertyGridCtrl.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

namespace {

// A row with a button, as the date and threshold rows are: the button sets
// the value the test chose, or leaves it when cancelled.
class ButtonProperty : public CZELVPropertyGridProperty {
public:
    ButtonProperty()
        : CZELVPropertyGridProperty(QStringLiteral("Next move"), QStringLiteral("Permanent")) {
        AllowEdit(false);
    }
    bool HasButton() const override { return true; }
    bool OnClickButton() override {
        ++clicks;
        if (nextValue.isEmpty())
            return false; // cancelled
        SetValue(nextValue);
        return true;
    }
    QString nextValue;
    int clicks = 0;
};

// Commits an open editor the way the operator does: Return, then the posted commit.
void PressReturn(QWidget* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::sendPostedEvents();
}

} // namespace

class ZELVPropertyGridTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CZELVPropertyGridCtrl> grid;

private Q_SLOTS:
    void init() {
        grid = std::make_unique<CZELVPropertyGridCtrl>();
        grid->resize(500, 400);
        grid->show();
    }
    void cleanup() { grid.reset(); }

    void textRowEditsAndReportsOnce() {
        CZELVPropertyGridProperty* group = grid->AddGroup(QStringLiteral("Attributes"));
        CZELVPropertyGridProperty* description =
            group->AddSubItem(QStringLiteral("Description"), QStringLiteral("old"),
                              QStringLiteral("Volume description"));
        QSignalSpy changed(grid.get(), &CZELVPropertyGridCtrl::PropertyChanged);

        auto* editor = qobject_cast<QLineEdit*>(grid->EditProperty(description));
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("old"));
        editor->setText(QStringLiteral("Weekly full backup"));
        PressReturn(editor);

        QCOMPARE(description->GetValue().toString(), QStringLiteral("Weekly full backup"));
        QCOMPARE(description->data(1, Qt::DisplayRole).toString(),
                 QStringLiteral("Weekly full backup"));
        QVERIFY(description->IsModified());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().value<CZELVPropertyGridProperty*>(), description);
    }

    void unchangedEditReportsNothing() {
        CZELVPropertyGridProperty* row =
            grid->AddSubItem(QStringLiteral("Name"), QStringLiteral("same"));
        QSignalSpy changed(grid.get(), &CZELVPropertyGridCtrl::PropertyChanged);
        PressReturn(grid->EditProperty(row));
        QCOMPARE(changed.count(), 0);
        QVERIFY(!row->IsModified());
    }

    void numberRowKeepsItsTypeAndSpinRange() {
        CZELVPropertyGridProperty* days =
            grid->AddSubItem(QStringLiteral("Days"), 3, QStringLiteral("Number of days"));
        days->EnableSpinControl(true, 0, 30);
        auto* spin = qobject_cast<QSpinBox*>(grid->EditProperty(days));
        QVERIFY(spin);
        QCOMPARE(spin->value(), 3);
        QCOMPARE(spin->maximum(), 30);
        spin->setValue(99); // clamped by the range
        PressReturn(spin);
        QCOMPARE(days->GetValue().metaType().id(), int(QMetaType::Int));
        QCOMPARE(days->GetInt(), 30);
    }

    void checkBoxTogglesWithSpace() {
        CZELVPropertyGridProperty* disabled = grid->AddSubItem(
            QStringLiteral("User Disabled"), false, QStringLiteral("Is this User disabled"));
        QSignalSpy changed(grid.get(), &CZELVPropertyGridCtrl::PropertyChanged);
        QCOMPARE(disabled->data(1, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        grid->SetCurSel(disabled);
        QTest::keyClick(grid->Tree(), Qt::Key_Space);
        QVERIFY(disabled->GetBool());
        QCOMPARE(disabled->GetValue().metaType().id(), int(QMetaType::Bool));
        QCOMPARE(disabled->data(1, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(changed.count(), 1);
        // No text editor for a check box.
        QVERIFY(!grid->EditProperty(disabled));
    }

    void dropDownStoresTheOptionAndItsData() {
        CZELVPropertyGridProperty* role = grid->AddSubItem(
            QStringLiteral("Role"), QStringLiteral("1:Operator"), QStringLiteral("User's Role"));
        role->AllowEdit(false);
        QCOMPARE(role->AddOption(QStringLiteral("0:Administrator"), 0), 0);
        QCOMPARE(role->AddOption(QStringLiteral("1:Operator"), 1), 1);
        QCOMPARE(role->AddOption(QStringLiteral("2:Auditor"), 2), 2);
        QCOMPARE(role->GetSelectedOption(), 1);

        auto* combo = qobject_cast<QComboBox*>(grid->EditProperty(role));
        QVERIFY(combo);
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentIndex(), 1);
        combo->setCurrentIndex(2);
        Q_EMIT combo->activated(2);
        QCoreApplication::sendPostedEvents();

        QCOMPARE(role->GetValue().toString(), QStringLiteral("2:Auditor"));
        QCOMPARE(role->GetSelectedOption(), 2);
        QCOMPARE(role->GetSelectedOptionData().toInt(), 2);
    }

    void optionHelpers() {
        CZELVPropertyGridProperty* target =
            grid->AddSubItem(QStringLiteral("Target"), QStringLiteral("Vault B"));
        target->AddOption(QStringLiteral("<No Selection>"));
        target->AddOption(QStringLiteral("Vault A"), QStringLiteral("VLTA"));
        // A value that is no option selects option 0.
        QCOMPARE(target->GetSelectedOption(), 0);
        target->SelectOption(1);
        QCOMPARE(target->GetValue().toString(), QStringLiteral("Vault A"));
        QCOMPARE(target->GetSelectedOptionData().toString(), QStringLiteral("VLTA"));
        // Past the end: nothing changes.
        target->SelectOption(2);
        target->SelectOption(-1);
        QCOMPARE(target->GetValue().toString(), QStringLiteral("Vault A"));
        target->RemoveAllOptions();
        QCOMPARE(target->GetOptionCount(), 0);
        QCOMPARE(target->GetKind(), CZELVPropertyGridProperty::Kind::Text);
    }

    void boolAndIntReadings_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<qint64>("asInt");
        QTest::newRow("zero is false") << QVariant(0) << false << qint64(0);
        QTest::newRow("any other number is true") << QVariant(7) << true << qint64(7);
        QTest::newRow("negative number is true") << QVariant(-2) << true << qint64(-2);
        QTest::newRow("bool true") << QVariant(true) << true << qint64(1);
        QTest::newRow("large unsigned")
            << QVariant(quint32(4000000000u)) << true << qint64(4000000000LL);
    }
    void boolAndIntReadings() {
        QFETCH(QVariant, value);
        QFETCH(bool, asBool);
        QFETCH(qint64, asInt);
        CZELVPropertyGridProperty row(QStringLiteral("x"), value);
        QCOMPARE(row.GetBool(), asBool);
        QCOMPARE(row.GetInt(), asInt);
    }

    void dependentsFollowTheirRow() {
        CZELVPropertyGridProperty* enable =
            grid->AddSubItem(QStringLiteral("Enable threshold"), true);
        CZELVPropertyGridProperty* days = grid->AddSubItem(QStringLiteral("Days"), 1);
        CZELVPropertyGridProperty* hours = grid->AddSubItem(QStringLiteral("Hours"), 2);
        enable->AddDependent(days);
        enable->AddDependent(hours);

        // The change is reported before the dependents follow it.
        bool hiddenAtReport = true;
        connect(grid.get(), &CZELVPropertyGridCtrl::PropertyChanged, this,
                [&] { hiddenAtReport = days->isHidden(); });

        grid->SetCurSel(enable);
        QTest::keyClick(grid->Tree(), Qt::Key_Space);
        QVERIFY(!enable->GetBool());
        QVERIFY(!hiddenAtReport);
        QVERIFY(days->isHidden());
        QVERIFY(hours->isHidden());
        QVERIFY(!days->IsVisible());

        QTest::keyClick(grid->Tree(), Qt::Key_Space);
        QVERIFY(!days->isHidden());
        QVERIFY(!hours->isHidden());
    }

    void programChangeIsNoEdit() {
        CZELVPropertyGridProperty* enable = grid->AddSubItem(QStringLiteral("Enable"), true);
        CZELVPropertyGridProperty* days = grid->AddSubItem(QStringLiteral("Days"), 1);
        enable->AddDependent(days);
        QSignalSpy changed(grid.get(), &CZELVPropertyGridCtrl::PropertyChanged);
        enable->SetValue(false);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!days->isHidden());
    }

    void readOnlyRowsCannotChange_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("how");
        QTest::newRow("read-only text") << QVariant(QStringLiteral("Known")) << "readonly";
        QTest::newRow("read-only number") << QVariant(5) << "readonly";
        QTest::newRow("read-only check box") << QVariant(true) << "readonly";
        QTest::newRow("read-only drop-down") << QVariant(QStringLiteral("A")) << "readonly-options";
        QTest::newRow("text in a disabled group") << QVariant(QStringLiteral("80")) << "group";
        QTest::newRow("check box in a disabled group") << QVariant(false) << "group";
        QTest::newRow("text with typing off") << QVariant(QStringLiteral("x")) << "typing-off";
    }
    void readOnlyRowsCannotChange() {
        QFETCH(QVariant, value);
        QFETCH(QString, how);
        CZELVPropertyGridProperty* row = nullptr;
        if (how == QLatin1String("group")) {
            CZELVPropertyGridProperty* group = grid->AddGroup(QStringLiteral("Library Health"));
            row = group->AddSubItem(QStringLiteral("Score"), value);
            group->Enable(false);
        } else {
            row = grid->AddSubItem(QStringLiteral("Status"), value, QString(),
                                   how.startsWith(QLatin1String("readonly")));
            if (how == QLatin1String("readonly-options")) {
                row->AddOption(QStringLiteral("A"));
                row->AddOption(QStringLiteral("B"));
            }
            if (how == QLatin1String("typing-off"))
                row->AllowEdit(false);
        }
        QSignalSpy changed(grid.get(), &CZELVPropertyGridCtrl::PropertyChanged);

        QVERIFY(!row->IsEditable());
        QVERIFY(!(row->flags() & Qt::ItemIsEditable));
        QVERIFY(!(row->flags() & Qt::ItemIsUserCheckable));
        QVERIFY(!grid->EditProperty(row));
        // Neither the check box path nor a space bar change it.
        row->setData(1, Qt::CheckStateRole, Qt::Checked);
        row->setData(1, Qt::CheckStateRole, Qt::Unchecked);
        grid->SetCurSel(row);
        QTest::keyClick(grid->Tree(), Qt::Key_Space);
        QVERIFY(!grid->CommitValue(row, QStringLiteral("changed")));
        QCOMPARE(row->GetValue(), value);
        QCOMPARE(changed.count(), 0);
    }

    void buttonRowReportsOnlyAcceptedChanges() {
        auto* button =
            static_cast<ButtonProperty*>(grid->AddProperty(std::make_unique<ButtonProperty>()));
        QSignalSpy changed(grid.get(), &CZELVPropertyGridCtrl::PropertyChanged);

        // Typing is off: the button is the only way in.
        QVERIFY(!grid->EditProperty(button));
        QVERIFY(!grid->ClickButton(button)); // cancelled
        QCOMPARE(changed.count(), 0);

        // A click on the button drawn at the right end of the value cell.
        button->nextValue = QStringLiteral("Friday, March 01, 2024");
        const QRect cell = grid->Tree()->visualRect(grid->Tree()->model()->index(0, 1));
        QTest::mouseClick(grid->Tree()->viewport(), Qt::LeftButton, {},
                          QPoint(cell.right() - cell.height() / 2, cell.center().y()));
        QCOMPARE(button->clicks, 2);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(button->GetValue().toString(), QStringLiteral("Friday, March 01, 2024"));

        button->SetReadOnly(true);
        QVERIFY(!grid->ClickButton(button));
        QCOMPARE(button->clicks, 2);
    }

    void descriptionAreaFollowsTheCurrentRow() {
        grid->EnableDescriptionArea(true);
        QVERIFY(grid->IsDescriptionArea());
        CZELVPropertyGridProperty* group = grid->AddGroup(QStringLiteral("Identity"));
        CZELVPropertyGridProperty* customer =
            group->AddSubItem(QStringLiteral("Customer"), QStringLiteral("ACME"),
                              QStringLiteral("Customer that owns this Volume"));
        group->AddSubItem(QStringLiteral("Media Type"), QStringLiteral("LTO4"),
                          QStringLiteral("Media Type of Volume"));
        auto* name = grid->findChild<QLabel*>(QStringLiteral("propertyGridDescriptionName"));
        auto* text = grid->findChild<QLabel*>(QStringLiteral("propertyGridDescriptionText"));

        grid->SetCurSel(customer);
        QCOMPARE(name->text(), QStringLiteral("Customer"));
        QCOMPARE(text->text(), QStringLiteral("Customer that owns this Volume"));

        QTest::keyClick(grid->Tree(), Qt::Key_Down);
        QCOMPARE(grid->GetCurSel()->GetName(), QStringLiteral("Media Type"));
        QCOMPARE(name->text(), QStringLiteral("Media Type"));
        QCOMPARE(text->text(), QStringLiteral("Media Type of Volume"));

        grid->RemoveAll();
        QCOMPARE(name->text(), QString());
        QCOMPARE(text->text(), QString());
    }

    void modifiedValuesShownBoldWhenAsked() {
        CZELVPropertyGridProperty* row =
            grid->AddSubItem(QStringLiteral("Name"), QStringLiteral("a"));
        CZELVPropertyGridProperty* other =
            grid->AddSubItem(QStringLiteral("Other"), QStringLiteral("b"));
        grid->CommitValue(row, QStringLiteral("changed"));
        QVERIFY(!row->data(1, Qt::FontRole).isValid());
        grid->MarkModifiedProperties(true);
        QVERIFY(row->data(1, Qt::FontRole).value<QFont>().bold());
        QVERIFY(!other->data(1, Qt::FontRole).isValid());
        row->ResetOriginalValue();
        QVERIFY(!row->IsModified());
        QVERIFY(!row->data(1, Qt::FontRole).isValid());
    }

    void headerAndLookups() {
        grid->EnableHeaderCtrl(true, QStringLiteral("Attribute"), QStringLiteral("Value"));
        QCOMPARE(grid->Tree()->headerItem()->text(0), QStringLiteral("Attribute"));
        QVERIFY(!grid->Tree()->isHeaderHidden());
        grid->EnableHeaderCtrl(false);
        QVERIFY(grid->Tree()->isHeaderHidden());

        CZELVPropertyGridProperty* group = grid->AddGroup(QStringLiteral("Attributes"));
        auto row =
            std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Slot"), 4, QString(), 1004);
        CZELVPropertyGridProperty* slot = group->AddSubItem(std::move(row));
        QCOMPARE(grid->FindItemByData(1004), slot);
        QCOMPARE(grid->FindItemByData(1005), nullptr);
        QCOMPARE(grid->FindProperty(QStringLiteral("Slot")), slot);
        QCOMPARE(slot->GetParentProperty(), group);
        QCOMPARE(slot->GetGrid(), grid.get());
        QVERIFY(group->isFirstColumnSpanned());
    }

    void stateSetBeforeAddingSurvives() {
        auto group = std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Predefined"));
        CZELVPropertyGridProperty* lists =
            group->AddSubItem(QStringLiteral("Predefined Lists"), QStringLiteral("<Not Selected>"));
        lists->Show(false);
        group->Expand(false);
        CZELVPropertyGridProperty* added = grid->AddProperty(std::move(group));
        QVERIFY(lists->isHidden());
        QVERIFY(!added->isExpanded());
        grid->ExpandAll();
        QVERIFY(added->isExpanded());
    }
};

QTEST_MAIN(ZELVPropertyGridTest)
#include "ZELVPropertyGridTest.moc"
