#pragma once
// Tells the windows that show what the database holds that it has changed, whatever changed it:
// a command of any window, an undo or a redo, New or Open Database. It watches the record files
// themselves, so no command can forget to tell. It tells once per command, from the event loop
// after the command has ended, never while a command is under way (its writes gathered), even
// when a progress window lets the event loop run in the middle of one.

#include <QObject>
#include <cstdint>

#include "db/record_files.h"

namespace pelvaro::app {

class DatabaseWatch : public QObject, private db::RecordObserver {
    Q_OBJECT

  public:
    // The watch must go before the files do.
    explicit DatabaseWatch(db::RecordFiles& files, QObject* parent = nullptr);
    ~DatabaseWatch() override;
    DatabaseWatch(const DatabaseWatch&) = delete;
    DatabaseWatch& operator=(const DatabaseWatch&) = delete;

    // Goes up with every change: a window that keeps the revision of what it shows knows whether
    // that is still true.
    std::uint64_t revision() const { return revision_; }

  signals:
    // The database has changed since the last time this was told.
    void changed();

  private:
    void recordWritten(db::Kind, std::int32_t, ConstBytes) override { noteChange(); }
    void countChanged(db::Kind, std::int32_t) override { noteChange(); }
    void fileReplaced(db::Kind) override { noteChange(); }
    void writeFailed(db::Kind) override { noteChange(); }
    void batchEnded() override;
    void noteChange();
    // Asks the event loop to tell, once, what is untold.
    void post();
    void tell();

    db::RecordFiles& files_;
    std::uint64_t revision_ = 0;
    bool untold_ = false;  // changes the windows have not been told of
    bool posted_ = false;  // a call of tell() waits in the event loop
};

}  // namespace pelvaro::app
