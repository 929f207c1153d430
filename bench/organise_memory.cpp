// A session that opens a database and finds its near-duplicate programs at N = 2, in a process
// of its own, so that its peak memory is its own: bench_organise runs it and reports what it
// prints.
//   organise_memory <database.pvd> <start folder with bos.dat>
//     ->  "<peak resident MiB after Open> <peak resident MiB after the search>"
#include <sys/resource.h>

#include <cstdio>

#include "session/organise_commands.h"

namespace {
double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    pelvaro::session::Session session(argv[2]);
    session.openDatabase(argv[1]);
    const double opened = peakMiB();
    const auto groups =
        pelvaro::session::findNearDuplicates(session, pelvaro::db::Kind::Program, 2);
    std::printf("%.1f %.1f\n", opened, peakMiB());
    std::fprintf(stderr, "%zu groups\n", groups.size());
    session.shutDown();
    return 0;
}
