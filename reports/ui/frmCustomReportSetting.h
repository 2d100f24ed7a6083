#pragma once
// "Impostazione Report": the editor of the report layouts (profiles) of
// TabProspettiStampa. One shared modeless window, owned by the window that
// opened it: choose the data source and a profile, edit its sheet geometry,
// printer, group and VBScript with the script assistant, save, delete,
// restore the default script, test-print and preview the layout as it stands,
// export and import it as a ".vbs" file.

#include "reports/LayoutExport.h"
#include "reports/ReportLayoutRecord.h"
#include "reports/ui/frmCustomReportSettingWidgets.h"

#include <QDialog>
#include <QMap>
#include <QPointer>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QLineEdit;

namespace datalib {
class Database;
class Engine;
class TableDef;
}  // namespace datalib

namespace reports {

class LayoutScriptMenus;
class ScriptEditorAssistant;

class frmCustomReportSetting : public QDialog {
  public:
    // Opens the editor on the layouts of the table list ("Ordini", "Ordini.Righe")
    // with the report groups "A,B". A call while the window is open replaces
    // these and brings it forward; the lists built at the first call stay.
    static void EditSetting(QWidget* owner, std::shared_ptr<datalib::Database> database,
                            std::shared_ptr<datalib::Engine> engine, const QString& tableList,
                            bool includeAllReferences, bool noteRows, const QString& groupList);
    // The open editor, or nothing.
    static frmCustomReportSetting* instance();

    ~frmCustomReportSetting() override;

    // ---- Controls ------------------------------------------------------------------
    // Named as the window's layout names them.
    const CustomReportSettingWidgets& Widgets() const { return w_; }
    // The script assistant (its timer is tmFunc) and its insertion menus.
    ScriptEditorAssistant& assistant() { return *assistant_; }
    LayoutScriptMenus& menus() { return *menus_; }

    // ---- State -----------------------------------------------------------------------
    bool modified() const { return modified_; }
    QString GetSelectedTableName() const;
    QString GetSelectedReferenceName() const;
    // The script as stored: lines ending CR LF.
    QString scriptText() const;
    void setScriptText(const QString& script);
    // The source entry of each cbTableSel item, by its item data.
    const QMap<int, QString>& sourceList() const { return sourceList_; }

    void EnableEditControls(bool enable);
    void LoadProfile();
    bool SaveProfile();
    void AskSaveChanges();
    void SelectReportGroup(const QString& name);

    // ---- Commands --------------------------------------------------------------------
    void cbTableSel_Click();
    void cbReportName_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdDelete_Click();
    void cmdDefault_Click();
    void cmdTest_Click();
    void cmdPreview_Click();
    void cmdPrnSetting_Click();
    void cmdSelBackImage_Click();
    void cmdField_Click();
    void cmdInstruction_Click();
    void cmdSave_Click();
    void cmdLoad_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit frmCustomReportSetting(QWidget* owner);
    // Builds the controls (BuildCustomReportSettingWidgets) and binds them to the commands.
    void bindControls();
    void Form_Load();
    void Form_Activate();
    void fillSourceList();
    void setModified() { modified_ = true; }
    const datalib::TableDef* tableDef(const QString& name) const;
    // A size box, the stored layout's field it shows and saves, and the
    // export file's text it travels as.
    struct SizeBox {
        QLineEdit* box;
        core::Variant ReportLayoutRecord::*stored;
        QString ReportLayoutBoxes::*exported;
    };
    std::vector<SizeBox> sizeBoxes() const;
    // Fills the boxes from a stored layout, or from a new one's defaults.
    void showLayout(const ReportLayoutRecord& layout, bool isNew);
    ReportLayoutBoxes boxesShown() const;
    void focusQuietly(QWidget* control);
    // The save question; false when a wanted save failed.
    bool askSave();
    void runLayout(bool preview);
    // A failure of a step in a plain box titled with the program's name.
    void showFailure(const QString& description);

    std::shared_ptr<datalib::Database> db_;
    std::shared_ptr<datalib::Engine> engine_;
    QString tableList_;
    bool includeAllReferences_ = false;
    bool noteRows_ = false;
    QString groupList_;
    QMap<int, QString> sourceList_;
    bool modified_ = false;
    bool quietFocus_ = false;
    CustomReportSettingWidgets w_;
    ScriptEditorAssistant* assistant_ = nullptr;  // owned by the window
    LayoutScriptMenus* menus_ = nullptr;          // owned by the window
};

}  // namespace reports
