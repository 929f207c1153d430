#include "cli/arrange.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "io/refusal.h"
#include "pcg/arrange.h"
#include "pcg/pcg_files.h"
#include "session/session.h"

namespace pelvaro::cli {

const char* const kArrangeHelp =
    "Usage: pelvaro-cli arrange IN.pcg -o OUT.pcg STEP... [--template FILE]\n"
    "Arranges a PCG file for the stage as the window's \"Arrange Pcg\" does, every combination\n"
    "and drum program following the programs and kits they play, and writes OUT.pcg the safe\n"
    "way. The steps run in order; one that cannot be done stops the command (exit status 1)\n"
    "and nothing is written. Each step's account is printed.\n"
    "\n"
    "Steps (KIND is 'programs' or 'combinations', anywhere in the step, default programs):\n"
    "  move [KIND] SLOTS TARGET   the used slots of SLOTS go to TARGET on, in their order; what\n"
    "                             stands there is pushed toward B99 into the next free slots\n"
    "  swap [KIND] SLOTS SLOTS    two slots, or two runs of the same length, trade places; a\n"
    "                             single second slot starts a run as long as the first\n"
    "  copy [KIND] SLOTS TARGET   copies into the free slots from TARGET on\n"
    "  sort [SCOPE] [KIND]        by name, case folded; the empty slots stay where they are\n"
    "  close-gaps [SCOPE] [KIND]  used slots moved up so that the free ones come last\n"
    "  empty [KIND] SLOTS         as Delete empties a slot; nothing follows\n"
    "  swap-kits K K              two drum kits (0-3) trade places\n"
    "  empty-kits K[,K...]        kits take the template's kit of their slot\n"
    "  place DB.pvd [KIND] IDS TARGET\n"
    "                             the entries of the database go to TARGET on, pushing as move\n"
    "                             does; what they depend on is placed as 'extract' places it\n"
    "SLOTS: A05, A05-A07, or a list of them without blanks: A01,A05-A07,B10.\n"
    "IDS: entry IDs and ranges of them without blanks: 1,4,10-12.\n"
    "SCOPE: A, B, AB (default) or SLOTS.\n"
    "Example: pelvaro-cli arrange live.pcg -o gig.pcg move A05-A07 B10 sort A combinations\n";

namespace {

using pcg::SlotKind;
using Words = std::vector<std::string>;

const std::set<std::string> kVerbs = {"move",  "swap",      "copy",       "sort", "close-gaps",
                                      "empty", "swap-kits", "empty-kits", "place"};

struct BadStep {
    std::string text;
};

std::vector<int> slotList(const std::string& word) {
    std::vector<int> slots;
    std::stringstream parts(word);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const std::size_t dash = part.find('-');
        const auto first = pcg::parseSlotName(part.substr(0, dash));
        const auto last =
            dash == std::string::npos ? first : pcg::parseSlotName(part.substr(dash + 1));
        if (!first || !last || *last < *first)
            throw BadStep{"'" + part + "' is no slot or run of slots (A00-B99)"};
        for (int s = *first; s <= *last; ++s)
            slots.push_back(s);
    }
    if (slots.empty()) throw BadStep{"'" + word + "' names no slot"};
    return slots;
}

int slot(const std::string& word) {
    const auto s = pcg::parseSlotName(word);
    if (!s) throw BadStep{"'" + word + "' is no slot (A00-B99)"};
    return *s;
}

std::vector<int> kits(const std::string& word) {
    std::vector<int> out;
    std::stringstream parts(word);
    std::string part;
    while (std::getline(parts, part, ','))
        if (part.size() == 1 && part[0] >= '0' && part[0] <= '3')
            out.push_back(part[0] - '0');
        else
            throw BadStep{"'" + part + "' is no drum kit (0-3)"};
    if (out.empty()) throw BadStep{"'" + word + "' names no drum kit"};
    return out;
}

std::vector<int> scope(const std::string& word) {
    std::string upper = word;
    std::ranges::transform(upper, upper.begin(),
                           [](char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == "A") return pcg::bankSlots(0);
    if (upper == "B") return pcg::bankSlots(1);
    if (upper == "AB") return pcg::allSlots();
    return slotList(word);
}

ArrangeStep parseStep(const Words& step) {
    const std::string& verb = step[0];
    ArrangeStep parsed;
    for (const std::string& w : step)
        parsed.text += (parsed.text.empty() ? "" : " ") + w;
    SlotKind kind = SlotKind::Program;
    bool kindGiven = false;
    Words args;
    for (auto it = step.begin() + 1; it != step.end(); ++it) {
        const bool programs = *it == "programs" || *it == "program";
        const bool combinations = *it == "combinations" || *it == "combination";
        if ((programs || combinations) && !verb.ends_with("-kits")) {
            if (kindGiven) throw BadStep{"a step names one kind of slots"};
            kindGiven = true;
            kind = programs ? SlotKind::Program : SlotKind::Combination;
        } else {
            args.push_back(*it);
        }
    }
    const auto need = [&](std::size_t least, std::size_t most, const char* form) {
        if (args.size() < least || args.size() > most) throw BadStep{verb + " takes " + form};
    };
    using session::ArrangeResult;
    using session::Session;
    if (verb == "move" || verb == "copy") {
        need(2, 2, "SLOTS TARGET");
        const auto slots = slotList(args[0]);
        const int target = slot(args[1]);
        const auto command = verb == "move" ? session::moveSlots : session::copySlots;
        parsed.run = [=](Session& s) { return command(s, kind, slots, target); };
    } else if (verb == "swap") {
        need(2, 2, "SLOTS SLOTS");
        const auto first = slotList(args[0]);
        auto second = slotList(args[1]);
        if (second.size() == 1 && first.size() > 1)
            for (std::size_t i = 1; i < first.size() && second.back() + 1 < pcg::kSlotCount; ++i)
                second.push_back(second.back() + 1);
        parsed.run = [=](Session& s) { return session::swapSlots(s, kind, first, second); };
    } else if (verb == "sort" || verb == "close-gaps") {
        need(0, 1, "[SCOPE]");
        const auto slots = args.empty() ? pcg::allSlots() : scope(args[0]);
        const auto command = verb == "sort" ? session::sortByName : session::closeGaps;
        parsed.run = [=](Session& s) { return command(s, kind, slots); };
    } else if (verb == "empty") {
        need(1, 1, "SLOTS");
        const auto slots = slotList(args[0]);
        parsed.run = [=](Session& s) { return session::emptySlots(s, kind, slots); };
    } else if (verb == "place") {
        need(3, 3, "DB.pvd IDS TARGET");
        const std::string database = databaseFile(args[0]);
        std::vector<std::int32_t> ids;
        try {
            ids = parseIds(args[1]);
        } catch (const UsageError& e) {
            throw BadStep{e.text};
        }
        const int target = slot(args[2]);
        const db::Kind entries =
            kind == SlotKind::Program ? db::Kind::Program : db::Kind::Combination;
        parsed.run = [=](Session& s) {
            if (s.databasePath() != database) s.openDatabase(database);
            return session::placeEntries(s, entries, ids, target);
        };
    } else if (verb == "swap-kits") {
        need(2, 2, "two drum kits (0-3)");
        const auto a = kits(args[0]);
        const auto b = kits(args[1]);
        if (a.size() != 1 || b.size() != 1) throw BadStep{"swap-kits takes two drum kits (0-3)"};
        parsed.run = [=](Session& s) { return session::swapDrumKits(s, a[0], b[0]); };
    } else {
        need(1, 1, "DRUM KITS");
        const auto chosen = kits(args[0]);
        parsed.run = [=](Session& s) { return session::emptyDrumKits(s, chosen); };
    }
    return parsed;
}

}  // namespace

ArrangeSteps parseArrangeSteps(const std::vector<std::string>& arguments) {
    Words words;
    for (const std::string& argument : arguments) {
        std::stringstream in(argument);
        for (std::string w; in >> w;)
            words.push_back(w);
    }
    ArrangeSteps result;
    if (words.empty()) {
        result.error = "no steps";
        return result;
    }
    if (!kVerbs.contains(words[0])) {
        result.error = "'" + words[0] + "' is no step (try --help)";
        return result;
    }
    for (std::size_t i = 0; i < words.size();) {
        std::size_t end = i + 1;
        while (end < words.size() && !kVerbs.contains(words[end]))
            ++end;
        const Words step(words.begin() + static_cast<std::ptrdiff_t>(i),
                         words.begin() + static_cast<std::ptrdiff_t>(end));
        try {
            result.steps.push_back(parseStep(step));
        } catch (const BadStep& bad) {
            std::string typed;
            for (const std::string& w : step)
                typed += (typed.empty() ? "" : " ") + w;
            result.steps.clear();
            result.error = "step '" + typed + "': " + bad.text;
            return result;
        }
        i = end;
    }
    return result;
}

int arrangePcg(session::Session& session, const std::string& input, const std::string& output,
               const std::vector<ArrangeStep>& steps, std::ostream& out, std::ostream& err) {
    if (pcg::importPcg(session.pcg(), input) == pcg::ImportResult::NotCompatible)
        throw io::RefusalError(io::Refusal{"", std::string(pcg::kNotCompatibleText)});
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const auto stopped = [&](const std::string& why) {
            err << "pelvaro-cli arrange: step " << i + 1 << " '" << steps[i].text << "': " << why
                << "; nothing was written\n";
            return kFailed;
        };
        session::ArrangeResult result;
        try {
            result = steps[i].run(session);
        } catch (const std::exception& e) {
            // A database a step names that cannot be read.
            return stopped(e.what());
        }
        if (result.verdict == session::ArrangeResult::Verdict::Refused)
            return stopped(result.summary);
        if (result.failure) return stopped(*result.failure);
        out << steps[i].text << ": " << result.summary << "\n";
        if (result.events)
            for (const std::string& line : *result.events)
                out << "  " << line << "\n";
    }
    pcg::writePcgFile(session.pcg().image, pcg::pcgExportName(output));
    return kDone;
}

}  // namespace pelvaro::cli
