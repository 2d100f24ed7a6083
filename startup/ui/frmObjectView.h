#pragma once
// The window that hosts an external document viewer ("Anteprima
// documenti/immagini esterne") for the PrintObject member of the page
// objects: it creates a viewer of a known class, lets the layout load a
// file into it, and prints it through a method named in a text.
//
// Only the classes registered here can be created; a layout naming any
// other class gets error 32755 naming it. Known: "Shell.Explorer", an HTML
// viewer ("navigate" file, "ExecWB 6, 1" prints it).

#include "core/AppError.h"
#include "core/Object.h"
#include "core/Variant.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace controls {
class MubCommand;
}

namespace startup {

class frmObjectView : public QDialog {
  public:
    // What a registered class gives: the object the layout talks to and the
    // widget that shows it.
    struct Hosted {
        std::shared_ptr<core::Object> object;
        QWidget* widget = nullptr;
    };
    using Factory = std::function<Hosted(QWidget* parent)>;
    static void registerClass(const QString& classId, Factory factory);

    // The one window of the program, created when first used.
    static frmObjectView& instance();

    // Replaces the hosted viewer by a new one of the class under the control
    // name, keeps the print method text and the show flag, lays the window
    // out and returns the viewer's object. A class that is not registered
    // raises error 32755 with the context given.
    std::shared_ptr<core::Object> SetObject(const QString& classId, const QString& controlName,
                                            const QString& printMethod, bool show,
                                            const QString& context = QStringLiteral("frmObjectView"));
    void AdjustObjectSize();
    // Shows the window modally: without the show flag it prints at once and
    // closes. A stop of the script's run while it prints is raised again
    // here, once the window is closed.
    void showModal();
    // Runs the print method on the hosted object (the print button).
    void Print();

    controls::MubCommand* cmdExit() const { return cmdExit_; }
    controls::MubCommand* cmdPrint() const { return cmdPrint_; }
    QWidget* hostedWidget() const { return hosted_.widget; }

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    explicit frmObjectView(QWidget* parent = nullptr);
    void removeHosted();
    void activated();

    Hosted hosted_;
    QString controlName_;
    QString printMethod_;
    bool show_ = false;
    std::optional<core::AppError> runStopped_;
    controls::MubCommand* cmdExit_ = nullptr;
    controls::MubCommand* cmdPrint_ = nullptr;
};

// Splits a print method text into the method's name and its arguments (numbers
// as numbers, anything else as text, quotes and all). No arguments: an empty list.
struct PrintMethodCall {
    QString name;
    std::vector<core::Variant> args;
};
PrintMethodCall ParsePrintMethod(const QString& text);

}  // namespace startup
