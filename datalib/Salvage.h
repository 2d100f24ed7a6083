#pragma once
// Copying what can still be read out of a damaged database file: table by
// table, and within a table by ranges of row identifiers, stepping over the
// pages that can no longer be read.

#include <QString>
#include <vector>

namespace datalib {

class itfProgress;

// How one table came through.
struct SalvagedTable {
    QString name;
    qint64 saved = 0;        // rows copied
    qint64 unreadable = 0;   // row identifiers that could not be read
    bool lostWhole = false;  // not one row of the table could be reached
};

// Writes into `copy` (which must not exist) a database with the same tables,
// indexes and triggers as `source`, holding every row that can be read.
// Progress goes to `progress` (one step per table, stop offered); a stop
// raises the cancelled error and removes the copy. Errors of the copy itself
// (a full disk) raise as well.
std::vector<SalvagedTable> SalvageDatabase(const QString& source, const QString& copy,
                                           itfProgress* progress = nullptr);

}  // namespace datalib
