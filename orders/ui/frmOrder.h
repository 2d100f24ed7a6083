#pragma once
// The order window: where the agent writes an order. It starts a new order
// (after the agent and data-age checks and the choice of the customer) or
// opens an existing one, and keeps it inside one transaction of the engine
// until it is confirmed or cancelled. Articles enter by code, scanner, quick
// list, description, category grid, or as a whole promotion or kit; the
// amounts are kept by the order and row tables.
//
// There is one order window at a time.

#include "core/Currency.h"
#include "core/Variant.h"
#include "datalib/RowImage.h"
#include "orders/OrderEntry.h"
#include "orders/ui/frmOrderWidgets.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QTimer;

namespace core {
class AppError;
}
namespace datalib {
class DataSource;
}
namespace controls {
class ViewGridSettings;
}

namespace orders::ui {

class frmOrder : public QWidget, private orders::ArticleEntryHost {
    Q_OBJECT

  public:
    // Loads the window (Form_Load): the next activation starts a new order.
    explicit frmOrder(QWidget* owner = nullptr);
    ~frmOrder() override;

    // The order window that is open, or nullptr.
    static frmOrder* Instance();
    // Brings the open order window to the front (shown, raised, active):
    // the refusals that name the open order show it. False when none is open.
    static bool BringToFront();
    // The main window's new-order command: shows the window modeless over the
    // owner; its activation starts the order. With an order already open the
    // window is raised instead.
    static frmOrder* NewOrder(QWidget* owner);
    // Opens the order on the data source's current row for editing. With an
    // order already open nothing else is opened: the open window is raised.
    static frmOrder* Edit_Ordine(QWidget* owner, const std::shared_ptr<datalib::DataSource>& order);
    // Closes the order window as its close box does (an unconfirmed order
    // with rows is cancelled only when the agent says so). True when no
    // order window is left.
    static bool CloseOpenOrder();

    // Starts a new order; true when one was created.
    bool Add_Order();
    bool VerifyDayFromLastAdjourn();
    // Reads the rows again and stands on the row with that key (the last
    // row without one).
    void Refresh_Articoli(const core::Variant& key = {});
    // Adds an article to the order; the key of the row that received it, or
    // Empty when nothing was added.
    core::Variant AddElementByCode(const QString& code, double quantity = 0, core::Currency price = {},
                                   const core::Variant& promotion = {}, bool noPrompt = false);
    // The first activation's work: starts the new order, or closes the window.
    void Form_Activate();

    // Commands, as their buttons and keys run them.
    void cmdConfirm_Click();
    void cmdCancel_Click();
    void cmdAddRow_Click();
    void cmdEditRow_Click();
    void cmdDeleteRow_Click();
    void cmdSetQuantity_Click();
    void cmdSpecialCode_Click();
    void cmdAddPromoKit_Click();
    void RefreshPromoKitList();
    void RefreshCategorie();
    void IncreaseRowQuantity();
    void DecreaseRowQuantity();
    void PickCategoryArticle();

    // State, for the tests and the main window.
    const std::shared_ptr<datalib::DataSource>& Order() const { return m_objOrdine; }
    const std::shared_ptr<datalib::DataSource>& Rows() const { return m_objRigheOrdine; }
    const std::shared_ptr<datalib::DataSource>& Categories() const { return m_objCategorie; }
    bool HasOpenOrder() const;
    controls::ViewGridSettings* GridSettings() const { return m_objGridSettings.get(); }

    // The controls, by their names: the one way to reach them.
    const OrderWidgets& Widgets() const { return w_; }

    // Test seam: told the steps of a confirmation as they pass
    // ("completato", "commit", "confermato"; closing: "chiusura", "chiuso").
    static void SetStepObserver(std::function<void(const QString&)> observer);

    // The window's size where no placement is stored: as large as it needs,
    // and with its frame within the screen's free area.
    static QSize DefaultSize(const QRect& available);

    // The caption the window starts from.
    static QString BaseCaption() { return QStringLiteral(" ORDINE"); }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // ArticleEntryHost
    core::Variant PickArticle(const std::shared_ptr<datalib::DataSource>& articles) override;
    bool AskQuantityEachArticle() const override;
    void AskRowQuantity() override;
    bool NotFound(const QString& code, const QString& message) override;

    // Builds the controls (BuildOrderWidgets) and binds them to the commands.
    void buildControls();
    void Form_Unload();
    bool Form_QueryUnload(bool fromCloseBox);
    bool CancelOrder();
    bool OpenForEditing(const std::shared_ptr<datalib::DataSource>& order);
    // Keeps the image of the confirmed order the window stands on, the first time.
    void keepConfirmedImage();
    void SetOrderCaption();
    void RefreshRelatedOrders();
    void SetEditEnabled(bool enabled);
    void ResetCodeEntry();
    void ProcessCodeEntry();
    bool Form_KeyDown(QKeyEvent* key);
    bool codeBoxKey(QKeyEvent* key);
    void txtCode_Articolo_Change();
    void tmtHelp_ArticoliLib_Timer();
    void lstHelp_ArticoliLib_Click();
    void cboRelate_Ordini_Click();
    void chkRequest_Quantita_Click();
    void cmdGridSetting_Click();
    void ApplyRowsLayout();
    // "OID" and "Data" stay out of the rows grid's view.
    void hideRowsKeyColumns();
    void changeRowQuantity(int delta);
    // Puts the rows on the grid's current row; false (after a beep when
    // asked) when there is none.
    bool rowsOnGridRow(bool beep);
    void askQuantityOfCurrentRow();
    // Codes a barcode reader typed in a burst with the quantity prompt on:
    // kept in order and added once the keys stop (the prompt is asked for
    // the last one only), so that no code is typed into the prompt.
    void queueScannedCode(const QString& code);
    void processScannedCodes();
    // What a burst typed into the quantity prompt goes back to the code entry.
    void takeTypedAhead(const QString& text);
    // A key for a message box of this window: true when it is held (a
    // character, until it is known whether a reader's code follows) or taken
    // as part of a scanned code, which then waits for the box to close. The
    // burst never goes into the box and never closes it.
    bool holdBoxKey(QWidget* target, const QKeyEvent& key);
    // Gives the box the characters held for it: they were the agent's own.
    void replayHeldKeys();
    void endTransaction(bool commit);
    // Closes the window from code (no question).
    void unloadWindow();
    void showFailure(const core::AppError& error, const QString& message);

    std::shared_ptr<datalib::DataSource> m_objOrdine;
    std::shared_ptr<datalib::DataSource> m_objRigheOrdine;
    int m_objEvents_RigheOrdine = -1;
    std::shared_ptr<datalib::DataSource> m_objLinee;
    std::shared_ptr<datalib::DataSource> m_objCategorie;
    std::shared_ptr<datalib::DataSource> m_objPromoKit;
    std::unique_ptr<controls::ViewGridSettings> m_objGridSettings;
    bool m_blnNewOrder = true;
    QString m_strRowColumns;
    bool editing_ = false;  // the order was opened for editing
    // The confirmed orders the window stood on, as they were stored when it
    // first came to them: Annulla puts them back.
    std::vector<datalib::RowImage> asConfirmed_;
    bool ownTransaction_ = false;
    bool activating_ = false;
    bool settingCode_ = false;
    bool unloading_ = false;  // closed by code: no question
    bool unloaded_ = false;
    QStringList scanQueue_;
    QString scanRest_;  // a code typed ahead without its line break
    QTimer* scanTimer_ = nullptr;
    bool processingScans_ = false;
    // The codes of the burst being added that matched no article, and the
    // message of the first one: named together once the burst is in.
    QStringList notFound_;
    QString notFoundMessage_;
    struct HeldKey {
        QPointer<QWidget> target;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    std::vector<HeldKey> heldKeys_;
    QTimer* boxHold_ = nullptr;
    bool replayingKeys_ = false;

    OrderWidgets w_;
};

}  // namespace orders::ui
