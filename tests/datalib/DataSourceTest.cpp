// Cursor half of the data library: navigation and values, the hook protocol,
// refusals, references and children, the base-table link, locks and copies.

#include "TestSchema.h"
#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/Errors.h"
#include "datalib/RowImage.h"

#include <gtest/gtest.h>
#include <QFile>

#include <cmath>
#include <limits>

using namespace datalib;
using namespace dltest;
using core::Variant;

namespace {

const QString kOrd = QStringLiteral("Ordini");
const QString kArt = QStringLiteral("Articoli");
const QString kRighe = QStringLiteral("Righe");
const QString kQty = QStringLiteral("QuantitàOrdine");
const QString kPrice = QStringLiteral("PrezzoVendita");
const QString kAmount = QStringLiteral("ImportoImponibile");

// Order totals kept as the order table keeps them: subtract a row before it
// changes or goes, add it after it was saved; the row computes its amount.
void installTotals(TestDb& def) {
    def.ordini->behaviours[QStringLiteral("OnBeforeUpdateReference")] = [](DataSource& ord, const QString& n,
                                                                           DataSource* row) {
        if (n == kRighe && row) ord.SubColValue(kAmount, row->ColValueNum(kAmount));
    };
    def.ordini->behaviours[QStringLiteral("OnUpdateReference")] = [](DataSource& ord, const QString& n,
                                                                     DataSource* row) {
        if (n == kRighe && row) ord.AddColValue(kAmount, row->ColValueNum(kAmount));
    };
    def.righe->behaviours[QStringLiteral("OnUpdateField")] = [](DataSource& r, const QString& c,
                                                                DataSource*) {
        if (c == kQty || c == kPrice) r.SetColValue(kAmount, r.ColValueNum(kQty) * r.ColValueNum(kPrice));
    };
}

struct Shop : Fixture {
    Shop() {
        open();
        auto art = db->OpenDataSource(kArt);
        art->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A1"), QStringLiteral("Descrizione"),
                              QStringLiteral("Vite"), QStringLiteral("PrezzoBase"), 10.0});
        art->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A2"), QStringLiteral("Descrizione"),
                              QStringLiteral("Bullone"), QStringLiteral("PrezzoBase"), 2.5});
        art->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("B1"), QStringLiteral("Descrizione"),
                              QStringLiteral("Dado"), QStringLiteral("PrezzoBase"), 0.75,
                              QStringLiteral("Disabilitato"), true});
        log.clear();
    }
    std::shared_ptr<DataSource> newOrder(const QString& numero) {
        auto o = db->OpenDataSource(kOrd, QStringLiteral("Numero = ") + db->FormatStringForQuery(numero));
        o->InsertFromPairs({QStringLiteral("Numero"), numero});
        return o;
    }
    static void addRow(DataSource& righe, const char* code, double qty, double price) {
        righe.InsertFromPairs({kQty, qty, kPrice, price, QStringLiteral("Codice"), code});
    }
};

}  // namespace

TEST(DataSource, NavigationValuesAndSelection) {
    Shop s;
    auto ds = s.db->OpenDataSource(kArt, {}, QStringLiteral("Codice DESC"));
    EXPECT_EQ(ds->RowCount(), 3);
    EXPECT_FALSE(ds->Bof());
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("codice")), QStringLiteral("B1"));
    EXPECT_TRUE(ds->ColValueBool(QStringLiteral("DISABILITATO")));
    ds->RowNext();
    EXPECT_EQ(ds->ColValueNum(QStringLiteral("PrezzoBase")), 2.5);
    EXPECT_EQ(ds->FormattedColValue(QStringLiteral("PrezzoBase")), QStringLiteral("2,50"));
    const Variant mark = ds->Bookmark();
    ds->RowLast();
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A1"));
    ds->RowNext();
    EXPECT_TRUE(ds->Eof());
    EXPECT_FALSE(ds->RowValid());
    EXPECT_TRUE(ds->ColValue(QStringLiteral("Codice")).isNull());
    ASSERT_TRUE(ds->MoveToBookmark(mark));
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A2"));
    ds->RowPrevious();
    ds->RowPrevious();
    EXPECT_TRUE(ds->Bof());

    // Unknown names read as Null and cannot be set.
    ds->RowFirst();
    EXPECT_TRUE(ds->ColValue(QStringLiteral("ConfermatoSede")).isNull());
    EXPECT_EQ(errorCode([&] { ds->SetColValue(QStringLiteral("ConfermatoSede"), true); }),
              errors::UnknownColumn);

    EXPECT_TRUE(ds->FindFirst(QStringLiteral("Descrizione = 'Vite'")));
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A1"));
    EXPECT_FALSE(ds->FindFirst(QStringLiteral("Descrizione = 'Chiodo'")));
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A1"));

    // Filter and sort re-query and keep the current row; a bad filter changes nothing.
    ds->SetFilter(QStringLiteral("NOT Disabilitato"));
    EXPECT_EQ(ds->RowCount(), 2);
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A1"));
    EXPECT_NE(errorCode([&] { ds->SetFilter(QStringLiteral("Descrizione = 'x")); }), 0);
    EXPECT_EQ(ds->Filter(), QStringLiteral("NOT Disabilitato"));
    ds->SetSortOrder(QStringLiteral("PrezzoBase"));
    ds->RowFirst();
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A2"));

    EXPECT_EQ(ds->CalculateColValue(QStringLiteral("PrezzoBase"), odbcSum).toCurrency(),
              core::Currency::fromDouble(12.5));
    auto none = s.db->OpenDataSource(kArt, QStringLiteral("Codice = 'Z'"));
    EXPECT_TRUE(none->DataEmpty());
    EXPECT_EQ(none->CalculateColValue(QStringLiteral("PrezzoBase"), odbcMax).toDouble(), 0.0);

    int refreshed = 0;
    ds->connectRefresh([&](DataSource&) { ++refreshed; });
    ds->Requery();
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(ds->RowOIDQueryString(1), QStringLiteral("Articoli.OID<>%1").arg(ds->OID()));
}

TEST(DataSource, EverySetRunsBothFieldHooksAlsoUnchangedAndReentrant) {
    Shop s;
    installTotals(*s.def);
    auto o = s.newOrder(QStringLiteral("N1"));
    auto righe = o->GetReference(kRighe);
    Shop::addRow(*righe, "A1", 2, 10);
    s.log.clear();
    righe->SetColValue(kQty, 2.0);  // unchanged value: the hooks run all the same
    EXPECT_EQ(s.log.events, (QStringList{"RigheOrdini.OnBeforeUpdateField(QuantitàOrdine)",
                                         "RigheOrdini.OnUpdateField(QuantitàOrdine)",
                                         "RigheOrdini.OnBeforeUpdateField(ImportoImponibile)",
                                         "RigheOrdini.OnUpdateField(ImportoImponibile)"}));
    righe->SetColValue(kQty, 3.0);
    EXPECT_EQ(righe->ColValueNum(kAmount), 30.0);
    EXPECT_TRUE(righe->IsChanged());

    // A hook that sets its own column for ever is stopped with a clear error, nothing kept.
    s.def->righe->behaviours[QStringLiteral("OnUpdateField")] = [](DataSource& r, const QString& c,
                                                                   DataSource*) {
        if (c == kPrice) r.AddColValue(kPrice, 1.0);
    };
    righe->Save();
    try {
        righe->SetColValue(kPrice, 1.0);
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_EQ(errors::code(e), errors::TooDeep);
        EXPECT_TRUE(e.description().contains(QStringLiteral("senza fine")));
    }
    EXPECT_EQ(righe->ColValueNum(kPrice), 10.0);
    EXPECT_EQ(s.db->hookDepth(), 0);
}

TEST(DataSource, InsertUnderAParentRunsHooksInTheAgreedOrder) {
    Shop s;
    auto o = s.newOrder(QStringLiteral("N1"));
    qint64 parentSeen = -1;
    s.def->righe->behaviours[QStringLiteral("OnNewRow")] = [&](DataSource& r, const QString&, DataSource*) {
        parentSeen = r.Parent() ? r.Parent()->OID() : 0;
    };
    auto righe = o->GetReference(kRighe);
    s.log.clear();
    const Variant key = righe->InsertFromPairs({kQty, 3, kPrice, 4.5, QStringLiteral("NonEsiste"), 1,
                                                QStringLiteral("Codice"), QStringLiteral("A2")});
    EXPECT_EQ(parentSeen, o->OID());
    const QStringList expected{"RigheOrdini.OnNewRow",
                               "Ordini.OnNewReference(Righe)",
                               "RigheOrdini.OnBeforeUpdateField(Codice)",
                               "RigheOrdini.OnUpdateField(Codice)",
                               "RigheOrdini.OnUpdateField(Descrizione)",
                               "RigheOrdini.OnUpdateField(PrezzoBase)",
                               "RigheOrdini.OnUpdateField(Disabilitato)",
                               "RigheOrdini.OnUpdateField(DataInserimento)",
                               "RigheOrdini.OnSetParent(Ordini)",
                               "RigheOrdini.OnBeforeUpdateField(QuantitàOrdine)",
                               "RigheOrdini.OnUpdateField(QuantitàOrdine)",
                               "RigheOrdini.OnBeforeUpdateField(PrezzoVendita)",
                               "RigheOrdini.OnUpdateField(PrezzoVendita)",
                               "RigheOrdini.OnUpdateRow",
                               "Ordini.OnUpdateReference(Righe)"};
    EXPECT_EQ(s.log.events.filter(QStringLiteral("Select"), Qt::CaseInsensitive).size(), 0);
    EXPECT_EQ(s.log.events, expected);
    ASSERT_TRUE(righe->MoveToKey(key));
    EXPECT_EQ(righe->ColValueStr(QStringLiteral("Descrizione")), QStringLiteral("Bullone"));
    EXPECT_EQ(righe->BaseKey().toString(), QStringLiteral("A2"));
    EXPECT_EQ(righe->RelatedDataSource(kArt)->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A2"));
    EXPECT_EQ(righe->RelatedDataSource(kOrd)->OID(), o->OID());
    EXPECT_EQ(errorCode([&] { righe->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("x")); }),
              errors::NotAllowed);
    EXPECT_EQ(errorCode([&] { Shop::addRow(*righe, "ZZ", 1, 1); }), errors::UnknownReference);
    EXPECT_EQ(righe->RowCount(), 1);
}

TEST(DataSource, CancelInAFieldHookPutsTheParentTotalBack) {
    Shop s;
    installTotals(*s.def);
    auto o = s.newOrder(QStringLiteral("N1"));
    auto righe = o->GetReference(kRighe);
    Shop::addRow(*righe, "A1", 2, 10);
    EXPECT_EQ(o->ColValueNum(kAmount), 20.0);
    // The row hands a change straight to the order, then refuses it.
    s.def->righe->behaviours[QStringLiteral("OnUpdateField")] = [&](DataSource& r, const QString& c,
                                                                    DataSource*) {
        if (c != kQty) return;
        r.Parent()->AddColValue(kAmount, 1000.0);
        if (r.ColValueNum(kQty) > 100) r.CancelWithMessage(QStringLiteral("Quantità eccessiva"), 0);
    };
    try {
        righe->SetColValue(kQty, 500.0);
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_TRUE(errors::isCancel(e));
        EXPECT_EQ(e.description(), QStringLiteral("Quantità eccessiva"));
    }
    EXPECT_EQ(s.sink.messages, QStringList{QStringLiteral("Quantità eccessiva")});
    EXPECT_EQ(o->ColValueNum(kAmount), 20.0);
    EXPECT_EQ(righe->ColValueNum(kQty), 2.0);
    EXPECT_FALSE(righe->IsChanged());
    auto fresh = s.db->OpenDataSource(kOrd);
    EXPECT_EQ(fresh->ColValueNum(kAmount), 20.0);

    // A refused save of a changed row leaves the totals as the rows say.
    installTotals(*s.def);
    s.def->righe->behaviours[QStringLiteral("OnUpdateRow")] = [](DataSource& r, const QString&, DataSource*) {
        if (r.ColValueNum(kQty) > 100) r.CancelWithMessage(QStringLiteral("No"), 0);
    };
    righe->SetColValue(kQty, 200.0);
    EXPECT_TRUE(errors::isCancel([&] {
        try {
            righe->Save();
        } catch (const core::AppError& e) {
            return e;
        }
        return core::AppError(0, {}, {});
    }()));
    EXPECT_EQ(s.db->OpenDataSource(kOrd)->ColValueNum(kAmount), 20.0);
    righe->SetColValue(kQty, 3.0);
    righe->Save();
    EXPECT_EQ(s.db->OpenDataSource(kOrd)->ColValueNum(kAmount), 30.0);
}

TEST(DataSource, ARefusingHookRunsOnAndQueuesItsMessages) {
    Shop s;
    auto art = s.db->OpenDataSource(kArt);
    bool ranOn = false;
    s.def->articoli->behaviours[QStringLiteral("OnBeforeUpdateField")] = [&](DataSource& ds, const QString&,
                                                                             DataSource*) {
        ds.MarkColumn(QStringLiteral("Descrizione"));
        ds.CancelWithMessage(QStringLiteral("uno"), 0);
        ds.CancelWithMessage(QStringLiteral("due"), 0);
        ranOn = true;
    };
    s.log.clear();
    try {
        art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("Nuova"));
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.cancelled());
        EXPECT_EQ(e.description(), QStringLiteral("uno\rdue"));
    }
    EXPECT_TRUE(ranOn);
    EXPECT_EQ(s.sink.messages, (QStringList{QStringLiteral("uno"), QStringLiteral("due")}));
    EXPECT_EQ(art->markedColumn(), QStringLiteral("Descrizione"));
    EXPECT_EQ(s.log.events, QStringList{QStringLiteral("Articoli.OnBeforeUpdateField(Descrizione)")});
    EXPECT_EQ(art->ColValueStr(QStringLiteral("Descrizione")), QStringLiteral("Vite"));

    // A silent cancel shows nothing; outside a hook the message is shown at once.
    s.sink.messages.clear();
    s.def->articoli->behaviours[QStringLiteral("OnBeforeUpdateField")] = [](DataSource& ds, const QString&,
                                                                            DataSource*) { ds.Cancel(); };
    EXPECT_EQ(errorCode([&] { art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("x")); }),
              errors::Cancelled);
    EXPECT_TRUE(s.sink.messages.isEmpty());
    art->CancelWithMessage(QStringLiteral("I dati dell'Agente non sono presenti"), 0);
    EXPECT_EQ(s.sink.messages.size(), 1);
    s.sink.answerYes = false;
    EXPECT_FALSE(art->Confirm(QStringLiteral("Vuoi eliminare tutta la promozione ?"), 1, true));
    EXPECT_EQ(s.sink.questions.size(), 1);
}

TEST(DataSource, ChildrenParentsAndReferences) {
    Shop s;
    installTotals(*s.def);
    auto o1 = s.newOrder(QStringLiteral("N1"));
    auto o2 = s.newOrder(QStringLiteral("N2"));
    auto r1 = o1->GetReference(kRighe);
    Shop::addRow(*r1, "A1", 1, 10);
    Shop::addRow(*r1, "A2", 5, 2);
    Shop::addRow(*o2->GetReference(kRighe), "A1", 7, 10);
    EXPECT_EQ(o1->GetReference(kRighe)->RowCount(), 2);
    EXPECT_EQ(o1->GetReference(kRighe, QStringLiteral("QuantitàOrdine > 1"))->RowCount(), 1);
    EXPECT_EQ(o1->GetReference(kRighe, QStringLiteral("Articoli.Codice = 'A1'"))->RowCount(), 1);
    EXPECT_EQ(o1->GetReference(kRighe)->Parent(), o1);
    EXPECT_EQ(o1->ColValueNum(kAmount), 20.0);
    EXPECT_EQ(errorCode([&] { o1->GetReference(QStringLiteral("Fatture")); }), errors::UnknownReference);

    // A child's delete: its own hook, then the parent's before-hook.
    auto all = s.db->OpenDataSource(QStringLiteral("RigheOrdini"), QStringLiteral("Ordini.Numero = 'N1'"),
                                    QStringLiteral("QuantitàOrdine"));
    s.log.clear();
    all->DeleteRow();
    EXPECT_EQ(s.log.events, (QStringList{"RigheOrdini.OnDeleteRow", "Ordini.OnBeforeUpdateReference(Righe)",
                                         "Ordini.OnBeforeUpdateField(ImportoImponibile)",
                                         "Ordini.OnUpdateField(ImportoImponibile)", "Ordini.OnUpdateRow"}));
    EXPECT_EQ(s.db->OpenDataSource(kOrd, QStringLiteral("Numero='N1'"))->ColValueNum(kAmount), 10.0);

    // References by key: "" is the protected empty row.
    o2->SetReference(QStringLiteral("Categoria"), QString());
    EXPECT_TRUE(o2->RefEmpty(QStringLiteral("Categoria")));
    EXPECT_EQ(o2->GetReference(QStringLiteral("Categoria"))->RowCount(), 1);
    s.db->OpenDataSource(QStringLiteral("Categorie"))
        ->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("C1"), QStringLiteral("Descrizione"),
                           QStringLiteral("Ferramenta")});
    s.log.clear();
    o2->SetReference(QStringLiteral("Categoria"), QStringLiteral("C1"));
    EXPECT_EQ(s.log.events, (QStringList{"Ordini.OnBeforeUpdateReference(Categoria)",
                                         "Ordini.OnUpdateReference(Categoria)"}));
    EXPECT_EQ(o2->RefKey(QStringLiteral("Categoria")).toString(), QStringLiteral("C1"));
    EXPECT_EQ(o2->GetReference(QStringLiteral("Categoria"))->ColValueStr(QStringLiteral("Descrizione")),
              QStringLiteral("Ferramenta"));
    o2->Save();

    // Deleting an order takes its rows with it.
    o2->DeleteRow();
    EXPECT_EQ(s.db->OpenDataSource(QStringLiteral("RigheOrdini"))->RowCount(), 1);
}

TEST(DataSource, WholeGroupDeleteInsideTheHookIsNotSubtractedTwice) {
    Shop s;
    installTotals(*s.def);
    auto o = s.newOrder(QStringLiteral("N1"));
    auto righe = o->GetReference(kRighe, {});
    Shop::addRow(*righe, "A1", 1, 10);
    Shop::addRow(*righe, "A2", 1, 5);
    Shop::addRow(*righe, "B1", 1, 1);
    // Deleting an "A" row deletes every "A" row, under the order's lock.
    s.def->righe->behaviours[QStringLiteral("OnDeleteRow")] = [](DataSource& r, const QString&, DataSource*) {
        auto ord = r.Parent();
        NamedLock lock(*ord, QStringLiteral("LockPromo"));
        if (!lock.obtained()) return;
        ord->GetReference(kRighe, QStringLiteral("Left(Articoli.Codice,1) = 'A'"))->DeleteAll();
    };
    righe->RowFirst();
    righe->DeleteRow();
    righe->Requery();
    EXPECT_EQ(righe->RowCount(), 1);
    EXPECT_EQ(o->ColValueNum(kAmount), 1.0);
    EXPECT_FALSE(o->IsLocked(QStringLiteral("LockPromo")));
}

TEST(DataSource, NamedLocksArePerRowAndReleasedOnErrors) {
    Shop s;
    auto a = s.db->OpenDataSource(kArt);
    auto b = s.db->OpenDataSource(kArt);
    ASSERT_TRUE(a->Lock(QStringLiteral("LockPromo")));
    EXPECT_FALSE(b->Lock(QStringLiteral("LOCKPROMO")));  // same row, another object
    b->RowNext();
    EXPECT_TRUE(b->Lock(QStringLiteral("LockPromo")));  // another row
    b->Unlock(QStringLiteral("LockPromo"));
    a->Unlock(QStringLiteral("LockPromo"));
    EXPECT_FALSE(b->IsLocked(QStringLiteral("LockPromo")));
    try {
        NamedLock lock(*a, QStringLiteral("LockPromo"));
        EXPECT_TRUE(lock.obtained());
        a->SetColValue(QStringLiteral("Nope"), 1);
    } catch (const core::AppError&) {
    }
    EXPECT_FALSE(a->IsLocked(QStringLiteral("LockPromo")));
}

TEST(DataSource, StateTwoStoresRowsAsTheyCome) {
    Shop s;
    s.db->BeginUpdate();
    EXPECT_EQ(s.db->State(), Database::StateUpdating);
    auto art = s.db->OpenDataSource(kArt);
    art->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("X1"), QStringLiteral("PrezzoBase"), 3});
    art->RowFirst();
    art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("y"));
    art->Save();
    s.db->EndUpdate();
    EXPECT_EQ(s.db->State(), Database::StateOpen);
    EXPECT_EQ(s.log.events, QStringList{QStringLiteral("Articoli.OnNewRow")});
}

TEST(DataSource, CopiesUpdateNeverDuplicateAndMovesKeepTotals) {
    Shop s;
    installTotals(*s.def);
    auto o = s.newOrder(QStringLiteral("N1"));
    auto righe = o->GetReference(kRighe);
    Shop::addRow(*righe, "A1", 2, 10);
    Shop::addRow(*righe, "A2", 4, 2.5);

    // Into the head-office archive: twice gives one order with two rows.
    Fixture remote;
    remote.open();
    remote.log.clear();
    auto target = remote.db->OpenDataSource(kOrd);
    o->CopyRowTo(*target);
    o->SetColValue(QStringLiteral("Note"), QStringLiteral("seconda"));
    o->Save();
    o->CopyRowTo(*target);
    auto ro = remote.db->OpenDataSource(kOrd);
    ASSERT_EQ(ro->RowCount(), 1);
    EXPECT_EQ(ro->ColValueStr(QStringLiteral("Note")), QStringLiteral("seconda"));
    EXPECT_EQ(ro->ColValueNum(kAmount), 30.0);
    auto rr = ro->GetReference(kRighe, {});
    EXPECT_EQ(rr->RowCount(), 2);
    EXPECT_EQ(rr->ColValueStr(QStringLiteral("Descrizione")), QStringLiteral("Vite"));
    EXPECT_EQ(remote.db->OpenDataSource(kArt)->RowCount(), 2);  // the articles came along
    EXPECT_TRUE(remote.log.events.filter(QStringLiteral("OnUpdate")).isEmpty());
    // A flag set on the target is not cleared by copying over it.
    ro->SetColValue(QStringLiteral("NonModificabile"), true);
    ro->Save();
    o->CopyRowTo(*target);
    EXPECT_TRUE(remote.db->OpenDataSource(kOrd)->ColValueBool(QStringLiteral("NonModificabile")));

    // A new order copied from another except some columns, then a row moved into it.
    auto local = s.db->OpenDataSource(kOrd);
    const Variant k2 = local->NewRowCopiedFrom(*o, QStringLiteral("Righe,Numero,ImportoImponibile"));
    ASSERT_TRUE(local->MoveToKey(k2));
    EXPECT_EQ(local->ColValueStr(QStringLiteral("Note")), QStringLiteral("seconda"));
    EXPECT_TRUE(local->ColValue(QStringLiteral("Numero")).isNull());
    local->SetColValue(QStringLiteral("Numero"), QStringLiteral("N2"));
    local->Save();
    auto moving = o->GetReference(kRighe, QStringLiteral("Articoli.Codice = 'A2'"));
    auto into = local->GetReference(kRighe);
    s.def->righe->behaviours[QStringLiteral("OnNewRow")] = [](DataSource& r, const QString&, DataSource*) {
        if (auto p = r.Parent())
            r.SetColValue(QStringLiteral("NumeroOrdine"), p->ColValue(QStringLiteral("Numero")));
    };
    moving->MoveRowTo(*into, QStringLiteral("NumeroOrdine,PosizioneRiga"));
    EXPECT_EQ(o->GetReference(kRighe)->RowCount(), 1);
    auto moved = local->GetReference(kRighe);
    ASSERT_EQ(moved->RowCount(), 1);
    EXPECT_EQ(moved->ColValueStr(QStringLiteral("NumeroOrdine")), QStringLiteral("N2"));
    EXPECT_EQ(moved->ColValueNum(kQty), 4.0);
    EXPECT_EQ(o->ColValueNum(kAmount), 20.0);
    EXPECT_EQ(local->ColValueNum(kAmount), 10.0);
}

TEST(DataSource, ValuesAreStoredByColumnType) {
    Shop s;
    auto o = s.newOrder(QStringLiteral("N1"));
    struct Case {
        const char* column;
        Variant in;
        Variant out;  // Empty: refused with errors::InvalidValue
    };
    const Case cases[] = {
        {"Completato", QStringLiteral("Vero"), true},
        {"Completato", Variant(), false},
        {"Completato", Variant::null(), false},
        {"ImportoImponibile", QStringLiteral("12,345"), core::Currency::fromDouble(12.345)},
        {"ImportoImponibile", QStringLiteral("abc"), Variant()},
        {"DataRichiestaConsegna", QStringLiteral("05/03/2004 10:30"), core::Date::fromParts(2004, 3, 5)},
        {"DataRichiestaConsegna", QStringLiteral("31/02/2004"), Variant()},
        {"Numero", QString(17, QLatin1Char('x')), Variant()},
        {"Note", 42, QStringLiteral("42")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        const QString col = QString::fromUtf8(c.column);
        if (c.out.isEmpty()) {
            EXPECT_EQ(errorCode([&] { o->SetColValue(col, c.in); }), errors::InvalidValue);
            continue;
        }
        o->SetColValue(col, c.in);
        o->Save();
        o->Requery();
        EXPECT_TRUE(o->ColValue(col).identical(c.out)) << o->ColValueStr(col).toStdString();
    }
    EXPECT_EQ(o->ColValueStr(QStringLiteral("Numero")), QStringLiteral("N1"));
    EXPECT_EQ(o->FormattedColValue(QStringLiteral("DataRichiestaConsegna")), QStringLiteral("05/03/2004"));

    // A DISTINCT list, and values by position for a grid.
    auto d = s.db->OpenDataSource(kArt, {}, QStringLiteral("Disabilitato"),
                                  QStringLiteral("DISTINCT Disabilitato"));
    EXPECT_EQ(d->RowCount(), 2);
    EXPECT_EQ(errorCode([&] { d->SetColValue(QStringLiteral("Disabilitato"), true); }), errors::NotAllowed);
    auto art = s.db->OpenDataSource(kArt, {}, QStringLiteral("Codice"));
    EXPECT_EQ(art->ValueAt(2, art->ColumnIndex(QStringLiteral("codice"))).toString(), QStringLiteral("B1"));
    EXPECT_EQ(art->Position(), 0);
    EXPECT_TRUE(art->ValueAt(3, 0).isNull());

    // An operator who may only consult changes nothing.
    s.db->SetAccessLevel(-1);
    EXPECT_EQ(errorCode([&] { art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("x")); }),
              errors::NotAllowed);
    EXPECT_EQ(errorCode([&] { art->DeleteRow(); }), errors::NotAllowed);
    s.db->SetAccessLevel(1);
    art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("x"));
}

TEST(DataSource, NumbersBeyondTheColumnAreRefusedNamingTableAndColumn) {
    Shop s;
    auto o = s.newOrder(QStringLiteral("N1"));
    auto righe = o->GetReference(kRighe);
    Shop::addRow(*righe, "A1", 2, 10);
    righe->RowFirst();
    const QString pos = QStringLiteral("PosizioneRiga");
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* column;
        Variant in;
    };
    const Case refused[] = {
        {"PosizioneRiga", 1e300},
        {"PosizioneRiga", -1e300},
        {"PosizioneRiga", inf},
        {"PosizioneRiga", -inf},
        {"PosizioneRiga", std::nan("")},
        {"PosizioneRiga", 9.3e18},
        {"PosizioneRiga", QStringLiteral("1e300")},
        {"QuantitàOrdine", inf},
        {"QuantitàOrdine", -inf},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.in.toString().toStdString());
        const QString col = QString::fromUtf8(c.column);
        try {
            righe->SetColValue(col, c.in);
            ADD_FAILURE() << "accepted";
        } catch (const core::AppError& e) {
            EXPECT_EQ(errors::code(e), errors::InvalidValue);
            EXPECT_TRUE(
                e.description().contains(QStringLiteral("\"%1\" della tabella \"RigheOrdini\"").arg(col)))
                << e.description().toStdString();
        }
    }
    righe->CancelUpdate();
    EXPECT_EQ(righe->ColValueNum(kQty), 2.0);
    // The largest whole numbers are kept as they are.
    righe->SetColValue(pos, 9.0e18);
    righe->Save();
    righe->Requery();
    EXPECT_EQ(righe->ColValue(pos).toDouble(), 9.0e18);

    // A copy meets the same check: an archive's 1e300 is refused, nothing written.
    Fixture archive;
    archive.open();
    o->CopyRowTo(*archive.db->OpenDataSource(kOrd));
    archive.db->conn().exec(QStringLiteral("UPDATE RigheOrdini SET PosizioneRiga = 1e300"));
    auto theirs = archive.db->OpenDataSource(kOrd);
    theirs->RowFirst();
    auto into = s.db->OpenDataSource(kOrd);
    righe->RowFirst();
    const Variant before = righe->ColValue(pos);
    try {
        theirs->CopyRowTo(*into);
        ADD_FAILURE() << "copied";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(
            e.description().contains(QStringLiteral("\"PosizioneRiga\" della tabella \"RigheOrdini\"")))
            << e.description().toStdString();
    }
    auto again = s.db->OpenDataSource(kOrd)->GetReference(kRighe);
    ASSERT_EQ(again->RowCount(), 1);
    EXPECT_TRUE(again->ColValue(pos).identical(before));
}

TEST(DataSource, ExportAndCopyAllReportProgressAndStop) {
    using Progress = RecordingProgress;
    Shop s;
    auto art = s.db->OpenDataSource(kArt, {}, QStringLiteral("Codice"));
    art->RowLast();
    art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("Dado <M6> & \"rondella\""));
    const QString html = s.dir.filePath(QStringLiteral("TableData.htm"));
    Progress p;
    EXPECT_EQ(art->Export(html, 2, &p, QStringLiteral("Codice,Descrizione,PrezzoBase")), 3);
    EXPECT_EQ(p.total, 3);
    EXPECT_TRUE(p.ended);
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<td>Dado &lt;M6&gt; &amp; &quot;rondella&quot;</td>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<td>10,00</td>")));
    EXPECT_FALSE(text.contains(QStringLiteral("OID")));
    EXPECT_EQ(art->ColValueStr(QStringLiteral("Codice")), QStringLiteral("B1"));  // the current row stays

    const QString csv = s.dir.filePath(QStringLiteral("dati.txt"));
    Progress stop;
    stop.stopAt = 2;
    EXPECT_EQ(errorCode([&] { art->Export(csv, 1, &stop); }), errors::Cancelled);
    EXPECT_FALSE(QFile::exists(csv));

    // All rows into an archive; a stop ends the copy there.
    Fixture archive;
    archive.open();
    auto dest = archive.db->OpenDataSource(kArt);
    Progress half;
    half.stopAt = 2;
    EXPECT_EQ(art->CopyAllTo(*dest, &half), 2);
    EXPECT_EQ(archive.db->OpenDataSource(kArt)->RowCount(), 2);
    EXPECT_EQ(art->CopyAllTo(*dest, nullptr), 3);
    EXPECT_EQ(archive.db->OpenDataSource(kArt)->RowCount(), 3);
}

TEST(DataSource, ChoiceListOfAReferenceCanBeNarrowedOrRefused) {
    Shop s;
    auto o = s.newOrder(QStringLiteral("N1"));
    bool choiceSeen = false;
    s.def->categorie->behaviours[QStringLiteral("OnSelect")] = [&](DataSource& ds, const QString&,
                                                                   DataSource*) {
        if (ds.ForChoice() && ds.ColumnList().isEmpty()) {
            choiceSeen = true;
            ds.SetColumnList(QStringLiteral("*,Codice,Descrizione"));
        }
    };
    s.def->ordini->behaviours[QStringLiteral("OnSelectReference")] = [](DataSource& ds, const QString& n,
                                                                        DataSource* offered) {
        if (ds.ColEmpty(QStringLiteral("Note")))
            ds.CancelWithMessage(QStringLiteral("Devi prima selezionare il cliente"), 0);
        else
            offered->SetFilter(QStringLiteral("Codice <> ''"));
    };
    EXPECT_EQ(errorCode([&] { o->SelectReference(QStringLiteral("Categoria")); }), errors::Cancelled);
    EXPECT_EQ(s.sink.messages, QStringList{QStringLiteral("Devi prima selezionare il cliente")});
    EXPECT_TRUE(choiceSeen);
    s.db->OpenDataSource(QStringLiteral("Categorie"))
        ->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("C1"), QStringLiteral("Descrizione"),
                           QStringLiteral("Ferramenta")});
    o->SetColValue(QStringLiteral("Note"), QStringLiteral("x"));
    auto offered = o->SelectReference(QStringLiteral("Categoria"));
    EXPECT_EQ(offered->RowCount(), 1);
    EXPECT_EQ(offered->ColumnList(), QStringLiteral("*,Codice,Descrizione"));
}

// An order and its rows put back as they were stored: a changed value, a
// deleted row (with its identifier) and an added row, all undone without a
// table rule; what was written meanwhile to another order and to another
// table stays.
TEST(DataSource, ARowImagePutsTheRowAndItsChildRowsBackAndNothingElse) {
    Shop s;
    installTotals(*s.def);
    auto other = s.newOrder(QStringLiteral("N2"));
    auto o = s.newOrder(QStringLiteral("N1"));
    auto righe = o->GetReference(kRighe);
    Shop::addRow(*righe, "A1", 2, 10);
    Shop::addRow(*righe, "A2", 1, 2.5);
    o->Requery();
    o->RowFirst();
    auto stored = [&] {
        QStringList out;
        auto ord = s.db->OpenDataSource(kOrd, QStringLiteral("Numero='N1'"));
        ord->RowFirst();
        out << ord->ColValueStr(QStringLiteral("Note")) + QLatin1Char('/') + ord->ColValueStr(kAmount);
        auto rows = s.db->OpenDataSource(QStringLiteral("RigheOrdini"), {}, QStringLiteral("OID"));
        for (rows->RowFirst(); !rows->Eof(); rows->RowNext())
            out << QString::number(rows->OID()) + QLatin1Char(' ') +
                       rows->ColValueStr(QStringLiteral("Codice")) + QLatin1Char('x') +
                       rows->ColValueStr(kQty);
        return out.join(QLatin1String(", "));
    };
    const QString before = stored();
    const RowImage image = RowImage::Of(*o);
    EXPECT_EQ(image.RowCount(), 3);

    o->SetColValue(QStringLiteral("Note"), QStringLiteral("cambiata"));
    o->Save();
    righe = o->GetReference(kRighe);
    righe->RowFirst();
    righe->SetColValue(kQty, 7.0);
    righe->Save();
    righe->RowLast();
    righe->DeleteRow();
    Shop::addRow(*righe, "A2", 5, 2.5);
    other->SetColValue(QStringLiteral("Note"), QStringLiteral("altro ordine"));
    other->Save();
    auto art = s.db->OpenDataSource(kArt, QStringLiteral("Codice='A1'"));
    art->RowFirst();
    art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("Vite lunga"));
    art->Save();
    ASSERT_NE(stored(), before);

    s.log.clear();
    image.Restore(*s.db);
    EXPECT_TRUE(s.log.events.isEmpty()) << s.log.events.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(stored(), before);
    // The data sources open on them read them again.
    righe->Refresh();
    EXPECT_EQ(righe->RowCount(), 2);
    other->Requery();
    EXPECT_EQ(other->ColValueStr(QStringLiteral("Note")), QStringLiteral("altro ordine"));
    art->Requery();
    EXPECT_EQ(art->ColValueStr(QStringLiteral("Descrizione")), QStringLiteral("Vite lunga"));
}
