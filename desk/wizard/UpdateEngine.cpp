#include "UpdateEngine.h"

#include "TransactionLog.h"
#include "ZELV10MFC.h"
#include "ZELV10ProgressWnd.h"
#include "ZELV10RCList.h"
#include "ZELV10RCListDlg.h"
#include "ZELVDeskSheet.h"

#include <QByteArray>

namespace {

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

// The Container column: the Volume text of the Container with that number.
QString ContainerText(CZELV10MFC& connection, uint32_t number) {
    std::vector<ZELV10CONTAINER> containers;
    if (!connection.List(&containers).IsOK())
        return QStringLiteral("**Error**");
    for (const ZELV10CONTAINER& c : containers) {
        if (c.number != number)
            continue;
        ZELVVOLS container;
        if (!connection
                 .Get(&container, c.key.customerId.Text(), c.key.mediaId.Text(),
                      c.key.volumeId.Text())
                 .IsOK())
            break;
        return c.key.Text();
    }
    return QStringLiteral("**Error**");
}

} // namespace

QString RelativeDateText(const CZELVDate& date, bool hasDate, const ZELVClock& clock) {
    if (!hasDate)
        return QStringLiteral("Permanent");
    time_t when = date.ToTime();
    if (when == CZELVDate::kInvalidTime)
        return FormatDate(date);
    // A stored time of 0 is the first second of 1970, not "now".
    if (when == 0)
        when = 1;
    CZELVDate day;
    CZELVDate today;
    if (!day.SetFromTime(when, clock) || !today.SetFromTime(0, clock))
        return FormatDate(date);
    switch (DaysBetween(today, day)) {
    case -1:
        return QStringLiteral("Yesterday");
    case 0:
        return QStringLiteral("Today");
    case 1:
        return QStringLiteral("Tomorrow");
    default:
        return FormatDate(day, "%A, %B %d, %Y");
    }
}

QString VerificationLine(const ZELVVOLSEx& volume, CZELV10MFC& connection,
                         const std::vector<ZELVCLUSTERFULL>& clusters) {
    const ZELVVOLS& vol = volume.vol;
    const QString date = (vol.flags & ZELVVOL_MOVEDATE) ? FormatDate(vol.moveDate, "%Y-%m-%d")
                                                        : QStringLiteral("Permanent");
    QString container;
    if (vol.IsContainer())
        container = QStringLiteral("Is-Container");
    else if (vol.container != 0)
        container = ContainerText(connection, vol.container);
    return QString::asprintf("%-20s %-10s %-4.*s %-20s %s", Utf8(volume.key.Text()).constData(),
                             Utf8(date).constData(), kZelvRepositoryIdLen,
                             vol.Target().repositoryId.Data(), Utf8(container).constData(),
                             Utf8(DataClusterName(clusters, vol.dataCluster)).constData());
}

void WriteVerificationReport(TransactionLog& log, CZELV10MFC& connection, int count,
                             const std::function<CVerificationRead(int index)>& read,
                             const std::function<void(int position)>& progress) {
    log.Write("%s", kVerificationStart);
    log.Write("%s", kVerificationHeader);
    for (int i = 0; i < count; ++i) {
        const unsigned number = unsigned(i + 1);
        const CVerificationRead r = read(i);
        if (r.rc.IsOK()) {
            log.Write("%5.5u %s", number,
                      Utf8(VerificationLine(*r.volume, connection, *r.clusters)).constData());
            if (!r.description.isEmpty())
                log.Write("+%*s%s", kVerificationIndent, "", Utf8(r.description).constData());
        } else {
            log.Write("%5.5u %s (%s)", number, Utf8(r.volume->key.Text()).constData(),
                      Utf8(r.rc.Get()).constData());
        }
        if (progress)
            progress(static_cast<int>(number));
    }
    log.Write("%s", kVerificationEnd);
}

void WriteVerificationReport(TransactionLog& log, CZELV10MFC& connection,
                             const std::vector<ZELVCLUSTERFULL>& clusters,
                             std::vector<CVerificationItem>& items,
                             const std::function<void(int position)>& progress) {
    WriteVerificationReport(
        log, connection, static_cast<int>(items.size()),
        [&](int i) {
            CVerificationItem& item = items[size_t(i)];
            return CVerificationRead{connection.Get(&item.volume), &item.volume, item.description,
                                     &clusters};
        },
        progress);
}

CZELV10RCList CZELVDeskSheet::RunUpdatePass(int count, const UpdatePassText& text,
                                            const UpdatePassStep& step) {
    CZELV10ProgressWnd progress(count + 1, 0, this);
    progress.SetTitle(QStringLiteral("Updating Kelmar Server"));
    progress.SetRange(0, count + 1);

    CZELV10RCList results;
    for (int i = 0; i < count && !progress.IsCancelled(); ++i) {
        QString note;
        const QString shown = text(i, &note);
        progress.SetText(1, QStringLiteral("Updating: ") + shown);
        const CZELV10RC rc = step(i);
        results.Add(rc, note.isEmpty() ? shown : note);
        m_log->Write("%s: %s", Utf8(shown).constData(), Utf8(rc.Get()).constData());
        progress.SetPos(i + 1);
    }
    progress.close();
    m_log->Write("Update complete: OK(%d) NotOK(%d)", results.GetOKCount(),
                 results.GetNotOKCount());
    CZELV10RCListDlg::Display(results, 0, nullptr);
    return results;
}

int CZELVDeskSheet::UpdateRecallSelection(uint32_t consignment) {
    m_log->Write("Starting update for Customer(%s)", Utf8(Customer()).constData());
    const CZELV10RCList results = RunUpdatePass(
        static_cast<int>(m_recallSelection.size()),
        // The Volume text names the entry: the log is the operator's record
        // of which Volume got which result.
        [this](int i, QString*) {
            return m_recallSelection[static_cast<size_t>(i)].volume.key.Text();
        },
        [this, consignment](int i) {
            CSelectedVolume& entry = m_recallSelection[static_cast<size_t>(i)];
            // The operator chose from the list as read: a Volume changed since
            // (moved, recalled by someone else) is reported, not overwritten.
            return RedirectVolume(*m_connection, &entry.volume, entry.text1, 0, consignment,
                                  kKeepContainer, entry.volume.vol.version);
        });
    return results.GetOKCount();
}
