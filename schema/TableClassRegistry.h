#pragma once
// Table name -> the function that creates its table class. The master-data
// classes live here; the order, report and label classes live in their own
// folders and put themselves in with their registerTableClasses().

#include <QString>
#include <QStringList>
#include <memory>

namespace datalib {
class itfDefTable;
}

namespace schema {

using TableClassFactory = std::shared_ptr<datalib::itfDefTable> (*)();

// Puts (or replaces) the factory of one table class.
void RegisterTableClass(const QString& table, TableClassFactory factory);
// The factory of a table, or nullptr when no class was registered for it.
TableClassFactory FindTableClass(const QString& table);
// The tables that have a registered class.
QStringList RegisteredTableClasses();

// The master-data table classes of this folder.
void registerTableClasses();

}  // namespace schema
