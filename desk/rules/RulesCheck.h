#pragma once

#include "ZELV10Records.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class ZELVConfig;

// A static look at the "routing" and "allocation" tables of ZELVDesk.cfg:
// every element that is malformed or can never apply, with its line, so that
// an administrator finds the mistake before the scan floor does.
struct CRuleProblem {
    enum Kind { kMalformed, kNeverApplies, kIgnored };
    QString section;      // "routing" or "allocation"
    unsigned element = 0; // 1-based; 0 for the section itself
    int line = 0;
    Kind kind = kMalformed;
    QString text;

    // "line 14: allocation element 2: malformed: ..."
    QString Text() const;
};

struct CRulesCheckInput {
    // With a server: the identifiers of every Repository, to check targets
    // and "source" patterns against. Null: not checked.
    const QStringList* repositories = nullptr;
    // With a Customer: its Data-Clusters, for the names "assignment" gives.
    const std::vector<ZELVCLUSTERFULL>* clusters = nullptr;
};

std::vector<CRuleProblem> CheckRules(const ZELVConfig& config, const CRulesCheckInput& input = {});

// Why a wildcard pattern cannot work as written (an unbalanced bracket or
// parenthesis, a trailing backslash), or nothing when it is well formed.
std::optional<QString> PatternProblem(const QString& pattern);
