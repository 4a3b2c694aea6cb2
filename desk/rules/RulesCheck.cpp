#include "RulesCheck.h"

#include "ContainerAllocation.h"
#include "ZELVConfig.h"
#include "ZELVFilter.h"

#include <QSet>

namespace {

const QString kRouting = QStringLiteral("routing");
const QString kAllocation = QStringLiteral("allocation");

// Collects the problems of one section.
class CSectionCheck {
public:
    CSectionCheck(const QString& section, std::vector<CRuleProblem>* out)
        : m_section(section), m_out(out) {}

    void Add(unsigned element, int line, CRuleProblem::Kind kind, const QString& text) {
        m_out->push_back({m_section, element, line, kind, text});
    }

private:
    QString m_section;
    std::vector<CRuleProblem>* m_out;
};

bool MatchesEverything(const QString& pattern) {
    return pattern.isEmpty() || pattern == QLatin1String("*");
}

// Members of a group that no rule reads: usually a misspelt name.
void UnknownMembers(CSectionCheck& check, unsigned i, const ZELVSetting& group,
                    const QStringList& known) {
    for (int m = 0; m < group.Count(); ++m) {
        const ZELVSetting s = group.At(m);
        if (!known.contains(s.Name()))
            check.Add(i, s.Line(), CRuleProblem::kIgnored,
                      QStringLiteral("'%1.%2' is not read by any rule and is ignored")
                          .arg(group.Name(), s.Name()));
    }
}

// A pattern member: its text, or a problem when it is of the wrong type or
// malformed. Returns whether the pattern can match at all.
struct PatternInfo {
    bool present = false;
    bool usable = true; // false: the element can never apply through it
    QString text;
};

PatternInfo CheckPattern(CSectionCheck& check, unsigned i, const ZELVSetting& group,
                         const QString& member) {
    PatternInfo p;
    const ZELVSetting s = group.Member(member);
    if (!s.IsValid())
        return p;
    const std::optional<QString> text = s.AsString();
    if (!text) {
        check.Add(i, s.Line(), CRuleProblem::kMalformed,
                  QStringLiteral("'%1.%2' is not a text (%3): it is ignored, as if absent")
                      .arg(group.Name(), member, s.TypeName()));
        return p;
    }
    p.present = true;
    p.text = *text;
    if (const std::optional<QString> why = PatternProblem(*text)) {
        p.usable = false;
        check.Add(i, s.Line(), CRuleProblem::kMalformed,
                  QStringLiteral("'%1.%2' pattern \"%3\" is malformed (%4): it matches nothing, "
                                 "so the element never applies")
                      .arg(group.Name(), member, *text, *why));
    }
    return p;
}

// Whether a pattern matches any of the Repository identifiers.
bool MatchesAnyRepository(const QString& pattern, const QStringList& repositories) {
    const CZELVFilter filter(pattern, CZELVFilter::kExtMatch);
    for (const QString& r : repositories)
        if (filter.Matches(r))
            return true;
    return false;
}

void CheckRouting(const ZELVConfig& config, const CRulesCheckInput& input,
                  std::vector<CRuleProblem>* out) {
    const ZELVSetting table = config.Lookup(kRouting);
    if (!table.IsValid())
        return;
    CSectionCheck check(kRouting, out);
    if (!table.IsAggregate()) {
        check.Add(0, table.Line(), CRuleProblem::kMalformed,
                  QStringLiteral("'routing' is not a list (%1): no Volume is ever routed")
                      .arg(table.TypeName()));
        return;
    }
    unsigned catchAll = 0;
    for (int n = 0; n < table.Count(); ++n) {
        const unsigned i = unsigned(n + 1);
        const ZELVSetting element = table.At(n);
        const int line = element.Line();
        if (catchAll) {
            check.Add(i, line, CRuleProblem::kNeverApplies,
                      QStringLiteral("never applies: element %1 before it takes every Volume")
                          .arg(catchAll));
            continue;
        }
        if (!element.IsGroup()) {
            check.Add(i, line, CRuleProblem::kMalformed,
                      QStringLiteral("is not a group (%1): skipped").arg(element.TypeName()));
            continue;
        }
        const ZELVSetting volume = element.Member(QStringLiteral("volume"));
        if (!volume.IsValid()) {
            check.Add(i, line, CRuleProblem::kMalformed,
                      QStringLiteral("has no 'volume' group: never applies"));
            continue;
        }
        if (!volume.IsGroup()) {
            check.Add(i, volume.Line(), CRuleProblem::kMalformed,
                      QStringLiteral("'volume' is not a group (%1): never applies")
                          .arg(volume.TypeName()));
            continue;
        }
        UnknownMembers(check, i, volume,
                       {QStringLiteral("target"), QStringLiteral("barcode"),
                        QStringLiteral("datacluster"), QStringLiteral("source")});
        bool applies = true;
        const ZELVSetting target = volume.Member(QStringLiteral("target"));
        const std::optional<QString> to = target.AsString();
        if (!target.IsValid()) {
            check.Add(i, line, CRuleProblem::kMalformed,
                      QStringLiteral("has no 'volume.target': never applies"));
            applies = false;
        } else if (!to) {
            check.Add(i, target.Line(), CRuleProblem::kMalformed,
                      QStringLiteral("'volume.target' is not a text (%1): never applies")
                          .arg(target.TypeName()));
            applies = false;
        } else if (to->size() > kZelvRepositoryIdLen) {
            check.Add(i, target.Line(), CRuleProblem::kMalformed,
                      QStringLiteral("target \"%1\" is longer than a Repository identifier "
                                     "(%2 characters): every move to it is refused")
                          .arg(*to)
                          .arg(kZelvRepositoryIdLen));
        } else if (input.repositories && !input.repositories->contains(*to)) {
            check.Add(i, target.Line(), CRuleProblem::kNeverApplies,
                      QStringLiteral("target \"%1\" names no Repository: every move to it is "
                                     "refused")
                          .arg(*to));
        }
        const PatternInfo barcode = CheckPattern(check, i, volume, QStringLiteral("barcode"));
        const PatternInfo cluster = CheckPattern(check, i, volume, QStringLiteral("datacluster"));
        const PatternInfo source = CheckPattern(check, i, volume, QStringLiteral("source"));
        if (source.present && source.usable && input.repositories &&
            !MatchesAnyRepository(source.text, *input.repositories)) {
            check.Add(i, volume.Member(QStringLiteral("source")).Line(),
                      CRuleProblem::kNeverApplies,
                      QStringLiteral("'volume.source' pattern \"%1\" matches no Repository: "
                                     "never applies")
                          .arg(source.text));
            applies = false;
        }
        applies = applies && barcode.usable && cluster.usable && source.usable;
        if (applies && (!barcode.present || MatchesEverything(barcode.text)) &&
            (!cluster.present || MatchesEverything(cluster.text)) &&
            (!source.present || MatchesEverything(source.text)))
            catchAll = i;
    }
}

void CheckAllocation(const ZELVConfig& config, const CRulesCheckInput& input,
                     std::vector<CRuleProblem>* out) {
    const ZELVSetting table = config.Lookup(kAllocation);
    if (!table.IsValid())
        return;
    CSectionCheck check(kAllocation, out);
    if (!table.IsAggregate()) {
        check.Add(0, table.Line(), CRuleProblem::kMalformed,
                  QStringLiteral("'allocation' is not a list (%1): taken as no "
                                 "'allocation' section")
                      .arg(table.TypeName()));
        return;
    }
    unsigned catchAll = 0;
    for (int n = 0; n < table.Count(); ++n) {
        const unsigned i = unsigned(n + 1);
        const ZELVSetting element = table.At(n);
        const int line = element.Line();
        if (catchAll) {
            check.Add(i, line, CRuleProblem::kNeverApplies,
                      QStringLiteral("never applies: element %1 before it takes every Volume")
                          .arg(catchAll));
            continue;
        }
        if (!element.IsGroup()) {
            check.Add(i, line, CRuleProblem::kMalformed,
                      QStringLiteral("is not a group (%1): skipped").arg(element.TypeName()));
            continue;
        }
        UnknownMembers(
            check, i, element,
            {QStringLiteral("volume"), QStringLiteral("container"), QStringLiteral("assignment")});
        const ZELVSetting volume = element.Member(QStringLiteral("volume"));
        if (!volume.IsGroup()) {
            check.Add(i, volume.IsValid() ? volume.Line() : line, CRuleProblem::kMalformed,
                      volume.IsValid() ? QStringLiteral("'volume' is not a group (%1): never "
                                                        "applies")
                                             .arg(volume.TypeName())
                                       : QStringLiteral("has no 'volume' group: never applies"));
            continue;
        }
        UnknownMembers(check, i, volume,
                       {QStringLiteral("barcode"), QStringLiteral("datacluster"),
                        QStringLiteral("target"), QStringLiteral("allocation")});
        const PatternInfo barcode = CheckPattern(check, i, volume, QStringLiteral("barcode"));
        const PatternInfo cluster = CheckPattern(check, i, volume, QStringLiteral("datacluster"));
        const PatternInfo target = CheckPattern(check, i, volume, QStringLiteral("target"));
        bool applies = barcode.usable && cluster.usable && target.usable;
        if (target.present && target.usable && input.repositories &&
            !MatchesAnyRepository(target.text, *input.repositories)) {
            check.Add(i, volume.Member(QStringLiteral("target")).Line(),
                      CRuleProblem::kNeverApplies,
                      QStringLiteral("'volume.target' pattern \"%1\" matches no Repository: "
                                     "never applies")
                          .arg(target.text));
            applies = false;
        }
        bool allocate = true;
        const ZELVSetting allocation = volume.Member(QStringLiteral("allocation"));
        if (allocation.IsValid()) {
            if (const std::optional<bool> b = allocation.AsBool())
                allocate = *b;
            else
                check.Add(i, allocation.Line(), CRuleProblem::kMalformed,
                          QStringLiteral("'volume.allocation' is not a boolean (%1): "
                                         "it is ignored, as if absent")
                              .arg(allocation.TypeName()));
        }

        const ZELVSetting container = element.Member(QStringLiteral("container"));
        const bool hasContainer = container.IsGroup();
        if (container.IsValid() && !hasContainer)
            check.Add(i, container.Line(), CRuleProblem::kMalformed,
                      QStringLiteral("'container' is not a group (%1): it is ignored")
                          .arg(container.TypeName()));
        if (hasContainer) {
            UnknownMembers(check, i, container,
                           {QStringLiteral("barcode"), QStringLiteral("datacluster")});
            CheckPattern(check, i, container, QStringLiteral("barcode"));
            CheckPattern(check, i, container, QStringLiteral("datacluster"));
        }
        const ZELVSetting assignment = element.Member(QStringLiteral("assignment"));
        bool assigns = assignment.IsGroup();
        if (assignment.IsValid() && !assigns)
            check.Add(i, assignment.Line(), CRuleProblem::kMalformed,
                      QStringLiteral("'assignment' is not a group (%1): it is ignored")
                          .arg(assignment.TypeName()));
        if (assigns) {
            UnknownMembers(check, i, assignment,
                           {QStringLiteral("datacluster"), QStringLiteral("barcode")});
            CheckPattern(check, i, assignment, QStringLiteral("barcode"));
            const ZELVSetting d = assignment.Member(QStringLiteral("datacluster"));
            const std::optional<QString> name = d.AsString();
            if (!name) {
                check.Add(i, d.IsValid() ? d.Line() : assignment.Line(), CRuleProblem::kMalformed,
                          d.IsValid() ? QStringLiteral("'assignment.datacluster' is not a "
                                                       "text (%1): no Container is ever "
                                                       "assigned")
                                            .arg(d.TypeName())
                                      : QStringLiteral("'assignment' has no 'datacluster': no "
                                                       "Container is ever assigned"));
                assigns = false;
            } else if (input.clusters) {
                const ZELVFixedText<kZelvClusterNameLen> wanted(*name);
                bool found = false;
                for (const ZELVCLUSTERFULL& c : *input.clusters)
                    found = found || c.name == wanted;
                if (!found || name->toUtf8().size() > kZelvClusterNameLen) {
                    check.Add(i, d.Line(), CRuleProblem::kNeverApplies,
                              QStringLiteral("'assignment.datacluster' \"%1\" names no "
                                             "Data-Cluster of the Customer: no Container is ever "
                                             "assigned")
                                  .arg(*name));
                    assigns = false;
                }
            }
        }
        if (applies && allocate && !hasContainer && !assigns)
            check.Add(i, line, CRuleProblem::kNeverApplies,
                      QStringLiteral("takes Volumes but has neither a 'container' group nor a "
                                     "usable 'assignment': every Volume it takes gets the "
                                     "Allocation Error"));
        if (applies && (!barcode.present || MatchesEverything(barcode.text)) &&
            (!cluster.present || MatchesEverything(cluster.text)) &&
            (!target.present || MatchesEverything(target.text)))
            catchAll = i;
    }
}

} // namespace

QString CRuleProblem::Text() const {
    static const char* const kinds[] = {"malformed", "never applies", "ignored"};
    QString where = line > 0 ? QStringLiteral("line %1: ").arg(line) : QString();
    where += element ? QStringLiteral("%1 element %2: ").arg(section).arg(element)
                     : section + QStringLiteral(": ");
    return where + QString::fromLatin1(kinds[kind]) + QStringLiteral(": ") + text;
}

std::vector<CRuleProblem> CheckRules(const ZELVConfig& config, const CRulesCheckInput& input) {
    std::vector<CRuleProblem> problems;
    CheckRouting(config, input, &problems);
    CheckAllocation(config, input, &problems);
    return problems;
}

std::optional<QString> PatternProblem(const QString& pattern) {
    int depth = 0; // open extended groups: ?( *( +( @( !(
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= n)
                return QStringLiteral("it ends in a backslash");
            ++i;
        } else if (c == QLatin1Char('[')) {
            qsizetype j = i + 1;
            if (j < n && (pattern[j] == QLatin1Char('!') || pattern[j] == QLatin1Char('^')))
                ++j;
            if (j < n && pattern[j] == QLatin1Char(']'))
                ++j; // a "]" first is a member
            bool closed = false;
            for (; j < n; ++j) {
                if (pattern[j] == QLatin1Char('[') && j + 1 < n &&
                    (pattern[j + 1] == QLatin1Char(':') || pattern[j + 1] == QLatin1Char('.') ||
                     pattern[j + 1] == QLatin1Char('='))) {
                    const QChar kind = pattern[j + 1];
                    const qsizetype end = pattern.indexOf(QString(kind) + QLatin1Char(']'), j + 2);
                    if (end < 0)
                        return QStringLiteral("\"[%1\" at %2 is not closed").arg(kind).arg(j + 1);
                    j = end + 1;
                    continue;
                }
                if (pattern[j] == QLatin1Char(']')) {
                    closed = true;
                    break;
                }
            }
            if (!closed)
                return QStringLiteral("\"[\" at %1 has no \"]\"").arg(i + 1);
            i = j;
        } else if (c == QLatin1Char('(') && i > 0 &&
                   QStringLiteral("?*+@!").contains(pattern[i - 1])) {
            ++depth;
        } else if (c == QLatin1Char('(')) {
            return QStringLiteral("\"(\" at %1 opens no group (write ?( *( +( @( or !( )")
                .arg(i + 1);
        } else if (c == QLatin1Char(')')) {
            if (depth == 0)
                return QStringLiteral("\")\" at %1 closes no group").arg(i + 1);
            --depth;
        }
    }
    if (depth > 0)
        return QStringLiteral("%1 group(s) not closed with \")\"").arg(depth);
    return std::nullopt;
}
