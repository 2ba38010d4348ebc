#include "fmactions/MenuText.h"

#include <cstdint>

namespace {

// Length of a valid UTF-8 sequence at text[pos], 0 when it is not one.
size_t Utf8SequenceLength(const std::string& text, size_t pos) {
    const auto byte = [&](size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(pos);
    size_t length = 0;
    std::uint32_t minimum = 0;
    std::uint32_t code = 0;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

std::string CleanLabel(const std::string& text) {
    std::string clean;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t length = Utf8SequenceLength(text, pos);
        if (length == 0) {
            clean += "\xEF\xBF\xBD";
            ++pos;
            continue;
        }
        const auto lead = static_cast<std::uint8_t>(text[pos]);
        if (length == 1 && (lead < 0x20 || lead == 0x7F))
            clean += ' ';
        else
            clean.append(text, pos, length);
        pos += length;
    }
    return clean;
}

std::string EntryLabel(const CMenuEntry& entry, bool inSubmenu) {
    const std::string name = CleanLabel(entry.strLabel);
    if (inSubmenu || entry.strSelector.empty())
        return name;
    return std::string(SUBMENU_TITLE) + ": " + name;
}

std::string EntryDescription(const CMenuEntry& entry) {
    if (entry.strSelector.empty())
        return "Process with Harvex and the current options";
    return "Process with Harvex and the preset \"" + CleanLabel(entry.strLabel) + "\"";
}

std::string KeyFileValue(const std::string& text) {
    std::string value;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' && i == 0)
            value += "\\s";
        else if (c == '\n')
            value += "\\n";
        else if (c == '\t')
            value += "\\t";
        else if (c == '\r')
            value += "\\r";
        else if (c == '\\')
            value += "\\\\";
        else
            value += c;
    }
    return value;
}

std::string DesktopExecArgument(const std::string& argument) {
    static const std::string RESERVED = " \t\n\"'\\><~|&;$*?#()`";
    if (!argument.empty() && argument.find_first_of(RESERVED) == std::string::npos)
        return argument;
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string XmlEscape(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}
