#pragma once
// Reads a translation catalogue as lupdate writes it (the .ts files in translations/), without
// Qt: the build turns the catalogues into the command-line tools' tables with it, and the
// catalogue test compares them with what lupdate finds in the sources.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dg::tools {

struct CatalogueMessage {
    std::string context;
    std::string source;      // UTF-8
    std::string translation; // UTF-8; empty when none is written yet
    std::string type;        // the translation's type attribute: "", "unfinished", "vanished", "obsolete"
    bool finished() const { return type.empty(); }
};

struct Catalogue {
    std::string language;       // the TS element's language attribute ("en", "ja")
    std::string sourceLanguage; // its sourcelanguage attribute
    std::vector<CatalogueMessage> messages;
};

// The catalogue in `xml`, or nullopt with the reason in *error. Understands the subset lupdate
// writes: contexts, messages with source, comment and translation, character and entity
// references, and <byte value="xd"/> for control characters.
std::optional<Catalogue> readCatalogue(std::string_view xml, std::string* error);

// The same, from a file.
std::optional<Catalogue> readCatalogueFile(const std::string& path, std::string* error);

} // namespace dg::tools
