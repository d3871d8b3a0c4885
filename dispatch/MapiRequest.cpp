#include "dispatch/MapiRequest.h"

namespace email32::dispatch {
namespace {

constexpr std::string_view kHeader = "Email32 Simple MAPI request 1";

std::string Escaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c; break;
        }
    }
    return out;
}

// The length of the UTF-8 sequence at text[i], 0 when none starts there
// (overlong forms, surrogates and values beyond U+10FFFF included).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    }
    return length;
}

// One value as written, unescaped; nullopt for a bad escape, a control
// character, text that is no UTF-8 or a value beyond the cap.
std::optional<std::string> Unescaped(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size();) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c == '\\') {
            if (i + 1 >= value.size()) return std::nullopt;
            switch (value[i + 1]) {
            case '\\': out += '\\'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            default: return std::nullopt;
            }
            i += 2;
        } else if (c < 0x20 || c == 0x7F) {
            return std::nullopt;
        } else {
            const std::size_t length = Utf8SequenceAt(value, i);
            if (length == 0) return std::nullopt;
            out.append(value.substr(i, length));
            i += length;
        }
        if (out.size() > kMapiRequestMaxValue) return std::nullopt;
    }
    return out;
}

// "X:\..." or "\\server\...": a path that names one file whatever the
// current folder, as the helper loads libraries by full path only.
bool IsFullPath(std::string_view path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 3 && path[1] == ':' && separator(path[2])) {
        const char drive = path[0];
        return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    }
    return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

std::optional<std::uint64_t> Number(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

class Reader {
public:
    explicit Reader(std::string& problem) : m_problem(problem) {}

    bool Line(std::string_view line) {
        const std::vector<std::string_view> fields = Split(line);
        const std::string_view name = fields[0];
        if (name == "file" || name == "to" || name == "cc") return Repeated(name, fields);
        if (fields.size() != 2) return Fail("expects one value");
        const std::optional<std::string> value = Unescaped(fields[1]);
        if (!value) return Fail("holds a bad value");
        bool* seen = nullptr;
        if (name == "library") {
            if (!IsFullPath(*value)) return Fail("names no full path");
            seen = &m_library;
            m_request.library = *value;
        } else if (name == "window") {
            const std::optional<std::uint64_t> window = Number(*value);
            if (!window) return Fail("is no number");
            seen = &m_window;
            m_request.window = *window;
        } else if (name == "subject") {
            seen = &m_subject;
            m_request.subject = *value;
        } else if (name == "text") {
            seen = &m_text;
            m_request.text = *value;
        } else {
            return Fail("is no field of a request");
        }
        if (*seen) return Fail("is given twice");
        *seen = true;
        return true;
    }

    std::optional<MapiRequest> Finish() {
        if (!m_library) return Fail("has no library"), std::nullopt;
        if (!m_window) return Fail("has no window"), std::nullopt;
        return std::move(m_request);
    }

    void SetLine(std::size_t number) { m_number = number; }

private:
    bool Repeated(std::string_view name, const std::vector<std::string_view>& fields) {
        if (name == "file") {
            if (fields.size() != 2) return Fail("expects one value");
            std::optional<std::string> path = Unescaped(fields[1]);
            if (!path || !IsFullPath(*path)) return Fail("names no full path");
            if (m_request.files.size() >= kMapiRequestMaxFiles) return Fail("is one file too many");
            m_request.files.push_back(std::move(*path));
            return true;
        }
        if (fields.size() != 3) return Fail("expects a name and an address");
        std::optional<std::string> recipientName = Unescaped(fields[1]);
        std::optional<std::string> address = Unescaped(fields[2]);
        if (!recipientName || !address || address->empty()) return Fail("holds a bad recipient");
        if (m_request.recipients.size() >= kMapiRequestMaxRecipients) return Fail("is one recipient too many");
        m_request.recipients.push_back({name == "cc", std::move(*recipientName), std::move(*address)});
        return true;
    }

    bool Fail(const char* what) {
        m_problem = m_number ? "line " + std::to_string(m_number) + " " + what : std::string("the request ") + what;
        return false;
    }

    std::string& m_problem;
    std::size_t m_number = 0;
    MapiRequest m_request;
    bool m_library = false;
    bool m_window = false;
    bool m_subject = false;
    bool m_text = false;
};

}  // namespace

std::string WriteMapiRequest(const MapiRequest& request) {
    std::string out(kHeader);
    out += "\nlibrary\t" + Escaped(request.library) + "\nwindow\t" + std::to_string(request.window) + "\n";
    if (!request.subject.empty()) out += "subject\t" + Escaped(request.subject) + "\n";
    if (!request.text.empty()) out += "text\t" + Escaped(request.text) + "\n";
    for (const MapiRequestRecipient& r : request.recipients) {
        out += std::string(r.cc ? "cc\t" : "to\t") + Escaped(r.name) + "\t" + Escaped(r.address) + "\n";
    }
    for (const std::string& file : request.files) out += "file\t" + Escaped(file) + "\n";
    return out;
}

std::optional<MapiRequest> ReadMapiRequest(std::string_view data, std::string& problem) {
    problem.clear();
    if (data.size() > kMapiRequestMaxBytes) return problem = "the request is larger than its cap", std::nullopt;
    if (data.empty() || data.back() != '\n') return problem = "the request does not end a line", std::nullopt;
    Reader reader(problem);
    std::size_t number = 0;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = data.find('\n', start);
        const std::string_view line = data.substr(start, end - start);
        start = end + 1;
        reader.SetLine(++number);
        if (number == 1) {
            if (line != kHeader) return problem = "line 1 is no request header", std::nullopt;
            continue;
        }
        if (!reader.Line(line)) return std::nullopt;
    }
    reader.SetLine(0);
    return reader.Finish();
}

}  // namespace email32::dispatch
