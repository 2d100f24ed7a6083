#pragma once
// Splits a script text into tokens: names and keywords (any letter case),
// numbers, strings, dates, operators and statement ends. Comments ("'" and
// Rem) and line continuations ("_" at a line end) never reach the parser.

#include <QString>
#include <cstdint>
#include <vector>

namespace script {

enum class Tok {
    Name,     // identifier or keyword (see Keyword)
    Integer,  // whole number literal: intValue, literal type in intType
    Double,   // floating literal: dblValue
    String,   // text
    Date,     // text between the '#' signs
    Op,       // one of + - * / \ ^ & = <> < > <= >= ( ) , .
    Newline,  // end of a line
    Colon,    // ':' statement separator
    End,      // end of the text
};

// Reserved words of the language and the words that only mean something in
// one place (Get, Let, Step, Preserve ...). Member names after a dot may be
// any word, keywords included.
enum class Kw : std::uint8_t {
    None,
    And,
    ByRef,
    ByVal,
    Call,
    Case,
    Class,
    Const,
    Default,
    Dim,
    Do,
    Each,
    Else,
    ElseIf,
    Empty,
    End,
    Eqv,
    Erase,
    Error,
    Exit,
    Explicit,
    False,
    For,
    Function,
    Get,
    GoTo,
    If,
    Imp,
    In,
    Is,
    Let,
    Loop,
    Me,
    Mod,
    New,
    Next,
    Not,
    Nothing,
    Null,
    On,
    Option,
    Or,
    Preserve,
    Private,
    Property,
    Public,
    ReDim,
    Resume,
    Select,
    Set,
    Step,
    Sub,
    Then,
    To,
    True,
    Until,
    Wend,
    While,
    With,
    Xor,
};

struct Token {
    Tok type = Tok::End;
    Kw kw = Kw::None;
    bool spaceBefore = false;  // blank (or line start) right before the token
    int line = 1;              // 1-based
    int column = 1;            // 1-based
    QString text;              // name as written, string value, operator, date text
    std::int64_t intValue = 0;
    int intType = 0;  // 2 Integer, 3 Long (VarType numbers)
    double dblValue = 0;
};

// True for the words that cannot name a variable or procedure.
bool isReserved(Kw kw);

// Throws the compile error \a number at a place of the text.
[[noreturn]] void raiseAt(int number, int line, int column);

// Tokenises the whole text. Throws core::AppError (compile error number,
// with line and column set) on a character or literal the language refuses.
std::vector<Token> tokenize(const QString& text);

}  // namespace script
