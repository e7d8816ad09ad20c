#include "cli/Args.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace cli {

Args::Args(const std::vector<std::string>& args, std::span<const OptionSpec> options, std::span<const OptionSpec> common)
{
    auto byName = [&](std::string_view name) -> const OptionSpec* {
        for (auto table : {options, common})
            for (const OptionSpec& o : table)
                if (name == o.name) return &o;
        return nullptr;
    };
    auto byLetter = [&](char letter) -> const OptionSpec* {
        for (auto table : {options, common})
            for (const OptionSpec& o : table)
                if (o.shortName && o.shortName == letter) return &o;
        return nullptr;
    };
    bool operandsOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (operandsOnly || a == "-" || a.empty() || a[0] != '-') {
            positional_.push_back(a);
        } else if (a == "--") {
            operandsOnly = true;
        } else if (a.rfind("--", 0) == 0) {
            std::string name = a.substr(2), value;
            const size_t eq = name.find('=');
            const bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            const OptionSpec* o = byName(name);
            if (!o) {
                error_ = "unknown option --" + name;
                return;
            }
            if (!o->value && inlineValue) {
                error_ = "--" + name + " takes no value";
                return;
            }
            if (o->value && !inlineValue) {
                if (i + 1 >= args.size()) {
                    error_ = "--" + name + " needs a value";
                    return;
                }
                value = args[++i];
            }
            options_.emplace_back(o->name, value);
        } else {
            // One or more one-letter options; the last may take a value (the next word).
            for (size_t k = 1; k < a.size(); ++k) {
                const OptionSpec* o = byLetter(a[k]);
                if (!o) {
                    error_ = std::string("unknown option -") + a[k];
                    return;
                }
                if (!o->value) {
                    options_.emplace_back(o->name, "");
                    continue;
                }
                if (k + 1 < a.size()) {
                    error_ = std::string("-") + a[k] + " needs a value and must come last in " + a;
                    return;
                }
                if (i + 1 >= args.size()) {
                    error_ = std::string("-") + a[k] + " needs a value";
                    return;
                }
                options_.emplace_back(o->name, args[++i]);
            }
        }
    }
}

bool Args::Has(const std::string& name) const
{
    return std::any_of(options_.begin(), options_.end(), [&](auto& o) { return o.first == name; });
}

std::optional<std::string> Args::Value(const std::string& name) const
{
    std::optional<std::string> v;
    for (auto& o : options_)
        if (o.first == name) v = o.second;  // the last one wins
    return v;
}

std::vector<std::string> Args::Values(const std::string& name) const
{
    std::vector<std::string> v;
    for (auto& o : options_)
        if (o.first == name) v.push_back(o.second);
    return v;
}

bool ParseDouble(const std::string& s, double& out)
{
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || end != s.c_str() + s.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ParseInt(const std::string& s, long long& out)
{
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size()) return false;
    out = v;
    return true;
}

bool ParseSize(const std::string& s, int& w, int& h)
{
    const size_t x = s.find_first_of("xX");
    long long a = 0, b = 0;
    if (x == std::string::npos || !ParseInt(s.substr(0, x), a) || !ParseInt(s.substr(x + 1), b)) return false;
    if (a <= 0 || b <= 0 || a > 65535 || b > 65535) return false;
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return true;
}

bool ParseList(const std::string& s, size_t n, std::vector<double>& out)
{
    out.clear();
    size_t start = 0;
    while (start <= s.size()) {
        const size_t comma = s.find(',', start);
        double v = 0;
        if (!ParseDouble(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v)) return false;
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out.size() == n;
}

}  // namespace cli
