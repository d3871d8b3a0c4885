#include "base/IniDocument.h"

namespace email32::base {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A line without its line break.
std::string_view Content(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool IsHeader(std::string_view line, std::string_view* name) {
    const std::string_view text = Trimmed(Content(line));
    if (text.empty() || text.front() != '[') return false;
    // The name ends at the line's last bracket, so that a name may hold one.
    const std::size_t close = text.rfind(']');
    if (close == std::string_view::npos || close == 0) return false;
    *name = Trimmed(text.substr(1, close - 1));
    return true;
}

// The name of the key a line holds; empty for a blank line.
std::string_view KeyName(std::string_view line) {
    const std::string_view text = Content(line);
    return Trimmed(text.substr(0, text.find('=')));
}

bool IsBlank(std::string_view line) { return Trimmed(Content(line)).empty(); }

void EndWithLineBreak(std::string& line) {
    if (line.empty() || line.back() != '\n') line += "\r\n";
}

}  // namespace

IniDocument::IniDocument(std::string_view text, Fold fold, Convert convert)
    : m_fold(std::move(fold)), m_convert(std::move(convert)) {
    m_sections.emplace_back();  // the preamble
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        text.remove_prefix(line.size());
        std::string_view name;
        if (IsHeader(line, &name)) {
            m_sections.emplace_back();
            m_first.emplace(Folded(name), m_sections.size() - 1);
        }
        m_sections.back().lines.emplace_back(line);
    }
}

std::string IniDocument::Folded(std::string_view name) const {
    if (m_fold) return m_fold(name);
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::string IniDocument::Converted(std::string_view text) const {
    return m_convert ? m_convert(text) : std::string(text);
}

IniDocument::Section* IniDocument::Find(std::string_view section) {
    const auto found = m_first.find(Folded(Trimmed(section)));
    return found == m_first.end() ? nullptr : &m_sections[found->second];
}

IniDocument::Section& IniDocument::Append(std::string_view section) {
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if (it->removed || it->lines.empty()) continue;
        EndWithLineBreak(it->lines.back());
        break;
    }
    m_sections.emplace_back();
    m_sections.back().lines.push_back("[" + std::string(section) + "]\r\n");
    m_first.emplace(Folded(Trimmed(section)), m_sections.size() - 1);
    return m_sections.back();
}

std::string IniDocument::KeyLine(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + std::string(value.substr(0, value.find_first_of("\r\n"))) + "\r\n";
}

void IniDocument::Set(std::string_view sectionGiven, std::string_view keyGiven, std::string_view valueGiven) {
    const std::string section = Converted(sectionGiven), key = Converted(keyGiven), value = Converted(valueGiven);
    Section* target = Find(section);
    if (target == nullptr) target = &Append(section);
    std::vector<std::string>& lines = target->lines;
    const std::string folded = Folded(Trimmed(key));
    std::size_t lastKey = 0;  // the header, or the last line that is not blank
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (IsBlank(lines[i])) continue;
        lastKey = i;
        const std::string_view name = KeyName(lines[i]);
        if (Folded(name) != folded) continue;
        const bool ended = lines[i].back() == '\n';
        lines[i] = KeyLine(name, value);
        if (!ended) lines[i].resize(lines[i].size() - 2);
        return;
    }
    EndWithLineBreak(lines[lastKey]);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastKey) + 1, KeyLine(key, value));
}

void IniDocument::ReplaceSection(std::string_view sectionGiven, const Keys& keys) {
    const std::string section = Converted(sectionGiven);
    Section* first = Find(section);
    if (first == nullptr) first = &Append(section);
    const std::string folded = Folded(Trimmed(section));
    for (std::size_t i = 1; i < m_sections.size(); ++i) {
        std::string_view name;
        if (&m_sections[i] != first && !m_sections[i].removed && IsHeader(m_sections[i].lines.front(), &name) &&
            Folded(name) == folded) {
            m_sections[i].removed = true;
        }
    }
    // The header and the blank lines that end the section stay.
    std::vector<std::string> lines{first->lines.front()};
    EndWithLineBreak(lines.front());
    for (const auto& [key, value] : keys) lines.push_back(KeyLine(Converted(key), Converted(value)));
    std::size_t tail = first->lines.size();
    while (tail > 1 && IsBlank(first->lines[tail - 1])) --tail;
    lines.insert(lines.end(), first->lines.begin() + static_cast<std::ptrdiff_t>(tail), first->lines.end());
    first->lines = std::move(lines);
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
    const auto found = m_first.find(Folded(Trimmed(section)));
    if (found == m_first.end()) return std::nullopt;
    const std::string folded = Folded(Trimmed(key));
    const std::vector<std::string>& lines = m_sections[found->second].lines;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view text = Content(lines[i]);
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos || Folded(KeyName(lines[i])) != folded) continue;
        // A carriage return at either end is a line end of an odd kind, not
        // part of the value.
        std::string_view value = text.substr(equals + 1);
        const std::size_t first = value.find_first_not_of(" \t\r");
        value = first == std::string_view::npos ? std::string_view()
                                                : value.substr(first, value.find_last_not_of(" \t\r") - first + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

std::string IniDocument::Text() const {
    std::string text;
    for (const Section& section : m_sections) {
        if (section.removed) continue;
        for (const std::string& line : section.lines) text += line;
    }
    return text;
}

}  // namespace email32::base
