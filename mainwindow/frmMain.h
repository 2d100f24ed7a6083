#pragma once
// The main window: the program's hub. This part holds its road from start to
// end: the load (placement, tray icon, caption), the first activation that
// opens the agent's database behind the splash and signs the operator in, the
// closing (the close box only hides or minimises it; any other close unloads
// the other windows first) and the unload (placement saved, tray icon
// removed, database released). It is also the data library's notification
// sink: status texts, warnings and questions.

#include "datalib/Interfaces.h"
#include "startup/ui/InitDatabase.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

class QAction;
class QLabel;
class QMenu;

namespace startup {
class clsOSTNA;
}

namespace mainwindow {

class MainBrowser;
class MainCommands;

class frmMain : public QMainWindow, public datalib::itfNotifyEvent, public startup::DatabaseHost {
    Q_OBJECT
  public:
    // Who asks the window to close.
    enum class UnloadMode {
        ControlMenu,  // the window's close box or system menu
        Code,         // a command of the program, the tray menu, the session's end
    };

    // Loads the window: common font, placement, tray icon, caption.
    frmMain();
    ~frmMain() override;

    // The caption: software name and agent; the long form adds the date of
    // the last update and the program version.
    void SetAppTitle(bool bShort);
    // Text of the status bar's first panel.
    void SetStatusMsg(const QString& text);
    // Detaches the views from the database, then closes the database.
    void ReleaseDatabase();

    // The body of the activation: the first one (and every one after a failed
    // one) opens the database, applies the branding and signs the operator in.
    // Does nothing while it runs already, while the options window is open or
    // while the window closes.
    void Form_Activate();
    // The query-unload: true when the window may be unloaded. From the close
    // box the window is hidden into the tray (minimised when no tray icon is
    // shown) and the answer is false; otherwise the other windows are closed
    // first, and a refusal keeps the program running.
    bool Form_QueryUnload(UnloadMode mode);

    // Signs the operator in: the start passes true, "Operatore", false.
    bool UserLogin(bool bLogin, const QString& strUser, bool bChangePassword);
    // After a sign-in: the navigation tree rebuilt for the operator's level,
    // the view of its selected node, the administrator's menu items.
    void ShowSignedIn();
    // "Cambia &utente..." (File menu): another operator chosen from the list
    // and signed in, the tree and the view built for him; a cancelled choice
    // ends the program. "Cambia pass&word...": the signed-in operator's
    // password checked and changed.
    void mnuChangeUser_Click();
    void mnuChangePwd_Click();

    // True once the database is open and the operator signed in.
    bool IsInitialised() const { return initialised_; }
    // The stored placement as read by the load (twips, state 0, 1 or 2).
    struct Placement {
        double left = 1000, top = 1000, width = 6500, height = 6500;
        int state = 2;
        double split = 3500;
    };
    static Placement ReadPlacement();
    // Saves the placement as the unload does.
    void SavePlacement();

    startup::clsOSTNA* Tray() const { return tray_; }
    // The browsing part: navigation tree, data grid, quick search.
    MainBrowser* Browser() const { return browser_; }
    // The commands: toolbar, menus and the places where the other parts of
    // the program plug their commands in (see MainCommands).
    MainCommands* Commands() const;
    // Opens the current row: the order window for an order still open (or
    // with force), else the edit panel.
    void ViewEditData(bool force);
    QLabel* sbStatusText() const { return statusText_; }

    // Test seam: replaces the options window, shown modally (the result tells
    // whether it was confirmed) or modeless. An empty function restores it.
    using OptionsWindow = std::function<bool(QWidget* owner, bool modal)>;
    static void SetOptionsWindow(OptionsWindow window);

    // Test seam: while false, showing and activating the window do not run
    // Form_Activate by themselves.
    static void SetAutomaticActivation(bool on);

    // itfNotifyEvent
    void OnEvent(int& p_code, int p_unused, QString& p_text) override;
    void OnInternalMessage(int p_unused, QString& p_message) override;
    void OnQueryMessage(int p_unused, int p_kind, QString& p_question, bool& p_answer) override;

    // DatabaseHost
    QWidget* hostWindow() override { return this; }
    datalib::itfNotifyEvent* notifySink() override { return this; }
    void releaseDatabase() override { ReleaseDatabase(); }
    bool showOptionsModal() override;
    bool askFirstRunValues(startup::FirstRunValues& values) override;
    void endProgram() override;

  signals:
    // The first activation ended: the database is open and the operator
    // signed in (ok), or the start gave up.
    void firstActivationDone(bool ok);
    // The window was unloaded: the program ends.
    void unloaded();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Form_Load();
    void Form_Unload();
    void ApplyBranding();
    bool CloseOtherWindows(QString* refused, QPointer<QWidget>* stayed = nullptr);
    void queueActivation();
    void showOptions();
    void closeLater();

    startup::clsOSTNA* tray_ = nullptr;
    QLabel* statusText_ = nullptr;
    MainBrowser* browser_ = nullptr;
    QAction* mnuFileClose_ = nullptr;
    QAction* mnuChangeUser_ = nullptr;
    QAction* mnuChangePwd_ = nullptr;
    bool busy_ = false;
    bool initialised_ = false;
    bool closing_ = false;
    bool unloaded_ = false;
    bool activationQueued_ = false;
    bool closeRequested_ = false;
};

}  // namespace mainwindow
