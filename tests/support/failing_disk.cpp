#include "failing_disk.h"

namespace pelvaro::testing {

FailNth::FailNth(Op op, int n) : op_(op), remaining_(n), previous_(io::setFaultInjector(this)) {}

FailNth::~FailNth() {
    io::setFaultInjector(previous_);
}

io::FaultInjector::Outcome FailNth::before(io::FileOp op) {
    if (remaining_ <= 0) return Outcome::Proceed;
    const io::FileOp kind = [&] {
        switch (op_) {
            case Op::Create:
                return io::FileOp::Create;
            case Op::Open:
                return io::FileOp::Open;
            case Op::Read:
                return io::FileOp::Read;
            case Op::Rename:
                return io::FileOp::Rename;
            case Op::Write:
            case Op::ShortWrite:
                return io::FileOp::Write;
        }
        return io::FileOp::Write;
    }();
    if (kind != op || --remaining_ > 0) return Outcome::Proceed;
    return op_ == Op::ShortWrite ? Outcome::FailHalfWay : Outcome::Fail;
}

}  // namespace pelvaro::testing
