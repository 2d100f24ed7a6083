#pragma once
// Qt's own model tester over an item model, in fatal mode (a broken rule of
// the item models ends the test run), together with the item models' own
// warnings ("QAbstractItemModel::endInsertRows: Invalid index ...") that
// Qt prints without failing: they are gathered while the check lives.

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QStringList>

namespace testsupport {

class ModelCheck {
  public:
    explicit ModelCheck(QAbstractItemModel* model)
        : tester_(model, QAbstractItemModelTester::FailureReportingMode::Fatal) {
        current() = this;
        previous_ = qInstallMessageHandler(&ModelCheck::handler);
    }
    ~ModelCheck() {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    ModelCheck(const ModelCheck&) = delete;
    ModelCheck& operator=(const ModelCheck&) = delete;

    // The warnings of the item models (and of the views over them) so far.
    const QStringList& warnings() const { return warnings_; }

  private:
    static ModelCheck*& current() {
        static ModelCheck* check = nullptr;
        return check;
    }
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        ModelCheck* check = current();
        if (check && type != QtDebugMsg && type != QtInfoMsg &&
            (text.contains(QLatin1String("QAbstractItemModel")) ||
             text.contains(QLatin1String("QItemSelectionModel")) ||
             text.contains(QLatin1String("Invalid index")) || text.contains(QLatin1String("QHeaderView"))))
            check->warnings_ << text;
        if (check && check->previous_) check->previous_(type, context, text);
    }

    QAbstractItemModelTester tester_;
    QtMessageHandler previous_ = nullptr;
    QStringList warnings_;
};

}  // namespace testsupport
