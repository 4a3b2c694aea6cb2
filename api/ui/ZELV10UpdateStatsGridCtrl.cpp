#include "ZELV10UpdateStatsGridCtrl.h"

#include "ZELVDate.h"

namespace {

const char* const kLongTime = "%A, %B %d, %Y - %H:%M:%S";

QString OrUnresolved(const QString& text) {
    return text.isEmpty() ? QString::fromUtf8(CZELV10UpdateStatsGridCtrl::kUnresolved) : text;
}

} // namespace

CZELV10UpdateStatsGridCtrl::CZELV10UpdateStatsGridCtrl(QWidget* parent)
    : CZELVPropertyGridCtrl(parent) {
    EnableHeaderCtrl(true);
    EnableDescriptionArea(true);
}

void CZELV10UpdateStatsGridCtrl::ShowDetails(const ZELV10IPDETAILS& d, const ZELVClock& clock) {
    RemoveAll();
    CZELVPropertyGridProperty* group = AddGroup(QStringLiteral("Update Statistics"));
    const auto add = [](CZELVPropertyGridProperty* parent, const char* name, const QString& value,
                        const char* description = "") {
        return parent->AddSubItem(QString::fromUtf8(name), value, QString::fromUtf8(description),
                                  true);
    };
    const time_t when = static_cast<time_t>(d.when);
    if (d.present & ZELVIPD_WHEN) {
        CZELVDate day;
        CZELVDate today;
        const bool dated = day.SetFromTime(when, clock) && today.SetFromTime(0, clock);
        const long ago = dated ? std::max(0L, DaysBetween(day, today)) : 0;
        add(group, "When",
            QStringLiteral("%1 (%2 days ago)")
                .arg(FormatTime(when, "%A, %B %d, %Y"))
                .arg(static_cast<unsigned long>(ago)));
        add(group, "Date", FormatTime(when, "%Y-%m-%d"));
        add(group, "Time", FormatTime(when, "%H:%M:%S"));
    }
    if (d.present & ZELVIPD_SOURCE) {
        add(group, "UTC Offset", QStringLiteral("%1 minutes").arg(d.utcOffset));
        add(group, "Time at source", FormatTimeAt(when, d.utcOffset, kLongTime));
        add(group, "Time Zone", OrUnresolved(d.timeZone.Text()));
    }
    if (d.present & ZELVIPD_MACHINE) {
        CZELVPropertyGridProperty* from =
            group->AddSubItem(std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("From")));
        add(from, "Machine Name", OrUnresolved(d.machine.Text()), "Machine name of Connection");
    }
    if (d.present & ZELVIPD_CONNECTIONS) {
        CZELVPropertyGridProperty* details = group->AddSubItem(
            std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Details")));
        const bool known = d.connectionCount > 0;
        const QString unresolved = QString::fromUtf8(kUnresolved);
        add(details, "Connection Count", known ? QString::number(d.connectionCount) : unresolved,
            "Number of times this IP Address has connected");
        add(details, "First Connection",
            known ? FormatTime(static_cast<time_t>(d.firstConnection), kLongTime) : unresolved,
            "First time this IP Address connected to Kelmar");
        add(details, "Last Connection",
            known ? FormatTime(static_cast<time_t>(d.lastConnection), kLongTime) : unresolved,
            "Last time this IP Address connected to Kelmar");
    }
    if (d.present & ZELVIPD_INTERFACE)
        add(group, "Interface", OrUnresolved(d.interfaceText.Text()));
    if (d.present & ZELVIPD_OS)
        add(group, "Operating System", OrUnresolved(d.operatingSystem.Text()));
    if (d.present & ZELVIPD_USER) {
        add(group, "User-ID", OrUnresolved(d.userId.Text()));
        add(group, "User Name", OrUnresolved(d.userName.Text()));
    }
    ExpandAll();
}
