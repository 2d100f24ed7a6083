// Members of the data library's objects as scripts reach them by name: the
// data source handed to numbering scripts and layouts (`objDS`, `ds`,
// `dsRow`), its table and its database.

#include "core/ObjectBinding.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"

namespace datalib {

using core::CallArgs;
using core::Variant;

namespace {

// A member that gives no result.
template <class T, class F>
std::function<Variant(T&, const CallArgs&)> action(F body) {
    return [body](T& self, const CallArgs& a) {
        body(self, a);
        return Variant();
    };
}

// A data source, table or database as a script value (Nothing when absent).
template <class T>
Variant objectValue(const std::shared_ptr<T>& object) {
    return object ? Variant(object) : Variant::nothing();
}

}  // namespace

QString Database::typeName() const { return QStringLiteral("Database"); }

Variant Database::invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) {
    using D = Database;
    static const core::MemberTable table =
        core::MemberTable::of<D>()
            .property("State", &D::State)
            .method("FormatStringForQuery", 1, 1,
                    [](D& d, const CallArgs& a) { return Variant(d.FormatStringForQuery(a[0])); })
            // GetSysParam(name[, default]): without a default a missing parameter raises.
            .method("GetSysParam", 1, 2,
                    [](D& d, const CallArgs& a) {
                        return Variant(a.given(1) ? d.GetSysParam(a.string(0), a.string(1))
                                                  : d.GetSysParam(a.string(0)));
                    })
            .method(
                "GetSysParamLong", 1, 2,
                [](D& d, const CallArgs& a) { return Variant(d.GetSysParamLong(a.string(0), a.string(1))); })
            .method("Round", 1, 3,
                    [](D& d, const CallArgs& a) {
                        return Variant(d.Round(a[0], a.whole(1, 0), float(a.number(2, 1.0))));
                    })
            .property("AccessLevel", &D::AccessLevel)
            .property("OperatorName", &D::OperatorName)
            .method("TableExists", 1, 1,
                    [](D& d, const CallArgs& a) { return Variant(d.TableExists(a.string(0))); })
            .method("Tables", 1, 1,
                    [](D& d, const CallArgs& a) {
                        if (a[0].resolved().isString()) return objectValue(d.Tables(a.string(0)));
                        return objectValue(d.Tables(int(a.whole(0))));
                    })
            .property("TableCount", &D::TableCount)
            .method(
                "OpenDataSource", 1, 4,
                [](D& d, const CallArgs& a) {
                    return objectValue(d.OpenDataSource(a.string(0), a.string(1), a.string(2), a.string(3)));
                })
            .build();
    return table.invoke(*this, name, kind, args);
}

Variant DataSet::invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) {
    using T = DataSet;
    static const core::MemberTable table =
        core::MemberTable::of<T>()
            .property("Name", &T::Name)
            .property("PresentationName", &T::PresentationName)
            .property("KeyFieldName", &T::KeyFieldName)
            .method("ColExist", 1, 1,
                    [](T& t, const CallArgs& a) { return Variant(t.ColExist(a.string(0))); })
            .method("IsEmpty", 0, 0, [](T& t, const CallArgs&) { return Variant(t.IsEmpty()); })
            .method("OpenDataSource", 0, 3,
                    [](T& t, const CallArgs& a) {
                        return objectValue(t.OpenDataSource(a.string(0), a.string(1), a.string(2)));
                    })
            .property("ParentLinkField", &T::ParentLinkField)
            .defaultMember("Name")
            .build();
    return table.invoke(*this, name, kind, args);
}

QString DataSource::typeName() const { return QStringLiteral("DataSource"); }

namespace {
// A script's call into a data source, for as long as it runs.
struct ScriptCall {
    explicit ScriptCall(const std::shared_ptr<Database>& db) : db_(db) {
        if (db_) db_->enterScriptCall();
    }
    ~ScriptCall() {
        if (db_) db_->leaveScriptCall();
    }
    std::shared_ptr<Database> db_;
};
}  // namespace

Variant DataSource::invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) {
    const ScriptCall call(Database());
    using S = DataSource;
    static const core::MemberTable table =
        core::MemberTable::of<S>()
            // What it stands on.
            .property("Table", [](S& s, const CallArgs&) { return objectValue(s.Table()); })
            .property("Database", [](S& s, const CallArgs&) { return objectValue(s.Database()); })
            .property("KeyFieldName", &S::KeyFieldName)
            .method("GetSysParam", 1, 2,
                    [](S& s, const CallArgs& a) { return Variant(s.GetSysParam(a.string(0), a.string(1))); })
            // Navigation and row tests.
            .method("RowFirst", 0, 0, action<S>([](S& s, const CallArgs&) { s.RowFirst(); }))
            .method("RowNext", 0, 0, action<S>([](S& s, const CallArgs&) { s.RowNext(); }))
            .method("RowPrevious", 0, 0, action<S>([](S& s, const CallArgs&) { s.RowPrevious(); }))
            .method("RowLast", 0, 0, action<S>([](S& s, const CallArgs&) { s.RowLast(); }))
            .property("Bof", &S::Bof)
            .property("Eof", &S::Eof)
            .property("DataEmpty", &S::DataEmpty)
            .property("RowValid", &S::RowValid)
            .property("RowInvalid", &S::RowInvalid)
            // RowCount[(full)]: the rows counted in full.
            .method(
                "RowCount", 0, 1,
                [](S& s, const CallArgs& a) { return Variant(std::int32_t(s.RowCount(a.flag(0, true)))); })
            .property("Bookmark", &S::Bookmark)
            .method("MoveToBookmark", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.MoveToBookmark(a[0])); })
            .method("MoveToKey", 1, 1, [](S& s, const CallArgs& a) { return Variant(s.MoveToKey(a[0])); })
            .method("FindFirst", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.FindFirst(a.string(0))); })
            // Values; ColValue(name) = value runs the table class's field hooks.
            .property(
                "ColValue", [](S& s, const CallArgs& a) { return s.ColValue(a.string(0)); },
                [](S& s, const CallArgs& a, const Variant& v) { s.SetColValue(a.string(0), v); }, 1, 1)
            .method("ColValueStr", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.ColValueStr(a.string(0))); })
            .method("ColValueNum", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.ColValueNum(a.string(0))); })
            .method("ColValueBool", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.ColValueBool(a.string(0))); })
            .method("FormattedColValue", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.FormattedColValue(a.string(0))); })
            .method("ColEmpty", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.ColEmpty(a.string(0))); })
            .method("ColExist", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.ColExist(a.string(0))); })
            .method("ColQueryString", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.ColQueryString(a.string(0))); })
            .method("SetColValue", 2, 2,
                    action<S>([](S& s, const CallArgs& a) { s.SetColValue(a.string(0), a[1]); }))
            .method("AddColValue", 2, 2,
                    action<S>([](S& s, const CallArgs& a) { s.AddColValue(a.string(0), a.number(1)); }))
            .method("SubColValue", 2, 2,
                    action<S>([](S& s, const CallArgs& a) { s.SubColValue(a.string(0), a.number(1)); }))
            // CalculateColValue(column[, aggregate]): 0 total, 2 maximum, 3 minimum, 4 count.
            .method(
                "CalculateColValue", 1, 2,
                [](S& s, const CallArgs& a) { return s.CalculateColValue(a.string(0), a.whole(1, odbcSum)); })
            // Rows; each change runs the table class's hooks.
            .property("IsNew", &S::IsNew)
            .property("IsChanged", &S::IsChanged)
            .method("AddNew", 0, 0, action<S>([](S& s, const CallArgs&) { s.AddNew(); }))
            .method("Save", 0, 0, [](S& s, const CallArgs&) { return Variant(s.Save()); })
            .method("CancelUpdate", 0, 0, action<S>([](S& s, const CallArgs&) { s.CancelUpdate(); }))
            .method("DeleteRow", 0, 0, action<S>([](S& s, const CallArgs&) { s.DeleteRow(); }))
            .property("RowKey", &S::RowKey)
            // RowOIDQueryString([alias, column,] code): scripts pass the match
            // code (0 equal, 1 not equal) as the third argument.
            .method("RowOIDQueryString", 0, 3,
                    [](S& s, const CallArgs& a) {
                        const int code = a.count() == 1 ? a.whole(0) : a.whole(2, 0);
                        return Variant(s.RowOIDQueryString(code));
                    })
            // Selection.
            .property("Filter", &S::Filter, &S::SetFilter)
            .property(
                "SortOrder", [](S& s, const CallArgs&) { return Variant(s.SortOrder()); },
                [](S& s, const CallArgs&, const Variant& v) { s.SetSortOrder(v.toString()); })
            .method("Requery", 0, 0, action<S>([](S& s, const CallArgs&) { s.Requery(); }))
            // GetDataSource(table[, option[, condition[, sort]]])
            .method("GetDataSource", 1, 4,
                    [](S& s, const CallArgs& a) {
                        return objectValue(
                            s.GetDataSource(a.string(0), a.whole(1), a.string(2), a.string(3)));
                    })
            // References and child rows.
            .method(
                "GetReference", 1, 2,
                [](S& s, const CallArgs& a) { return objectValue(s.GetReference(a.string(0), a.string(1))); })
            .method("RefEmpty", 1, 1,
                    [](S& s, const CallArgs& a) { return Variant(s.RefEmpty(a.string(0))); })
            .method("RefKey", 1, 1, [](S& s, const CallArgs& a) { return s.RefKey(a.string(0)); })
            .property("Parent", [](S& s, const CallArgs&) { return objectValue(s.Parent()); })
            .build();
    return table.invoke(*this, name, kind, args);
}

}  // namespace datalib
