#include "session/undo_log.h"

#include <algorithm>

namespace pelvaro::session {

namespace {
// Records read ahead in one go when a command writes beyond the entries: appends come one
// after the other, and the stale records they overwrite are read once per block, not once each.
constexpr std::int32_t kReadAhead = 64;
const std::string kNothing;
}  // namespace

UndoLog::UndoLog(db::RecordFiles& files, pcg::PcgState& pcg, bool& changed)
    : files_(files), pcg_(pcg), changed_(changed) {
    files_.setWriteWatcher(this);
}

UndoLog::~UndoLog() {
    files_.setWriteWatcher(nullptr);
}

UndoLog::PcgSnapshot UndoLog::snapshot() const {
    return {pcg_.image, pcg_.occupancy, pcg_.pcgFileName};
}

void UndoLog::begin(std::string name, bool changesPcg) {
    if (depth_++ > 0) return;  // a command inside another is part of it
    current_ = Step{std::move(name), {}, std::nullopt, 0, changed_};
    if (changesPcg) current_->pcg = snapshot();
    for (Captured& captured : captured_)
        captured.clear();
}

void UndoLog::end() {
    if (depth_ == 0 || --depth_ > 0) return;
    Step step = std::move(*current_);
    current_.reset();
    // A PCG that came out as it went in was not changed.
    if (step.pcg && step.pcg->image == pcg_.image && step.pcg->occupancy == pcg_.occupancy &&
        step.pcg->pcgFileName == pcg_.pcgFileName)
        step.pcg.reset();
    // Nor are files that hold again what they held (Submit with nothing edited).
    for (db::Kind kind : db::kAllKinds) {
        auto& kept = step.files[static_cast<std::size_t>(kind)];
        if (kept && holdsAgain(kind, *kept)) kept.reset();
    }
    const bool changed =
        step.pcg || std::ranges::any_of(step.files, [](const auto& f) { return f.has_value(); });
    if (!changed) {
        changed_ = step.changedBefore;
        return;
    }
    step.bytes = sizeOf(step);
    for (const Step& dropped : redo_)
        bytes_ -= dropped.bytes;
    redo_.clear();
    bytes_ += step.bytes;
    const bool pcgChanged = step.pcg.has_value();
    undo_.push_back(std::move(step));
    while (!undo_.empty() && (undo_.size() > kMostSteps || bytes_ > kMostBytes)) {
        bytes_ -= undo_.front().bytes;
        undo_.erase(undo_.begin());
    }
    if (pcgChanged && pcgListener_) pcgListener_();
}

bool UndoLog::holdsAgain(db::Kind kind, const db::RecordsState& kept) const {
    const io::FileStream& file = files_.stream(kind);
    // Lengths and counts first: nearly every real change moves one of them, and costs no read.
    if (file.size() != kept.size || files_.count(kind) != kept.count) return false;
    const auto size = static_cast<std::int64_t>(db::layoutOf(kind).recordSize);
    std::vector<Byte> now;
    try {
        for (const db::RecordsRun& run : kept.runs) {
            now.resize(run.bytes.size());
            if (file.readAt(run.first * size, now) != now.size() || now != run.bytes) return false;
        }
    } catch (const io::FileError&) {
        return false;  // cannot tell: the step stays, to be undone if need be
    }
    return true;
}

bool UndoLog::Captured::contains(std::int32_t n) const {
    for (const auto& [first, last] : runs)
        if (n >= first && n <= last) return true;
    return records.contains(n);
}

void UndoLog::Captured::clear() {
    records.clear();
    runs.clear();
}

void UndoLog::beforeWrite(db::Kind kind, std::int32_t record) {
    changed_ = true;
    if (!current_) return;
    const auto k = static_cast<std::size_t>(kind);
    auto& state = current_->files[k];
    Captured& captured = captured_[k];
    const io::FileStream& file = files_.stream(kind);
    const auto size = static_cast<std::int64_t>(db::layoutOf(kind).recordSize);
    if (!state) {
        state = db::RecordsState{file.size(), files_.count(kind), {}};
        captured.clear();
    }
    if (captured.contains(record)) return;
    const std::int64_t offset = record * size;
    if (offset >= state->size) {
        // Beyond the file's end as it was: nothing to keep, the old length cuts it off again.
        captured.records.insert(record);
        state->runs.push_back({record, 1, {}});
        return;
    }
    if (record <= files_.count(kind)) {
        // An entry in place: that record.
        captured.records.insert(record);
        db::RecordsRun run{record, 1, std::vector<Byte>(static_cast<std::size_t>(size))};
        run.bytes.resize(file.readAt(offset, run.bytes));
        state->runs.push_back(std::move(run));
        return;
    }
    // Beyond the entries: that record and the ones after it that the next appends will overwrite,
    // in one read, up to a record kept already.
    std::int32_t last = static_cast<std::int32_t>(
        std::min<std::int64_t>(record + kReadAhead - 1, (state->size - 1) / size));
    for (std::int32_t n = record + 1; n <= last; ++n)
        if (captured.contains(n)) {
            last = n - 1;
            break;
        }
    db::RecordsRun run{record, last - record + 1,
                       std::vector<Byte>(static_cast<std::size_t>(last - record + 1) *
                                         static_cast<std::size_t>(size))};
    run.bytes.resize(file.readAt(offset, run.bytes));
    captured.runs.emplace_back(record, last);
    state->runs.push_back(std::move(run));
}

std::size_t UndoLog::sizeOf(const Step& step) {
    std::size_t bytes = step.pcg ? pcg::kPcgSize + 64 : 0;
    for (const auto& state : step.files)
        if (state)
            for (const db::RecordsRun& run : state->runs)
                bytes += run.bytes.size() + sizeof(run);
    return bytes;
}

bool UndoLog::apply(Step& step) {
    if (std::ranges::any_of(step.files, [](const auto& f) { return f.has_value(); }))
        changed_ = true;
    try {
        for (db::Kind kind : db::kAllKinds) {
            auto& state = step.files[static_cast<std::size_t>(kind)];
            if (state) state = files_.swapState(kind, *state);
        }
    } catch (...) {
        clear();
        throw;
    }
    if (step.pcg) {
        PcgSnapshot now = snapshot();
        pcg_.image = std::move(step.pcg->image);
        pcg_.occupancy = step.pcg->occupancy;
        pcg_.pcgFileName = std::move(step.pcg->pcgFileName);
        step.pcg = std::move(now);
        return true;
    }
    return false;
}

void UndoLog::undo() {
    if (undo_.empty() || current_) return;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    bytes_ -= step.bytes;
    const bool pcgChanged = apply(step);
    step.bytes = sizeOf(step);
    bytes_ += step.bytes;
    redo_.push_back(std::move(step));
    if (pcgChanged && pcgListener_) pcgListener_();
}

void UndoLog::redo() {
    if (redo_.empty() || current_) return;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    bytes_ -= step.bytes;
    const bool pcgChanged = apply(step);
    step.bytes = sizeOf(step);
    bytes_ += step.bytes;
    undo_.push_back(std::move(step));
    if (pcgChanged && pcgListener_) pcgListener_();
}

void UndoLog::clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
}

const std::string& UndoLog::undoName() const {
    return undo_.empty() ? kNothing : undo_.back().name;
}

const std::string& UndoLog::redoName() const {
    return redo_.empty() ? kNothing : redo_.back().name;
}

}  // namespace pelvaro::session
