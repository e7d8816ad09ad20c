#include "cli/OptionValues.h"

#include "cli/Commands.h"
#include "platform/Clock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

namespace {

int Bad(const char* command, const std::string& option, const std::string& value, const char* want = nullptr)
{
    std::string message = "bad value for --" + option + ": \"" + value + "\"";
    if (want) message += std::string(" (want ") + want + ")";
    return Fail(command, message, 2);
}

}  // namespace

int ReadQuality(const Args& args, const char* command, int& quality)
{
    if (const auto q = args.Value("quality")) {
        long long n = 0;
        if (!ParseInt(*q, n) || n < 1 || n > 100) return Bad(command, "quality", *q, "1 to 100");
        quality = static_cast<int>(n);
    }
    return 0;
}

int ReadVariables(const Args& args, const char* command, std::optional<double> (&vars)[3])
{
    for (int i = 0; i < 3; ++i) {
        const std::string name = "var" + std::to_string(i + 1);
        if (const auto v = args.Value(name)) {
            double d = 0;
            if (!ParseDouble(*v, d)) return Bad(command, name, *v);
            vars[i] = d;
        }
    }
    return 0;
}

int ReadViewSize(const Args& args, const char* command, std::optional<cv::Size>& size)
{
    if (const auto s = args.Value("size")) {
        int w = 0, h = 0;
        if (!ParseSize(*s, w, h)) return Bad(command, "size", *s, "WxH");
        size = cv::Size(w, h);
    }
    return 0;
}

int ReadSeed(const Args& args, const char* command)
{
    if (const auto seed = args.Value("seed")) {
        long long s = 0;
        if (!ParseInt(*seed, s) || s < 0 || s > 0xFFFFFFFFLL) return Bad(command, "seed", *seed);
        platform::SetFixedSeed(static_cast<std::uint32_t>(s));
    }
    return 0;
}

int ReadTurn(const Args& args, const char* command, std::optional<cv::Vec2f>& turn)
{
    if (const auto t = args.Value("turn")) {
        std::vector<double> v;
        if (!ParseList(*t, 2, v)) return Bad(command, "turn", *t, "H,V");
        turn = cv::Vec2f(static_cast<float>(v[0]), static_cast<float>(v[1]));
    }
    return 0;
}

int ReadFaceNumber(const Args& args, const char* command, std::optional<int>& face)
{
    if (const auto f = args.Value("face")) {
        long long n = 0;
        if (!ParseInt(*f, n) || n < 1 || n > 1000) return Bad(command, "face", *f);
        face = static_cast<int>(n);
    }
    return 0;
}

}  // namespace cli
