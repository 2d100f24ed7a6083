#pragma once
// While a numbering script or a layout runs, the data it reaches is
// read-only to it: no Part of the program asks a script to write data, and
// a script received from head office (or from whoever answered in its
// place) could otherwise delete or change the agent's unsent orders
// unseen. The calls a script makes into the data sources (their members
// reached by name) may read and move, set filters and sort orders, but a
// change of a value, a new row, a save, a delete or the cancelling of a
// change in progress is refused with a message that names the script. The
// program's own work during the run (the runner's moves, the hooks of the
// change that started a numbering script) is not the script's and goes on.
//
//   datalib::ReadOnlyScript readOnly(QStringLiteral("Il codice di stampa del prospetto \"Lista\""));
//   runTheLayout();

#include <QString>

namespace datalib {

class ReadOnlyScript {
  public:
    // name: the script as the refusals name it, the subject of their sentence.
    explicit ReadOnlyScript(QString name);
    ~ReadOnlyScript();
    ReadOnlyScript(const ReadOnlyScript&) = delete;
    ReadOnlyScript& operator=(const ReadOnlyScript&) = delete;

    // The name of the innermost script running on this thread; nullptr when none.
    static const QString* running();

  private:
    QString name_;
    const ReadOnlyScript* outer_;
};

}  // namespace datalib
