#include "spam/server_verdict.h"

#include "settings/text_utils.h"

namespace {

enum class TokenKind { Word, Quoted, Equals, Semicolon };

struct Token {
    TokenKind kind;
    std::string text;
};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool EndsWord(char c) {
    return IsBlank(c) || c == '=' || c == ';' || c == '"' || c == '(';
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// Skips a comment starting at text[i] == '(' (nested, with quoted pairs); returns the index
// after it, or the end when it is not closed.
std::size_t SkipComment(std::string_view text, std::size_t i) {
    int depth = 0;
    for (; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

// The quoted string starting at text[i] == '"' into `out`; returns the index after it.
std::size_t ReadQuoted(std::string_view text, std::size_t i, std::string& out) {
    for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return i < text.size() ? i + 1 : i;
}

std::vector<Token> Tokenize(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsBlank(c)) {
            ++i;
        } else if (c == '(') {
            i = SkipComment(text, i);
        } else if (c == '"') {
            tokens.push_back({TokenKind::Quoted, {}});
            i = ReadQuoted(text, i, tokens.back().text);
        } else if (c == '=' || c == ';') {
            tokens.push_back({c == '=' ? TokenKind::Equals : TokenKind::Semicolon, {}});
            ++i;
        } else {
            const std::size_t start = i;
            while (i < text.size() && !EndsWord(text[i])) ++i;
            tokens.push_back({TokenKind::Word, std::string(text.substr(start, i - start))});
        }
    }
    return tokens;
}

using Segment = std::vector<Token>;

std::vector<Segment> SplitAtSemicolons(std::vector<Token> tokens) {
    std::vector<Segment> segments(1);
    for (Token& token : tokens) {
        if (token.kind == TokenKind::Semicolon) {
            segments.emplace_back();
        } else {
            segments.back().push_back(std::move(token));
        }
    }
    return segments;
}

bool IsValue(const Token& token) {
    return token.kind == TokenKind::Word || token.kind == TokenKind::Quoted;
}

bool PairAt(const Segment& s, std::size_t i) {
    return i + 2 < s.size() && s[i].kind == TokenKind::Word && s[i + 1].kind == TokenKind::Equals &&
           IsValue(s[i + 2]);
}

// The domain of "user@domain", "@domain" or "domain", lower case, without a final dot.
std::string DomainOf(std::string_view value) {
    const std::size_t at = value.rfind('@');
    std::string domain =
        LowerAscii(TrimView(at == std::string_view::npos ? value : value.substr(at + 1)));
    while (!domain.empty() && (domain.back() == '.' || domain.back() == '>')) domain.pop_back();
    return domain;
}

// "method=result" and its properties; none when the segment does not start with a pair.
std::optional<AuthMethodResult> ParseResult(const Segment& s) {
    if (!PairAt(s, 0)) return std::nullopt;
    AuthMethodResult r;
    const std::string& method = s[0].text;
    r.method = LowerAscii(method.substr(0, method.find('/')));
    r.result = LowerAscii(s[2].text);
    bool fromIdentity = false;  // header.i: only when nothing better is there
    for (std::size_t i = 3; i < s.size(); ++i) {
        if (!PairAt(s, i)) continue;
        const std::string property = LowerAscii(s[i].text);
        const std::string& value = s[i + 2].text;
        if (property == "header.d" || property == "header.from" || property == "smtp.mailfrom") {
            r.domain = DomainOf(value);
        } else if (property == "header.i" && (r.domain.empty() || fromIdentity)) {
            r.domain = DomainOf(value);
            fromIdentity = true;
        }
        i += 2;
    }
    return r;
}

bool IsFieldStart(std::string_view line) {
    return !line.empty() && !IsBlank(line.front());
}

bool FieldNamed(std::string_view field, std::string_view name) {
    return field.size() > name.size() && field[name.size()] == ':' &&
           SameTextAscii(field.substr(0, name.size()), name);
}

std::string_view FieldValue(std::string_view field) {
    return field.substr(field.find(':') + 1);
}

bool SaysYes(std::string_view value) {
    const std::string_view v = TrimView(value);
    return v.size() >= 3 && SameTextAscii(v.substr(0, 3), "yes") &&
           (v.size() == 3 || v[3] == ',' || IsBlank(v[3]));
}

bool ServerFlaggedSpam(std::string_view field) {
    if (FieldNamed(field, "X-Spam-Flag")) return SameTextAscii(TrimView(FieldValue(field)), "YES");
    return FieldNamed(field, "X-Spam-Status") && SaysYes(FieldValue(field));
}

}  // namespace

std::optional<AuthenticationResults> ParseAuthenticationResults(std::string_view value) {
    std::vector<Segment> segments = SplitAtSemicolons(Tokenize(value));
    if (segments.size() == 1 && segments.front().empty()) return std::nullopt;
    AuthenticationResults parsed;
    const Segment& first = segments.front();
    // Some servers start with the first result at once and name no authserv-id.
    if (!first.empty() && !PairAt(first, 0) && IsValue(first.front()))
        parsed.authservId = first.front().text;
    for (std::size_t i = parsed.authservId.empty() ? 0 : 1; i < segments.size(); ++i) {
        if (auto result = ParseResult(segments[i])) parsed.results.push_back(std::move(*result));
    }
    return parsed;
}

bool RelatedDomains(std::string_view a, std::string_view b) {
    const std::string x = DomainOf(a);
    const std::string y = DomainOf(b);
    if (x.empty() || y.empty()) return false;
    const auto below = [](const std::string& sub, const std::string& parent) {
        return sub.size() > parent.size() && sub.ends_with(parent) &&
               sub[sub.size() - parent.size() - 1] == '.';
    };
    return x == y || below(x, y) || below(y, x);
}

ServerVerdict JudgeAuthentication(const AuthenticationResults& results,
                                  std::string_view fromDomain) {
    ServerVerdict verdict;
    for (const AuthMethodResult& r : results.results) {
        if (r.method != "dmarc") continue;
        if (r.result == "fail") {
            verdict.authFailure = AuthFailure::DmarcFailed;
            verdict.domain = r.domain.empty() ? DomainOf(fromDomain) : r.domain;
        }
        return verdict;  // the first DMARC result decides
    }
    bool passed = false;
    bool failed = false;
    std::string spfDomain;
    for (const AuthMethodResult& r : results.results) {
        if (r.method == "spf") {
            passed = passed || r.result == "pass";
            failed = failed || r.result == "fail" || r.result == "softfail";
            if (spfDomain.empty()) spfDomain = r.domain;
        } else if (r.method == "dkim") {
            const bool related =
                fromDomain.empty() || r.domain.empty() || RelatedDomains(r.domain, fromDomain);
            passed = passed || (r.result == "pass" && related);
            failed = failed || r.result == "fail" || (r.result == "pass" && !related);
        }
    }
    if (passed || !failed) return verdict;
    verdict.authFailure = AuthFailure::NotAuthenticated;
    verdict.domain = fromDomain.empty() ? spfDomain : DomainOf(fromDomain);
    return verdict;
}

ServerVerdict ReadServerVerdict(std::string_view header, std::string_view fromAddress,
                                std::string_view authservId) {
    ServerVerdict verdict;
    std::optional<std::string> topmostResults;
    std::string field;
    const auto finishField = [&] {
        if (field.empty()) return;
        if (!topmostResults && FieldNamed(field, "Authentication-Results"))
            topmostResults = std::string(FieldValue(field));
        verdict.serverSpam = verdict.serverSpam || ServerFlaggedSpam(field);
        field.clear();
    };
    // Only the fields looked at are joined from their folded lines.
    const auto wanted = [&](std::string_view line) {
        return (!topmostResults && FieldNamed(line, "Authentication-Results")) ||
               FieldNamed(line, "X-Spam-Flag") || FieldNamed(line, "X-Spam-Status");
    };
    bool collecting = false;
    for (const std::string_view line : SplitLines(header)) {
        if (line.empty()) break;  // the end of the header
        if (IsFieldStart(line)) {
            finishField();
            collecting = wanted(line);
            if (collecting) field = line;
        } else if (collecting) {
            field += line;
        }
    }
    finishField();
    if (!topmostResults) return verdict;
    const std::optional<AuthenticationResults> results =
        ParseAuthenticationResults(*topmostResults);
    if (!results) return verdict;
    if (HasText(authservId) && !SameTextAscii(Trim(results->authservId), Trim(authservId)))
        return verdict;
    const std::size_t at = fromAddress.rfind('@');
    const ServerVerdict auth = JudgeAuthentication(
        *results, at == std::string_view::npos ? std::string_view{} : fromAddress.substr(at + 1));
    verdict.authFailure = auth.authFailure;
    verdict.domain = auth.domain;
    return verdict;
}
