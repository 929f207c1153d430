// The SQLite yardstick our sends are measured against: shared/perf/sqlite_anchor.cpp, its logic
// unchanged, split into the set-up and one timed run. Anchor: what a user would pick instead — a
// SQLite librarian store (one row per sound, a unique fingerprint index over the compared bytes,
// name excluded), doing the same work as "send a whole PCG to the database": 200 programs + 200
// combinations, about half new, into a store that already holds N programs and N combinations. The
// median of many runs is what the benchmarks compare.
#include "sqlite_anchor.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace pelvaro::bench {

namespace {
uint64_t fnv(const unsigned char* p, size_t n) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}
void ck(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        exit(1);
    }
}
}  // namespace

struct SqliteAnchor::Store {
    std::mt19937_64 rng{42};
    std::string path;
    sqlite3* db = nullptr;
    sqlite3_stmt *ip = nullptr, *ic = nullptr, *qp = nullptr, *qc = nullptr;
    std::vector<std::vector<unsigned char>> oldP, oldC;

    std::vector<unsigned char> rec(int size) {
        std::vector<unsigned char> r(size);
        for (auto& b : r)
            b = rng();
        return r;
    }
    long put(sqlite3_stmt* st, const std::vector<unsigned char>& r, size_t a, size_t b) {
        sqlite3_bind_int64(st, 1, (sqlite3_int64)fnv(r.data() + a, b - a));
        sqlite3_bind_blob(st, 2, r.data(), (int)r.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, "From: /home/user/pcg/some_file.pcg", -1, SQLITE_STATIC);
        ck(sqlite3_step(st), db);
        sqlite3_reset(st);
        return sqlite3_last_insert_rowid(db);
    }
    long find_or_add(sqlite3_stmt* q, sqlite3_stmt* ins, const std::vector<unsigned char>& r,
                     size_t a, size_t b) {
        sqlite3_bind_int64(q, 1, (sqlite3_int64)fnv(r.data() + a, b - a));
        long id = -1;
        while (sqlite3_step(q) == SQLITE_ROW) {
            const unsigned char* blob = (const unsigned char*)sqlite3_column_blob(q, 1);
            if (memcmp(blob + a, r.data() + a, b - a) == 0) {
                id = sqlite3_column_int64(q, 0);
                break;
            }
        }
        sqlite3_reset(q);
        if (id < 0) id = put(ins, r, a, b);
        return id;
    }
};

SqliteAnchor::SqliteAnchor(int N, const std::string& folder, const std::string& sync)
    : store_(std::make_unique<Store>()) {
    Store& s = *store_;
    s.path = folder + "/sqlite_anchor.db";
    remove(s.path.c_str());
    remove((s.path + "-journal").c_str());
    sqlite3_open(s.path.c_str(), &s.db);
    std::string pragmas = std::string("PRAGMA synchronous=") + sync + ";";
    sqlite3_exec(s.db, pragmas.c_str(), 0, 0, 0);
    sqlite3_exec(s.db,
                 "CREATE TABLE prg(id INTEGER PRIMARY KEY, fp INTEGER, rec BLOB, expl TEXT, drum "
                 "INTEGER);"
                 "CREATE INDEX prg_fp ON prg(fp);"
                 "CREATE TABLE cmb(id INTEGER PRIMARY KEY, fp INTEGER, rec BLOB, expl TEXT, t0 "
                 "INT,t1 INT,t2 INT,t3 INT,t4 INT,t5 INT,t6 INT,t7 INT);"
                 "CREATE INDEX cmb_fp ON cmb(fp);",
                 0, 0, 0);
    sqlite3_prepare_v2(s.db, "INSERT INTO prg(fp,rec,expl,drum) VALUES(?,?,?,0)", -1, &s.ip, 0);
    sqlite3_prepare_v2(s.db,
                       "INSERT INTO cmb(fp,rec,expl,t0,t1,t2,t3,t4,t5,t6,t7) "
                       "VALUES(?,?,?,0,0,0,0,0,0,0,0)",
                       -1, &s.ic, 0);
    sqlite3_prepare_v2(s.db, "SELECT id, rec FROM prg WHERE fp=? ORDER BY id", -1, &s.qp, 0);
    sqlite3_prepare_v2(s.db, "SELECT id, rec FROM cmb WHERE fp=? ORDER BY id", -1, &s.qc, 0);
    sqlite3_exec(s.db, "BEGIN", 0, 0, 0);
    for (int i = 0; i < N; ++i) {
        auto p = s.rec(164);
        s.put(s.ip, p, 10, 162);
        if (i < 100) s.oldP.push_back(p);
    }
    for (int i = 0; i < N; ++i) {
        auto c = s.rec(136);
        s.put(s.ic, c, 10, 132);
        if (i < 100) s.oldC.push_back(c);
    }
    sqlite3_exec(s.db, "COMMIT", 0, 0, 0);
}

SqliteAnchor::~SqliteAnchor() {
    Store& s = *store_;
    for (sqlite3_stmt* st : {s.ip, s.ic, s.qp, s.qc})
        sqlite3_finalize(st);
    sqlite3_close(s.db);
    remove(s.path.c_str());
    remove((s.path + "-journal").c_str());
}

double SqliteAnchor::sendMs() {
    Store& s = *store_;
    // half of the PCG is already in the store (renamed), half is new
    std::vector<std::vector<unsigned char>> P, C;
    for (int i = 0; i < 200; ++i) {
        auto p = i % 2 ? s.rec(164) : s.oldP[(i / 2) % 100];
        p[0] ^= 1;
        P.push_back(p);
    }
    for (int i = 0; i < 200; ++i) {
        auto c = i % 2 ? s.rec(136) : s.oldC[(i / 2) % 100];
        c[0] ^= 1;
        C.push_back(c);
    }
    auto t0 = std::chrono::steady_clock::now();
    sqlite3_exec(s.db, "BEGIN", 0, 0, 0);
    for (auto& p : P)
        s.find_or_add(s.qp, s.ip, p, 10, 162);
    for (auto& c : C)
        s.find_or_add(s.qc, s.ic, c, 10, 132);
    sqlite3_exec(s.db, "COMMIT", 0, 0, 0);
    auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace pelvaro::bench
