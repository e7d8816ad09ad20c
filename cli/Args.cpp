#include "cli/Args.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

Args::Args(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
           const std::vector<std::string>& flags)
{
    auto in = [](const std::vector<std::string>& list, const std::string& s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.rfind("--", 0) == 0) {
            std::string name = a.substr(2), value;
            const size_t eq = name.find('=');
            const bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            if (in(withValue, name)) {
                if (!inlineValue) {
                    if (i + 1 >= args.size()) {
                        error_ = "--" + name + " needs a value";
                        return;
                    }
                    value = args[++i];
                }
                options_.emplace_back(name, value);
            } else if (in(flags, name) && !inlineValue) {
                options_.emplace_back(name, "");
            } else {
                error_ = "unknown option --" + name;
                return;
            }
        } else {
            positional_.push_back(a);
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
