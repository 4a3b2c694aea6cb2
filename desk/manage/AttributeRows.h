#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVDate.h"
#include "ZELVPropertyGridCtrl.h"

#include <memory>

class CZELV10MFC;

// Extended attributes as property-grid rows, for every grid that shows them
// (the Manage page, the Send task's attribute page). A row's data is its
// attribute number plus the grid's base.

// Bits 2 to 4 of an attribute type's flags.
enum ZELVAttributeType {
    kAttributeText = 0,
    kAttributeDate = 1,
    kAttributeNumber = 2,
    kAttributeYesNo = 3
};
int AttributeTypeOf(const ZELVATTRIBUTETYPEENTRY& entry);

// A date row: "%A, %B %d, %Y", or its not-set text; edited in place with a
// date picker that can also say "no date".
class CZELVDateGridProperty : public CZELVPropertyGridProperty {
public:
    CZELVDateGridProperty(const QString& name, const CZELVDate& date, const QString& noDateText,
                          const QVariant& data = QVariant());
    // The date the row's text names; empty for the not-set text.
    CZELVDate GetDate() const;
    static CZELVDate ReadDate(const QString& text);

    bool HasInPlaceEditor() const override { return true; }
    QWidget* CreateEditor(QWidget* parent) const override;
    void SetEditorData(QWidget* editor) const override;
    QVariant EditorValue(QWidget* editor) const override;

private:
    QString Text(const CZELVDate& date) const;
    QString m_noDate;
};

// The row of one attribute: number 0 (or no types) the description; else by
// the type: text, date, number, yes/no.
std::unique_ptr<CZELVPropertyGridProperty>
BuildAttributeRow(uint32_t number, const QString& value, const ZELVATTRIBUTETYPE* types, int base);
// The value the row writes (at most 256 bytes is the caller's check): a date
// as "%Y-%m-%d" (empty for none), a number as "%u", yes as 4294967295 and no as 0.
QString AttributeRowValue(const CZELVPropertyGridProperty& row, const ZELVATTRIBUTETYPE* types,
                          uint32_t number);

// The attributes of one Volume: Load shows them (saving the Volume shown
// before), Save writes the rows the operator changed.
class CAttributesPropertyGridCtrl : public CZELVPropertyGridCtrl {
    Q_OBJECT
public:
    explicit CAttributesPropertyGridCtrl(QWidget* parent = nullptr);
    void Load(CZELV10MFC& connection, const ZELVVOLSKey& key);
    // The results of the writes; refused values are reported, not lost silently.
    CZELV10RC Save(CZELV10MFC& connection);
    bool HasVolume() const { return m_loaded; }
    const ZELVVOLSKey& Key() const { return m_key; }

private:
    ZELVVOLSKey m_key;
    ZELVATTRIBUTETYPE m_types;
    bool m_typesRead = false;
    bool m_loaded = false;
};
