#pragma once
// The program's database definition: the 34 table classes, registered with
// the data library in their fixed order each time a database is opened.

#include "datalib/Interfaces.h"

#include <QStringList>

namespace schema {

class DB : public datalib::itfDefDatabase {
  public:
    // The 34 tables in the order of registration.
    static const QStringList& TableNames();

    // Creates one new object of each table class and registers it. A table
    // without a registered class, or one that the library refuses, raises an
    // error naming the table; the tables after it are not registered.
    void Define(datalib::TableRegistry& p_obj) override;
};

}  // namespace schema
