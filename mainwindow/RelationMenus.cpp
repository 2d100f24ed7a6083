#include "mainwindow/RelationMenus.h"

#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Relations.h"
#include "mainwindow/NavigationTree.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

namespace mainwindow {

namespace {

const char* const kArrays[3] = {"mnuReferencedItem", "mnuRefItem", "mnuContItem"};
const char* const kPlaceholders[3] = {"< Associati >", "< Riferimenti >", "< Contenitori >"};
const char* const kTitles[3] = {"&Associati", "&Riferimenti", "&Contenitori"};
const datalib::RelationKind kKinds[3] = {datalib::RelationKind::Associated, datalib::RelationKind::Reference,
                                         datalib::RelationKind::Container};

datalib::BrowsePermission permissionOf(const datalib::Database& db) {
    const bool administrator = db.AccessLevel() == 1;
    const QString sysTable = db.SysParamTableName();
    return [administrator, sysTable](const QString& table) {
        return administrator || !IsAdministratorTable(table, sysTable);
    };
}

}  // namespace

namespace {

// The caption of an entry: what it opens, worded after the level it stands on.
QString entryCaption(const datalib::RelationDesc& r, const datalib::RelationLevel& level, bool above) {
    switch (r.kind) {
        case datalib::RelationKind::Associated:
            return r.caption;
        case datalib::RelationKind::Reference:
            return r.targetDescription + GetSameWording(r.caption, r.severalRows) + r.caption;
        case datalib::RelationKind::Container:
            break;
    }
    if (!above) return r.targetDescription;
    return r.targetDescription + GetSameWording(level.description, false) + level.description;
}

}  // namespace

QString GetSameWording(const QString& noun, bool plural) {
    const QChar c = noun.isEmpty() ? QChar() : noun.back().toLower();
    if (c == u'i' || c == u'ì') return QStringLiteral(" con stessi ");
    if (c == u'a' || c == u'à') return QStringLiteral(" con stessa ");
    if (plural && c == u'e') return QStringLiteral(" con stesse ");
    return QStringLiteral(" con stesso ");
}

RelationMenus::RelationMenus(QMenu* mnuAssociation, QWidget* owner) : QObject(mnuAssociation), owner_(owner) {
    for (int k = 0; k < 3; ++k) {
        menus_[k] = mnuAssociation->addMenu(QString::fromUtf8(kTitles[k]));
        menus_[k]->setObjectName(QLatin1String(kArrays[k]));
        QAction* placeholder = menus_[k]->addAction(QString::fromUtf8(kPlaceholders[k]));
        placeholder->setEnabled(false);
        placeholder->setProperty("Index", 0);
    }
}

QList<QAction*> RelationMenus::Items(const QString& arrayName) const {
    for (int k = 0; k < 3; ++k)
        if (arrayName == QLatin1String(kArrays[k])) return menus_[k]->actions();
    return {};
}

void RelationMenus::BuildRelationMenus(datalib::DataSource* ds, bool clearOnly) {
    for (int k = 0; k < 3; ++k) {
        const QList<QAction*> items = menus_[k]->actions();
        for (int i = int(items.size()) - 1; i >= 1; --i) {
            menus_[k]->removeAction(items[i]);
            items[i]->deleteLater();
        }
        items.first()->setText(QString::fromUtf8(kPlaceholders[k]));
        items.first()->setVisible(true);
    }
    if (clearOnly || !ds) return;

    const auto db = ds->Database();
    const auto levels = datalib::DescribeRelations(*db, ds->tableDef(), permissionOf(*db));
    int counted[3] = {0, 0, 0};
    for (size_t l = 0; l < levels.size(); ++l) {
        const datalib::RelationLevel& level = levels[l];
        for (int k = 0; k < 3; ++k) {
            const auto& relations = level.of(kKinds[k]);
            for (size_t i = 0; i < relations.size(); ++i) {
                const datalib::RelationDesc& r = relations[i];
                const int number = counted[k] + int(i) + 1;
                if (r.excluded || r.targetExcluded) continue;
                const QString caption = entryCaption(r, level, l > 0);
                QAction* item = menus_[k]->addAction(caption);
                const QString tag = QString::number(number);
                item->setData(tag);
                item->setProperty("Index", int(menus_[k]->actions().size()) - 1);
                item->setEnabled(r.allowed);
                const QString array = QLatin1String(kArrays[k]);
                platform::connectGuarded(item, &QAction::triggered, this, [this, array, tag] {
                    emit itemChosen(array + QLatin1Char('(') + tag + QLatin1Char(')'));
                });
            }
            counted[k] += int(relations.size());
        }
    }
    bool any = false;
    for (QMenu* m : menus_) any = any || m->actions().size() > 1;
    if (!any) return;
    for (QMenu* m : menus_) m->actions().first()->setVisible(m->actions().size() == 1);
}

void RelationMenus::Open(const QString& arrayName, const std::shared_ptr<datalib::DataSource>& ds,
                         int number) {
    if (arrayName == QLatin1String("mnuContItem"))
        OpenContainerItem(ds, number);
    else if (arrayName == QLatin1String("mnuRefItem"))
        OpenReferenceItem(ds, number);
    else if (arrayName == QLatin1String("mnuReferencedItem"))
        OpenReferencedItem(ds, number);
}

void RelationMenus::OpenContainerItem(const std::shared_ptr<datalib::DataSource>& ds, int number) {
    open(datalib::RelationKind::Container, ds, number);
}

void RelationMenus::OpenReferenceItem(const std::shared_ptr<datalib::DataSource>& ds, int number) {
    open(datalib::RelationKind::Reference, ds, number);
}

void RelationMenus::OpenReferencedItem(const std::shared_ptr<datalib::DataSource>& ds, int number) {
    open(datalib::RelationKind::Associated, ds, number);
}

void RelationMenus::open(datalib::RelationKind kind, const std::shared_ptr<datalib::DataSource>& ds,
                         int number) {
    try {
        if (!ds || !datalib::UsableForRelation(*ds)) {
            platform::messageBox(QStringLiteral("Operazione non abilitata in questa fase"),
                                 platform::kOkOnly | platform::kInformation, QString(), owner_);
            return;
        }
        const auto db = ds->Database();
        const auto levels = datalib::DescribeRelations(*db, ds->tableDef(), permissionOf(*db));
        std::shared_ptr<datalib::DataSource> at = ds;
        size_t l = 0;
        while (number > int(levels[l].of(kind).size())) {
            number -= int(levels[l].of(kind).size());
            ++l;
            at = l < levels.size() ? datalib::LevelUp(*at) : nullptr;
            if (!at) return;
        }
        if (number < 1) return;
        const datalib::RelationDesc& relation = levels[l].of(kind)[size_t(number - 1)];
        auto rows = datalib::RelatedRows(*at, relation);
        if (!rows) return;
        controls::ViewObject view(rows, owner_);
        const QString caption = entryCaption(relation, levels[l], l > 0);
        if (kind == datalib::RelationKind::Associated && !relation.severalRows && !rows->DataEmpty())
            view.Show(caption);
        else
            view.Browse(caption);
    } catch (...) {
        const core::AppError error = startup::CurrentError();
        if (kind == datalib::RelationKind::Container)
            startup::ShowError(error, QStringLiteral("Si e' verificato un errore:\r\r") + error.description(),
                               owner_);
        else
            startup::ShowError(error, QString(), owner_);
    }
}

}  // namespace mainwindow
