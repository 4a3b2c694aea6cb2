#pragma once

#include <QPointer>
#include <QTreeWidget>
#include <QVariant>
#include <memory>

class CZELVPropertyGridCtrl;
class QLabel;
class QFrame;
class QStyleOptionViewItem;

// One row of a CZELVPropertyGridCtrl: a group, or a named value with a
// description. The kind of row follows the value: a bool is a check box, a
// number a spin box, a row with options a drop-down, anything else text.
// Rows with a button (HasButton) open a dialog of their own. Dependent rows
// are shown while this row's value is true and hidden while it is false.
class CZELVPropertyGridProperty : public QTreeWidgetItem {
public:
    static constexpr int kItemType = QTreeWidgetItem::UserType + 90;
    enum class Kind { Group, Text, Number, Real, Bool, Options };

    // A group.
    explicit CZELVPropertyGridProperty(const QString& groupName);
    // A value row.
    CZELVPropertyGridProperty(const QString& name, const QVariant& value,
                              const QString& description = QString(),
                              const QVariant& data = QVariant());
    ~CZELVPropertyGridProperty() override;

    QString GetName() const { return m_name; }
    void SetName(const QString& name);
    const QString& GetDescription() const { return m_description; }
    void SetDescription(const QString& description);
    bool IsGroup() const { return m_group; }
    Kind GetKind() const;
    // The caller's own value kept with the row (a record, a kind number).
    const QVariant& GetData() const { return m_data; }
    void SetData(const QVariant& data) { m_data = data; }

    // The value. SetValue changes it without a change notice, as a program
    // change is not an edit.
    const QVariant& GetValue() const { return m_value; }
    void SetValue(const QVariant& value);
    bool GetBool() const;
    qint64 GetInt() const;
    // The value as the row shows it.
    virtual QString FormatValue() const;

    // Modified means: differs from the original value (the value given at
    // creation, or at the last SetOriginalValue / ResetOriginalValue).
    const QVariant& GetOriginalValue() const { return m_original; }
    void SetOriginalValue(const QVariant& value);
    void ResetOriginalValue() { SetOriginalValue(m_value); }
    bool IsModified() const { return m_value != m_original; }

    // Options of a drop-down, each with a data value.
    int AddOption(const QString& text, const QVariant& data = QVariant());
    void RemoveAllOptions();
    int GetOptionCount() const { return int(m_options.size()); }
    QString GetOption(int index) const;
    QVariant GetOptionData(int index) const;
    // Index of the option equal to the value; 0 when none is.
    int GetSelectedOption() const;
    // Sets the value to that option; an index past the end does nothing.
    void SelectOption(int index);
    QVariant GetSelectedOptionData() const { return GetOptionData(GetSelectedOption()); }

    // Typing: off makes a text row read-only and a drop-down a pure choice;
    // a button row then offers its button only.
    void AllowEdit(bool allow);
    bool IsAllowEdit() const { return m_allowEdit; }
    // Read-only rows cannot be changed at all (no typing, choice, check or button).
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_readOnly; }
    // A disabled row, or a row in a disabled group, is greyed and cannot change.
    void Enable(bool enable);
    bool IsEnabled() const;
    // Whether the operator can change the value now.
    bool IsEditable() const;
    void EnableSpinControl(bool enable, int min = 0, int max = 0);
    bool HasSpinRange() const { return m_spin; }
    int SpinMin() const { return m_spinMin; }
    int SpinMax() const { return m_spinMax; }

    // Button rows: HasButton says whether the row has one; OnClickButton does
    // its work and returns whether the value changed (then the grid reports
    // the change).
    virtual bool HasButton() const { return false; }
    virtual bool OnClickButton() { return false; }

    // Sub-rows; the row takes ownership.
    CZELVPropertyGridProperty* AddSubItem(std::unique_ptr<CZELVPropertyGridProperty> property);
    CZELVPropertyGridProperty* AddSubItem(const QString& name, const QVariant& value,
                                          const QString& description = QString(),
                                          bool readOnly = false);
    int GetSubItemsCount() const { return childCount(); }
    CZELVPropertyGridProperty* GetSubItem(int index) const;
    CZELVPropertyGridProperty* GetParentProperty() const;

    void Show(bool show);
    bool IsVisible() const { return m_visible; }
    void Expand(bool expand);
    bool IsExpanded() const { return m_expanded; }

    // Rows shown while this row's value is true.
    void AddDependent(CZELVPropertyGridProperty* property);
    const QList<CZELVPropertyGridProperty*>& GetDependents() const { return m_dependents; }

    CZELVPropertyGridCtrl* GetGrid() const;

    // In-place editing. Special rows (dates, folders) override these; a row
    // that overrides CreateEditor says so in HasInPlaceEditor.
    virtual bool HasInPlaceEditor() const;
    virtual QWidget* CreateEditor(QWidget* parent) const;
    virtual void SetEditorData(QWidget* editor) const;
    // The value the editor holds, of the value's own type.
    virtual QVariant EditorValue(QWidget* editor) const;
    // Custom drawing of the value cell; false draws the text.
    virtual bool PaintValue(QPainter* painter, const QStyleOptionViewItem& option) const;

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;

protected:
    // Repaints the row and brings its state (flags, hidden, spanned) into the view.
    void Refresh();

private:
    friend class CZELVPropertyGridCtrl;
    void ApplyState();  // this row and its sub-rows, once in a view
    void UpdateFlags(); // this row and its sub-rows
    bool m_group = false;
    QString m_name;
    QString m_description;
    QVariant m_value;
    QVariant m_original;
    QVariant m_data;
    QStringList m_options;
    QList<QVariant> m_optionData;
    bool m_allowEdit = true;
    bool m_readOnly = false;
    bool m_enabled = true;
    bool m_visible = true;
    bool m_expanded = true;
    bool m_spin = false;
    int m_spinMin = 0;
    int m_spinMax = 0;
    QList<CZELVPropertyGridProperty*> m_dependents; // rows of the same grid, not owned
};

// The property grid: a two-column tree of properties with an optional header
// and an optional description area that shows the current row's name and
// description.
class CZELVPropertyGridCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CZELVPropertyGridCtrl(QWidget* parent = nullptr);
    ~CZELVPropertyGridCtrl() override;

    // Top-level rows; the grid takes ownership.
    CZELVPropertyGridProperty* AddProperty(std::unique_ptr<CZELVPropertyGridProperty> property);
    CZELVPropertyGridProperty* AddGroup(const QString& name);
    CZELVPropertyGridProperty* AddSubItem(const QString& name, const QVariant& value,
                                          const QString& description = QString(),
                                          bool readOnly = false);
    void RemoveAll();
    int GetPropertyCount() const;
    CZELVPropertyGridProperty* GetProperty(int index) const;
    // The first row, at any depth, with that data or that name.
    CZELVPropertyGridProperty* FindItemByData(const QVariant& data) const;
    CZELVPropertyGridProperty* FindProperty(const QString& name) const;

    CZELVPropertyGridProperty* GetCurSel() const;
    void SetCurSel(CZELVPropertyGridProperty* property);

    void EnableHeaderCtrl(bool enable, const QString& left = QStringLiteral("Property"),
                          const QString& right = QStringLiteral("Value"));
    void EnableDescriptionArea(bool enable);
    bool IsDescriptionArea() const;
    // Modified values shown in bold.
    void MarkModifiedProperties(bool mark);
    bool IsMarkModifiedProperties() const { return m_markModified; }
    void ExpandAll(bool expand = true);

    // Opens the value editor of a row as a click on it does; returns the
    // editor, or none when the row cannot be edited that way.
    QWidget* EditProperty(CZELVPropertyGridProperty* property);
    // Presses a row's button; returns whether the value changed.
    bool ClickButton(CZELVPropertyGridProperty* property);

    // An edit by the operator: stores the value and reports the change when
    // it differs. Returns whether it changed.
    bool CommitValue(CZELVPropertyGridProperty* property, const QVariant& value);
    // Reports a change, as every edit does.
    void NotifyPropertyChanged(CZELVPropertyGridProperty* property) { OnPropertyChanged(property); }

    QTreeWidget* Tree() const { return m_tree; }

Q_SIGNALS:
    void PropertyChanged(CZELVPropertyGridProperty* property);

protected:
    // Sends PropertyChanged, then shows or hides the row's dependent rows by
    // its value. Grids that act on changes override this and call it.
    virtual void OnPropertyChanged(CZELVPropertyGridProperty* property);

private:
    friend class CZELVPropertyGridDelegate;
    friend class CZELVPropertyGridProperty;
    void UpdateDescription();

    QTreeWidget* m_tree = nullptr;
    QFrame* m_descriptionArea = nullptr;
    QLabel* m_descriptionName = nullptr;
    QLabel* m_descriptionText = nullptr;
    bool m_markModified = false;
    QPointer<QWidget> m_lastEditor;
};
