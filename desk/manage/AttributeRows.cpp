#include "AttributeRows.h"

#include "ZELV10MFC.h"
#include "ZELVListCtrlEditors.h"

#include <QLocale>

int AttributeTypeOf(const ZELVATTRIBUTETYPEENTRY& entry) {
    return int((entry.flags >> 2) & 7u);
}

// --- Date row -------------------------------------------------------------------

CZELVDateGridProperty::CZELVDateGridProperty(const QString& name, const CZELVDate& date,
                                             const QString& noDateText, const QVariant& data)
    : CZELVPropertyGridProperty(name, QString(), QString(), data), m_noDate(noDateText) {
    SetValue(Text(date));
    ResetOriginalValue();
}

QString CZELVDateGridProperty::Text(const CZELVDate& date) const {
    return date.IsValid() ? FormatDate(date, "%A, %B %d, %Y") : m_noDate;
}

CZELVDate CZELVDateGridProperty::ReadDate(const QString& text) {
    CZELVDate date;
    const QDate d = QLocale::c().toDate(text, QStringLiteral("dddd, MMMM dd, yyyy"));
    if (d.isValid())
        date.SetDate(d.year(), d.month(), d.day());
    return date;
}

CZELVDate CZELVDateGridProperty::GetDate() const {
    return ReadDate(GetValue().toString());
}

QWidget* CZELVDateGridProperty::CreateEditor(QWidget* parent) const {
    auto* editor = new CZELVListCtrl_Date(parent);
    editor->SetShowNone(true);
    return editor;
}

void CZELVDateGridProperty::SetEditorData(QWidget* editor) const {
    auto* picker = static_cast<CZELVListCtrl_Date*>(editor);
    const CZELVDate date = GetDate();
    if (date.IsValid())
        picker->SetZelvDate(date);
    else
        picker->SetNoDate();
}

QVariant CZELVDateGridProperty::EditorValue(QWidget* editor) const {
    auto* picker = static_cast<CZELVListCtrl_Date*>(editor);
    return Text(picker->HasDate() ? picker->GetZelvDate() : CZELVDate());
}

// --- Rows -----------------------------------------------------------------------

std::unique_ptr<CZELVPropertyGridProperty>
BuildAttributeRow(uint32_t number, const QString& value, const ZELVATTRIBUTETYPE* types, int base) {
    const QVariant data = base + int(number);
    if (number == 0 || number > uint32_t(kZelvAttributeTypes) || !types)
        return std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Description"), value,
                                                           QString(), data);
    const ZELVATTRIBUTETYPEENTRY& type = types->entries[number - 1];
    const QString name = type.name.Text();
    switch (AttributeTypeOf(type)) {
    case kAttributeDate: {
        CZELVDate date;
        if (value.size() == 10)
            date.SetDate(value.left(4).toInt(), value.mid(5, 2).toInt(), value.mid(8, 2).toInt());
        return std::make_unique<CZELVDateGridProperty>(name, date, QStringLiteral("No Date"), data);
    }
    case kAttributeNumber: {
        auto row = std::make_unique<CZELVPropertyGridProperty>(
            name, QVariant::fromValue<qint64>(qint64(value.toUInt())), QString(), data);
        row->EnableSpinControl(true, 0, std::numeric_limits<int>::max());
        return row;
    }
    case kAttributeYesNo:
        return std::make_unique<CZELVPropertyGridProperty>(name, value.toLongLong() != 0, QString(),
                                                           data);
    default:
        return std::make_unique<CZELVPropertyGridProperty>(name, value, QString(), data);
    }
}

QString AttributeRowValue(const CZELVPropertyGridProperty& row, const ZELVATTRIBUTETYPE* types,
                          uint32_t number) {
    if (number == 0 || number > uint32_t(kZelvAttributeTypes) || !types)
        return row.GetValue().toString();
    switch (AttributeTypeOf(types->entries[number - 1])) {
    case kAttributeDate: {
        const CZELVDate date = CZELVDateGridProperty::ReadDate(row.GetValue().toString());
        return date.IsValid() ? FormatDate(date, "%Y-%m-%d") : QString();
    }
    case kAttributeNumber:
        return QString::number(uint32_t(row.GetInt()));
    case kAttributeYesNo:
        // The yes/no value widened with its sign: yes is all bits set.
        return QString::number(uint32_t(int32_t(int16_t(row.GetBool() ? -1 : 0))));
    default:
        return row.GetValue().toString();
    }
}

// --- Grid -----------------------------------------------------------------------

CAttributesPropertyGridCtrl::CAttributesPropertyGridCtrl(QWidget* parent)
    : CZELVPropertyGridCtrl(parent) {
    EnableHeaderCtrl(true, QStringLiteral("Attribute"), QStringLiteral("Value"));
    MarkModifiedProperties(true);
}

void CAttributesPropertyGridCtrl::Load(CZELV10MFC& connection, const ZELVVOLSKey& key) {
    if (m_loaded)
        Save(connection);
    m_key = key;
    m_loaded = true;
    RemoveAll();
    m_typesRead = connection.Get(&m_types, key.customerId.Text()).IsOK();
    if (!m_typesRead)
        return;
    for (uint32_t n = 1; n <= uint32_t(kZelvAttributeTypes); ++n) {
        if (m_types.entries[n - 1].name.IsEmpty())
            continue;
        ZELVATTRIBUTE value;
        if (!connection
                 .Get(&value, key.customerId.Text(), key.mediaId.Text(), key.volumeId.Text(), n)
                 .IsOK())
            value = ZELVATTRIBUTE();
        AddProperty(BuildAttributeRow(n, value.value.Text(), &m_types, 0));
    }
}

CZELV10RC CAttributesPropertyGridCtrl::Save(CZELV10MFC& connection) {
    CZELV10RC result;
    if (!m_loaded)
        return result;
    for (int i = 0; i < GetPropertyCount(); ++i) {
        CZELVPropertyGridProperty* row = GetProperty(i);
        if (!row->IsModified())
            continue;
        const uint32_t number = uint32_t(row->GetData().toInt());
        const QString value = AttributeRowValue(*row, m_typesRead ? &m_types : nullptr, number);
        CZELV10RC rc;
        if (!ZELVFixedText<kZelvDescriptionLen>::Fits(value)) {
            rc = CZELV10RC(ZELV10RC_TEXTTOOLONG, QStringLiteral("%1 is longer than %2 bytes")
                                                     .arg(row->GetName())
                                                     .arg(kZelvDescriptionLen));
        } else {
            ZELVATTRIBUTEEx attribute;
            attribute.key = m_key;
            attribute.number = number;
            attribute.value.Set(value);
            rc = connection.Put(attribute);
        }
        if (rc.IsOK())
            row->ResetOriginalValue();
        else if (result.IsOK())
            result = rc;
    }
    return result;
}
