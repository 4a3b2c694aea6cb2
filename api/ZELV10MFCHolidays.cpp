// Public holidays of the Customers' accounts.
#include "ZELV10MFC.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"

using namespace ZelvValidate;

namespace {

// Holidays are kept as "YYYY-MM-DD": readable in the database and ordered as text.
QString DayText(const CZELVDate& date) {
    return QString::asprintf("%04d-%02d-%02d", date.Year(), date.Month(), date.Day());
}

CZELVDate DayOf(const QString& text) {
    CZELVDate date;
    if (text.size() == 10)
        date.SetDate(text.left(4).toInt(), text.mid(5, 2).toInt(), text.mid(8, 2).toInt());
    return date;
}

CZELV10RC CheckScope(const QString& customer) {
    if (customer.isEmpty())
        return CZELV10RC();
    ZELVFixedText<kZelvCustomerIdLen> id;
    if (!ZELVFixedText<kZelvCustomerIdLen>::Fits(customer))
        return CZELV10RC(ZELV10RC_BADIDENTIFIER, QStringLiteral("Customer-ID ") + customer);
    id.Set(customer);
    return Field("Customer-ID", id, true);
}

} // namespace

CZELV10RC CZELV10MFC::CheckHoliday(const QString& customer, const CZELVDate& date, QString* text) {
    CZELV10RC rc = CheckScope(customer);
    if (!rc.IsOK())
        return rc;
    if (!date.IsCalendarDate() || !date.IsValid())
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("the date is not a day of the calendar"));
    QString name;
    // The Customer's own name of the day before the one of every Customer.
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        return FirstRow("SELECT name FROM holiday WHERE day = ? AND customer_id IN (?, '')"
                        " ORDER BY customer_id DESC LIMIT 1",
                        {DayText(date), customer}, CZELV10RC(ZELV10RC_NOHOLIDAY),
                        [&](const ZELVCursor& c) { name = c.Text(0); });
    });
    if (rc.IsOK() && text)
        *text = name;
    return rc;
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVHOLIDAY>* out, const QString& customer) {
    CZELV10RC rc = CheckScope(customer);
    if (!rc.IsOK())
        return rc;
    return ReadRows(out,
                    "SELECT customer_id, day, name FROM holiday WHERE customer_id = ? ORDER BY day",
                    {customer}, [](const ZELVCursor& c) {
                        ZELVHOLIDAY h;
                        h.customerId.Set(c.Text(0));
                        h.day = DayOf(c.Text(1));
                        h.name.Set(c.Text(2));
                        return h;
                    });
}

CZELV10RC CZELV10MFC::PutHolidays(const QString& customer, const std::vector<ZELVHOLIDAY>& days) {
    // The site's calendar is a setting of every Customer's.
    if (CZELV10RC denied = Require(ZelvRight::Catalog); !denied.IsOK())
        return denied;
    CZELV10RC rc = CheckScope(customer);
    if (!rc.IsOK())
        return rc;
    // Everything is checked before the first row goes.
    QStringList seen;
    for (const ZELVHOLIDAY& h : days) {
        if (h.customerId.Text() != customer)
            return CZELV10RC(ZELV10RC_BADVALUE,
                             QStringLiteral("the holiday of %1 is not one of %2")
                                 .arg(h.customerId.Text(), customer.isEmpty()
                                                               ? QStringLiteral("every Customer")
                                                               : customer));
        if (!h.day.IsCalendarDate() || !h.day.IsValid())
            return CZELV10RC(ZELV10RC_BADVALUE,
                             QStringLiteral("a holiday's date is not a day of the calendar"));
        rc = Field("Holiday name", h.name, false);
        if (!rc.IsOK())
            return rc;
        if (h.name.IsEmpty())
            return CZELV10RC(ZELV10RC_BADVALUE,
                             QStringLiteral("the holiday of %1 has no name").arg(DayText(h.day)));
        const QString day = DayText(h.day);
        if (seen.contains(day))
            return CZELV10RC(ZELV10RC_EXISTS, QStringLiteral("two holidays on %1").arg(day));
        seen << day;
    }
    return Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = customer.isEmpty() ? CZELV10RC() : CustomerExists(customer);
        if (!q.IsOK())
            return q;
        q = m_store->Exec("DELETE FROM holiday WHERE customer_id = ?", {customer});
        for (const ZELVHOLIDAY& h : days) {
            if (!q.IsOK())
                return q;
            q = m_store->Exec("INSERT INTO holiday (customer_id, day, name) VALUES (?, ?, ?)",
                              {customer, DayText(h.day), h.name.Text()});
        }
        return q;
    });
}
