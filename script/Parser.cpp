#include "script/Parser.h"

#include "core/AppError.h"
#include "core/RunCheck.h"
#include "script/Lexer.h"
#include "script/StackLimit.h"

#include <QRegularExpression>
#include <functional>

namespace script {

int ClassDef::findMember(const QString& name) const {
    for (std::size_t i = 0; i < members.size(); ++i)
        if (members[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

namespace {

// A date literal: the language reads #m/d/yyyy#, #yyyy-mm-dd# and a time,
// whatever the locale.
std::optional<core::Date> parseDateLiteral(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(?:(\d{1,4})([/-])(\d{1,2})(?:[/-](\d{1,4}))?)?\s*(?:(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*([AaPp][Mm])?)?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch() || text.trimmed().isEmpty()) return std::nullopt;
    int y = 1899, mo = 12, d = 30;
    if (!m.captured(1).isEmpty()) {
        const int a = m.captured(1).toInt();
        const int b = m.captured(3).toInt();
        const bool hasThird = !m.captured(4).isEmpty();
        if (m.captured(1).size() > 2) {  // yyyy-mm-dd
            if (!hasThird) return std::nullopt;
            y = a;
            mo = b;
            d = m.captured(4).toInt();
        } else {  // m/d/yyyy or m/d (this year)
            mo = a;
            d = b;
            y = hasThird ? m.captured(4).toInt() : QDate::currentDate().year();
            if (hasThird && m.captured(4).size() <= 2) y += y < 30 ? 2000 : 1900;
        }
        if (!core::Date::isValidDate(y, mo, d)) return std::nullopt;
    }
    int h = 0, mi = 0, s = 0;
    if (!m.captured(5).isEmpty()) {
        h = m.captured(5).toInt();
        mi = m.captured(6).toInt();
        s = m.captured(7).toInt();
        const QString ampm = m.captured(8).toUpper();
        if (!ampm.isEmpty()) {
            if (h < 1 || h > 12) return std::nullopt;
            if (ampm == QLatin1String("PM") && h < 12) h += 12;
            if (ampm == QLatin1String("AM") && h == 12) h = 0;
        }
        if (h > 23 || mi > 59 || s > 59) return std::nullopt;
    }
    return core::Date::fromParts(y, mo, d, h, mi, s);
}

class Parser {
  public:
    explicit Parser(const QString& text) : t_(tokenize(text)) {}

    std::unique_ptr<Module> run() {
        m_ = std::make_unique<Module>();
        m_->topLevel = std::make_unique<Procedure>();
        m_->topLevel->kind = ProcKind::TopLevel;
        proc_ = m_->topLevel.get();
        for (;;) {
            skipSeparators();
            if (cur().type == Tok::End) break;
            moduleItem();
        }
        return std::move(m_);
    }

  private:
    std::vector<Token> t_;
    std::size_t p_ = 0;
    std::unique_ptr<Module> m_;
    Procedure* proc_ = nullptr;     // procedure being parsed
    ClassDef* class_ = nullptr;     // class being parsed
    std::size_t lastParenPos_ = 0;  // token index of the last '(' of a postfix chain
    int nesting_ = 0;
    std::size_t statements_ = 0;

    // Blocks and expressions nested beyond any real script are refused
    // before they exhaust the stack of the parser or of the engine (also on
    // a thread whose stack is small for them).
    static constexpr int kMaxNesting = 200;
    struct Nesting {
        Parser& p;
        explicit Nesting(Parser& parser) : p(parser) {
            if (++p.nesting_ > kMaxNesting || stackNearlyExhausted()) p.fail(28);
        }
        ~Nesting() { --p.nesting_; }
    };

    // ---- token helpers ----
    const Token& cur() const { return t_[p_]; }
    const Token& next() const { return t_[std::min(p_ + 1, t_.size() - 1)]; }
    void advance() {
        if (p_ + 1 < t_.size()) ++p_;
    }
    bool isOp(const char* s) const { return cur().type == Tok::Op && cur().text == QLatin1String(s); }
    bool isKw(Kw k) const { return cur().type == Tok::Name && cur().kw == k; }
    bool acceptOp(const char* s) {
        if (!isOp(s)) return false;
        advance();
        return true;
    }
    bool acceptKw(Kw k) {
        if (!isKw(k)) return false;
        advance();
        return true;
    }
    [[noreturn]] void fail(int number) const { raiseAt(number, cur().line, cur().column); }
    void expectOp(const char* s, int number) {
        if (!acceptOp(s)) fail(number);
    }
    void expectKw(Kw k, int number) {
        if (!acceptKw(k)) fail(number);
    }
    bool atSeparator() const {
        return cur().type == Tok::Newline || cur().type == Tok::Colon || cur().type == Tok::End ||
               atClosingEnd();
    }
    // "End Sub", "End Function", "End Property" and "End Class" also close
    // the statement written before them on the same line.
    bool atClosingEnd() const {
        if (!isKw(Kw::End) || next().type != Tok::Name) return false;
        const Kw k = next().kw;
        return k == Kw::Sub || k == Kw::Function || k == Kw::Property || k == Kw::Class;
    }
    // "Property" begins a property only before Get, Let or Set; elsewhere it
    // is an ordinary name.
    bool atPropertyDef() const {
        if (!isKw(Kw::Property) || next().type != Tok::Name) return false;
        const Kw k = next().kw;
        return k == Kw::Get || k == Kw::Let || k == Kw::Set;
    }
    void skipSeparators() {
        while (cur().type == Tok::Newline || cur().type == Tok::Colon) advance();
    }
    bool atLineEnd() const { return cur().type == Tok::Newline || cur().type == Tok::End || atClosingEnd(); }
    void endStatement() {
        if (!atSeparator()) fail(1025);
    }
    // A name that may be declared or called (not a reserved word).
    QString identifier() {
        if (cur().type != Tok::Name || isReserved(cur().kw)) fail(1010);
        QString n = cur().text;
        advance();
        return n;
    }
    // Any word, as after a dot.
    QString anyName() {
        if (cur().type != Tok::Name) fail(1010);
        QString n = cur().text;
        advance();
        return n;
    }
    template <class T>
    std::unique_ptr<T> node(const Token& at) {
        auto n = std::make_unique<T>();
        n->line = at.line;
        n->column = at.column;
        return n;
    }

    // ---- module level ----
    void moduleItem() {
        const Token& start = cur();
        if (isKw(Kw::Option)) {
            advance();
            expectKw(Kw::Explicit, 1002);
            m_->optionExplicit = true;
            endStatement();
            return;
        }
        bool isPublic = true;
        bool hasVisibility = false;
        if (isKw(Kw::Public) || isKw(Kw::Private)) {
            isPublic = isKw(Kw::Public);
            hasVisibility = true;
            advance();
        }
        bool isDefault = false;
        if (hasVisibility && isKw(Kw::Default)) fail(1048);
        if (isKw(Kw::Sub) || isKw(Kw::Function)) {
            m_->procs.push_back(procedure(isPublic, isDefault, nullptr));
            return;
        }
        if (atPropertyDef()) fail(1048);
        if (isKw(Kw::Class)) {
            classDef();
            return;
        }
        if (hasVisibility) {
            if (isKw(Kw::Const)) {
                advance();
                constList();
            } else {
                proc_->body.push_back(dimList(start, false));
            }
            endStatement();
            return;
        }
        statementInBlock(proc_->body);
    }

    std::unique_ptr<Procedure> procedure(bool isPublic, bool isDefault, ClassDef* owner) {
        auto pr = std::make_unique<Procedure>();
        pr->line = cur().line;
        pr->column = cur().column;
        pr->isPublic = isPublic;
        pr->isDefault = isDefault;
        pr->owner = owner;
        Kw endKw;
        if (acceptKw(Kw::Sub)) {
            pr->kind = ProcKind::Sub;
            endKw = Kw::Sub;
        } else if (acceptKw(Kw::Function)) {
            pr->kind = ProcKind::Function;
            endKw = Kw::Function;
        } else {
            expectKw(Kw::Property, 1050);
            if (acceptKw(Kw::Get))
                pr->kind = ProcKind::PropertyGet;
            else if (acceptKw(Kw::Let))
                pr->kind = ProcKind::PropertyLet;
            else if (acceptKw(Kw::Set))
                pr->kind = ProcKind::PropertySet;
            else
                fail(1049);
            endKw = Kw::Property;
        }
        if (isDefault && pr->kind != ProcKind::PropertyGet && pr->kind != ProcKind::Function &&
            pr->kind != ProcKind::Sub)
            fail(1058);
        pr->name = identifier();
        if (acceptOp("(")) {
            if (!isOp(")")) {
                do {
                    Param prm;
                    if (acceptKw(Kw::ByVal))
                        prm.byVal = true;
                    else
                        acceptKw(Kw::ByRef);
                    prm.name = identifier();
                    if (acceptOp("(")) {
                        expectOp(")", 1006);
                        prm.isArray = true;
                    }
                    pr->params.push_back(prm);
                } while (acceptOp(","));
            }
            expectOp(")", 1006);
        }
        if ((pr->kind == ProcKind::PropertyLet || pr->kind == ProcKind::PropertySet) && pr->params.empty())
            fail(1054);
        endStatement();
        Procedure* outer = proc_;
        proc_ = pr.get();
        pr->body = block([&] { return isKw(Kw::End) && next().type == Tok::Name && next().kw == endKw; },
                         endKw == Kw::Sub        ? 1016
                         : endKw == Kw::Function ? 1015
                                                 : 1050);
        proc_ = outer;
        advance();  // End
        advance();  // Sub / Function / Property
        endStatement();
        return pr;
    }

    void classDef() {
        advance();  // Class
        auto cls = std::make_unique<ClassDef>();
        cls->name = identifier();
        endStatement();
        class_ = cls.get();
        for (;;) {
            skipSeparators();
            if (cur().type == Tok::End) fail(1047);
            if (isKw(Kw::End)) {
                advance();
                expectKw(Kw::Class, 1047);
                endStatement();
                break;
            }
            const Token& start = cur();
            bool isPublic = true, hasVisibility = false, isDefault = false;
            if (isKw(Kw::Public) || isKw(Kw::Private)) {
                isPublic = isKw(Kw::Public);
                hasVisibility = true;
                advance();
            }
            if (isKw(Kw::Default)) {
                if (!isPublic || !hasVisibility) fail(1057);
                isDefault = true;
                advance();
            }
            if (isKw(Kw::Sub) || isKw(Kw::Function) || atPropertyDef()) {
                auto pr = procedure(isPublic, isDefault, cls.get());
                addMethod(*cls, std::move(pr), start);
                continue;
            }
            if (isDefault) fail(1058);
            if (!hasVisibility) expectKw(Kw::Dim, 1024);
            // Fields: Public a, b(3)
            do {
                DimItem item = dimItem(false);
                if (cls->findMember(item.name->name) >= 0) raiseAt(1041, start.line, start.column);
                ClassMember m;
                m.name = item.name->name;
                m.isPublic = isPublic;
                m.field = int(cls->fieldNames.size());
                cls->fieldNames.push_back(item.name->name);
                cls->members.push_back(m);
                cls->fieldDims.push_back(std::move(item));
            } while (acceptOp(","));
            endStatement();
        }
        class_ = nullptr;
        m_->classes.push_back(std::move(cls));
    }

    void addMethod(ClassDef& cls, std::unique_ptr<Procedure> pr, const Token& at) {
        Procedure* raw = pr.get();
        const QString lower = raw->name.toLower();
        if (lower == QLatin1String("class_initialize") || lower == QLatin1String("class_terminate")) {
            if (!raw->params.empty()) raiseAt(1053, at.line, at.column);
            (lower == QLatin1String("class_initialize") ? cls.initialize : cls.terminate) = raw;
        }
        int idx = cls.findMember(raw->name);
        if (idx < 0) {
            ClassMember m;
            m.name = raw->name;
            m.isPublic = raw->isPublic;
            cls.members.push_back(m);
            idx = int(cls.members.size()) - 1;
        }
        ClassMember& m = cls.members[idx];
        Procedure** place = nullptr;
        switch (raw->kind) {
            case ProcKind::PropertyLet:
                place = &m.let;
                break;
            case ProcKind::PropertySet:
                place = &m.set;
                break;
            default:
                place = &m.get;
                break;
        }
        if (m.field >= 0 || *place) raiseAt(1041, at.line, at.column);
        *place = raw;
        if (raw->kind == ProcKind::PropertyGet || raw->kind == ProcKind::Function ||
            raw->kind == ProcKind::Sub)
            m.isPublic = raw->isPublic;
        if (raw->isDefault) {
            if (cls.defaultMember >= 0 && cls.defaultMember != idx) raiseAt(1052, at.line, at.column);
            cls.defaultMember = idx;
        }
        cls.procs.push_back(std::move(pr));
    }

    // ---- blocks and statements ----
    Block block(const std::function<bool()>& isEnd, int missingEndError) {
        Block b;
        for (;;) {
            skipSeparators();
            if (cur().type == Tok::End) fail(missingEndError);
            if (isEnd()) return b;
            statementInBlock(b);
        }
    }

    void statementInBlock(Block& b) {
        // A procedure written inside a block of the script level (an If, a
        // loop) is declared at the script level, whether or not the block runs.
        if ((isKw(Kw::Sub) || isKw(Kw::Function)) && proc_->kind == ProcKind::TopLevel && !class_) {
            m_->procs.push_back(procedure(true, false, nullptr));
            return;
        }
        if (isKw(Kw::Sub) || isKw(Kw::Function) || isKw(Kw::Class) || atPropertyDef() || isKw(Kw::Public) ||
            isKw(Kw::Private) || isKw(Kw::Option))
            fail(1024);
        if (auto s = statement(false)) b.push_back(std::move(s));
        endStatement();
        if (++statements_ % 4096 == 0) core::checkRun();  // a long text stops with the run
    }

    bool isEndWord(Kw what) const { return isKw(Kw::End) && next().type == Tok::Name && next().kw == what; }

    StmtP statement(bool singleLine) {
        Nesting n(*this);
        const Token& start = cur();
        if (cur().type != Tok::Name && !isOp(".")) fail(1024);
        const Kw kw = cur().kw;
        // Block statements cannot stand inside a one-line If.
        if (singleLine &&
            (kw == Kw::Select || kw == Kw::For || kw == Kw::Do || kw == Kw::While || kw == Kw::With))
            fail(1024);
        switch (kw) {
            case Kw::Dim:
                advance();
                return dimList(start, false);
            case Kw::ReDim:
                advance();
                return dimList(start, true);
            case Kw::Const:
                advance();
                constList();
                return nullptr;
            case Kw::Set: {
                advance();
                auto s = node<AssignStmt>(start);
                s->isSet = true;
                s->target = postfixChain();
                expectOp("=", 1011);
                s->value = expression();
                return s;
            }
            case Kw::If:
                return ifStatement(singleLine);
            case Kw::Select:
                return selectStatement();
            case Kw::For:
                return forStatement();
            case Kw::Do:
                return doStatement();
            case Kw::While:
                return whileStatement();
            case Kw::With:
                return withStatement();
            case Kw::Exit:
                return exitStatement();
            case Kw::On:
                return onErrorStatement();
            case Kw::Erase: {
                advance();
                auto s = node<EraseStmt>(start);
                do {
                    auto n = node<NameExpr>(cur());
                    n->name = identifier();
                    s->names.push_back(std::move(n));
                } while (acceptOp(","));
                return s;
            }
            case Kw::Call: {
                advance();
                auto s = node<CallStmt>(start);
                s->call = postfixChain();
                return s;
            }
            default:
                break;
        }
        if (cur().type == Tok::Name && isReserved(cur().kw) && cur().kw != Kw::Me) fail(1024);
        return assignOrCall(singleLine);
    }

    StmtP assignOrCall(bool singleLine) {
        const Token& start = cur();
        ExprP target = postfixChain();
        if (acceptOp("=")) {
            if (target->kind != EK::Name && target->kind != EK::Member && target->kind != EK::Call)
                raiseAt(1002, start.line, start.column);
            auto s = node<AssignStmt>(start);
            s->target = std::move(target);
            s->value = expression();
            return s;
        }
        auto s = node<CallStmt>(start);
        const bool ends = atSeparator() || (singleLine && isKw(Kw::Else));
        if (ends) {
            if (target->kind == EK::Call) {
                // Foo(x) as a statement: the parentheses belong to the argument.
                auto* call = static_cast<CallExpr*>(target.get());
                if (call->args.size() > 1) raiseAt(1044, start.line, start.column);
                if (call->args.size() == 1 && call->args[0]) {
                    auto paren = std::make_unique<ParenExpr>();
                    paren->line = call->args[0]->line;
                    paren->column = call->args[0]->column;
                    paren->inner = std::move(call->args[0]);
                    call->args[0] = std::move(paren);
                }
            } else if (target->kind != EK::Name && target->kind != EK::Member) {
                raiseAt(1024, start.line, start.column);
            }
            s->call = std::move(target);
            return s;
        }
        // Arguments without parentheses follow. When the chain ended in "(...)"
        // those parentheses open the first argument: "Foo (a) + 1, b".
        if (target->kind == EK::Call) {
            p_ = lastParenPos_;
            auto* call = static_cast<CallExpr*>(target.get());
            ExprP callee = std::move(call->callee);
            target = std::move(callee);
        }
        if (target->kind != EK::Name && target->kind != EK::Member) raiseAt(1024, start.line, start.column);
        auto call = node<CallExpr>(start);
        call->callee = std::move(target);
        for (;;) {
            if (isOp(","))
                call->args.push_back(nullptr);
            else
                call->args.push_back(expression());
            if (!acceptOp(",")) break;
            if (atSeparator()) call->args.push_back(nullptr);
        }
        s->call = std::move(call);
        return s;
    }

    StmtP dimList(const Token& start, bool redim) {
        auto s = node<DimStmt>(start);
        s->redim = redim;
        if (redim && acceptKw(Kw::Preserve)) s->preserve = true;
        do {
            s->items.push_back(dimItem(redim));
        } while (acceptOp(","));
        return s;
    }

    DimItem dimItem(bool redim) {
        DimItem item;
        item.name = node<NameExpr>(cur());
        item.name->name = identifier();
        if (acceptOp("(")) {
            item.isArray = true;
            if (!isOp(")")) {
                do {
                    item.bounds.push_back(expression());
                } while (acceptOp(","));
            }
            expectOp(")", 1006);
        } else if (redim) {
            fail(1005);
        }
        if (redim && item.bounds.empty()) fail(1026);
        return item;
    }

    void constList() {
        do {
            ConstDecl c;
            c.line = cur().line;
            c.column = cur().column;
            c.name = identifier();
            expectOp("=", 1011);
            c.value = expression();
            (proc_->kind == ProcKind::TopLevel ? m_->consts : proc_->consts).push_back(std::move(c));
        } while (acceptOp(","));
    }

    StmtP ifStatement(bool singleLine) {
        const Token& start = cur();
        advance();
        auto s = node<IfStmt>(start);
        ExprP cond = expression();
        expectKw(Kw::Then, 1017);
        if (!atSeparator() || cur().type == Tok::Colon) {
            // One-line form: If c Then a : b Else c : d
            if (cur().type == Tok::Colon) skipColons();
            Block thenBlock = lineStatements();
            s->branches.emplace_back(std::move(cond), std::move(thenBlock));
            if (acceptKw(Kw::Else)) s->elseBlock = lineStatements();
            if (isEndWord(Kw::If)) {
                advance();
                advance();
            }
            return s;
        }
        if (singleLine) fail(1025);
        Block body = block([&] { return isKw(Kw::ElseIf) || isKw(Kw::Else) || isEndWord(Kw::If); }, 1014);
        s->branches.emplace_back(std::move(cond), std::move(body));
        while (acceptKw(Kw::ElseIf)) {
            ExprP c = expression();
            expectKw(Kw::Then, 1017);
            Block b = block([&] { return isKw(Kw::ElseIf) || isKw(Kw::Else) || isEndWord(Kw::If); }, 1014);
            s->branches.emplace_back(std::move(c), std::move(b));
        }
        if (acceptKw(Kw::Else)) s->elseBlock = block([&] { return isEndWord(Kw::If); }, 1014);
        advance();
        advance();
        return s;
    }

    void skipColons() {
        while (cur().type == Tok::Colon) advance();
    }

    // Statements of a one-line If, up to Else or the end of the line.
    Block lineStatements() {
        Block b;
        for (;;) {
            if (atLineEnd() || isKw(Kw::Else) || isEndWord(Kw::If)) break;
            if (auto st = statement(true)) b.push_back(std::move(st));
            if (cur().type == Tok::Colon) {
                skipColons();
                continue;
            }
            if (atLineEnd() || isKw(Kw::Else) || isEndWord(Kw::If)) break;
            fail(1025);
        }
        return b;
    }

    StmtP selectStatement() {
        const Token& start = cur();
        advance();
        expectKw(Kw::Case, 1021);
        auto s = node<SelectStmt>(start);
        s->subject = expression();
        endStatement();
        skipSeparators();
        bool hadElse = false;
        while (!isEndWord(Kw::Select)) {
            if (cur().type == Tok::End) fail(1022);
            if (!isKw(Kw::Case) || hadElse) fail(1021);
            advance();
            CaseClause c;
            if (acceptKw(Kw::Else)) {
                hadElse = true;
            } else {
                do {
                    c.values.push_back(expression());
                } while (acceptOp(","));
            }
            c.body = block([&] { return isKw(Kw::Case) || isEndWord(Kw::Select); }, 1022);
            s->cases.push_back(std::move(c));
        }
        advance();
        advance();
        return s;
    }

    ExprP loopVariable() {
        auto n = node<NameExpr>(cur());
        n->name = identifier();
        return n;
    }

    StmtP forStatement() {
        const Token& start = cur();
        advance();
        if (acceptKw(Kw::Each)) {
            auto s = node<ForEachStmt>(start);
            s->var = loopVariable();
            expectKw(Kw::In, 1046);
            s->collection = expression();
            endStatement();
            s->body = block([&] { return isKw(Kw::Next); }, 1020);
            nextClause();
            return s;
        }
        auto s = node<ForStmt>(start);
        s->var = loopVariable();
        expectOp("=", 1011);
        s->from = expression();
        expectKw(Kw::To, 1013);
        s->to = expression();
        if (acceptKw(Kw::Step)) s->step = expression();
        endStatement();
        s->body = block([&] { return isKw(Kw::Next); }, 1020);
        nextClause();
        return s;
    }

    void nextClause() {
        advance();                                                        // Next
        if (cur().type == Tok::Name && !isReserved(cur().kw)) advance();  // "Next i" is tolerated
    }

    StmtP doStatement() {
        const Token& start = cur();
        advance();
        auto s = node<DoStmt>(start);
        if (isKw(Kw::While) || isKw(Kw::Until)) {
            s->preUntil = isKw(Kw::Until);
            advance();
            s->preCond = expression();
        }
        endStatement();
        s->body = block([&] { return isKw(Kw::Loop); }, 1019);
        advance();
        if (isKw(Kw::While) || isKw(Kw::Until)) {
            if (s->preCond) fail(1025);
            s->postUntil = isKw(Kw::Until);
            advance();
            s->postCond = expression();
        }
        return s;
    }

    StmtP whileStatement() {
        const Token& start = cur();
        advance();
        auto s = node<DoStmt>(start);
        s->isWhile = true;
        s->preCond = expression();
        endStatement();
        s->body = block([&] { return isKw(Kw::Wend); }, 1018);
        advance();
        return s;
    }

    StmtP withStatement() {
        const Token& start = cur();
        advance();
        auto s = node<WithStmt>(start);
        s->object = expression();
        endStatement();
        s->body = block([&] { return isEndWord(Kw::With); }, 1029);
        advance();
        advance();
        return s;
    }

    StmtP exitStatement() {
        const Token& start = cur();
        advance();
        auto s = node<ExitStmt>(start);
        if (acceptKw(Kw::Do))
            s->what = ExitKind::Do;
        else if (acceptKw(Kw::For))
            s->what = ExitKind::For;
        else if (acceptKw(Kw::Sub))
            s->what = ExitKind::Sub;
        else if (acceptKw(Kw::Function))
            s->what = ExitKind::Function;
        else if (acceptKw(Kw::Property))
            s->what = ExitKind::Property;
        else
            fail(1039);
        return s;
    }

    StmtP onErrorStatement() {
        const Token& start = cur();
        advance();
        expectKw(Kw::Error, 1002);
        auto s = node<OnErrorStmt>(start);
        if (acceptKw(Kw::Resume)) {
            expectKw(Kw::Next, 1002);
            s->resumeNext = true;
        } else {
            expectKw(Kw::GoTo, 1002);
            if (cur().type != Tok::Integer || cur().intValue != 0) fail(1002);
            advance();
        }
        return s;
    }

    // ---- expressions ----
    ExprP expression() {
        Nesting n(*this);
        return binaryLevel(0);
    }

    // Levels from the loosest: Imp, Eqv, Xor, Or, And, (Not), comparison, &,
    // + -, Mod, \, * /, ^ ; unary minus binds tighter than ^.
    static constexpr int kNotLevel = 5;
    static constexpr int kLevels = 12;

    bool matchOp(int level, Op& op) const {
        const Token& t = cur();
        auto kw = [&](Kw k, Op o) {
            if (t.type == Tok::Name && t.kw == k) {
                op = o;
                return true;
            }
            return false;
        };
        auto sym = [&](const char* s, Op o) {
            if (t.type == Tok::Op && t.text == QLatin1String(s)) {
                op = o;
                return true;
            }
            return false;
        };
        switch (level) {
            case 0:
                return kw(Kw::Imp, Op::Imp);
            case 1:
                return kw(Kw::Eqv, Op::Eqv);
            case 2:
                return kw(Kw::Xor, Op::Xor);
            case 3:
                return kw(Kw::Or, Op::Or);
            case 4:
                return kw(Kw::And, Op::And);
            case 6:
                return sym("=", Op::Eq) || sym("<>", Op::Ne) || sym("<", Op::Lt) || sym(">", Op::Gt) ||
                       sym("<=", Op::Le) || sym(">=", Op::Ge) || kw(Kw::Is, Op::Is);
            case 7:
                return sym("&", Op::Concat);
            case 8:
                return sym("+", Op::Add) || sym("-", Op::Sub);
            case 9:
                return kw(Kw::Mod, Op::Mod);
            case 10:
                return sym("\\", Op::IntDiv);
            case 11:
                return sym("*", Op::Mul) || sym("/", Op::Div);
            default:
                return false;
        }
    }

    ExprP binaryLevel(int level) {
        if (level == kNotLevel) {
            if (isKw(Kw::Not)) {
                Nesting n(*this);
                const Token& at = cur();
                advance();
                auto u = node<UnaryExpr>(at);
                u->op = Op::Not;
                u->operand = binaryLevel(kNotLevel);
                return u;
            }
            return binaryLevel(level + 1);
        }
        if (level == kLevels) return power();
        ExprP left = binaryLevel(level + 1);
        Op op;
        while (matchOp(level, op)) {
            const Token& at = cur();
            advance();
            auto b = node<BinaryExpr>(at);
            b->op = op;
            b->left = std::move(left);
            b->right = binaryLevel(level + 1);
            left = std::move(b);
        }
        return left;
    }

    ExprP power() {
        ExprP left = unary();
        while (isOp("^")) {
            const Token& at = cur();
            advance();
            auto b = node<BinaryExpr>(at);
            b->op = Op::Pow;
            b->left = std::move(left);
            b->right = unary();
            left = std::move(b);
        }
        return left;
    }

    ExprP unary() {
        while (acceptOp("+")) {
        }
        if (isOp("-")) {
            Nesting n(*this);
            const Token& at = cur();
            advance();
            auto u = node<UnaryExpr>(at);
            u->op = Op::Neg;
            u->operand = unary();
            return u;
        }
        if (isKw(Kw::Not)) return binaryLevel(kNotLevel);
        return postfixChain();
    }

    ExprP literal(const Token& at, core::Variant v) {
        auto l = node<LiteralExpr>(at);
        l->value = std::move(v);
        return l;
    }

    ExprP primary() {
        const Token& t = cur();
        switch (t.type) {
            case Tok::Integer:
                advance();
                return literal(t, t.intType == 2 ? core::Variant(std::int16_t(t.intValue))
                                                 : core::Variant(std::int32_t(t.intValue)));
            case Tok::Double:
                advance();
                return literal(t, core::Variant(t.dblValue));
            case Tok::String:
                advance();
                return literal(t, core::Variant(t.text));
            case Tok::Date: {
                const auto d = parseDateLiteral(t.text);
                if (!d) fail(1031);
                advance();
                return literal(t, core::Variant(*d));
            }
            case Tok::Op:
                if (t.text == QLatin1String("(")) {
                    advance();
                    auto pe = node<ParenExpr>(t);
                    pe->inner = expression();
                    expectOp(")", 1006);
                    return pe;
                }
                if (t.text == QLatin1String(".")) {
                    advance();
                    auto m = node<MemberExpr>(t);
                    m->name = anyName();
                    return m;
                }
                fail(1023);
            case Tok::Name:
                switch (t.kw) {
                    case Kw::True:
                        advance();
                        return literal(t, core::Variant(true));
                    case Kw::False:
                        advance();
                        return literal(t, core::Variant(false));
                    case Kw::Empty:
                        advance();
                        return literal(t, core::Variant());
                    case Kw::Null:
                        advance();
                        return literal(t, core::Variant::null());
                    case Kw::Nothing:
                        advance();
                        return literal(t, core::Variant::nothing());
                    case Kw::Me:
                        advance();
                        return node<Expr>(t, EK::Me);
                    case Kw::New: {
                        advance();
                        auto n = node<NewExpr>(t);
                        n->className = identifier();
                        return n;
                    }
                    default:
                        break;
                }
                if (isReserved(t.kw)) fail(1023);
                {
                    advance();
                    auto n = node<NameExpr>(t);
                    n->name = t.text;
                    return n;
                }
            default:
                fail(1023);
        }
    }

    template <class T>
    std::unique_ptr<Expr> node(const Token& at, EK kind) {
        auto n = std::make_unique<Expr>(kind);
        n->line = at.line;
        n->column = at.column;
        return n;
    }

    ExprP postfixChain() {
        ExprP e = primary();
        // Every ".name" and "(...)" adds a level that running the chain walks
        // through.
        for (int steps = 0;; ++steps) {
            if (steps > kMaxNesting) fail(28);
            if (isOp(".") && !cur().spaceBefore) {
                const Token& at = cur();
                advance();
                auto m = node<MemberExpr>(at);
                m->object = std::move(e);
                m->name = anyName();
                e = std::move(m);
            } else if (isOp("(") && e->kind != EK::Literal && e->kind != EK::New) {
                const std::size_t open = p_;
                const Token& at = cur();
                advance();
                auto c = node<CallExpr>(at);
                c->callee = std::move(e);
                if (!isOp(")")) {
                    for (;;) {
                        if (isOp(",") || isOp(")"))
                            c->args.push_back(nullptr);
                        else
                            c->args.push_back(expression());
                        if (!acceptOp(",")) break;
                    }
                }
                expectOp(")", 1006);
                lastParenPos_ = open;  // set after the arguments, which may hold parentheses of their own
                e = std::move(c);
            } else {
                return e;
            }
        }
    }
};

}  // namespace

std::unique_ptr<Module> parse(const QString& text) { return Parser(text).run(); }

}  // namespace script
