#pragma once
// The navigation tree of the main window (`tvTreeView`): the program's table
// of contents. Sections have no key; every other node names a data view by
// its key (a table name, or a list or print key). Table nodes show the
// caption that the table's class gave the table. The code tables after
// "Linee" and "Categorie" are offered only to the administrator (access
// level 1).

#include <QIcon>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace datalib {
class Database;
}

namespace mainwindow {

// The ten picture keys of the tree, in order.
const QStringList& TreeImageKeys();
// The picture of a key (an empty icon for an unknown key).
QIcon TreeImage(const QString& key);

// Rebuilds the tree from scratch for the operator's access level and
// selects again the node at the position selected before (the first node
// when none was), without loading any data. A table the database does not
// define stops the build with the nodes added so far and raises.
void SetTreeViewNodes(QTreeWidget* tree, datalib::Database& db);

// A node's key ("" for a section), its position (from 1, in the order the
// nodes were added) and its picture key.
QString NodeKey(const QTreeWidgetItem* node);
int NodePosition(const QTreeWidgetItem* node);
QString NodeImageKey(const QTreeWidgetItem* node);
// The node's identity: a number that no other node of any build of the
// tree carries (0 for none).
quint64 NodeId(const QTreeWidgetItem* node);
// The node at a position, or with a key; nullptr when there is none.
QTreeWidgetItem* NodeAt(QTreeWidget* tree, int position);
QTreeWidgetItem* NodeByKey(QTreeWidget* tree, const QString& key);
// Every node in order of position.
QList<QTreeWidgetItem*> AllNodes(QTreeWidget* tree);

// "Lista" followed by a table name gives the table name; any other key is
// returned unchanged (the keys of table nodes are table names).
QString MapListTableName(const QString& key);
// The column a period applies to: "DataInserimento" for "Ordini", else "".
QString GetPeriodDateField(const QString& table);
// True for the tables that only the administrator's tree shows (nodes 38 to
// 52): the administrator's tables and the table of system parameters.
bool IsAdministratorTable(const QString& table, const QString& sysParamTable);

}  // namespace mainwindow
