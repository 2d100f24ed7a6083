#pragma once
// The objects the language itself provides: instances of the script's own
// classes and the Err object.

#include "core/AppError.h"
#include "core/Object.h"
#include "core/Variant.h"
#include "script/Ast.h"

#include <QSet>
#include <memory>

namespace script {

class Interpreter;
class ClassInstance;

// What the instances of the script's classes share with the engine that
// made them: whether it still exists, and which of them are alive, so that
// the engine can undo the references they hold to one another when it goes.
struct EngineLife {
    bool alive = true;
    QSet<ClassInstance*> instances;
};

class ClassInstance : public core::Object {
  public:
    // code keeps the compiled class alive as long as the instance.
    ClassInstance(Interpreter* interp, const ClassDef* def, std::shared_ptr<EngineLife> life,
                  std::shared_ptr<const void> code);
    // Class_Terminate does not run here but once the statement that let go
    // of the last reference has finished (Interpreter::deferTerminate).
    ~ClassInstance() override;

    QString typeName() const override { return def_->name; }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;
    // A member by its index; private members only for calls from inside the class.
    core::Variant invokeMember(int index, core::CallKind kind, std::span<core::Variant* const> args,
                               bool allowPrivate);

    const ClassDef* def() const { return def_; }
    std::vector<core::Variant> fields;

  private:
    friend class Interpreter;
    // The twin made to run the terminate of an instance already gone: its
    // own end runs no terminate again.
    bool terminated_ = false;
    // Terminates in a row, each run by the one before (a terminate that
    // makes and drops an instance of its own class): the chain of the
    // terminate that was running when the instance was made (0: none), and
    // the one its own terminate runs in, one further.
    int born_ = 0;
    int chain_ = 0;
    Interpreter* interp_;
    const ClassDef* def_;
    std::shared_ptr<EngineLife> life_;
    std::shared_ptr<const void> code_;
};

class ErrObject : public core::Object {
  public:
    QString typeName() const override { return QStringLiteral("ErrObject"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;

    void clear();
    void set(const core::AppError& e);
    long number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }

  private:
    long number_ = 0;
    QString description_;
    QString source_;
};

}  // namespace script
