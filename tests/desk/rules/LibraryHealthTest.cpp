// The library health score as a table of libraries: the inputs as the
// server's Customer and Media Type records carry them, the expected score,
// word and problems.
#include "LibraryHealth.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

struct Library {
    const char* name;
    std::function<void(ZELVCUSTEx&, ZELVMEDIAEx&)> set;
    unsigned score;
    const char* word;
    std::vector<const char*> problems;
};

// A library with nothing wrong: synced, off-site activity and DR runs today.
void Healthy(ZELVCUSTEx& c, ZELVMEDIAEx& m) {
    c.drStrategies = 3;
    c.drErrors = 0;
    c.drDays = 0;
    c.auditFailures = 0;
    m.syncDays = 0;
    m.offsiteDays = 0;
}

const std::vector<Library>& Libraries() {
    static const std::vector<Library> rows = {
        {"all clear", [](ZELVCUSTEx&, ZELVMEDIAEx&) {}, 100, "Ideal", {}},
        {"one overdue and no DR strategies",
         [](ZELVCUSTEx& c, ZELVMEDIAEx& m) {
             m.overdue = 1;
             c.drStrategies = 0;
         },
         70,
         "OK",
         {"Overdue Volumes", "No DR Strategies"}},
        {"ten overdue are not many",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.overdue = 10; },
         80,
         "OK",
         {"Overdue Volumes"}},
        {"eleven overdue are",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.overdue = 11; },
         70,
         "OK",
         {"Overdue Volumes", "High Overdue Volumes"}},
        {"all DR strategies with errors alone",
         [](ZELVCUSTEx& c, ZELVMEDIAEx&) { c.drErrors = 3; },
         0,
         "Non-Recoverable",
         {"All DR Strategies have errors"}},
        {"more errors than strategies count as all",
         [](ZELVCUSTEx& c, ZELVMEDIAEx&) { c.drErrors = 7; },
         0,
         "Non-Recoverable",
         {"All DR Strategies have errors"}},
        {"some DR strategies with errors",
         [](ZELVCUSTEx& c, ZELVMEDIAEx&) { c.drErrors = 1; },
         90,
         "Good",
         {"DR Strategies have errors"}},
        {"DR errors and last run 11 days ago",
         [](ZELVCUSTEx& c, ZELVMEDIAEx&) {
             c.drErrors = 1;
             c.drDays = 11;
         },
         70,
         "OK",
         {"No DR Strategies for 4 days", "No DR Strategies for 10 days",
          "DR Strategies have errors"}},
        {"DR strategies that never ran",
         [](ZELVCUSTEx& c, ZELVMEDIAEx&) { c.drDays = kZelvNeverDays; },
         80,
         "OK",
         {"No DR Strategies for 4 days", "No DR Strategies for 10 days"}},
        {"DR last run exactly 4 days ago",
         [](ZELVCUSTEx& c, ZELVMEDIAEx&) { c.drDays = 4; },
         100,
         "Ideal",
         {}},
        {"sync never and off-site activity never",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) {
             m.syncDays = kZelvNeverDays;
             m.offsiteDays = kZelvNeverDays;
         },
         20,
         "Critical",
         {"No Sync", "No Offsite activity"}},
        {"sync 11 days ago",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.syncDays = 11; },
         80,
         "OK",
         {"No Sync for 4 days", "No Sync for 10 days"}},
        {"sync exactly 10 days ago",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.syncDays = 10; },
         90,
         "Good",
         {"No Sync for 4 days"}},
        {"sync exactly 4 days ago",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.syncDays = 4; },
         100,
         "Ideal",
         {}},
        {"off-site activity 11 days ago",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.offsiteDays = 11; },
         70,
         "OK",
         {"No Offsite activity for 4 days", "No Offsite activity for 10 days"}},
        {"audit failures",
         [](ZELVCUSTEx& c, ZELVMEDIAEx&) { c.auditFailures = 2; },
         80,
         "OK",
         {"Audit failures"}},
        {"double move warnings from the Media flags",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.flags = ZELVMEDIA_DOUBLEMOVE | ZELVMEDIA_HIDDEN; },
         90,
         "Good",
         {"Double Move Warnings"}},
        {"other Media flags are no problem",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.flags = ZELVMEDIA_NOHEALTH | ZELVMEDIA_HIDDEN; },
         100,
         "Ideal",
         {}},
        {"scratch deficit",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) { m.scratchDeficit = 5; },
         70,
         "OK",
         {"Scratch Deficit"}},
        {"sixty is not ideal",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) {
             m.syncDays = kZelvNeverDays;
             m.flags = ZELVMEDIA_DOUBLEMOVE;
         },
         60,
         "Not ideal",
         {"No Sync", "Double Move Warnings"}},
        {"fifty is not ideal",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) {
             m.syncDays = kZelvNeverDays;
             m.overdue = 3;
         },
         50,
         "Not ideal",
         {"Overdue Volumes", "No Sync"}},
        {"forty is critical",
         [](ZELVCUSTEx&, ZELVMEDIAEx& m) {
             m.syncDays = kZelvNeverDays;
             m.scratchDeficit = 1;
         },
         40,
         "Critical",
         {"No Sync", "Scratch Deficit"}},
        {"everything wrong, never below 0",
         [](ZELVCUSTEx& c, ZELVMEDIAEx& m) {
             c.drErrors = 1;
             c.drDays = 30;
             c.auditFailures = 1;
             m.overdue = 50;
             m.syncDays = 30;
             m.offsiteDays = 30;
             m.flags = ZELVMEDIA_DOUBLEMOVE;
             m.scratchDeficit = 1;
         },
         0,
         "Non-Recoverable",
         {"Overdue Volumes", "High Overdue Volumes", "No Sync for 4 days", "No Sync for 10 days",
          "No DR Strategies for 4 days", "No DR Strategies for 10 days",
          "DR Strategies have errors", "No Offsite activity for 4 days",
          "No Offsite activity for 10 days", "Audit failures", "Double Move Warnings",
          "Scratch Deficit"}},
    };
    return rows;
}

} // namespace

TEST(LibraryHealth, ScoresWordsAndProblemsOfLibraries) {
    const CLibraryHealthTable table;
    for (const Library& row : Libraries()) {
        SCOPED_TRACE(row.name);
        ZELVCUSTEx customer;
        ZELVMEDIAEx media;
        Healthy(customer, media);
        row.set(customer, media);
        uint32_t bits = 0xFFFFFFFFu;
        const unsigned score = table.Score(CLibraryHealthInputs::From(customer, media), &bits);
        EXPECT_EQ(score, row.score);
        EXPECT_EQ(table.Describe(score).toStdString(), row.word);
        std::vector<std::string> texts;
        int sum = 0;
        for (const CLibraryHealthProblem& p : table.Problems(bits)) {
            texts.push_back(p.text.toStdString());
            sum += p.penalty;
        }
        EXPECT_EQ(texts, std::vector<std::string>(row.problems.begin(), row.problems.end()));
        // The score is what the listed penalties leave of 100.
        EXPECT_EQ(row.score, unsigned(std::max(0, 100 + sum)));
    }
}

TEST(LibraryHealth, WordsAtTheirBounds) {
    const CLibraryHealthTable table;
    const std::pair<unsigned, const char*> bounds[] = {
        {150, "Ideal"},   {100, "Ideal"},  {99, "Good"},           {90, "Good"},
        {89, "OK"},       {70, "OK"},      {69, "Not ideal"},      {50, "Not ideal"},
        {49, "Critical"}, {1, "Critical"}, {0, "Non-Recoverable"},
    };
    for (const auto& [score, word] : bounds)
        EXPECT_EQ(table.Describe(score).toStdString(), word) << score;
}
