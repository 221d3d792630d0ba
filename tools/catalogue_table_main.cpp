// Build step: turns the translation catalogues into the tables of the command-line tools
// (tool_translations.h), so that the tools translate without loading Qt.
//   dirgauge-catalogue-table OUT.cpp dirgauge_en.ts dirgauge_ja.ts
#include "tools/ts_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>

namespace {

// A C++ string literal holding exactly `bytes`: printable ASCII as it is, the rest as three-digit
// octal escapes (which cannot run into a following digit).
std::string literal(const std::string& bytes)
{
    std::string out = "\"";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
            out.push_back(ch);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", c);
            out += escape;
        }
    }
    return out + "\"";
}

std::string table(const std::string& name, const dg::tools::Catalogue& catalogue)
{
    std::vector<const dg::tools::CatalogueMessage*> entries;
    for (const auto& m : catalogue.messages)
        if (!m.translation.empty() && m.type != "vanished" && m.type != "obsolete")
            entries.push_back(&m);
    std::sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) {
        return std::tie(a->context, a->source) < std::tie(b->context, b->source);
    });
    std::string out = "const CatalogueEntry " + name + "[] = {\n";
    for (const auto* m : entries)
        out += "    {" + literal(m->context) + ", " + literal(m->source) + ", " + literal(m->translation) + "},\n";
    if (entries.empty())
        out += "    {\"\", \"\", \"\"},\n";
    out += "};\nconst std::size_t " + name + "Count = " + std::to_string(entries.size()) + ";\n";
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: dirgauge-catalogue-table OUT.cpp dirgauge_en.ts dirgauge_ja.ts\n", stderr);
        return 1;
    }
    std::string code = "// Generated from translations/*.ts by dirgauge-catalogue-table; do not edit.\n"
                       "#include \"tools/tool_translations.h\"\n\nnamespace dg::tools::catalogues {\n\n";
    const char* names[] = {"kEnglish", "kJapanese"};
    for (int k = 0; k < 2; ++k) {
        std::string error;
        const auto catalogue = dg::tools::readCatalogueFile(argv[2 + k], &error);
        if (!catalogue) {
            std::fprintf(stderr, "dirgauge-catalogue-table: %s: %s\n", argv[2 + k], error.c_str());
            return 1;
        }
        code += table(names[k], *catalogue) + "\n";
    }
    code += "} // namespace dg::tools::catalogues\n";
    std::ofstream out(argv[1], std::ios::binary);
    out << code;
    out.close();
    if (!out) {
        std::fprintf(stderr, "dirgauge-catalogue-table: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
