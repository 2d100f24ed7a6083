#pragma once
// One running copy of the program per user: the first start listens on a
// local socket named after the user, in a folder that only the user can
// reach (so that another account cannot take the name first); a later start
// finds it, asks the running copy to show its window and ends.

#include <QObject>
#include <QString>

class QLocalServer;

namespace startup {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // The socket of this user: a path in a folder of mode 700 owned by the
    // user, under the user's runtime folder when there is one (tests give
    // names of their own). Empty when no such folder can be had.
    static QString DefaultName();

    explicit SingleInstance(const QString& name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only running copy (it now answers later starts);
    // false when another copy runs, which is asked to show its window. A
    // socket left behind by a copy that ended abnormally is taken over.
    bool Claim();
    bool IsPrimary() const { return server_ != nullptr; }
    const QString& Name() const { return name_; }

    // The message of a second start.
    static QString AlreadyRunningText();
    // Shows it (information icon).
    static void ShowAlreadyRunning();

  signals:
    // A later start asked this copy to show its window.
    void activationRequested();

  private:
    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace startup
