// A session that merges a database into an empty one, in a process of its own, so that its peak
// memory is its own: bench_merge runs it and reports what it prints.
//   merge_memory <database.pvd> <start folder with bos.dat>
//     ->  "<peak resident MiB> <programs stored>"
#include <sys/resource.h>

#include <cstdio>

#include "session/merge_databases.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    pelvaro::session::Session session(argv[2]);
    const pelvaro::session::MergeOutcome merged =
        pelvaro::session::mergeDatabases(session, {argv[1]});
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f %d\n", static_cast<double>(usage.ru_maxrss) / 1024.0,
                session.files().count(pelvaro::db::Kind::Program));
    if (merged.failure) std::fprintf(stderr, "%s\n", merged.failure->c_str());
    session.shutDown();
    return merged.failure || merged.totals.databases != 1 ? 1 : 0;
}
