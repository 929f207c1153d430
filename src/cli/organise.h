#pragma once
// pelvaro-cli similar and duplicates: what "Find Similar..." and "Find Near Duplicates..." list,
// for scripts; and dedupe, their Merge for every group. The database is opened in working files
// of a private folder; no template is needed.

#include <ostream>

#include "cli/command_line.h"
#include "session/session.h"

namespace pelvaro::cli {

// The database a command works on, opened in a session of its own in a private folder, as the
// window opens it; no template.
struct Opened {
    PrivateFolder folder;
    session::Session session{folder.path(), std::string()};
    explicit Opened(const std::string& chosen) {
        try {
            session.openDatabase(databaseFile(chosen));
        } catch (...) {
            session.shutDown();
            throw;
        }
    }
    ~Opened() { session.shutDown(); }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
};
// An option's whole number from least to most, otherwise when it is not given; anything else
// is a UsageError naming `what`.
int number(const Arguments& a, const std::string& option, int otherwise, int least, int most,
           const std::string& what);

extern const char* const kSimilarHelp;
extern const char* const kDuplicatesHelp;
extern const char* const kDedupeHelp;

int similar(const Arguments& a, std::ostream& out, std::ostream& err);
int duplicates(const Arguments& a, std::ostream& out, std::ostream& err);
int dedupe(const Arguments& a, std::ostream& out, std::ostream& err);

}  // namespace pelvaro::cli
