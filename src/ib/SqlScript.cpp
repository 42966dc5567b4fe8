#include "ib/SqlScript.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <QString>
#include <cctype>

namespace ib {

namespace {

std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The statement without its leading comments, upper-cased and with single blanks, for directive tests.
std::string normalized(const std::string& stmt)
{
    std::string out;
    bool blank = false;
    for (char c : stmt) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

std::vector<std::string> splitSqlScript(const std::string& script)
{
    std::vector<std::string> out;
    std::string term = ";";
    std::string current;
    size_t i = 0;
    const size_t n = script.size();
    bool meaningful = false;  // current holds more than blanks and comments
    while (i < n) {
        const char c = script[i];
        if (c == '-' && i + 1 < n && script[i + 1] == '-') {
            while (i < n && script[i] != '\n')
                ++i;
            current += '\n';
            continue;
        }
        if (c == '/' && i + 1 < n && script[i + 1] == '*') {
            const size_t end = script.find("*/", i + 2);
            if (end == std::string::npos)
                throw Exception(msg::ScriptUnterminated);
            if (meaningful)
                current.append(script, i, end + 2 - i);
            i = end + 2;
            continue;
        }
        if (c == '\'' || c == '"') {
            size_t j = i + 1;
            for (;;) {
                if (j >= n)
                    throw Exception(msg::ScriptUnterminated);
                if (script[j] == c) {
                    if (j + 1 < n && script[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            current.append(script, i, j + 1 - i);
            meaningful = true;
            i = j + 1;
            continue;
        }
        if (script.compare(i, term.size(), term) == 0) {
            i += term.size();
            const std::string stmt = trim(current);
            current.clear();
            meaningful = false;
            if (stmt.empty())
                continue;
            const std::string norm = normalized(stmt);
            if (norm.rfind("SET TERM ", 0) == 0) {
                // the new terminator is what follows the two words
                const size_t at = upper(stmt).find("TERM") + 4;
                std::string next = trim(stmt.substr(at));
                if (next.empty())
                    next.assign(1, ';');
                term.swap(next);
                continue;
            }
            if (norm == "COMMIT" || norm == "COMMIT WORK" || norm.rfind("SET SQL DIALECT", 0) == 0 ||
                norm.rfind("SET AUTODDL", 0) == 0 || norm.rfind("SET NAMES", 0) == 0)
                continue;
            out.push_back(stmt);
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c)))
            meaningful = true;
        current += c;
        ++i;
    }
    if (!trim(current).empty() && meaningful)
        throw Exception(msg::ScriptUnterminated);
    return out;
}

}  // namespace ib
