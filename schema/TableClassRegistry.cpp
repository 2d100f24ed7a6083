#include "schema/TableClassRegistry.h"

#include <QHash>
#include <QMutex>

namespace schema {

namespace {

struct Registry {
    QMutex mutex;
    QHash<QString, TableClassFactory> factories;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void RegisterTableClass(const QString& table, TableClassFactory factory) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    r.factories.insert(table, factory);
}

TableClassFactory FindTableClass(const QString& table) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.factories.value(table, nullptr);
}

QStringList RegisteredTableClasses() {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    QStringList names = r.factories.keys();
    names.sort();
    return names;
}

}  // namespace schema
