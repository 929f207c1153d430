#include "lists/html.h"

#include <algorithm>

namespace pelvaro::lists {

std::string htmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            case '\r':  // CR LF, CR alone and LF alone each break the line once
                out += "<br>";
                break;
            case '\n':
                if (at == 0 || text[at - 1] != '\r') out += "<br>";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string htmlPage(const HtmlPage& page) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
        htmlEscaped(page.title + " - " + page.source) +
        "</title>\n<style>\n"
        "body{font-family:sans-serif;font-size:10pt;margin:1.5em}\n"
        "h1{font-size:14pt;margin:0}\n"
        "p.source{margin:.2em 0 1em 0;color:#444}\n"
        "div.tables{display:flex;gap:2em;align-items:flex-start}\n"
        "h2{font-size:11pt;margin:0 0 .3em 0}\n"
        "table{border-collapse:collapse}\n"
        "th,td{border:1px solid #999;padding:1px 6px;text-align:left;vertical-align:top}\n"
        "th{background:#eee}\n"
        "td.empty{color:#999}\n"
        "@media print{body{margin:0}th{background:none}}\n"
        "</style>\n</head>\n<body>\n<h1>" +
        htmlEscaped(page.title) + "</h1>\n<p class=\"source\">" + htmlEscaped(page.source) +
        " &middot; " + htmlEscaped(page.date) + "</p>\n<div class=\"tables\">\n";
    for (const auto& [heading, table] : page.tables) {
        html += "<div>\n<h2>" + htmlEscaped(heading) + "</h2>\n<table>\n<tr>";
        for (const std::string& h : table.headings)
            html += "<th>" + htmlEscaped(h) + "</th>";
        html += "</tr>\n";
        for (const auto& row : table.rows) {
            // A row with its first cell alone is an empty slot.
            const bool empty = page.emptySlots && row.size() > 1 &&
                               std::all_of(row.begin() + 1, row.end(),
                                           [](const std::string& s) { return s.empty(); });
            html += empty ? "<tr class=\"empty\">" : "<tr>";
            for (const std::string& cell : row)
                html += (empty ? "<td class=\"empty\">" : "<td>") + htmlEscaped(cell) + "</td>";
            html += "</tr>\n";
        }
        html += "</table>\n</div>\n";
    }
    html += "</div>\n</body>\n</html>\n";
    return html;
}

HtmlPage pcgPage(const pcg::PcgState& pcg, pcg::SlotKind kind, std::string source,
                 std::string date) {
    const Table all = pcgTable(pcg, kind);
    HtmlPage page{kind == pcg::SlotKind::Program ? "Pcg Programs" : "Pcg Combinations",
                  std::move(source),
                  std::move(date),
                  {},
                  true};
    for (int bank = 0; bank < 2; ++bank) {
        Table half{all.headings, {}};
        half.rows.assign(all.rows.begin() + bank * pcg::kBankSize,
                         all.rows.begin() + (bank + 1) * pcg::kBankSize);
        page.tables.emplace_back(bank == 0 ? "Bank A" : "Bank B", std::move(half));
    }
    return page;
}

HtmlPage databasePage(const db::RecordFiles& files, db::Kind kind,
                      const std::vector<std::int32_t>& ids, std::string source, std::string date) {
    const bool programs = kind == db::Kind::Program;
    HtmlPage page{programs ? "Database Programs" : "Database Combinations",
                  std::move(source),
                  std::move(date),
                  {},
                  false};
    Table table = databaseTable(files, kind, ids);
    const std::size_t n = table.rows.size();
    const std::string heading =
        std::to_string(n) + (programs ? (n == 1 ? " program" : " programs")
                                      : (n == 1 ? " combination" : " combinations"));
    page.tables.emplace_back(heading, std::move(table));
    return page;
}

}  // namespace pelvaro::lists
