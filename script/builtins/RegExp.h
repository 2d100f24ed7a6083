#pragma once
// The language's regular-expression class (New RegExp): Pattern, IgnoreCase,
// Global, MultiLine, Test, Replace and Execute, whose matches give
// FirstIndex, Length, Value and SubMatches.

#include "core/Object.h"
#include "core/Variant.h"

#include <QRegularExpression>
#include <QString>

namespace script::builtins {

class RegExp : public core::Object {
  public:
    QString typeName() const override { return QStringLiteral("IRegExp2"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;

    QString pattern;
    bool ignoreCase = false;
    bool global = false;
    bool multiLine = false;

    bool test(const QString& text) const;
    // $1 ... $99, $& (the match), $` (before it), $' (after it), $$ ("$").
    QString replace(const QString& text, const QString& with) const;
    core::Variant execute(const QString& text) const;

  private:
    // The compiled pattern; error 5017 when the pattern is not valid.
    const QRegularExpression& compiled() const;
    mutable QRegularExpression re_;
    mutable QString compiledFrom_;
    mutable int compiledOptions_ = -1;
};

}  // namespace script::builtins
