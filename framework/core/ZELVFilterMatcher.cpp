// The pattern is parsed the way glibc's fnmatch reads it (the same rules for
// brackets, escapes and where an extended group ends), then built into a
// nondeterministic automaton. Matching follows all of its paths at once, so
// each character of the value is looked at once; the sets of states met are
// numbered as they appear and their transitions remembered, so a set seen
// before costs a table lookup per character.
//
// "!(p)" is the one form an ordinary automaton cannot follow: it matches a
// part of the value that p does not match, which is only known once that part
// is over. A path entering "!(p)" carries the set of states p's own automaton
// is in; at every character where that set holds no final state the path may
// leave the group. Paths that entered at different characters carry different
// sets, so a step costs at most the pattern's size times the number of
// characters read (and with one "!(...)" inside another, that times the number
// of characters again): polynomial in every case, never exponential. Of those
// paths only the ones whose set holds no other's are kept, which leaves a few
// in practice. Nesting deeper than kMaxNegationDepth is refused when the
// pattern is compiled. The table of sets is bounded: emptied between values
// when large, and rebuilt around the current set should one value fill it.
#include "ZELVFilterMatcher.h"

#include <QChar>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

using Text = std::u32string;

// A byte that does not begin a UTF-8 character reads as this plus the byte:
// no pattern character equals it.
constexpr char32_t kRawByte = 0x110000;

bool IsCodePoint(char32_t c) {
    return c < 0x110000 && (c < 0xD800 || c > 0xDFFF);
}

char32_t Fold(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    return IsCodePoint(c) ? QChar::toLower(c) : c;
}

enum class CharClass : uint8_t {
    Alnum,
    Alpha,
    Blank,
    Cntrl,
    Digit,
    Graph,
    Lower,
    Print,
    Punct,
    Space,
    Upper,
    XDigit
};

bool ClassByName(const Text& name, CharClass* out) {
    static const struct {
        const char* name;
        CharClass cls;
    } kClasses[] = {
        {"alnum", CharClass::Alnum}, {"alpha", CharClass::Alpha}, {"blank", CharClass::Blank},
        {"cntrl", CharClass::Cntrl}, {"digit", CharClass::Digit}, {"graph", CharClass::Graph},
        {"lower", CharClass::Lower}, {"print", CharClass::Print}, {"punct", CharClass::Punct},
        {"space", CharClass::Space}, {"upper", CharClass::Upper}, {"xdigit", CharClass::XDigit}};
    for (const auto& k : kClasses) {
        const size_t length = std::char_traits<char>::length(k.name);
        if (name.size() == length && std::equal(name.begin(), name.end(), k.name)) {
            *out = k.cls;
            return true;
        }
    }
    return false;
}

bool IsNoBreakSpace(char32_t c) {
    return c == 0xA0 || c == 0x2007 || c == 0x202F;
}

bool InClass(CharClass k, char32_t c) {
    if (c < 0x80) {
        const bool upper = c >= 'A' && c <= 'Z';
        const bool lower = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        const bool space = c == ' ' || (c >= '\t' && c <= '\r');
        const bool cntrl = c < 0x20 || c == 0x7F;
        const bool graph = c > 0x20 && c < 0x7F;
        switch (k) {
        case CharClass::Alnum:
            return upper || lower || digit;
        case CharClass::Alpha:
            return upper || lower;
        case CharClass::Blank:
            return c == ' ' || c == '\t';
        case CharClass::Cntrl:
            return cntrl;
        case CharClass::Digit:
            return digit;
        case CharClass::Graph:
            return graph;
        case CharClass::Lower:
            return lower;
        case CharClass::Print:
            return graph || c == ' ';
        case CharClass::Punct:
            return graph && !upper && !lower && !digit;
        case CharClass::Space:
            return space;
        case CharClass::Upper:
            return upper;
        case CharClass::XDigit:
            return digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        }
        return false;
    }
    if (!IsCodePoint(c))
        return false;
    // Past ASCII: Unicode's categories as Qt knows them; digits and
    // hexadecimal digits are ASCII only, as in glibc.
    const QChar::Category cat = QChar::category(c);
    const bool letter = QChar::isLetter(c) || cat == QChar::Number_DecimalDigit;
    const bool space = (QChar::isSpace(c) && !IsNoBreakSpace(c));
    const bool cntrl = cat == QChar::Other_Control || c == 0x2028 || c == 0x2029;
    const bool print = !cntrl && cat != QChar::Other_NotAssigned && cat != QChar::Other_Surrogate;
    const bool graph = print && !space; // glibc: U+00A0 is graph and punct
    switch (k) {
    case CharClass::Alnum:
    case CharClass::Alpha:
        return letter;
    case CharClass::Blank:
        return cat == QChar::Separator_Space && !IsNoBreakSpace(c);
    case CharClass::Cntrl:
        return cntrl;
    case CharClass::Digit:
    case CharClass::XDigit:
        return false;
    case CharClass::Graph:
        return graph;
    case CharClass::Lower:
        return QChar::isLower(c);
    case CharClass::Print:
        return print;
    case CharClass::Punct:
        return graph && !letter;
    case CharClass::Space:
        return space;
    case CharClass::Upper:
        return QChar::isUpper(c);
    }
    return false;
}

struct SetItem {
    enum Kind : uint8_t { Char, Exact, Range, Class } kind;
    char32_t lo = 0;
    char32_t hi = 0;
    CharClass cls = CharClass::Alnum;
};

struct CharSet {
    bool negated = false;
    std::vector<SetItem> items;
};

struct Test {
    enum Kind : uint8_t { Any, Literal, Set } kind;
    char32_t c = 0;
    int set = -1;
};

struct State {
    // Defer: an empty step after which, until a character is read, the path
    // may not end (see Builder::Star); Gate: the end of an alternative of
    // "*(...)" or "+(...)", where a path deferred inside that alternative
    // stops.
    enum Kind : uint8_t { Consume, Eps, Match, Neg, Defer, Gate } kind;
    // Reading on from here accepts every rest of the value: the star at the
    // end of "b*".
    bool universal = false;
    int test = -1; // Consume
    int out = -1;  // Consume: after the character; Neg: after the group; Defer, Gate
    int body = -1; // Neg: start of the negated alternatives
    std::vector<int> eps;
    int level = 0; // Defer, Gate: how many group alternatives matched on their own enclose it
};

// One element of a parsed sequence: a character test, a star or a group.
struct Item {
    enum Kind : uint8_t { One, Star, Group } kind;
    int test = -1;
    char32_t op = 0;
    std::vector<std::vector<Item>> alternatives;
};

bool IsGroupOp(char32_t c) {
    return c == '?' || c == '*' || c == '+' || c == '@' || c == '!';
}

} // namespace

struct CZELVFilterMatcher::Program {
    QString error;
    bool caseFold = false;
    std::vector<CharSet> sets;
    std::vector<Test> tests;
    std::vector<State> states;
    int start = -1;
    int negationDepth = 0;
    int deferLevels = 0; // 1 + the deepest Defer state's level; 0 without Defer

    bool Accepts(int test, char32_t c) const {
        const Test& t = tests[size_t(test)];
        switch (t.kind) {
        case Test::Any:
            return true;
        case Test::Literal:
            return (caseFold ? Fold(c) : c) == t.c;
        case Test::Set:
            return InSet(sets[size_t(t.set)], c);
        }
        return false;
    }

    bool InSet(const CharSet& set, char32_t c) const {
        const char32_t folded = caseFold ? Fold(c) : c;
        bool found = false;
        for (const SetItem& item : set.items) {
            switch (item.kind) {
            case SetItem::Char:
                found = folded == item.lo;
                break;
            case SetItem::Exact:
                found = c == item.lo;
                break;
            case SetItem::Range:
                found = IsCodePoint(folded) && item.lo <= folded && folded <= item.hi;
                break;
            case SetItem::Class:
                found = InClass(item.cls, c);
                break;
            }
            if (found)
                break;
        }
        return found != set.negated;
    }
};

namespace {

class Parser {
public:
    Parser(CZELVFilterMatcher::Program& program, const Text& text, bool extended)
        : m_p(program), m_t(text), m_extended(extended) {}

    bool Sequence(size_t begin, size_t end, int groupDepth, int negationDepth,
                  std::vector<Item>* out) {
        size_t i = begin;
        while (i < end) {
            const char32_t c = m_t[i];
            if (m_extended && IsGroupOp(c) && i + 1 < end && m_t[i + 1] == '(') {
                size_t close = 0;
                std::vector<std::pair<size_t, size_t>> parts;
                if (GroupEnd(i + 1, end, &close, &parts)) {
                    if (groupDepth >= CZELVFilterMatcher::kMaxGroupDepth)
                        return Fail(QStringLiteral("Its groups are nested more than %1 deep.")
                                        .arg(CZELVFilterMatcher::kMaxGroupDepth));
                    const int inner = negationDepth + (c == '!' ? 1 : 0);
                    if (inner > CZELVFilterMatcher::kMaxNegationDepth)
                        return Fail(QStringLiteral("It nests \"!(...)\" groups more than %1 deep.")
                                        .arg(CZELVFilterMatcher::kMaxNegationDepth));
                    m_p.negationDepth = std::max(m_p.negationDepth, inner);
                    Item group{Item::Group, -1, c, {}};
                    for (const auto& part : parts) {
                        group.alternatives.emplace_back();
                        if (!Sequence(part.first, part.second, groupDepth + 1, inner,
                                      &group.alternatives.back()))
                            return false;
                    }
                    out->push_back(std::move(group));
                    i = close + 1;
                    continue;
                }
                // Not closed: the characters stand for themselves, as in glibc.
            }
            switch (c) {
            case '?':
                out->push_back(Item{Item::One, AnyTest(), 0, {}});
                ++i;
                break;
            case '*':
                out->push_back(Item{Item::Star, -1, 0, {}});
                ++i;
                break;
            case '\\':
                if (i + 1 >= end)
                    return Fail(
                        groupDepth > 0
                            ? QStringLiteral("An alternative of a group ends in a "
                                             "backslash that quotes nothing.")
                            : QStringLiteral("It ends in a backslash that quotes nothing."));
                out->push_back(Item{Item::One, Literal(m_t[i + 1]), 0, {}});
                i += 2;
                break;
            case '[': {
                size_t after = 0;
                int test = -1;
                switch (Bracket(i + 1, end, &after, &test)) {
                case BracketResult::Error:
                    return false;
                case BracketResult::Unterminated:
                    // A "[" without its "]" is an ordinary character.
                    out->push_back(Item{Item::One, Literal('['), 0, {}});
                    ++i;
                    break;
                case BracketResult::Set:
                    out->push_back(Item{Item::One, test, 0, {}});
                    i = after;
                    break;
                }
                break;
            }
            default:
                out->push_back(Item{Item::One, Literal(c), 0, {}});
                ++i;
                break;
            }
        }
        return true;
    }

private:
    enum class BracketResult { Set, Unterminated, Error };

    CZELVFilterMatcher::Program& m_p;
    const Text& m_t;
    const bool m_extended;
    int m_anyTest = -1;

    bool Fail(const QString& why) {
        if (m_p.error.isEmpty())
            m_p.error = why;
        return false;
    }

    int AddTest(Test test) {
        m_p.tests.push_back(test);
        return int(m_p.tests.size() - 1);
    }
    int AnyTest() {
        if (m_anyTest < 0)
            m_anyTest = AddTest(Test{Test::Any, 0, -1});
        return m_anyTest;
    }
    int Literal(char32_t c) { return AddTest(Test{Test::Literal, FoldIf(c), -1}); }
    char32_t FoldIf(char32_t c) const { return m_p.caseFold ? Fold(c) : c; }

    // Where the group whose "(" is at open ends, and its alternatives, found
    // as glibc finds them: brackets are skipped whole, nested groups counted,
    // backslashes not looked at.
    bool GroupEnd(size_t open, size_t end, size_t* close,
                  std::vector<std::pair<size_t, size_t>>* parts) const {
        size_t start = open + 1;
        int level = 0;
        for (size_t p = open + 1;; ++p) {
            if (p >= end)
                return false;
            const char32_t ch = m_t[p];
            if (ch == '[') {
                ++p;
                if (p < end && (m_t[p] == '!' || m_t[p] == '^'))
                    ++p;
                if (p < end && m_t[p] == ']')
                    ++p;
                while (p < end && m_t[p] != ']')
                    ++p;
                if (p >= end)
                    return false;
            } else if (IsGroupOp(ch) && p + 1 < end && m_t[p + 1] == '(') {
                ++level;
            } else if (ch == ')') {
                if (level-- == 0) {
                    parts->emplace_back(start, p);
                    *close = p;
                    return true;
                }
            } else if (ch == '|' && level == 0) {
                parts->emplace_back(start, p);
                start = p + 1;
            }
        }
    }

    // A collating symbol "[.x.]" from p (at the "."); glibc's C.UTF-8 knows
    // only single characters.
    bool Symbol(size_t p, size_t end, size_t* after, char32_t* symbol) {
        size_t q = p;
        size_t length = 0;
        for (;;) {
            const char32_t d = ++q < end ? m_t[q] : 0;
            if (d == '.' && q + 1 < end && m_t[q + 1] == ']') {
                q += 2;
                break;
            }
            if (d == 0)
                return Fail(QStringLiteral("A \"[.\" in a bracket expression has no \".]\"."));
            ++length;
        }
        if (length != 1)
            return Fail(
                QStringLiteral("A collating symbol \"[. .]\" holds more than one character."));
        *symbol = m_t[p + 1];
        *after = q;
        return true;
    }

    // A bracket expression from p (just after its "["), read as glibc reads
    // it: the first character is always a member (also "]"), "\" quotes,
    // "[:class:]", "[=c=]" and "[.c.]" forms, "a-z" ranges.
    BracketResult Bracket(size_t p, size_t end, size_t* after, int* test) {
        auto at = [&](size_t i) -> char32_t { return i < end ? m_t[i] : 0; };
        CharSet set;
        if (at(p) == '!' || at(p) == '^') {
            set.negated = true;
            ++p;
        }
        char32_t c = at(p++);
        for (;;) {
            char32_t low = 0;
            bool member = false; // c is an ordinary member, maybe a range's start
            if (c == '\\') {
                if (at(p) == 0) {
                    Fail(QStringLiteral("It ends in a backslash that quotes nothing."));
                    return BracketResult::Error;
                }
                c = FoldIf(at(p++));
                member = true;
            } else if (c == '[' && at(p) == ':') {
                size_t q = p;
                Text name;
                bool isClass = true;
                for (;;) {
                    const char32_t d = at(++q);
                    if (d == ':' && at(q + 1) == ']') {
                        q += 2;
                        break;
                    }
                    if (d < 'a' || d >= 'z') {
                        isClass = false;
                        break;
                    }
                    if (name.size() >= 256) {
                        Fail(QStringLiteral("A character class name is too long."));
                        return BracketResult::Error;
                    }
                    name += d;
                }
                if (isClass) {
                    CharClass cls;
                    if (!ClassByName(name, &cls)) {
                        Fail(QStringLiteral("\"[:%1:]\" names no character class.")
                                 .arg(QString::fromUcs4(name.data(), qsizetype(name.size()))));
                        return BracketResult::Error;
                    }
                    set.items.push_back(SetItem{SetItem::Class, 0, 0, cls});
                    p = q;
                    c = at(p++);
                    if (c == ']')
                        break;
                    continue;
                }
                member = true; // "[" itself
            } else if (c == '[' && at(p) == '=') {
                if (at(p + 1) != 0 && at(p + 2) == '=' && at(p + 3) == ']') {
                    // An equivalence class is its one character, compared as it is.
                    set.items.push_back(SetItem{SetItem::Exact, at(p + 1), 0, {}});
                    p += 4;
                    c = at(p++);
                    if (c == ']')
                        break;
                    continue;
                }
                member = true;
            } else if (c == 0) {
                return BracketResult::Unterminated;
            } else if (c == '[' && at(p) == '.') {
                size_t q = 0;
                char32_t symbol = 0;
                if (!Symbol(p, end, &q, &symbol))
                    return BracketResult::Error;
                // Compared as it is; glibc takes no member when a "-" follows.
                if (!(at(q) == '-' && at(q + 1) != 0))
                    set.items.push_back(SetItem{SetItem::Exact, symbol, 0, {}});
                low = symbol;
                p = q;
                c = at(p++);
            } else {
                c = FoldIf(c);
                member = true;
            }
            if (member) {
                const bool range = at(p) == '-' && at(p + 1) != 0 && at(p + 1) != ']';
                if (!range)
                    set.items.push_back(SetItem{SetItem::Char, c, 0, {}});
                low = c;
                c = at(p++);
            }
            if (c == '-' && at(p) != ']') {
                char32_t high = at(p++);
                if (high == '[' && at(p) == '.') {
                    size_t q = 0;
                    if (!Symbol(p, end, &q, &high))
                        return BracketResult::Error;
                    p = q;
                } else {
                    if (high == '\\')
                        high = at(p++);
                    if (high == 0) {
                        Fail(QStringLiteral("A range in a bracket expression has no end."));
                        return BracketResult::Error;
                    }
                    high = FoldIf(high);
                }
                set.items.push_back(SetItem{SetItem::Range, low, high, {}});
                c = at(p++);
            }
            if (c == ']')
                break;
        }
        *after = p;
        m_p.sets.push_back(std::move(set));
        *test = AddTest(Test{Test::Set, 0, int(m_p.sets.size() - 1)});
        return BracketResult::Set;
    }
};

// Builds the automaton from the parsed sequence, back to front.
class Builder {
public:
    explicit Builder(CZELVFilterMatcher::Program& program) : m_p(program) {}

    // Where a sequence goes on when it ends: for the alternatives of "@(...)"
    // and "?(...)" the text after the group, as glibc pastes each alternative
    // before it; for the other groups, and the whole pattern, nothing.
    struct Position {
        const std::vector<Item>* items;
        const std::vector<int>* entries; // entry state of each item, and after the last
        size_t index;
        const Position* parent;
    };

    // level: how many alternatives of "*(...)", "+(...)" and "!(...)" enclose
    // the sequence (glibc matches those alternatives on their own).
    int Sequence(const std::vector<Item>& items, int next, const Position* parent, int level) {
        std::vector<int> entries(items.size() + 1, -1);
        entries.back() = next;
        for (size_t j = items.size(); j-- > 0;)
            entries[j] = One(items, j, entries, parent, level);
        return entries.front();
    }

    int Add(State::Kind kind) {
        m_p.states.push_back(State{kind, false, -1, -1, -1, {}, 0});
        return int(m_p.states.size() - 1);
    }

    std::vector<int> loops; // the Eps state of each star, for MarkUniversal

private:
    CZELVFilterMatcher::Program& m_p;

    State& At(int s) { return m_p.states[size_t(s)]; }

    int Consume(int test, int out) {
        const int s = Add(State::Consume);
        At(s).test = test;
        At(s).out = out;
        return s;
    }

    int AnyTest() {
        for (size_t i = 0; i < m_p.tests.size(); ++i)
            if (m_p.tests[i].kind == Test::Any)
                return int(i);
        m_p.tests.push_back(Test{Test::Any, 0, -1});
        return int(m_p.tests.size() - 1);
    }

    // glibc matches the alternatives of "*(...)" and "+(...)" on their own,
    // each against a part of the value: a group after a star in one must
    // begin before that part ends.
    int Gate(int out, int level) {
        const int g = Add(State::Gate);
        At(g).out = out;
        At(g).level = level;
        return g;
    }

    bool IsAny(const Item& item) const {
        return item.kind == Item::One && m_p.tests[size_t(item.test)].kind == Test::Any;
    }

    // A star, as glibc reads it: the "*", "?", "?(...)" and "*(...)" after it
    // are one run ("?" takes a character, the groups are dropped: a star
    // covers them), and when an "@(", "+(" or "!(" group follows the run, the
    // group must begin before the end of the value: glibc tries it at every
    // character but not after the last. The run may go on past the end of an
    // "@(...)" or "?(...)" alternative, into the text after the group.
    int Star(Position at, int level) {
        int questions = 0;
        int exit = -1;
        bool defer = false;
        for (;;) {
            if (at.index == at.items->size()) {
                if (at.parent) {
                    at = *at.parent;
                    continue;
                }
                exit = at.entries->back();
                break;
            }
            const Item& item = (*at.items)[at.index];
            const bool dropped = item.kind == Item::Group && (item.op == '?' || item.op == '*');
            if (item.kind == Item::Star || dropped || IsAny(item)) {
                questions += IsAny(item) ? 1 : 0;
                ++at.index;
                continue;
            }
            exit = (*at.entries)[at.index];
            defer = item.kind == Item::Group;
            break;
        }
        if (defer) {
            const int d = Add(State::Defer);
            At(d).out = exit;
            At(d).level = level;
            m_p.deferLevels = std::max(m_p.deferLevels, level + 1);
            exit = d;
        }
        for (int i = 0; i < questions; ++i)
            exit = Consume(AnyTest(), exit);
        const int loop = Add(State::Eps);
        const int any = Consume(AnyTest(), loop);
        At(loop).eps = {any, exit};
        loops.push_back(loop);
        return loop;
    }

    int One(const std::vector<Item>& items, size_t j, const std::vector<int>& entries,
            const Position* parent, int level) {
        const Item& item = items[j];
        const int next = entries[j + 1];
        switch (item.kind) {
        case Item::One:
            return Consume(item.test, next);
        case Item::Star:
            return Star(Position{&items, &entries, j + 1, parent}, level);
        case Item::Group:
            break;
        }
        const auto& alts = item.alternatives;
        switch (item.op) {
        case '@':
        case '?': {
            const Position after{&items, &entries, j + 1, parent};
            std::vector<int> eps;
            for (const auto& alt : alts)
                eps.push_back(Sequence(alt, next, &after, level));
            if (item.op == '?')
                eps.push_back(next);
            const int s = Add(State::Eps);
            At(s).eps = std::move(eps);
            return s;
        }
        case '*': {
            const int loop = Add(State::Eps);
            const int end = Gate(loop, level + 1);
            std::vector<int> eps;
            for (const auto& alt : alts)
                eps.push_back(Sequence(alt, end, nullptr, level + 1));
            eps.push_back(next);
            At(loop).eps = std::move(eps);
            return loop;
        }
        case '+': {
            const int again = Add(State::Eps);
            const int first = Add(State::Eps);
            const int end = Gate(again, level + 1);
            std::vector<int> eps;
            for (const auto& alt : alts)
                eps.push_back(Sequence(alt, end, nullptr, level + 1));
            At(first).eps = std::move(eps);
            At(again).eps = {first, next};
            return first;
        }
        default: { // '!'
            const int match = Add(State::Match);
            std::vector<int> eps;
            for (const auto& alt : alts)
                eps.push_back(Sequence(alt, match, nullptr, level + 1));
            const int body = Add(State::Eps);
            At(body).eps = std::move(eps);
            const int neg = Add(State::Neg);
            At(neg).body = body;
            At(neg).out = next;
            return neg;
        }
        }
    }
};

// Marks the character-reading state of every star from which the final state
// is reached without reading: once a value gets there, it matches.
void MarkUniversal(CZELVFilterMatcher::Program& p, const std::vector<int>& loops, int final) {
    const size_t n = p.states.size();
    std::vector<std::vector<int>> into(n);
    for (size_t s = 0; s < n; ++s)
        for (int e : p.states[s].eps)
            into[size_t(e)].push_back(int(s));
    std::vector<char> ends(n, 0);
    std::vector<int> stack{final};
    ends[size_t(final)] = 1;
    while (!stack.empty()) {
        const int s = stack.back();
        stack.pop_back();
        for (int from : into[size_t(s)])
            if (!ends[size_t(from)]) {
                ends[size_t(from)] = 1;
                stack.push_back(from);
            }
    }
    // Defer steps are not followed: after them the final state does not count.
    for (int loop : loops)
        if (ends[size_t(loop)])
            p.states[size_t(p.states[size_t(loop)].eps.front())].universal = true;
}

} // namespace

// The sets of states met so far, each numbered, with their transitions.
class CZELVFilterMatcher::Automaton {
public:
    explicit Automaton(std::shared_ptr<const Program> program)
        : m_program(std::move(program)), m_p(*m_program),
          m_index(16, SetHash{this}, SetEqual{this}) {
        Reset();
    }

    bool MatchesUtf8(const unsigned char* s, const unsigned char* end) {
        if (m_sets.size() > kKeptSets)
            Reset();
        int state = m_start;
        for (;;) {
            if (state <= kAll)
                return state == kAll;
            if (end ? s == end : *s == 0)
                break;
            const unsigned b = *s;
            if (b < 0x80) {
                const int next = m_ascii[size_t(state) * 128 + b];
                state = next >= 0 ? next : Step(state, b);
                ++s;
            } else {
                state = Step(state, Decode(&s, end));
            }
        }
        return m_sets[size_t(state)].accepting;
    }

    // As MatchesUtf8 up to the NUL, but -1 once `limit` bytes are read, or a
    // character that may not fit in them is next, without an answer.
    int MatchesLimited(const unsigned char* s, qsizetype limit) {
        if (m_sets.size() > kKeptSets)
            Reset();
        const unsigned char* const stop = s + limit;
        int state = m_start;
        for (;;) {
            if (state <= kAll)
                return state == kAll ? 1 : 0;
            const unsigned b = *s;
            if (b == 0)
                break;
            if (b < 0x80) {
                if (s == stop)
                    return -1;
                const int next = m_ascii[size_t(state) * 128 + b];
                state = next >= 0 ? next : Step(state, b);
                ++s;
            } else {
                if (stop - s < 4)
                    return -1;
                state = Step(state, Decode(&s, nullptr));
            }
        }
        return m_sets[size_t(state)].accepting ? 1 : 0;
    }

    bool MatchesText(QStringView value) {
        if (m_sets.size() > kKeptSets)
            Reset();
        int state = m_start;
        const qsizetype size = value.size();
        for (qsizetype i = 0; i < size; ++i) {
            if (state <= kAll)
                return state == kAll;
            char32_t c = value[i].unicode();
            if (c == 0)
                break;
            if (QChar::isHighSurrogate(c) && i + 1 < size && value[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), value[++i].unicode());
            if (c < 0x80) {
                const int next = m_ascii[size_t(state) * 128 + c];
                state = next >= 0 ? next : Step(state, c);
            } else {
                state = Step(state, c);
            }
        }
        if (state <= kAll)
            return state == kAll;
        return m_sets[size_t(state)].accepting;
    }

private:
    static constexpr int kDead = 0; // no path left: no match
    static constexpr int kAll = 1;  // a path that accepts any rest: a match
    // Sets kept between values, and the most one value may make before the
    // table is rebuilt around the set it is in.
    static constexpr size_t kKeptSets = 4096;
    static constexpr size_t kMaxSets = 65536;
    // Paths inside "!(...)" compared with each other at most (see PruneGroups).
    static constexpr std::ptrdiff_t kMaxPruned = 256;

    struct DSet {
        std::vector<int> threads; // sorted: states, then (group, inner set) pairs
        bool accepting = false;
    };
    // The index holds set numbers; -1 stands for the set being looked up.
    struct SetHash {
        const Automaton* automaton;
        size_t operator()(int i) const {
            size_t h = 0x9E3779B97F4A7C15u;
            for (int t : automaton->ThreadsOf(i))
                h = (h ^ size_t(t)) * 0x100000001B3u;
            return h;
        }
    };
    struct SetEqual {
        const Automaton* automaton;
        bool operator()(int a, int b) const {
            return automaton->ThreadsOf(a) == automaton->ThreadsOf(b);
        }
    };
    const std::vector<int>& ThreadsOf(int i) const {
        return i < 0 ? m_probe : m_sets[size_t(i)].threads;
    }

    std::shared_ptr<const Program> m_program;
    const Program& m_p;
    std::vector<DSet> m_sets;
    std::unordered_set<int, SetHash, SetEqual> m_index;
    std::vector<int> m_ascii; // per set, the next set for each ASCII character; -1 unknown
    std::unordered_map<uint64_t, int> m_wide;  // (set, character) past ASCII
    std::vector<std::pair<int, int>> m_groups; // thread number - states: (Neg state, inner set)
    std::unordered_map<uint64_t, int> m_groupIndex;
    std::vector<int> m_entry;                   // per Neg state, the inner set on entering it
    std::vector<std::vector<uint32_t>> m_marks; // per nesting depth, per state
    std::vector<uint32_t> m_generation;
    int m_start = kDead;
    // Work space, kept to save allocations: the set being looked up, and per
    // nesting depth (one closure at a time on each) the closure's threads and
    // stack and the groups being stepped.
    std::vector<int> m_probe;
    struct Path {
        int neg;
        int inner;
        int id;
    };
    std::vector<Path> m_paths;
    struct Work {
        std::vector<int> threads;
        std::vector<int> stack;
        std::vector<std::pair<int, int>> groups;
    };
    std::vector<Work> m_work;

    // A state to visit, with the level of the innermost Defer step passed
    // since the last character read (-1: none), as state * modes + level + 1.
    struct Closure {
        int depth;
        int modes;
        std::vector<int>& threads;
        std::vector<int>& stack;
        void Visit(int state, int deferred) { stack.push_back(state * modes + deferred + 1); }
    };

    int StateCount() const { return int(m_p.states.size()); }
    int Modes() const { return m_p.deferLevels + 1; }

    void Reset() {
        m_sets.clear();
        m_index.clear();
        m_ascii.clear();
        m_wide.clear();
        m_groups.clear();
        m_groupIndex.clear();
        m_entry.assign(m_p.states.size(), -1);
        m_marks.assign(size_t(m_p.negationDepth + 1),
                       std::vector<uint32_t>(m_p.states.size() * size_t(Modes()), 0));
        m_generation.assign(size_t(m_p.negationDepth + 1), 0);
        m_work.resize(size_t(m_p.negationDepth + 2));
        NewSet({}, false); // kDead
        NewSet({}, true);  // kAll
        std::fill(m_ascii.begin() + 128, m_ascii.begin() + 256, kAll);
        std::fill(m_ascii.begin(), m_ascii.begin() + 128, kDead);
        Closure closure = Begin(0);
        closure.Visit(m_p.start, -1);
        Drain(closure);
        m_start = Intern(closure.threads);
    }

    int NewSet(std::vector<int> threads, bool accepting) {
        m_sets.push_back(DSet{std::move(threads), accepting});
        m_ascii.resize(m_ascii.size() + 128, -1);
        return int(m_sets.size() - 1);
    }

    int Intern(const std::vector<int>& found) {
        std::vector<int>& threads = m_probe;
        threads.assign(found.begin(), found.end());
        std::sort(threads.begin(), threads.end());
        threads.erase(std::unique(threads.begin(), threads.end()), threads.end());
        if (threads.empty())
            return kDead;
        PruneGroups(threads);
        bool accepting = false;
        bool universal = false;
        for (int t : threads) {
            if (t >= StateCount())
                break;
            const State& s = m_p.states[size_t(t)];
            universal = universal || s.universal;
            accepting = accepting || s.kind == State::Match;
        }
        // A star reached through a Defer step accepts every rest but the empty one.
        if (universal && accepting)
            return kAll;
        const auto known = m_index.find(-1);
        if (known != m_index.end())
            return *known;
        const int added = NewSet(threads, accepting);
        m_index.insert(added);
        return added;
    }

    // Of the paths inside one "!(...)", one whose inner set holds another's
    // adds nothing: the smaller set is left without a final state whenever
    // the larger one is, now and after every character (stepping a set of
    // states keeps inclusion). Dropping them keeps "*!(*a??????)x" to a few
    // paths instead of one for every character read.
    void PruneGroups(std::vector<int>& threads) {
        const auto first = std::lower_bound(threads.begin(), threads.end(), StateCount());
        if (threads.end() - first < 2 || threads.end() - first > kMaxPruned)
            return;
        std::vector<Path>& paths = m_paths;
        paths.clear();
        for (auto it = first; it != threads.end(); ++it) {
            const auto [neg, inner] = m_groups[size_t(*it - StateCount())];
            paths.push_back(Path{neg, inner, *it});
        }
        std::sort(paths.begin(), paths.end(), [&](const Path& a, const Path& b) {
            const size_t sa = m_sets[size_t(a.inner)].threads.size();
            const size_t sb = m_sets[size_t(b.inner)].threads.size();
            return a.neg != b.neg ? a.neg < b.neg : sa < sb;
        });
        threads.erase(first, threads.end());
        size_t runStart = 0;
        for (size_t i = 0; i < paths.size(); ++i) {
            if (paths[i].neg != paths[runStart].neg)
                runStart = i;
            const std::vector<int>& mine = m_sets[size_t(paths[i].inner)].threads;
            bool covered = false;
            for (size_t k = runStart; k < i && !covered; ++k) {
                if (paths[k].id < 0)
                    continue; // dropped itself
                const std::vector<int>& smaller = m_sets[size_t(paths[k].inner)].threads;
                covered = std::includes(mine.begin(), mine.end(), smaller.begin(), smaller.end());
            }
            if (covered)
                paths[i].id = -1;
            else
                threads.push_back(paths[i].id);
        }
        std::sort(threads.begin(), threads.end());
    }

    int GroupThread(int neg, int inner) {
        const uint64_t key = (uint64_t(uint32_t(neg)) << 32) | uint32_t(inner);
        const auto found = m_groupIndex.find(key);
        if (found != m_groupIndex.end())
            return found->second;
        m_groups.emplace_back(neg, inner);
        const int id = StateCount() + int(m_groups.size() - 1);
        m_groupIndex.emplace(key, id);
        return id;
    }

    Closure Begin(int depth) {
        uint32_t& generation = m_generation[size_t(depth)];
        if (++generation == 0) {
            std::fill(m_marks[size_t(depth)].begin(), m_marks[size_t(depth)].end(), 0);
            generation = 1;
        }
        Work& work = m_work[size_t(depth)];
        work.threads.clear();
        work.stack.clear();
        return Closure{depth, Modes(), work.threads, work.stack};
    }

    // A path inside "!(...)" with the given inner set; where that set holds
    // no final state, the part read so far is not matched by the group's
    // alternatives, and the path may also go on after the group.
    void AddGroup(Closure& closure, int neg, int inner, int deferred) {
        closure.threads.push_back(GroupThread(neg, inner));
        if (!m_sets[size_t(inner)].accepting)
            closure.Visit(m_p.states[size_t(neg)].out, deferred);
    }

    void Drain(Closure& closure) {
        std::vector<uint32_t>& marks = m_marks[size_t(closure.depth)];
        const uint32_t generation = m_generation[size_t(closure.depth)];
        while (!closure.stack.empty()) {
            const int visit = closure.stack.back();
            closure.stack.pop_back();
            if (marks[size_t(visit)] == generation)
                continue;
            marks[size_t(visit)] = generation;
            const int s = visit / closure.modes;
            const int deferred = visit % closure.modes - 1;
            const State& state = m_p.states[size_t(s)];
            switch (state.kind) {
            case State::Eps:
                for (int e : state.eps)
                    closure.Visit(e, deferred);
                break;
            case State::Defer:
                closure.Visit(state.out, std::max(deferred, state.level));
                break;
            case State::Gate:
                if (deferred < state.level)
                    closure.Visit(state.out, deferred);
                break;
            case State::Consume:
                closure.threads.push_back(s);
                break;
            case State::Match:
                if (deferred < 0)
                    closure.threads.push_back(s);
                break;
            case State::Neg:
                AddGroup(closure, s, Entry(s, closure.depth + 1), deferred);
                break;
            }
        }
    }

    int Entry(int neg, int depth) {
        int& entry = m_entry[size_t(neg)];
        if (entry < 0) {
            // The alternatives are matched on their own: nothing is deferred.
            Closure closure = Begin(depth);
            closure.Visit(m_p.states[size_t(neg)].body, -1);
            Drain(closure);
            entry = Intern(closure.threads);
        }
        return entry;
    }

    int Step(int set, char32_t c) {
        const int next = StepAt(set, c, 0);
        if (m_sets.size() <= kMaxSets)
            return next;
        // A hostile pattern met a long value: keep only what this value needs.
        Automaton fresh(m_program);
        const int copied = fresh.CopyFrom(*this, next);
        Swap(fresh);
        return copied;
    }

    int StepAt(int set, char32_t c, int depth) {
        if (set <= kAll)
            return set;
        const uint64_t wideKey = (uint64_t(uint32_t(set)) << 32) | c;
        if (c < 0x80) {
            const int known = m_ascii[size_t(set) * 128 + c];
            if (known >= 0)
                return known;
        } else {
            const auto found = m_wide.find(wideKey);
            if (found != m_wide.end())
                return found->second;
        }
        // The groups' inner sets are stepped first (deeper, and they may add
        // sets, which moves m_sets); then this depth's closure.
        std::vector<std::pair<int, int>>& groups = m_work[size_t(depth)].groups;
        groups.clear();
        for (int t : m_sets[size_t(set)].threads)
            if (t >= StateCount())
                groups.push_back(m_groups[size_t(t - StateCount())]);
        for (auto& group : groups)
            group.second = StepAt(group.second, c, depth + 1);
        Closure closure = Begin(depth);
        for (int t : m_sets[size_t(set)].threads) {
            if (t >= StateCount())
                break;
            const State& state = m_p.states[size_t(t)];
            if (state.kind == State::Consume && m_p.Accepts(state.test, c))
                closure.Visit(state.out, -1);
        }
        for (const auto& [neg, inner] : groups)
            AddGroup(closure, neg, inner, -1);
        Drain(closure);
        const int next = Intern(closure.threads);
        if (c < 0x80)
            m_ascii[size_t(set) * 128 + c] = next;
        else
            m_wide.emplace(wideKey, next);
        return next;
    }

    int CopyFrom(const Automaton& old, int set) {
        if (set <= kAll)
            return set;
        std::vector<int> threads;
        for (int t : old.m_sets[size_t(set)].threads) {
            if (t < StateCount()) {
                threads.push_back(t);
            } else {
                const auto [neg, inner] = old.m_groups[size_t(t - StateCount())];
                threads.push_back(GroupThread(neg, CopyFrom(old, inner)));
            }
        }
        return Intern(threads);
    }

    void Swap(Automaton& other) {
        std::swap(m_sets, other.m_sets);
        // The index's hash and equality refer to their own automaton's sets.
        m_index.clear();
        for (int i = 2; i < int(m_sets.size()); ++i)
            m_index.insert(i);
        std::swap(m_ascii, other.m_ascii);
        std::swap(m_wide, other.m_wide);
        std::swap(m_groups, other.m_groups);
        std::swap(m_groupIndex, other.m_groupIndex);
        std::swap(m_entry, other.m_entry);
        std::swap(m_start, other.m_start);
    }

    static char32_t Decode(const unsigned char** at, const unsigned char* end) {
        const unsigned char* s = *at;
        const unsigned b = s[0];
        auto more = [&](int i) -> unsigned {
            if (end && s + i >= end)
                return 0;
            const unsigned x = s[i];
            return (x & 0xC0) == 0x80 ? (x & 0x3F) : 0x100;
        };
        int length = 0;
        char32_t c = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            c = b & 0x07;
        }
        bool ok = length > 0;
        for (int i = 1; ok && i < length; ++i) {
            const unsigned x = more(i);
            if (x > 0x3F || (end && s + i >= end)) {
                ok = false;
                break;
            }
            c = (c << 6) | x;
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (ok && ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000) || !IsCodePoint(c)))
            ok = false;
        if (!ok) {
            *at = s + 1;
            return kRawByte + b;
        }
        *at = s + length;
        return c;
    }
};

namespace {

std::shared_ptr<CZELVFilterMatcher::Program> Compile(const QString& pattern, unsigned flags) {
    auto program = std::make_shared<CZELVFilterMatcher::Program>();
    program->caseFold = (flags & 0x10) != 0;
    Text text;
    text.reserve(size_t(pattern.size()));
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        char32_t c = pattern[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < pattern.size() && pattern[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), pattern[++i].unicode());
        if (c == 0) // the pattern ends there, as a C string does
            break;
        text.push_back(c);
    }
    std::vector<Item> items;
    bool ok = true;
    if (text.size() > size_t(CZELVFilterMatcher::kMaxPatternLength)) {
        program->error = QStringLiteral("It is longer than %1 characters.")
                             .arg(CZELVFilterMatcher::kMaxPatternLength);
        ok = false;
    } else {
        Parser parser(*program, text, (flags & 0x20) != 0);
        ok = parser.Sequence(0, text.size(), 0, 0, &items);
    }
    Builder builder(*program);
    if (!ok) {
        // Matches nothing: a start with no way on.
        program->negationDepth = 0;
        program->start = builder.Add(State::Eps);
        return program;
    }
    const int final = builder.Add(State::Match);
    program->start = builder.Sequence(items, final, nullptr, 0);
    MarkUniversal(*program, builder.loops, final);
    return program;
}

} // namespace

CZELVFilterMatcher::CZELVFilterMatcher(const QString& pattern, unsigned flags)
    : m_program(Compile(pattern, flags)) {}

CZELVFilterMatcher::CZELVFilterMatcher(const CZELVFilterMatcher& other)
    : m_program(other.m_program) {}

CZELVFilterMatcher& CZELVFilterMatcher::operator=(const CZELVFilterMatcher& other) {
    if (this != &other) {
        m_program = other.m_program;
        m_automaton.reset();
    }
    return *this;
}

CZELVFilterMatcher::~CZELVFilterMatcher() = default;

const QString& CZELVFilterMatcher::Error() const {
    return m_program->error;
}

CZELVFilterMatcher::Automaton& CZELVFilterMatcher::Run() const {
    if (!m_automaton)
        m_automaton = std::make_unique<Automaton>(m_program);
    return *m_automaton;
}

bool CZELVFilterMatcher::Matches(const char* utf8) const {
    Automaton& automaton = m_automaton ? *m_automaton : Run();
    return automaton.MatchesUtf8(reinterpret_cast<const unsigned char*>(utf8 ? utf8 : ""), nullptr);
}

int CZELVFilterMatcher::MatchesUpTo(const char* utf8, qsizetype limit) const {
    Automaton& automaton = m_automaton ? *m_automaton : Run();
    return automaton.MatchesLimited(reinterpret_cast<const unsigned char*>(utf8 ? utf8 : ""),
                                    limit);
}

bool CZELVFilterMatcher::Matches(const char* utf8, qsizetype size) const {
    if (!utf8 || size <= 0)
        return Run().MatchesUtf8(reinterpret_cast<const unsigned char*>(""), nullptr);
    const auto* s = reinterpret_cast<const unsigned char*>(utf8);
    // A NUL ends the value, as it would for a C string.
    const void* nul = std::memchr(s, 0, size_t(size));
    const auto* end = nul ? static_cast<const unsigned char*>(nul) : s + size;
    if (end == s)
        return Run().MatchesUtf8(reinterpret_cast<const unsigned char*>(""), nullptr);
    return Run().MatchesUtf8(s, end);
}

bool CZELVFilterMatcher::Matches(QStringView value) const {
    return Run().MatchesText(value);
}
