#include "LibraryHealth.h"

namespace {

constexpr uint16_t kLateDays = 4;
constexpr uint16_t kVeryLateDays = 10;
constexpr uint32_t kHighOverdue = 10;

uint32_t Mask(int bit) {
    return 1u << bit;
}

// Bits for a day number: never, more than 4 days, more than 10 days.
uint32_t DayBits(uint16_t days, int never, int late, int veryLate) {
    if (days == kZelvNeverDays)
        return Mask(never);
    uint32_t bits = 0;
    if (days > kLateDays)
        bits |= Mask(late);
    if (days > kVeryLateDays)
        bits |= Mask(veryLate);
    return bits;
}

} // namespace

CLibraryHealthInputs CLibraryHealthInputs::From(const ZELVCUSTEx& customer,
                                                const ZELVMEDIAEx& media) {
    CLibraryHealthInputs in;
    in.overdue = media.overdue;
    in.syncDays = media.syncDays;
    in.offsiteDays = media.offsiteDays;
    in.doubleMoveWarnings = (media.flags & ZELVMEDIA_DOUBLEMOVE) != 0;
    in.scratchDeficit = media.scratchDeficit;
    in.drStrategies = customer.drStrategies;
    in.drErrors = customer.drErrors;
    in.drDays = customer.drDays;
    in.auditFailures = customer.auditFailures;
    return in;
}

CLibraryHealthTable::CLibraryHealthTable() {
    const struct {
        int penalty;
        const char* text;
    } table[kProblems] = {
        {0, "No Problem"},
        {-20, "Overdue Volumes"},
        {-10, "High Overdue Volumes"},
        {-30, "No Sync"},
        {-10, "No Sync for 4 days"},
        {-10, "No Sync for 10 days"},
        {-10, "No DR Strategies"},
        {-10, "No DR Strategies for 4 days"},
        {-10, "No DR Strategies for 10 days"},
        {-10, "DR Strategies have errors"},
        {-100, "All DR Strategies have errors"},
        {-50, "No Offsite activity"},
        {-10, "No Offsite activity for 4 days"},
        {-20, "No Offsite activity for 10 days"},
        {-20, "Audit failures"},
        {-10, "Double Move Warnings"},
        {-30, "Scratch Deficit"},
    };
    for (int bit = 0; bit < kProblems; ++bit)
        m_entries[size_t(bit)] = {bit, table[bit].penalty, QString::fromLatin1(table[bit].text)};
}

unsigned CLibraryHealthTable::Score(const CLibraryHealthInputs& in, uint32_t* problems) const {
    uint32_t bits = 0;
    if (in.overdue > 0)
        bits |= Mask(Overdue);
    if (in.overdue > kHighOverdue)
        bits |= Mask(HighOverdue);
    if (in.auditFailures != 0)
        bits |= Mask(AuditFailures);
    bits |= DayBits(in.syncDays, NoSync, NoSync4, NoSync10);
    if (in.drStrategies == 0) {
        bits |= Mask(NoDr);
    } else {
        if (in.drErrors >= in.drStrategies)
            bits |= Mask(AllDrErrors);
        else if (in.drErrors > 0)
            bits |= Mask(DrErrors);
        // Strategies that never ran are as late as can be.
        if (in.drDays > kLateDays)
            bits |= Mask(NoDr4);
        if (in.drDays > kVeryLateDays)
            bits |= Mask(NoDr10);
    }
    bits |= DayBits(in.offsiteDays, NoOffsite, NoOffsite4, NoOffsite10);
    if (in.doubleMoveWarnings)
        bits |= Mask(DoubleMove);
    if (in.scratchDeficit != 0)
        bits |= Mask(ScratchDeficit);

    int score = 100;
    for (int bit = 0; bit < kProblems; ++bit)
        if (bits & Mask(bit))
            score += m_entries[size_t(bit)].penalty;
    if (problems)
        *problems = bits;
    return score > 0 ? unsigned(score) : 0u;
}

std::vector<CLibraryHealthProblem> CLibraryHealthTable::Problems(uint32_t problems) const {
    std::vector<CLibraryHealthProblem> out;
    for (int bit = 0; bit < kProblems; ++bit)
        if (problems & Mask(bit))
            out.push_back(m_entries[size_t(bit)]);
    return out;
}

QString CLibraryHealthTable::Describe(unsigned score) const {
    if (score >= 100)
        return QStringLiteral("Ideal");
    if (score >= 90)
        return QStringLiteral("Good");
    if (score >= 70)
        return QStringLiteral("OK");
    if (score >= 50)
        return QStringLiteral("Not ideal");
    if (score >= 1)
        return QStringLiteral("Critical");
    return QStringLiteral("Non-Recoverable");
}
