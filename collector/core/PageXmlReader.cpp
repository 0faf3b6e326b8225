#include "collector/core/PageXmlReader.h"

#include "common/Text.h"

#include <windows.h>

#include <cstring>

namespace Gathrix {

namespace {

constexpr std::size_t kBufferSize = 1u << 16;
// Texts longer than this are handed out in pieces, cut between two UTF-8 sequences.
constexpr std::size_t kTextPiece = 1u << 20;

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EndsName(int c) {
    return c < 0 || IsBlank(c) || c == '/' || c == '>' || c == '=' || c == '<' || c == '"' || c == '\'';
}

void AppendUtf8(std::string& target, unsigned long code) {
    if (code < 0x80) {
        target.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        target.push_back(static_cast<char>(0xC0 | (code >> 6)));
        target.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        target.push_back(static_cast<char>(0xE0 | (code >> 12)));
        target.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        target.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        target.push_back(static_cast<char>(0xF0 | (code >> 18)));
        target.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        target.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        target.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::wstring Shown(const std::string& utf8) { return Utils::FromUtf8(utf8); }

} // namespace

PageXmlReader::PageXmlReader(const std::wstring& path)
    : file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
    if (!file) {
        systemError = GetLastError();
        Fail(System::GetErrorText(systemError));
        return;
    }
    buffer.resize(kBufferSize);
}

int PageXmlReader::Get() {
    if (pushedBack != -2) {
        const int c = pushedBack;
        pushedBack = -2;
        return c;
    }
    if (position == filled) {
        if (atEnd)
            return -1;
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            systemError = GetLastError();
            atEnd = true;
            return -1;
        }
        if (read == 0) {
            atEnd = true;
            return -1;
        }
        position = 0;
        filled = read;
    }
    return static_cast<unsigned char>(buffer[position++]);
}

PageXmlReader::Item PageXmlReader::Fail(const std::wstring& reason) {
    failure = reason;
    last = Item::Failed;
    return last;
}

// Skips everything up to and including `terminator`; false at the file's end.
bool PageXmlReader::SkipPast(const char* terminator) {
    const std::string wanted = terminator;
    std::string tail;
    for (;;) {
        const int c = Get();
        if (c < 0)
            return false;
        tail.push_back(static_cast<char>(c));
        if (tail.size() > wanted.size())
            tail.erase(0, 1);
        if (tail == wanted)
            return true;
    }
}

bool PageXmlReader::ReadName(std::string& target, int first) {
    target.clear();
    int c = first;
    while (!EndsName(c)) {
        target.push_back(static_cast<char>(c));
        c = Get();
    }
    Unget(c);
    return !target.empty();
}

// After "&": the character it names, appended.
bool PageXmlReader::AppendReference(std::string& target) {
    std::string reference;
    for (;;) {
        const int c = Get();
        if (c < 0 || reference.size() > 10)
            return false;
        if (c == ';')
            break;
        reference.push_back(static_cast<char>(c));
    }
    if (reference == "lt")
        target.push_back('<');
    else if (reference == "gt")
        target.push_back('>');
    else if (reference == "amp")
        target.push_back('&');
    else if (reference == "quot")
        target.push_back('"');
    else if (reference == "apos")
        target.push_back('\'');
    else if (reference.size() > 1 && reference[0] == '#') {
        const bool hex = reference[1] == 'x';
        const std::string digits = reference.substr(hex ? 2 : 1);
        if (digits.empty())
            return false;
        unsigned long code = 0;
        for (char digit : digits) {
            int value;
            if (digit >= '0' && digit <= '9')
                value = digit - '0';
            else if (hex && digit >= 'a' && digit <= 'f')
                value = digit - 'a' + 10;
            else if (hex && digit >= 'A' && digit <= 'F')
                value = digit - 'A' + 10;
            else
                return false;
            code = code * (hex ? 16 : 10) + static_cast<unsigned long>(value);
            if (code > 0x10FFFF)
                return false;
        }
        if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        AppendUtf8(target, code);
    } else {
        return false;
    }
    return true;
}

PageXmlReader::Item PageXmlReader::ReadStartTag(int first) {
    if (!ReadName(name, first))
        return Fail(L"a start tag without a name");
    if (open.empty() && rootSeen)
        return Fail(L"a second root element <" + Shown(name) + L">");
    attributes.clear();
    for (;;) {
        int c = Get();
        while (IsBlank(c))
            c = Get();
        if (c == '>')
            break;
        if (c == '/') {
            if (Get() != '>')
                return Fail(L"the start tag <" + Shown(name) + L"> is not closed");
            closePending = true;
            break;
        }
        Attribute attribute;
        if (!ReadName(attribute.name, c))
            return Fail(L"the start tag <" + Shown(name) + L"> is not closed");
        c = Get();
        while (IsBlank(c))
            c = Get();
        if (c != '=')
            return Fail(L"the attribute " + Shown(attribute.name) + L" of <" + Shown(name) + L"> has no value");
        c = Get();
        while (IsBlank(c))
            c = Get();
        if (c != '"' && c != '\'')
            return Fail(L"the attribute " + Shown(attribute.name) + L" of <" + Shown(name) + L"> has no value");
        const int quote = c;
        for (;;) {
            c = Get();
            if (c < 0 || c == '<')
                return Fail(L"the attribute " + Shown(attribute.name) + L" of <" + Shown(name) + L"> is not closed");
            if (c == quote)
                break;
            if (c == '&') {
                if (!AppendReference(attribute.value))
                    return Fail(L"an unknown reference in the attribute " + Shown(attribute.name));
            } else {
                attribute.value.push_back(static_cast<char>(c));
            }
        }
        attributes.push_back(std::move(attribute));
    }
    open.push_back(name);
    rootSeen = true;
    return Item::Start;
}

PageXmlReader::Item PageXmlReader::ReadEndTag() {
    int c = Get();
    if (!ReadName(name, c))
        return Fail(L"an end tag without a name");
    c = Get();
    while (IsBlank(c))
        c = Get();
    if (c != '>')
        return Fail(L"the end tag </" + Shown(name) + L"> is not closed");
    if (open.empty() || open.back() != name)
        return Fail(L"the end tag </" + Shown(name) + L"> closes no open element" +
                    (open.empty() ? std::wstring() : L" (<" + Shown(open.back()) + L"> is open)"));
    open.pop_back();
    return Item::End;
}

// After "<!": a comment is skipped (false), CDATA is a text; nothing else belongs in a result file.
bool PageXmlReader::ReadMarkup(Item& item) {
    std::string lead;
    for (int i = 0; i < 7; ++i) {
        const int c = Get();
        if (c < 0)
            break;
        lead.push_back(static_cast<char>(c));
        if (lead == "--") {
            if (!SkipPast("-->")) {
                item = Fail(L"a comment is not closed");
                return true;
            }
            return false;
        }
        if (lead == "[CDATA[") {
            if (open.empty()) {
                item = Fail(L"CDATA outside the root element");
                return true;
            }
            text.clear();
            int c1 = Get(), c2 = Get();
            for (;;) {
                const int c3 = Get();
                if (c3 < 0) {
                    item = Fail(L"a CDATA section is not closed");
                    return true;
                }
                if (c1 == ']' && c2 == ']' && c3 == '>')
                    break;
                text.push_back(static_cast<char>(c1));
                c1 = c2;
                c2 = c3;
            }
            item = Item::Text;
            return true;
        }
    }
    item = Fail(L"a declaration this reader does not take (<!" + Shown(lead) + L"...)");
    return true;
}

PageXmlReader::Item PageXmlReader::Next() {
    if (last == Item::Finished || last == Item::Failed)
        return last;
    if (closePending) {
        closePending = false;
        open.pop_back();
        attributes.clear();
        return last = Item::End;
    }
    for (;;) {
        const int c = Get();
        if (c < 0) {
            if (systemError != 0)
                return Fail(System::GetErrorText(systemError));
            if (!open.empty())
                return Fail(L"the file ends inside <" + Shown(open.back()) + L">");
            if (!rootSeen)
                return Fail(L"the file holds no element");
            return last = Item::Finished;
        }
        if (c == '<') {
            const int kind = Get();
            if (kind == '?') {
                if (!SkipPast("?>"))
                    return Fail(L"a processing instruction is not closed");
                continue;
            }
            if (kind == '!') {
                Item item = Item::Text;
                if (!ReadMarkup(item))
                    continue;
                return last = item;
            }
            if (kind == '/')
                return last = ReadEndTag();
            return last = ReadStartTag(kind);
        }
        // A text, up to the next tag or a piece's length.
        text.clear();
        bool blank = true;
        int t = c;
        for (;;) {
            if (t < 0)
                break;
            if (t == '<') {
                Unget(t);
                break;
            }
            if (t == '&') {
                if (!AppendReference(text))
                    return Fail(L"an unknown reference in a text" +
                                (open.empty() ? std::wstring() : L" of <" + Shown(open.back()) + L">"));
                blank = false;
            } else {
                blank = blank && IsBlank(t);
                text.push_back(static_cast<char>(t));
            }
            if (text.size() >= kTextPiece) {
                // Cut before a byte that starts a character, never inside one.
                const int following = Get();
                Unget(following);
                if (following < 0 || (following & 0xC0) != 0x80)
                    break;
            }
            t = Get();
        }
        if (open.empty()) {
            if (!blank)
                return Fail(L"text outside the root element");
            continue;
        }
        return last = Item::Text;
    }
}

} // namespace Gathrix
