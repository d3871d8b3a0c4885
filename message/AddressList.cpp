#include "message/AddressList.h"

#include "message/MimeEncoding.h"
#include "base/Text.h"

#include <cstring>

namespace email32::message {
namespace {

struct Token {
    enum Kind { Word, Quoted, Literal, Special } kind;
    std::string text;     // Quoted: the content without quotes or escapes
    bool spaced = false;  // blank or comment before it
    size_t offset = 0;    // in the source text, for problem reports
};

bool IsSpecial(char c) { return std::strchr("<>:;@,", c) != nullptr && c != '\0'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; }

// Splits into tokens, dropping blanks and comments; false with a problem on
// an unclosed quote, comment or literal.
bool Tokenize(std::string_view text, std::vector<Token>& tokens, std::string& problem) {
    bool spaced = false;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsBlank(c)) {
            spaced = true;
            ++i;
        } else if (c == '(') {
            int depth = 0;
            const size_t start = i;
            for (; i < text.size(); ++i) {
                if (text[i] == '\\') ++i;
                else if (text[i] == '(') ++depth;
                else if (text[i] == ')' && --depth == 0) break;
            }
            if (i >= text.size())
                return problem = "unclosed comment at \"" + std::string(text.substr(start, 40)) + "\"", false;
            ++i;
            spaced = true;
        } else if (c == '"' || c == '[') {
            const char close = c == '"' ? '"' : ']';
            Token token{c == '"' ? Token::Quoted : Token::Literal, c == '[' ? "[" : "", spaced, i};
            size_t j = i + 1;
            for (; j < text.size() && text[j] != close; ++j) {
                if (text[j] == '\\' && j + 1 < text.size()) ++j;
                token.text += IsBlank(text[j]) ? ' ' : text[j];
            }
            if (j >= text.size()) {
                return problem = std::string("unclosed ") + (c == '"' ? "quote" : "[") + " at \"" +
                                 std::string(text.substr(i, 40)) + "\"",
                       false;
            }
            if (c == '[') token.text += ']';
            tokens.push_back(std::move(token));
            i = j + 1;
            spaced = false;
        } else if (IsSpecial(c)) {
            tokens.push_back({Token::Special, std::string(1, c), spaced, i});
            ++i;
            spaced = false;
        } else {
            Token token{Token::Word, {}, spaced, i};
            while (i < text.size() && !IsBlank(text[i]) && !IsSpecial(text[i]) &&
                   std::strchr("()\"[", text[i]) == nullptr) {
                token.text += text[i++];
            }
            if (token.text.empty()) {  // a stray ')' or ']'
                return problem = "unexpected \"" + std::string(1, c) + "\"", false;
            }
            tokens.push_back(std::move(token));
            spaced = false;
        }
    }
    return true;
}

bool IsAtomText(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
}

std::string QuotedString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A local part as a bare address carries it: a dot-atom as it is, anything
// else as one quoted string.
std::string LocalPart(const std::vector<Token>& tokens, size_t from, size_t to) {
    if (to == from + 1 && tokens[from].kind == Token::Quoted) {
        const std::string& text = tokens[from].text;
        bool dotAtom =
            !text.empty() && text.front() != '.' && text.back() != '.' && text.find("..") == std::string::npos;
        for (const char c : text) dotAtom = dotAtom && (IsAtomText(c) || c == '.');
        return dotAtom ? text : QuotedString(text);
    }
    std::string out;
    for (size_t i = from; i < to; ++i)
        out += tokens[i].kind == Token::Quoted ? QuotedString(tokens[i].text) : tokens[i].text;
    return out;
}

class Parser {
public:
    Parser(std::string_view text, const std::vector<Token>& tokens) : m_text(text), m_tokens(tokens) {}

    ParsedAddresses Run() {
        ParsedAddresses result;
        bool inGroup = false;
        while (m_at < m_tokens.size() && result.problem.empty()) {
            if (IsSpecialAt(m_at, ',')) {
                ++m_at;
            } else if (IsSpecialAt(m_at, ';')) {
                inGroup = false;  // the end of a group, or a separator outside one
                ++m_at;
            } else {
                const size_t start = m_at;
                while (m_at < m_tokens.size() && m_tokens[m_at].kind != Token::Special) ++m_at;
                if (IsSpecialAt(m_at, ':')) {
                    if (inGroup) return Fail(result, m_at, "a group inside a group");
                    inGroup = true;
                    ++m_at;
                    continue;
                }
                Mailbox mailbox;
                if (IsSpecialAt(m_at, '<')) {
                    mailbox.name = Phrase(start, m_at);
                    ++m_at;
                    const size_t open = m_at;
                    while (m_at < m_tokens.size() && !IsSpecialAt(m_at, '>')) ++m_at;
                    if (m_at >= m_tokens.size()) return Fail(result, open - 1, "no \">\" closes");
                    if (!BareAddress(open, m_at, mailbox.address, result.problem)) return result;
                    ++m_at;
                } else {
                    size_t end = m_at;
                    if (IsSpecialAt(m_at, '@')) {
                        end = m_at + 1;
                        while (end < m_tokens.size() && m_tokens[end].kind != Token::Special) ++end;
                    }
                    if (end == start) return Fail(result, start, "nothing before");
                    if (!BareAddress(start, end, mailbox.address, result.problem)) return result;
                    m_at = end;
                }
                if (m_at < m_tokens.size() && !IsSpecialAt(m_at, ',') && !IsSpecialAt(m_at, ';')) {
                    return Fail(result, m_at, "no comma before");
                }
                result.mailboxes.push_back(std::move(mailbox));
            }
        }
        return result;
    }

private:
    bool IsSpecialAt(size_t i, char c) const {
        return i < m_tokens.size() && m_tokens[i].kind == Token::Special && m_tokens[i].text[0] == c;
    }

    ParsedAddresses& Fail(ParsedAddresses& result, size_t tokenIndex, const char* what) const {
        const size_t offset = tokenIndex < m_tokens.size() ? m_tokens[tokenIndex].offset : m_text.size();
        result.problem = std::string(what) + " \"" + std::string(m_text.substr(offset, 40)) + "\"";
        return result;
    }

    std::string Phrase(size_t from, size_t to) const {
        std::string out;
        for (size_t i = from; i < to; ++i) {
            if (i > from && m_tokens[i].spaced) out += ' ';
            out += m_tokens[i].text;
        }
        return out;
    }

    // local-part "@" domain, from the tokens [from, to).
    bool BareAddress(size_t from, size_t to, std::string& address, std::string& problem) const {
        size_t at = from;
        while (at < to && !IsSpecialAt(at, '@')) ++at;
        const auto fail = [&](size_t index, const char* what) {
            ParsedAddresses scratch;
            problem = Fail(scratch, index, what).problem;
            return false;
        };
        if (at == from || at >= to) return fail(from, "not an address:");
        if (at + 2 != to || m_tokens[at + 1].kind == Token::Special || m_tokens[at + 1].kind == Token::Quoted) {
            return fail(at, "no domain after \"@\" in");
        }
        for (size_t i = from; i < at; ++i) {
            if (m_tokens[i].kind == Token::Special || m_tokens[i].kind == Token::Literal ||
                (i > from && m_tokens[i].spaced)) {
                return fail(from, "not an address:");
            }
        }
        address = LocalPart(m_tokens, from, at) + "@" + m_tokens[at + 1].text;
        return true;
    }

    std::string_view m_text;
    const std::vector<Token>& m_tokens;
    size_t m_at = 0;
};

std::string DisplayName(const std::string& name) {
    if (!IsAscii(name)) return EncodedWords(name, "\r\n ");
    for (const char c : name) {
        if (!IsAtomText(c) && c != ' ') return QuotedString(name);
    }
    return name;
}

}  // namespace

ParsedAddresses ParseAddressList(std::string_view utf8) {
    std::vector<Token> tokens;
    ParsedAddresses result;
    if (!Tokenize(utf8, tokens, result.problem)) return result;
    return Parser(utf8, tokens).Run();
}

std::string AddressListHeader(const std::vector<Mailbox>& mailboxes) {
    if (mailboxes.empty()) return "undisclosed-recipients:;";
    std::string out;
    for (const Mailbox& m : mailboxes) {
        if (!out.empty()) out += ",\r\n ";
        out += m.name.empty() ? m.address : DisplayName(m.name) + " <" + m.address + ">";
    }
    return out;
}

}  // namespace email32::message
