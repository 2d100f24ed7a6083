#pragma once
// The label layout editor: the one label layout of a chosen table (printer,
// label grid, orientation, start-position question, copies and the
// PrintLabel script), saved into TabStampaEtichette; test print and preview
// of one row of labels, the default script, export and import of the layout
// as a ".vbs" file, and the layout editors' script assistant with the label
// script's one data set `ds`.

#include "labels/LabelLayoutFile.h"
#include "labels/ui/frmLabelPrintSettingWidgets.h"

#include <QString>
#include <QWidget>

#include <memory>

namespace datalib {
class Database;
struct ReferenceDef;
}  // namespace datalib

namespace reports {
class LayoutScriptMenus;
class ScriptEditorAssistant;
}  // namespace reports

namespace labels {

class frmLabelPreview;
struct LabelLayoutRecord;

class frmLabelPrintSetting : public QWidget {
    Q_OBJECT
  public:
    explicit frmLabelPrintSetting(QWidget* owner = nullptr);
    ~frmLabelPrintSetting() override;

    // Opens the editor, not modal, over the owner. tableList: comma-separated
    // table names that may be chosen ("" = every user table); defaultScript:
    // what "Imposta Predefinito" writes ("" = the built-in label script).
    void EditSetting(QWidget* owner, std::shared_ptr<datalib::Database> db, const QString& tableList,
                     const QString& defaultScript);

    QString GetSelectedTableName() const;
    void EnableFormControls(bool enable);
    // Fills and pops the menu of a reference's table (fields, then references).
    void LoadReferenceMenu(const datalib::ReferenceDef& reference);
    // Inserts a read of the field at the caret.
    void BuildColValueText(const QString& field);

    // The controls, named as the window's layout names them.
    const LabelPrintSettingWidgets& Widgets() const { return w_; }
    bool modified() const { return modified_; }
    reports::ScriptEditorAssistant& assistant() { return *assistant_; }
    // The preview window shared by every editor; it outlives them.
    static frmLabelPreview* sharedPreview();

    // The script assistant's menus (the tests open and choose their items).
    reports::LayoutScriptMenus& menus() { return *menus_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Builds the controls (BuildLabelPrintSettingWidgets) and binds them to the commands.
    void bindControls();
    void loadWindow();
    void chooseSingleTable();
    void cbTableSel_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdDefault_Click();
    void cmdPrnSetting_Click();
    void runLabels(bool preview);
    void cmdSave_Click();
    void cmdLoad_Click();
    bool askLeave();
    LabelLayoutBoxes boxesShown() const;
    void showBoxes(const LabelLayoutBoxes& boxes);
    // Fills the boxes from a stored layout, or from a new one's defaults.
    void showLayout(const LabelLayoutRecord& layout);
    void setModified() { modified_ = true; }
    void setScript(const QString& script);
    QString scriptText() const;

    std::shared_ptr<datalib::Database> db_;
    QString tableList_;
    QString defaultScript_;
    bool modified_ = false;
    bool loaded_ = false;
    bool leaving_ = false;  // "Esci" has asked already

    LabelPrintSettingWidgets w_;
    std::unique_ptr<reports::ScriptEditorAssistant> assistant_;

    reports::LayoutScriptMenus* menus_ = nullptr;
};

}  // namespace labels
