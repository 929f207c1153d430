#include "session/undo_log.h"

#include <algorithm>

namespace pelvaro::session {

namespace {
// Records read ahead in one go when a command writes beyond the entries: appends come one
// after the other, and the stale records they overwrite are read once per block, not once each.
constexpr std::int32_t kReadAhead = 64;
// The most a run of records rewritten in place keeps in one piece.
constexpr std::size_t kRunBytes = std::size_t{1} << 20;
const std::string kNothing;
}  // namespace

UndoLog::UndoLog(db::RecordFiles& files, pcg::PcgState& pcg, bool& changed,
                 db::OriginStore& origins)
    : files_(files), pcg_(pcg), origins_(origins), changed_(changed) {
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
    current_ = Step{std::move(name), {}, std::nullopt, origins_.length(), std::nullopt,
                    false,           0,  changed_};
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
    step.originsChanged = origins_.length() != step.originsAt;
    if (step.originsChanged) changed_ = true;
    const bool changed =
        step.pcg || step.originsChanged ||
        std::ranges::any_of(step.files, [](const auto& f) { return f.has_value(); });
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
    const auto word = static_cast<std::size_t>(n) / 64;
    return word < bits.size() && (bits[word] >> (static_cast<std::size_t>(n) % 64) & 1) != 0;
}

void UndoLog::Captured::insert(std::int32_t first, std::int32_t last) {
    const auto words = static_cast<std::size_t>(last) / 64 + 1;
    if (bits.size() < words) bits.resize(std::max(words, 2 * bits.size()), 0);
    for (auto n = static_cast<std::size_t>(first); n <= static_cast<std::size_t>(last); ++n)
        bits[n / 64] |= std::uint64_t{1} << (n % 64);
}

void UndoLog::beforeWrite(db::Kind kind, std::int32_t record) {
    changed_ = true;
    if (!current_ || record < 0) return;
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
    db::RecordsRun* last = state->runs.empty() ? nullptr : &state->runs.back();
    const bool follows = last != nullptr && last->first + last->records == record;
    if (offset >= state->size) {
        // Beyond the file's end as it was: nothing to keep, the old length cuts it off again.
        // Appends come one after the other and join the run before them, so a million of them
        // cost one run, not a million.
        captured.insert(record, record);
        if (follows && last->bytes.empty())
            ++last->records;
        else
            state->runs.push_back({record, 1, {}});
        return;
    }
    if (record <= files_.count(kind)) {
        // An entry in place: that record, read from the file mapped into memory rather than
        // with a call each, since a command may rewrite thousands. A record that follows the
        // run before it, whole, joins it.
        std::array<Byte, db::DrumKitLayout::kSize> old{};
        const Bytes bytes = Bytes(old).first(static_cast<std::size_t>(size));
        const std::size_t got = file.readMappedAt(offset, bytes, state->size);
        captured.insert(record, record);
        const bool joins = follows && !last->bytes.empty() &&
                           last->bytes.size() == static_cast<std::size_t>(last->records * size);
        if (joins && last->bytes.size() + bytes.size() <= kRunBytes) {
            last->bytes.insert(last->bytes.end(), bytes.begin(),
                               bytes.begin() + static_cast<std::ptrdiff_t>(got));
            ++last->records;
            return;
        }
        // A long run goes on in a run of its own, its room taken at once: a run that grew on
        // and on would be copied each time it grows.
        db::RecordsRun run{record, 1, {}};
        run.bytes.reserve(joins ? kRunBytes : bytes.size());
        run.bytes.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(got));
        state->runs.push_back(std::move(run));
        return;
    }
    // Beyond the entries: that record and the ones after it that the next appends will overwrite,
    // in one read, up to a record kept already.
    std::int32_t end = static_cast<std::int32_t>(
        std::min<std::int64_t>(record + kReadAhead - 1, (state->size - 1) / size));
    for (std::int32_t n = record + 1; n <= end; ++n)
        if (captured.contains(n)) {
            end = n - 1;
            break;
        }
    db::RecordsRun run{record, end - record + 1,
                       std::vector<Byte>(static_cast<std::size_t>(end - record + 1) *
                                         static_cast<std::size_t>(size))};
    run.bytes.resize(file.readAt(offset, run.bytes));
    captured.insert(record, end);
    state->runs.push_back(std::move(run));
}

std::size_t UndoLog::sizeOf(const Step& step) {
    std::size_t bytes = step.pcg ? pcg::kPcgSize + 64 : 0;
    if (step.originsCut) bytes += step.originsCut->size();
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
        if (step.originsChanged) {
            changed_ = true;
            if (step.originsCut) {
                origins_.append(*step.originsCut);
                step.originsCut.reset();
            } else {
                step.originsCut = origins_.cutTo(step.originsAt);
            }
            origins_.flush();
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
