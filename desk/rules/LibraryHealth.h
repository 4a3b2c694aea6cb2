#pragma once

#include "ZELV10Records.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// What the library health score of one Customer and Media Type is made of:
// the server's counts and day numbers (kZelvNeverDays: never happened).
struct CLibraryHealthInputs {
    uint32_t overdue = 0;
    uint16_t syncDays = kZelvNeverDays;
    uint16_t offsiteDays = kZelvNeverDays;
    bool doubleMoveWarnings = false;
    uint32_t scratchDeficit = 0;
    uint16_t drStrategies = 0;
    uint16_t drErrors = 0;
    uint16_t drDays = kZelvNeverDays;
    uint16_t auditFailures = 0;

    static CLibraryHealthInputs From(const ZELVCUSTEx& customer, const ZELVMEDIAEx& media);
};

// One problem that lowers the score: its penalty (negative points) and text.
struct CLibraryHealthProblem {
    int bit = 0;
    int penalty = 0;
    QString text;
};

// The health table: the 17 problems by bit number and the three operations
// on them, virtual so that a site can replace the scoring as a set.
class CLibraryHealthTable {
public:
    static constexpr int kProblems = 17;
    enum Bit : int {
        NoProblem = 0,
        Overdue = 1,
        HighOverdue = 2,
        NoSync = 3,
        NoSync4 = 4,
        NoSync10 = 5,
        NoDr = 6,
        NoDr4 = 7,
        NoDr10 = 8,
        DrErrors = 9,
        AllDrErrors = 10,
        NoOffsite = 11,
        NoOffsite4 = 12,
        NoOffsite10 = 13,
        AuditFailures = 14,
        DoubleMove = 15,
        ScratchDeficit = 16,
    };
    static constexpr unsigned kWarnBelow = 60;

    CLibraryHealthTable();
    virtual ~CLibraryHealthTable() = default;

    // 0 to 100; *problems gets the bits of the problems found.
    virtual unsigned Score(const CLibraryHealthInputs& in, uint32_t* problems) const;
    // The table's entries whose bits are set, in bit order.
    virtual std::vector<CLibraryHealthProblem> Problems(uint32_t problems) const;
    // "Ideal", "Good", "OK", "Not ideal", "Critical" or "Non-Recoverable".
    virtual QString Describe(unsigned score) const;

    const CLibraryHealthProblem& Entry(int bit) const { return m_entries[size_t(bit)]; }

private:
    std::array<CLibraryHealthProblem, kProblems> m_entries;
};
