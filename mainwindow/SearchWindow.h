#pragma once
// The frame the two search windows share: a modal dialog that fills the
// view's selection (a SelectionCriteria of the view's table) and reports
// whether it was confirmed, with its two buttons and the quick-help list.
//
// ShowSelection loads the window again on every show, so earlier entries
// are gone. OK that fails (a library error) shows the error and closes the
// window as not confirmed; a window that cannot load (its look-up tables)
// shows the error and raises it to the caller.

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace datalib {
class SelectionCriteria;
}

namespace controls {
class MubCommand;
}

namespace mainwindow {

class QuickHelpList;
struct QuickHelpSource;

class SearchWindow : public QDialog {
    Q_OBJECT
  public:
    controls::MubCommand* cmdOk() const { return cmdOk_; }
    controls::MubCommand* ctlMubCommand1() const { return cancel_; }
    QuickHelpList* QuickHelp() const { return help_; }
    bool Confirmed() const { return confirmed_; }

  protected:
    SearchWindow(QWidget* owner, const QString& caption);

    // Lays the buttons under the window's own controls.
    void finishLayout(QWidget* fields);
    // OK: the subclass's checks and conditions; false leaves the window open.
    virtual bool buildSelection(datalib::SelectionCriteria& selection) = 0;

    // The frame of ShowSelection: makes the window (loading may raise),
    // shows it modally (through controls::runSearchDialog, so that tests can
    // play the operator) and hands back the answer.
    static void showWindow(const std::function<std::unique_ptr<SearchWindow>()>& make,
                           datalib::SelectionCriteria& selection, bool& confirmed);

    // How a customer or an article is looked for by the typed text: the
    // row with that very code (code 0 on "Codice"), otherwise the rows
    // whose name contains the text (code 257 on the name column). The text
    // is always bound as a value, so apostrophes and "%" are plain characters.
    struct ColumnAndCode {
        QString column;
        int code;
    };
    static ColumnAndCode CodeOrName(const QString& table, const QString& nameColumn, const QString& typed);
    // The customer box's quick help: company names of active customers,
    // else their codes with the names.
    static const QuickHelpSource kCustomerHelp;
    // The message boxes of the window: OK only, titled with the software name.
    void tell(const QString& text);

  private:
    void cmdOk_Click();

    controls::MubCommand* cmdOk_ = nullptr;
    controls::MubCommand* cancel_ = nullptr;
    QuickHelpList* help_ = nullptr;
    datalib::SelectionCriteria* selection_ = nullptr;
    bool confirmed_ = false;
};

}  // namespace mainwindow
