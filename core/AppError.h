#pragma once
// The one error type that crosses every layer: a number, a source word and an
// Italian description, as the program raises and shows its failures.

#include <QByteArray>
#include <QString>
#include <exception>

namespace core {

// Base of the numbers that the application and the drivers add their own codes to.
inline constexpr long kObjectErrorBase = -2147221504L;  // 0x80040000

class AppError : public std::exception {
  public:
    AppError(long number, QString source, QString description, bool cancelled = false)
        : number_(number),
          source_(std::move(source)),
          description_(std::move(description)),
          cancelled_(cancelled),
          what_(description_.toUtf8()) {}

    long number() const noexcept { return number_; }
    const QString& source() const noexcept { return source_; }
    const QString& description() const noexcept { return description_; }
    // True when the operation was refused or stopped on purpose (a table class
    // cancelled it, the operator pressed stop), not a failure of the system.
    bool cancelled() const noexcept { return cancelled_; }
    // Script errors carry where they happened (0 when unknown).
    int line() const noexcept { return line_; }
    int column() const noexcept { return column_; }
    void setPosition(int line, int column) {
        line_ = line;
        column_ = column;
    }

    const char* what() const noexcept override { return what_.constData(); }

  private:
    long number_;
    QString source_;
    QString description_;
    bool cancelled_;
    int line_ = 0;
    int column_ = 0;
    QByteArray what_;
};

}  // namespace core
