#include "app/database_watch.h"

namespace pelvaro::app {

DatabaseWatch::DatabaseWatch(db::RecordFiles& files, QObject* parent)
    : QObject(parent), files_(files) {
    files_.addObserver(this);
}

DatabaseWatch::~DatabaseWatch() {
    files_.removeObserver(this);
}

void DatabaseWatch::noteChange() {
    ++revision_;
    untold_ = true;
    // A command's gathered writes are told of when its batch ends.
    if (!files_.gathering()) post();
}

void DatabaseWatch::batchEnded() {
    if (untold_) post();
}

void DatabaseWatch::post() {
    if (posted_) return;
    posted_ = true;
    QMetaObject::invokeMethod(this, &DatabaseWatch::tell, Qt::QueuedConnection);
}

void DatabaseWatch::tell() {
    posted_ = false;
    // Reached from inside a command (a progress window runs the event loop): its batch's end
    // posts again.
    if (!untold_ || files_.gathering()) return;
    untold_ = false;
    emit changed();
}

}  // namespace pelvaro::app
