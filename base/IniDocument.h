// A profile file's text edited in memory the way the profile service edits
// the file: sections and keys are found by their names without regard to
// case, the first of several taken, and every line that no edit touches
// stays exactly as it was, byte for byte. Plain C++: the text's encoding and
// the case folding of names are the caller's.
// Cost: linear in the text to load and to write out, and per edit in the
// lines of the section edited.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace email32::base {

class IniDocument {
public:
    // Maps a name to the form in which names that match compare equal.
    using Fold = std::function<std::string(std::string_view)>;
    // Maps the texts given to the edits into the text's own encoding.
    using Convert = std::function<std::string(std::string_view)>;
    using Keys = std::vector<std::pair<std::string, std::string>>;

    // Without a fold, names compare with ASCII letters folded; without a
    // conversion, edits are taken as they are.
    explicit IniDocument(std::string_view text, Fold fold = {}, Convert convert = {});

    // Sets the first such key of the first such section, or adds the key at
    // the end of that section, or the section at the end of the text. A line
    // break in the value ends it: the rest would be a line of its own.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // The section removed and written again with these keys, in this order:
    // every section of the name goes, the first one's place is kept.
    void ReplaceSection(std::string_view section, const Keys& keys);

    [[nodiscard]] std::string Text() const;

    // The value of the first such key of the first such section, read as the
    // profile service reads it (blanks around it and one pair of enclosing
    // quotes removed) but whole: a carriage return inside it stays, however
    // long it is. nullopt when there is no such key.
    [[nodiscard]] std::optional<std::string> Value(std::string_view section, std::string_view key) const;

private:
    struct Section {
        std::vector<std::string> lines;  // each with its line break; the header first, but for the preamble
        bool removed = false;
    };

    [[nodiscard]] std::string Folded(std::string_view name) const;
    [[nodiscard]] std::string Converted(std::string_view text) const;
    // The first section of the name; null when there is none.
    Section* Find(std::string_view section);
    Section& Append(std::string_view section);
    static std::string KeyLine(std::string_view key, std::string_view value);

    Fold m_fold;
    Convert m_convert;
    std::vector<Section> m_sections;  // [0]: the lines before the first header
    std::unordered_map<std::string, std::size_t> m_first;
};

}  // namespace email32::base
