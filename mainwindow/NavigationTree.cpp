#include "mainwindow/NavigationTree.h"

#include "datalib/DataSet.h"
#include "datalib/Database.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QTreeWidget>

namespace mainwindow {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kPositionRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
constexpr int kIdRole = Qt::UserRole + 3;

struct NodeSpec {
    int parent;        // position of the parent, 0 for a top-level section
    const char* text;  // nullptr: the caption of the table named by the key
    const char* key;   // nullptr: a section
    const char* image;
};

// Nodes 1 to 37: every operator.
const NodeSpec kNodes[] = {
    {0, "Gestione Ordini", nullptr, "Orders"},
    {1, "Ordini", "Ordini", "Orders"},
    {1, "Ordini da Inviare", "Ordini da Inviare", "Orders"},
    {0, "Anagrafica", nullptr, "Anagrafic"},
    {4, nullptr, "Articoli", "Articles"},
    {5, "Kit", "Kit", "Tables"},
    {5, "Promozioni", "Promozioni", "Tables"},
    {4, nullptr, "Clienti", "RedUser"},
    {8, "Nuovi / non confermati", "Nuovi / non confermati", "RedUser"},
    {8, nullptr, "SediClienti", "Anagrafic"},
    {4, nullptr, "Fornitori", "BluUser"},
    {4, nullptr, "Agenti", "OperUser"},
    {0, "Liste / Stampe", nullptr, "Printers"},
    {13, "Ordini", nullptr, "PrintElements"},
    {14, "Lista Ordini", nullptr, "PrintElements"},
    {15, "Elenco", "Elenco", "PrintElements"},
    {15, "Elenco con Riferimenti", "Elenco con Riferimenti", "PrintElements"},
    {15, "Dettagli (per Cliente)", "Dettagli (per Cliente)", "PrintElements"},
    {14, "Situazione Spedito", nullptr, "PrintElements"},
    {19, "Non Spediti", "Non Spediti", "PrintElements"},
    {19, "Non Confermati", "Non Confermati", "PrintElements"},
    {19, "Confermati", "Confermati", "PrintElements"},
    {19, "Annullati", "Annullati", "PrintElements"},
    {19, "Spediti (per Cliente)", "Spediti (per Cliente)", "PrintElements"},
    {19, "Articoli Da Spedire (per Cliente)", "Articoli Da Spedire (per Cliente)", "PrintElements"},
    {14, "Stampe Ordine", nullptr, "PrintElements"},
    {26, "Proposta d'Ordine", "Proposta d'Ordine", "PrintElements"},
    {26, "Conferma d'Ordine", "Conferma d'Ordine", "PrintElements"},
    {13, "Anagrafiche", nullptr, "PrintElements"},
    {29, "Clienti per Rag.Soc.", "Clienti per Rag.Soc.", "PrintElements"},
    {29, "Clienti per Provincia", "Clienti per Provincia", "PrintElements"},
    {0, "Statistiche", nullptr, "Statistic"},
    {32, "Analisi Crescita", "Analisi Crescita", "Statistic"},
    {32, "Consuntivo Clienti", "Consuntivo Clienti", "Statistic"},
    {0, "Tabelle", nullptr, "Tables"},
    {35, nullptr, "Linee", "Tables"},
    {35, nullptr, "Categorie", "Tables"},
};

// Nodes 38 to 51 under "Tabelle", administrator only; node 52 follows.
const char* const kAdminTables[] = {"Banche",
                                    "TipiPagamento",
                                    "Comuni",
                                    "Nazioni",
                                    "CodiciIva",
                                    "Valute",
                                    "Listini",
                                    "ObiettiviAgenti",
                                    "ObiettiviClienti",
                                    "PromozioniArticoli",
                                    "KitArticoli",
                                    "Documenti",
                                    "TabStampaEtichette",
                                    "TabProspettiStampa"};
constexpr int kTablesSection = 35;

// A small picture: a rounded tile with a sign, or a person.
QIcon drawImage(const QColor& colour, const QString& sign, bool person) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (person) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(10, 3, 12, 12));
        QPainterPath body;
        body.addRoundedRect(QRectF(5, 16, 22, 14), 7, 7);
        p.drawPath(body);
    } else {
        p.setPen(QPen(colour.darker(140), 1.5));
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(17);
        p.setFont(f);
        p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, sign);
    }
    return QIcon(pm);
}

QTreeWidgetItem* addNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& text, const QString& key,
                         const QString& image, int position) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, text);
    item->setData(0, kKeyRole, key);
    item->setData(0, kPositionRole, position);
    item->setData(0, kImageRole, image);
    // Every node built gets a number of its own: a node of a later build may
    // take the place in memory of one that was freed.
    static quint64 lastId = 0;
    item->setData(0, kIdRole, ++lastId);
    item->setIcon(0, TreeImage(image));
    return item;
}

}  // namespace

const QStringList& TreeImageKeys() {
    static const QStringList keys{QStringLiteral("Anagrafic"),     QStringLiteral("Printers"),
                                  QStringLiteral("PrintElements"), QStringLiteral("Tables"),
                                  QStringLiteral("Statistic"),     QStringLiteral("Articles"),
                                  QStringLiteral("BluUser"),       QStringLiteral("RedUser"),
                                  QStringLiteral("Orders"),        QStringLiteral("OperUser")};
    return keys;
}

QIcon TreeImage(const QString& key) {
    static QHash<QString, QIcon> images;
    if (images.isEmpty()) {
        images.insert(QStringLiteral("Anagrafic"),
                      drawImage(QColor(0x2E, 0x7D, 0x32), QStringLiteral("A"), false));
        images.insert(QStringLiteral("Printers"),
                      drawImage(QColor(0x54, 0x6E, 0x7A), QStringLiteral("S"), false));
        images.insert(QStringLiteral("PrintElements"),
                      drawImage(QColor(0x90, 0xA4, 0xAE), QStringLiteral("≡"), false));
        images.insert(QStringLiteral("Tables"),
                      drawImage(QColor(0x8D, 0x6E, 0x63), QStringLiteral("T"), false));
        images.insert(QStringLiteral("Statistic"),
                      drawImage(QColor(0x6A, 0x1B, 0x9A), QStringLiteral("%"), false));
        images.insert(QStringLiteral("Articles"),
                      drawImage(QColor(0xEF, 0x6C, 0x00), QStringLiteral("▣"), false));
        images.insert(QStringLiteral("BluUser"), drawImage(QColor(0x15, 0x65, 0xC0), QString(), true));
        images.insert(QStringLiteral("RedUser"), drawImage(QColor(0xC6, 0x28, 0x28), QString(), true));
        images.insert(QStringLiteral("Orders"),
                      drawImage(QColor(0x1E, 0x88, 0xE5), QStringLiteral("O"), false));
        images.insert(QStringLiteral("OperUser"), drawImage(QColor(0x00, 0x89, 0x7B), QString(), true));
    }
    return images.value(key);
}

void SetTreeViewNodes(QTreeWidget* tree, datalib::Database& db) {
    const QTreeWidgetItem* selected = tree->currentItem();
    const int remembered = selected ? NodePosition(selected) : 1;
    const QSignalBlocker quiet(tree);
    tree->clear();

    std::vector<QTreeWidgetItem*> byPosition{nullptr};
    const auto add = [&](int parent, const QString& text, const QString& key, const QString& image) {
        QTreeWidgetItem* node = addNode(tree, parent ? byPosition[size_t(parent)] : nullptr, text, key, image,
                                        int(byPosition.size()));
        byPosition.push_back(node);
        return node;
    };
    int position = 0;
    for (const NodeSpec& n : kNodes) {
        ++position;
        const QString key = n.key ? QString::fromUtf8(n.key) : QString();
        // The caption of the table, as its class defined it.
        const QString text = n.text ? QString::fromUtf8(n.text) : db.Tables(key)->PresentationName();
        add(n.parent, text, key, QString::fromUtf8(n.image));
        if (position == 3) byPosition[1]->setExpanded(true);
    }
    if (db.AccessLevel() == 1) {
        for (const char* table : kAdminTables) {
            const QString key = QString::fromUtf8(table);
            add(kTablesSection, db.Tables(key)->PresentationName(), key, QStringLiteral("Tables"));
        }
        add(kTablesSection, QStringLiteral("Parametri Database"), db.SysParamTableName(),
            QStringLiteral("Tables"));
    }
    if (remembered > 0) {
        if (QTreeWidgetItem* node = NodeAt(tree, remembered)) tree->setCurrentItem(node);
    }
}

QString NodeKey(const QTreeWidgetItem* node) { return node ? node->data(0, kKeyRole).toString() : QString(); }
int NodePosition(const QTreeWidgetItem* node) { return node ? node->data(0, kPositionRole).toInt() : 0; }
QString NodeImageKey(const QTreeWidgetItem* node) {
    return node ? node->data(0, kImageRole).toString() : QString();
}

quint64 NodeId(const QTreeWidgetItem* node) { return node ? node->data(0, kIdRole).toULongLong() : 0; }

QList<QTreeWidgetItem*> AllNodes(QTreeWidget* tree) {
    QList<QTreeWidgetItem*> out;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        out << item;
        for (int i = 0; i < item->childCount(); ++i) walk(item->child(i));
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) walk(tree->topLevelItem(i));
    std::stable_sort(out.begin(), out.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return NodePosition(a) < NodePosition(b);
    });
    return out;
}

QTreeWidgetItem* NodeAt(QTreeWidget* tree, int position) {
    for (QTreeWidgetItem* n : AllNodes(tree))
        if (NodePosition(n) == position) return n;
    return nullptr;
}

QTreeWidgetItem* NodeByKey(QTreeWidget* tree, const QString& key) {
    if (key.isEmpty()) return nullptr;
    for (QTreeWidgetItem* n : AllNodes(tree))
        if (NodeKey(n) == key) return n;
    return nullptr;
}

QString MapListTableName(const QString& key) {
    if (key.size() > 5 && key.startsWith(QLatin1String("Lista"))) return key.mid(5);
    return key;
}

bool IsAdministratorTable(const QString& table, const QString& sysParamTable) {
    if (table.compare(sysParamTable, Qt::CaseInsensitive) == 0) return true;
    for (const char* t : kAdminTables)
        if (table.compare(QLatin1String(t), Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString GetPeriodDateField(const QString& table) {
    return table == QLatin1String("Ordini") ? QStringLiteral("DataInserimento") : QString();
}

}  // namespace mainwindow
