// Fuzzing of the settings file's text: parse, edit, write, parse again.
//  - A file read and written without edits comes back byte for byte.
//  - Every value found by the document equals the one a plainly written reader finds (lines split
//    at LF with a CR before it dropped, a section header "[" ... "]" found byte by byte with
//    Shift-JIS characters stepped over whole, the first section and the first key of a name
//    counting, names compared with ASCII letters folded).
//  - A batch of edits (section erasures, string and text writes with names and values from the
//    input) is applied to the document and to a plain model of sections and keys; the bytes the
//    document then writes, read again by the plain reader, hold exactly the model: nothing lost,
//    nothing invented.
// Any difference aborts, which libFuzzer reports with the input that caused it.
#include "core/sjis.h"
#include "core/encoding.h"
#include "settings/ini_document.h"
#include "settings/ini_file.h"
#include "tests/fuzz/fuzz_require.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {
using namespace dg;

// ASCII letters in lower case; a double-byte character (whose trail byte may look like a letter)
// stays as it is.
std::string fold(std::string_view text)
{
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (sjis::isLeadByte(static_cast<unsigned char>(out[i])) && i + 1 < out.size())
            ++i;
        else if (out[i] >= 'A' && out[i] <= 'Z')
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
    }
    return out;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Section (folded) -> key (folded) -> value, first of each name, as written in the header.
struct PlainSection {
    std::string name; // as first written
    std::map<std::string, std::string> values;
};
using Plain = std::map<std::string, PlainSection>;

std::string plainValue(std::string_view stored)
{
    stored = trim(stored);
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
        stored = stored.substr(1, stored.size() - 2);
    return std::string(stored);
}

Plain plainRead(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    Plain plain;
    PlainSection* current = nullptr;
    bool currentIsFirst = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (end < bytes.size() && line.ends_with('\r'))
            line.remove_suffix(1);
        std::size_t start = 0;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
            ++start;
        const std::string_view rest = line.substr(start);
        if (rest.starts_with('[')) {
            std::size_t close = std::string_view::npos;
            for (std::size_t i = 1; i < rest.size();) {
                if (rest[i] == ']') {
                    close = i;
                    break;
                }
                i += sjis::isLeadByte(static_cast<unsigned char>(rest[i])) && i + 1 < rest.size() ? 2 : 1;
            }
            if (close == std::string_view::npos)
                continue;
            const std::string_view name = trim(rest.substr(1, close - 1));
            const std::string folded = fold(name);
            currentIsFirst = !plain.contains(folded);
            current = &plain[folded];
            if (currentIsFirst)
                current->name = std::string(name);
            continue;
        }
        if (!current || !currentIsFirst || rest.starts_with(';'))
            continue;
        const std::size_t equals = rest.find('=');
        if (equals == std::string_view::npos)
            continue;
        current->values.try_emplace(fold(trim(rest.substr(0, equals))), plainValue(rest.substr(equals + 1)));
    }
    return plain;
}

// Bytes outside printable ASCII as \xNN, for the report of a difference.
std::string escaped(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\n') {
            out += "\\n\n";
        } else if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
    return out;
}

std::string cutAtBreak(std::string_view value)
{
    return std::string(value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3))));
}

void checkAgainstPlain(const IniDocument& document, const Plain& plain)
{
    for (const auto& [section, content] : plain) {
        require(document.hasSection(section));
        for (const auto& [key, value] : content.values) {
            const auto found = document.findValue(section, key);
            require(found && *found == value);
        }
    }
}

// A plain section keeps its keys; a section without keys may read as empty either way.
bool sameContent(const Plain& a, const Plain& b)
{
    for (const auto& [section, content] : a) {
        const auto it = b.find(section);
        if (it == b.end() || it->second.values != content.values)
            return false;
    }
    return a.size() == b.size();
}

std::string pickName(FuzzedDataProvider& input, const std::vector<std::string>& known)
{
    if (!known.empty() && input.ConsumeBool())
        return known[input.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
    static const char* const kFixed[] = {"Form", "Comp", "Env", "CurrentName", "Width", "Synchro", "Debug"};
    if (input.ConsumeBool())
        return kFixed[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kFixed) - 1)];
    return input.ConsumeRandomLengthString(24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string file = input.ConsumeRandomLengthString(4096);

    IniDocument document(file);
    require(document.bytes() == file);
    Plain model = plainRead(file);
    checkAgainstPlain(document, model);

    std::vector<std::string> names;
    for (const auto& [section, content] : model) {
        names.push_back(content.name);
        for (const auto& [key, value] : content.values)
            names.push_back(key);
    }

    IniBatch batch;
    const IniDocument before = document;
    const int edits = input.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < edits; ++i) {
        const int kind = input.ConsumeIntegralInRange(0, 2);
        const std::string section = pickName(input, names);
        if (!IniDocument::validSectionName(section))
            continue;
        const std::string folded = fold(section);
        if (kind == 0) {
            batch.eraseSection(section);
            model.erase(folded);
            continue;
        }
        const std::string key = pickName(input, names);
        if (!IniDocument::validKeyName(key))
            continue;
        const std::string value = input.ConsumeRandomLengthString(64);
        std::string stored = cutAtBreak(value);
        if (kind == 1) {
            batch.writeString(section, key, value);
        } else {
            batch.writeText(section, key, value);
            // The bytes already there stay when they read as the same text.
            if (before.findValue(section, key) && before.readText(section, key, {}) == value)
                stored = cutAtBreak(*before.findValue(section, key));
        }
        PlainSection& target = model[folded];
        if (target.name.empty())
            target.name = section;
        target.values.insert_or_assign(fold(key), stored);
    }
    batch.applyTo(document);

    const std::string written = document.bytes();
    const Plain again = plainRead(written);
    if (!sameContent(again, model)) {
        const auto dump = [](const char* title, const Plain& plain) {
            std::fprintf(stderr, "-- %s\n", title);
            for (const auto& [section, content] : plain) {
                std::fprintf(stderr, "[%s]\n", escaped(section).c_str());
                for (const auto& [key, value] : content.values)
                    std::fprintf(stderr, "  %s=%s\n", escaped(key).c_str(), escaped(value).c_str());
            }
        };
        std::fprintf(stderr, "-- written\n%s\n", escaped(written).c_str());
        dump("read back", again);
        dump("expected", model);
    }
    require(sameContent(again, model));
    const IniDocument reread(written);
    require(reread.bytes() == written);
    checkAgainstPlain(reread, again);
    // Text read back is the value itself whenever that is UTF-8.
    for (const auto& [section, content] : again)
        for (const auto& [key, value] : content.values)
            if (encoding::isValidUtf8(value) && value.size() <= kMaxIniValueLength)
                require(reread.readText(section, key, {}) == value);
    return 0;
}
