#pragma once
// The syntax tree of a compiled script. The parser builds it with names as
// written; the binder then resolves every name to a slot (a local of the
// procedure, a global, a field of the class, a built-in), so that running a
// procedure never looks a name up by its text except for members of objects.

#include "core/Variant.h"
#include "script/builtins/Builtins.h"

#include <QHash>
#include <QString>
#include <algorithm>
#include <memory>
#include <vector>

namespace script {

struct Procedure;
struct ClassDef;
struct GlobalSlot;

// ---- expressions ----------------------------------------------------------

enum class EK : std::uint8_t {
    Literal,  // constant value
    Name,     // a plain name
    Paren,    // (expr): passed by value even to a ByRef parameter
    Member,   // object.Name (object null: the With object)
    Call,     // callee(args): call, array index or default member
    Me,
    New,  // New ClassName
    Unary,
    Binary,
};

enum class Op : std::uint8_t {
    Neg,
    Not,  // unary
    Pow,
    Mul,
    Div,
    IntDiv,
    Mod,
    Add,
    Sub,
    Concat,  // arithmetic
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Is,  // comparison
    And,
    Or,
    Xor,
    Eqv,
    Imp,  // logic
};

// A node of the tree with its kind and where it starts in the text.
template <class Kind>
struct Node {
    Kind kind;
    int line = 0;
    int column = 0;
    explicit Node(Kind k) : kind(k) {}
    virtual ~Node() = default;
};

// What the binder found an expression to be, for the short ways of the run:
// each one is tried first and, when the values at run time do not fit it,
// the expression runs the general way.
enum class Shape : std::uint8_t {
    General,
    LocalWithWhole,  // a local (operator) a whole-number literal: n - 1, i < 10
    BothEvaluated,   // an operator whose two sides are neither literals nor names
                     // (f(x) + g(y)): both are worked out, none is read in place
    ScriptCall,      // name(args) with no argument that may be an array element:
                     // straight into the script's procedure when the name is one
    BuiltinCall,     // name(args) of a built-in, its arguments counted beforehand
};

struct Expr : Node<EK> {
    using Node::Node;
    Shape shape = Shape::General;
};
using ExprP = std::unique_ptr<Expr>;

struct LiteralExpr : Expr {
    core::Variant value;
    LiteralExpr() : Expr(EK::Literal) {}
};

// Where a name lives, as the binder found it.
enum class Ref : std::uint8_t {
    Unbound,
    Local,     // frame slot `index`
    Global,    // `global` (a variable, constant, procedure or class)
    Dynamic,   // undeclared in a procedure: the global of that name once it
               // exists, else the local slot `index`
    Field,     // field `index` of Me
    MeMember,  // method or property `index` of Me's class
    Builtin,   // `builtin`
    Constant,  // `constant` (a language constant)
    Err,       // the Err object
};

struct NameExpr : Expr {
    QString name;
    Ref ref = Ref::Unbound;
    int index = -1;
    bool explicitMode = false;  // Option Explicit: an undeclared name is error 500
    GlobalSlot* global = nullptr;
    const builtins::Info* builtin = nullptr;
    const core::Variant* constant = nullptr;
    NameExpr() : Expr(EK::Name) {}
};

struct ParenExpr : Expr {
    ExprP inner;
    ParenExpr() : Expr(EK::Paren) {}
};

struct MemberExpr : Expr {
    ExprP object;       // null: the object of the enclosing With
    int withSlot = -1;  // local slot holding the With object
    QString name;
    MemberExpr() : Expr(EK::Member) {}
};

struct CallExpr : Expr {
    // Shape::BuiltinCall: whether the built-in takes that many arguments
    // (error 450 when the call runs, if not); and from which argument on a
    // variable is read in place (the arguments after it are literals or
    // variables of the procedure), or kInPlaceWhenRun: decided when the call
    // runs, an argument after it being a script-level name, which a later
    // text may make a procedure.
    static constexpr std::uint8_t kInPlaceWhenRun = 0xff;
    bool argumentsFit = false;
    std::uint8_t inPlaceFrom = kInPlaceWhenRun;
    ExprP callee;
    std::vector<ExprP> args;  // an omitted argument is null
    union {
        GlobalSlot* global = nullptr;   // Shape::ScriptCall: the callee's script-level name
        const builtins::Info* builtin;  // Shape::BuiltinCall: the built-in
    };
    CallExpr() : Expr(EK::Call) {}
};

struct NewExpr : Expr {
    QString className;
    GlobalSlot* global = nullptr;
    NewExpr() : Expr(EK::New) {}
};

struct UnaryExpr : Expr {
    Op op;
    ExprP operand;
    UnaryExpr() : Expr(EK::Unary), op(Op::Neg) {}
};

// A run of operators (1 + 2 + ... + n) leans to the left: left holds the
// run so far. Everything that walks such a run does it with a loop, so that
// its length never reaches the stack.
struct BinaryExpr : Expr {
    Op op;
    ExprP left, right;
    // Set by the binder: reading the right side never runs script code
    // (literals, locals, fields, constants, built-ins over them), so the
    // left side may be read in place.
    bool rightAlwaysPlain = false;
    // Shape::LocalWithWhole: the local's slot, the literal's value and
    // whether it is an Integer (else a Long).
    bool wholeIsInteger = false;
    int localSlot = -1;
    std::int64_t whole = 0;
    BinaryExpr() : Expr(EK::Binary), op(Op::Add) {}
    ~BinaryExpr() override {
        ExprP next = std::move(left);
        while (next && next->kind == EK::Binary) {
            ExprP inner = std::move(static_cast<BinaryExpr*>(next.get())->left);
            next = std::move(inner);  // the node let go has no left side left to destroy
        }
    }
    BinaryExpr(const BinaryExpr&) = delete;
    BinaryExpr& operator=(const BinaryExpr&) = delete;
};

// The nodes of a run of operators from the innermost (whose left side is
// not an operator) to e itself.
template <class E>
std::vector<E*> operatorRun(E* e) {
    std::vector<E*> run;
    for (;;) {
        run.push_back(e);
        if (e->left->kind != EK::Binary) break;
        e = static_cast<E*>(e->left.get());
    }
    std::reverse(run.begin(), run.end());
    return run;
}

// ---- statements -----------------------------------------------------------

enum class SK : std::uint8_t {
    Assign,    // target = value, Set target = value
    CallStmt,  // a call whose result is dropped
    Dim,       // Dim / ReDim / Public / Private variables
    Erase,
    If,
    Select,
    For,
    ForEach,
    Do,  // Do ... Loop and While ... Wend
    Exit,
    With,
    OnError,
    Nop,  // declarations handled at compile time (Const, Option Explicit)
};

struct Stmt : Node<SK> {
    using Node::Node;
};
using StmtP = std::unique_ptr<Stmt>;
using Block = std::vector<StmtP>;

struct AssignStmt : Stmt {
    bool isSet = false;
    ExprP target;
    ExprP value;
    AssignStmt() : Stmt(SK::Assign) {}
};

struct CallStmt : Stmt {
    ExprP call;  // a Name, Member or Call expression
    CallStmt() : Stmt(SK::CallStmt) {}
};

struct DimItem {
    std::unique_ptr<NameExpr> name;
    bool isArray = false;       // name() or name(bounds)
    std::vector<ExprP> bounds;  // upper bounds; empty: dynamic array
};

struct DimStmt : Stmt {
    bool redim = false;
    bool preserve = false;
    std::vector<DimItem> items;
    DimStmt() : Stmt(SK::Dim) {}
};

struct EraseStmt : Stmt {
    std::vector<std::unique_ptr<NameExpr>> names;
    EraseStmt() : Stmt(SK::Erase) {}
};

struct IfStmt : Stmt {
    std::vector<std::pair<ExprP, Block>> branches;  // If and ElseIf
    Block elseBlock;
    IfStmt() : Stmt(SK::If) {}
};

struct CaseClause {
    std::vector<ExprP> values;  // empty: Case Else
    Block body;
};

struct SelectStmt : Stmt {
    ExprP subject;
    std::vector<CaseClause> cases;
    SelectStmt() : Stmt(SK::Select) {}
};

struct ForStmt : Stmt {
    ExprP var;  // a name
    ExprP from, to, step;
    Block body;
    ForStmt() : Stmt(SK::For) {}
};

struct ForEachStmt : Stmt {
    ExprP var;
    ExprP collection;
    Block body;
    ForEachStmt() : Stmt(SK::ForEach) {}
};

struct DoStmt : Stmt {
    ExprP preCond, postCond;  // at most one of them
    bool preUntil = false, postUntil = false;
    bool isWhile = false;  // While ... Wend: no Exit Do
    Block body;
    DoStmt() : Stmt(SK::Do) {}
};

enum class ExitKind : std::uint8_t { Do, For, Sub, Function, Property };

struct ExitStmt : Stmt {
    ExitKind what = ExitKind::Sub;
    ExitStmt() : Stmt(SK::Exit) {}
};

struct WithStmt : Stmt {
    ExprP object;
    int slot = -1;  // local slot that holds the object while the block runs
    Block body;
    WithStmt() : Stmt(SK::With) {}
};

struct OnErrorStmt : Stmt {
    bool resumeNext = false;
    OnErrorStmt() : Stmt(SK::OnError) {}
};

struct NopStmt : Stmt {
    NopStmt() : Stmt(SK::Nop) {}
};

// ---- procedures, classes --------------------------------------------------

enum class ProcKind : std::uint8_t { Sub, Function, PropertyGet, PropertyLet, PropertySet, TopLevel };

struct Param {
    QString name;
    bool byVal = false;
    bool isArray = false;
};

struct ConstDecl {
    QString name;
    ExprP value;
    int line = 0, column = 0;
    core::Variant result;  // the value, computed when the module is bound
};

struct Procedure {
    ProcKind kind = ProcKind::Sub;
    QString name;
    bool isPublic = true;
    bool isDefault = false;
    std::vector<Param> params;
    Block body;
    int line = 0, column = 0;
    ClassDef* owner = nullptr;  // method of a class
    // Filled by the binder: slot 0 holds the result of a function or property
    // get, then the parameters, then every other local.
    int slotCount = 0;
    int firstParamSlot = 1;
    std::vector<ConstDecl> consts;  // local Const declarations
    std::vector<QString> localNames;
};

struct ClassMember {
    QString name;
    bool isPublic = true;
    int field = -1;            // a field, or
    Procedure* get = nullptr;  // Function or Property Get (or Sub)
    Procedure* let = nullptr;
    Procedure* set = nullptr;
};

struct ClassDef {
    QString name;
    std::vector<QString> fieldNames;
    std::vector<DimItem> fieldDims;  // array fields with their bounds
    std::vector<ClassMember> members;
    std::vector<std::unique_ptr<Procedure>> procs;
    int defaultMember = -1;
    std::vector<core::Variant> fieldInit;  // value of each field in a new instance
    QHash<QString, int> memberIndex;       // lower-case name to member
    Procedure* initialize = nullptr;
    Procedure* terminate = nullptr;
    int findMember(const QString& name) const;
};

// One piece of text given to AddCode, as parsed.
struct Module {
    std::unique_ptr<Procedure> topLevel;  // the statements outside procedures
    std::vector<std::unique_ptr<Procedure>> procs;
    std::vector<std::unique_ptr<ClassDef>> classes;
    std::vector<ConstDecl> consts;                     // script-level Const
    std::vector<std::pair<QString, bool>> globalDims;  // script-level variables
    bool optionExplicit = false;
};

}  // namespace script
