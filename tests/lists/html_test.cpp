// Patch lists as a printable HTML page and as CSV read back: the whole page at the byte, what
// is escaped, banks A and B side by side with their empty slots marked, a database list in the
// order shown, and CSV that a strict RFC 4180 reader turns back into the very table written.
#include "lists/html.h"

#include <gtest/gtest.h>

#include "db_builder.h"
#include "lists/csv.h"

using namespace pelvaro;
using namespace pelvaro::testing;

namespace {

using Records = std::vector<std::vector<std::string>>;

// A strict RFC 4180 reader: every record ends with CR LF; a field is either bare (no comma,
// quote, CR or LF) or in double quotes with its quotes doubled, and may then hold anything.
// Anything else fails the test.
Records parseCsv(const std::string& text) {
    Records records;
    std::vector<std::string> record;
    std::size_t i = 0;
    while (i < text.size()) {
        std::string field;
        if (text[i] == '"') {
            ++i;
            for (;;) {
                if (i >= text.size()) {
                    ADD_FAILURE() << "a quoted field runs to the end";
                    return records;
                }
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r') {
                if (text[i] == '"' || text[i] == '\n') {
                    ADD_FAILURE() << "a bare field holds a quote or a line feed at " << i;
                    return records;
                }
                field += text[i++];
            }
        }
        record.push_back(std::move(field));
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (text.compare(i, 2, "\r\n") != 0) {
            ADD_FAILURE() << "a field is followed by neither a comma nor CR LF at " << i;
            return records;
        }
        i += 2;
        records.push_back(std::move(record));
        record.clear();
    }
    return records;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

}  // namespace

TEST(Html, APageAtTheByteAndWhatIsEscaped) {
    lists::HtmlPage page{"Pcg <Programs>", "/sets/R&B's.pcg", "5/1/2024", {}, true};
    page.tables.emplace_back(
        "Bank A", lists::Table{{"Slot", "Name"}, {{"A00", "\"Hi\""}, {"A01", ""}, {"A02", "x"}}});
    page.tables.emplace_back("Bank B", lists::Table{{"Slot", "Note"}, {{"B00", "one\r\ntwo"}}});
    const std::string html = lists::htmlPage(page);
    // A page of its own: one document with its style inside it, titled after the list.
    EXPECT_TRUE(html.starts_with("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"));
    EXPECT_TRUE(html.ends_with("</body>\n</html>\n"));
    EXPECT_EQ(occurrences(html, "<style>"), 1u);
    EXPECT_EQ(occurrences(html, "<meta charset=\"utf-8\">"), 1u);
    EXPECT_NE(html.find("<title>Pcg &lt;Programs&gt; - /sets/R&amp;B&#39;s.pcg</title>"),
              std::string::npos);
    EXPECT_NE(html.find("<h1>Pcg &lt;Programs&gt;</h1>"), std::string::npos);
    EXPECT_NE(html.find("/sets/R&amp;B&#39;s.pcg &middot; 5/1/2024"), std::string::npos);
    // The tables in their order, each row as written, an empty row marked pale.
    const std::vector<std::string> rows = {
        "<h2>Bank A</h2>",
        "<tr><th>Slot</th><th>Name</th></tr>",
        "<tr><td>A00</td><td>&quot;Hi&quot;</td></tr>",
        "<tr class=\"empty\"><td class=\"empty\">A01</td><td class=\"empty\"></td></tr>",
        "<tr><td>A02</td><td>x</td></tr>",
        "<h2>Bank B</h2>",
        "<tr><th>Slot</th><th>Note</th></tr>",
        "<tr><td>B00</td><td>one<br>two</td></tr>"};
    std::size_t at = 0;
    for (const std::string& row : rows) {
        const std::size_t found = html.find(row, at);
        ASSERT_NE(found, std::string::npos) << row;
        at = found + row.size();
    }
    EXPECT_EQ(occurrences(html, "<table>"), 2u);
    EXPECT_EQ(occurrences(html, "<tr"), 6u);
    // Every bank side by side, only when asked: the page of one table has no side-by-side box.
    EXPECT_EQ(occurrences(html, "<div class=\"tables\">"), 1u);

    // The five characters, both line breaks, and UTF-8 passed through untouched.
    EXPECT_EQ(lists::htmlEscaped("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&#39;f");
    EXPECT_EQ(lists::htmlEscaped("one\r\ntwo\nthree"), "one<br>two<br>three");
    EXPECT_EQ(lists::htmlEscaped("&amp;"), "&amp;amp;");
    EXPECT_EQ(lists::htmlEscaped("Caf\xc3\xa9 \xc2\xb5"), "Caf\xc3\xa9 \xc2\xb5");
    EXPECT_EQ(lists::htmlEscaped(""), "");
}

TEST(Html, APcgPageHasBanksAAndBSideBySideWithEmptySlotsMarked) {
    PcgBuilder b;
    b.program(0, "PIANO<1>", {.osc1 = 10})
        .drumProgram(99, "DRUMS", 3)
        .program(100, "ORGAN", {.oscMode = 1, .osc1 = 20, .osc2 = 30})
        .program(199, "LAST", {.osc1 = 40});
    b.combination(0, "SPLIT", {plays(0), off(), outside(5), plays(150)})
        .combination(150, "B50", {plays(199)});
    const pcg::PcgState state = stateOf(b);

    const lists::HtmlPage programs =
        lists::pcgPage(state, pcg::SlotKind::Program, "/sets/band.pcg", "today");
    EXPECT_EQ(programs.title, "Pcg Programs");
    EXPECT_EQ(programs.source, "/sets/band.pcg");
    EXPECT_EQ(programs.date, "today");
    ASSERT_EQ(programs.tables.size(), 2u);
    const auto& [headingA, bankA] = programs.tables[0];
    const auto& [headingB, bankB] = programs.tables[1];
    EXPECT_EQ(headingA, "Bank A");
    EXPECT_EQ(headingB, "Bank B");
    ASSERT_EQ(bankA.rows.size(), 100u);
    ASSERT_EQ(bankB.rows.size(), 100u);
    EXPECT_EQ(bankA.headings, bankB.headings);
    for (std::size_t line = 0; line < 100; ++line) {
        const std::string digits{static_cast<char>('0' + line / 10),
                                 static_cast<char>('0' + line % 10)};
        EXPECT_EQ(bankA.rows[line][0], "A" + digits);
        EXPECT_EQ(bankB.rows[line][0], "B" + digits);
    }
    EXPECT_EQ(bankA.rows[99], (std::vector<std::string>{"A99", "DRUMS", "Drums", "3"}));
    EXPECT_EQ(bankB.rows[0], (std::vector<std::string>{"B00", "ORGAN", "Double", ""}));
    EXPECT_EQ(bankB.rows[99], (std::vector<std::string>{"B99", "LAST", "Single", ""}));

    // In the page: A's table, then B's, in one row of tables; each used slot a plain row, each
    // empty one marked.
    const std::string html = lists::htmlPage(programs);
    const std::string bankAStart = "<div class=\"tables\">\n<div>\n<h2>Bank A</h2>\n";
    const std::size_t tables = html.find(bankAStart);
    const std::size_t b0 = html.find("</table>\n</div>\n<div>\n<h2>Bank B</h2>\n");
    ASSERT_NE(tables, std::string::npos);
    ASSERT_NE(b0, std::string::npos);
    EXPECT_EQ(html.find("<table>\n"
                        "<tr><th>Slot</th><th>Name</th><th>Mode</th><th>Drum kit slot</th></tr>\n"
                        "<tr><td>A00</td><td>PIANO&lt;1&gt;</td><td>Single</td><td></td></tr>\n"
                        "<tr class=\"empty\"><td class=\"empty\">A01</td><td class=\"empty\">"
                        "</td><td class=\"empty\"></td><td class=\"empty\"></td></tr>\n"),
              tables + bankAStart.size());
    EXPECT_LT(html.find("<tr><td>A99</td><td>DRUMS</td><td>Drums</td><td>3</td></tr>\n"), b0);
    EXPECT_GT(html.find("<tr><td>B00</td><td>ORGAN</td><td>Double</td><td></td></tr>\n"), b0);
    EXPECT_GT(html.find("<tr class=\"empty\"><td class=\"empty\">B98</td>"), b0);
    EXPECT_EQ(occurrences(html, "<tr class=\"empty\">"), 196u);
    EXPECT_EQ(occurrences(html, "<td class=\"empty\">"), 196u * 4);
    EXPECT_EQ(occurrences(html, "<tr>"), 2u + 4);  // two heading rows, four programs

    const lists::HtmlPage combinations =
        lists::pcgPage(state, pcg::SlotKind::Combination, "/sets/band.pcg", "today");
    EXPECT_EQ(combinations.title, "Pcg Combinations");
    ASSERT_EQ(combinations.tables.size(), 2u);
    EXPECT_EQ(combinations.tables[1].second.rows[50],
              (std::vector<std::string>{"B50", "B50", "B99 LAST", "", "", "", "", "", "", ""}));
    const std::string page = lists::htmlPage(combinations);
    EXPECT_NE(
        page.find("<tr><td>A00</td><td>SPLIT</td><td>A00 PIANO&lt;1&gt;</td><td></td>"
                  "<td>GM</td><td>empty slot B50</td><td></td><td></td><td></td><td></td></tr>\n"),
        std::string::npos);
    EXPECT_EQ(occurrences(page, "<tr class=\"empty\">"), 198u);
}

TEST(Html, ADatabasePageHasTheGivenEntriesInTheGivenOrder) {
    TestDatabase db;
    const int keys = db.addClass("Keys");
    const int pianos = db.addClass("Pianos", keys);
    const int kit = db.addDrumKit(3);
    const int piano =
        db.addProgram("A\"B,C\xe9", {.osc1 = 10},
                      {.classIds = {pianos}, .explanation = "warm & <soft>\r\nsecond line"});
    db.addProgram("UNLISTED", {.osc1 = 11});
    const int drums = db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
    db.addCombination("SPLIT", {plays(0), plays(1), outside(3)},
                      {.timbreProgramIds = {piano, drums, -1}});

    const lists::HtmlPage page =
        lists::databasePage(db.files(), db::Kind::Program, {drums, piano}, "/db/mine.pvd", "now");
    EXPECT_EQ(page.title, "Database Programs");
    ASSERT_EQ(page.tables.size(), 1u);
    EXPECT_EQ(page.tables[0].first, "2 programs");
    EXPECT_EQ(
        page.tables[0].second.rows,
        (Records{{"3", "DRUMS", "", "1", ""},
                 {"1", "A\"B,C\xc3\xa9", "Keys->Pianos", "", "warm & <soft>\r\nsecond line"}}));
    const std::string html = lists::htmlPage(page);
    const std::string rows =
        "<h2>2 programs</h2>\n<table>\n"
        "<tr><th>ID</th><th>Name</th><th>Classes</th><th>Drum kit ID</th><th>Explanation</th>"
        "</tr>\n"
        "<tr><td>3</td><td>DRUMS</td><td></td><td>1</td><td></td></tr>\n"
        "<tr><td>1</td><td>A&quot;B,C\xc3\xa9</td><td>Keys-&gt;Pianos</td><td></td>"
        "<td>warm &amp; &lt;soft&gt;<br>second line</td></tr>\n"
        "</table>\n";
    EXPECT_NE(html.find(rows), std::string::npos) << html;
    EXPECT_NE(html.find("<title>Database Programs - /db/mine.pvd</title>"), std::string::npos);
    EXPECT_EQ(html.find("UNLISTED"), std::string::npos);

    const lists::HtmlPage one =
        lists::databasePage(db.files(), db::Kind::Combination, {1}, "/db/mine.pvd", "now");
    EXPECT_EQ(one.title, "Database Combinations");
    EXPECT_EQ(one.tables[0].first, "1 combination");
    EXPECT_NE(lists::htmlPage(one).find(
                  "<tr><td>1</td><td>SPLIT</td><td></td><td>1 3 GM</td><td></td></tr>\n"),
              std::string::npos);
    EXPECT_EQ(lists::databasePage(db.files(), db::Kind::Program, {piano}, "", "").tables[0].first,
              "1 program");
    const lists::HtmlPage none =
        lists::databasePage(db.files(), db::Kind::Combination, {}, "/db/mine.pvd", "now");
    EXPECT_EQ(none.tables[0].first, "0 combinations");
    EXPECT_NE(lists::htmlPage(none).find("<tr><th>ID</th><th>Name</th><th>Classes</th>"
                                         "<th>Timbre program IDs</th><th>Explanation</th></tr>\n"
                                         "</table>\n"),
              std::string::npos);

    // Every row of a database list is an entry, so none is greyed out as an empty slot, not
    // even a program with no name, class, kit or explanation.
    const int blank = db.addProgram("", {.osc1 = 12});
    const std::string blankPage = lists::htmlPage(
        lists::databasePage(db.files(), db::Kind::Program, {blank}, "/db/mine.pvd", "now"));
    // A database entry with nothing but its ID is no empty slot: only a PCG's lists have those.
    EXPECT_NE(blankPage.find("<tr><td>4</td><td></td><td></td><td></td><td></td></tr>\n"),
              std::string::npos)
        << blankPage.substr(blankPage.find("<h2>"));
}

TEST(Html, CsvReadsBackAsTheTableWithFormulasGuarded) {
    TestDatabase db;
    const int keys = db.addClass("Keys, \"Soft\"");
    const int p1 = db.addProgram("=1+2", {.osc1 = 10},
                                 {.classIds = {keys}, .explanation = "say \"hi\",\r\nthen go"});
    const int p2 = db.addProgram("@SUM(A1)", {.osc1 = 11}, {.explanation = "-cmd|' /C calc'!A0"});
    const int p3 = db.addProgram("-PAD-", {.osc1 = 12}, {.explanation = "+5th, -12\n\"\""});
    const int p4 = db.addProgram("+A1(B)", {.osc1 = 13}, {.explanation = "\r\n"});
    const int p5 = db.addProgram("\xe9t\xe9", {.osc1 = 14}, {.explanation = ","});
    const lists::Table table =
        lists::databaseTable(db.files(), db::Kind::Program, {p1, p2, p3, p4, p5});
    const std::string csv = lists::tableCsv(table);
    const Records read = parseCsv(csv);
    ASSERT_EQ(read.size(), 1 + table.rows.size()) << csv;
    EXPECT_EQ(read[0], table.headings);
    // Every cell comes back as written, but for those a spreadsheet would run, which come back
    // behind an apostrophe.
    Records expected = table.rows;
    for (auto* guarded : {&expected[0][1], &expected[1][1], &expected[1][4], &expected[3][1]})
        *guarded = "'" + *guarded;
    EXPECT_EQ(Records(read.begin() + 1, read.end()), expected) << csv;
    EXPECT_EQ(expected[0], (std::vector<std::string>{"1", "'=1+2", "Keys, \"Soft\"", "",
                                                     "say \"hi\",\r\nthen go"}));
    EXPECT_EQ(expected[1][4], "'-cmd|' /C calc'!A0");
    EXPECT_EQ(expected[2], (std::vector<std::string>{"3", "-PAD-", "", "", "+5th, -12\n\"\""}));
    EXPECT_EQ(expected[3][4], "\r\n");
    EXPECT_EQ(expected[4], (std::vector<std::string>{"5", "\xc3\xa9t\xc3\xa9", "", "", ","}));

    // A PCG's table: two hundred rows, empty slots with their slot alone and empty cells after.
    PcgBuilder b;
    b.program(0, "A,B", {.osc1 = 10}).drumProgram(101, "\"KIT\"", 2);
    b.combination(199, "=X", {plays(0), outside(1), off(), plays(101)});
    for (const pcg::SlotKind kind : {pcg::SlotKind::Program, pcg::SlotKind::Combination}) {
        const lists::Table pcgTable = lists::pcgTable(stateOf(b), kind);
        const Records back = parseCsv(lists::tableCsv(pcgTable));
        ASSERT_EQ(back.size(), 201u);
        EXPECT_EQ(back[0], pcgTable.headings);
        Records rows = pcgTable.rows;
        if (kind == pcg::SlotKind::Combination) {
            EXPECT_EQ(rows[199][1], "=X");
            rows[199][1] = "'=X";
            EXPECT_EQ(rows[199], (std::vector<std::string>{"B99", "'=X", "A00 A,B", "GM", "",
                                                           "B01 \"KIT\"", "", "", "", ""}));
        } else {
            EXPECT_EQ(rows[101], (std::vector<std::string>{"B01", "\"KIT\"", "Drums", "2"}));
        }
        std::vector<std::string> empty(pcgTable.headings.size());
        empty[0] = "A05";
        EXPECT_EQ(rows[5], empty);
        EXPECT_EQ(Records(back.begin() + 1, back.end()), rows);
    }
}
