#include "MoveDatePropertyGridProperty.h"

CMoveDatePropertyGridProperty::CMoveDatePropertyGridProperty(const QString& name,
                                                             const CZELVDate& date,
                                                             const QString& description,
                                                             Editor editor)
    : CZELVPropertyGridProperty(name, DateText(date), description), m_date(date),
      m_editor(std::move(editor)) {
    AllowEdit(false);
}

QString CMoveDatePropertyGridProperty::DateText(const CZELVDate& date) {
    if (date.IsEmpty())
        return QStringLiteral("Permanent");
    return FormatDate(date, "%A, %B %d, %Y");
}

void CMoveDatePropertyGridProperty::SetDate(const CZELVDate& date) {
    m_date = date;
    SetValue(DateText(date));
}

bool CMoveDatePropertyGridProperty::OnClickButton() {
    if (!m_editor)
        return false;
    CZELVDate date = m_date;
    if (m_editor(&date) != 1)
        return false;
    SetDate(date);
    return true;
}
