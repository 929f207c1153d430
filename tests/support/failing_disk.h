#pragma once
// A disk that fails on purpose: the n-th file operation of a kind fails, as a missing file, an
// unreadable disk or a full disk would. A short write stores half its bytes and then fails, as
// a disk that fills up in the middle of a write; it strikes writes. The failure is armed for as
// long as the object lives and disarmed when it goes, however the test ends.
//
//   FailNth fail(FailNth::Op::Write, 2);   // the second write from now on fails
//   EXPECT_THROW(..., io::FileError);
//   EXPECT_FALSE(fail.pending());           // it did strike

#include "io/file_stream.h"

namespace pelvaro::testing {

class FailNth : public io::FaultInjector {
  public:
    enum class Op { Create, Open, Read, Write, ShortWrite, Rename };

    FailNth(Op op, int n);
    ~FailNth() override;
    FailNth(const FailNth&) = delete;
    FailNth& operator=(const FailNth&) = delete;

    // True while the failure has not struck yet: a run that ends with it still pending met
    // fewer than n operations of the kind, so a test stepping n upwards has tried every one.
    bool pending() const { return remaining_ > 0; }

    Outcome before(io::FileOp op) override;

  private:
    Op op_;
    int remaining_;
    io::FaultInjector* previous_;
};

}  // namespace pelvaro::testing
