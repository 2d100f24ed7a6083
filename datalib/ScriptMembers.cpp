// Members of the data library's objects as scripts reach them by name.

#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"

namespace datalib {

namespace {
[[noreturn]] void unsupported() {
    throw core::AppError(438, QStringLiteral("Zelt Data"), QStringLiteral("Proprietà o metodo non supportati dall'oggetto"));
}
}  // namespace

QString Database::typeName() const { return QStringLiteral("Database"); }
core::Variant Database::invoke(const QString&, core::CallKind, std::span<core::Variant* const>) { unsupported(); }

QString DataSource::typeName() const { return QStringLiteral("DataSource"); }
core::Variant DataSource::invoke(const QString&, core::CallKind, std::span<core::Variant* const>) { unsupported(); }

core::Variant DataSet::invoke(const QString&, core::CallKind, std::span<core::Variant* const>) { unsupported(); }

}  // namespace datalib
